#include "web/redirect_target.h"

#include <curl/curl.h>

#include "support/text.h"
#include "web/address_encoding.h"

namespace qv::web {

std::u16string RedirectTarget(std::u16string_view base, std::u16string_view location) {
  CURLU* u = curl_url();
  std::u16string out(location);
  if (curl_url_set(u, CURLUPART_URL, WireUrl(base).c_str(), 0) == CURLUE_OK &&
      curl_url_set(u, CURLUPART_URL, WireUrl(location).c_str(), 0) == CURLUE_OK) {
    char* full = nullptr;
    if (curl_url_get(u, CURLUPART_URL, &full, 0) == CURLUE_OK) out = FromUtf8(full);
    curl_free(full);
  }
  curl_url_cleanup(u);
  return out;
}

}  // namespace qv::web
