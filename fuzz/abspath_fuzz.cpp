// Base and link, separated by a NUL byte (UTF-8), through AbsPath, GetDomain,
// IsURL and ExpandLinkTemplates (the link as templates, the base as page).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "library/mask/regex_functions.h"
#include "library/url/abspath.h"
#include "support/errors.h"
#include "support/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view in(reinterpret_cast<const char*>(data), size);
  const size_t cut = in.find('\0');
  if (cut == std::string_view::npos) return 0;
  const std::u16string base = qv::FromUtf8(in.substr(0, cut));
  const std::u16string link = qv::FromUtf8(in.substr(cut + 1));
  try {
    const std::u16string r = qv::library::AbsPath(base, link);
    // Resolving again changes nothing once a scheme is there.
    if (r.starts_with(u"http://") && r.find_first_of(u"\r\n") == std::u16string::npos &&
        qv::library::AbsPath(base, r) != r)
      std::abort();
    (void)qv::library::GetDomain(base);
    (void)qv::library::GetDomain(link, true);
  } catch (const qv::ScriptError&) {
  }
  (void)qv::library::IsURL(link);
  try {
    (void)qv::library::ExpandLinkTemplates(base, base, link);
  } catch (const qv::ScriptError&) {
  }
  return 0;
}
