// A request of any method on a thread's client, for scripts that talk to
// APIs: the body goes as UTF-8, the answer comes back as text whatever its
// status, and the client's response fields tell the rest. The download
// cache is never used.
//
//   std::u16string reply = SendHttpRequest(http, u"PUT", u"http://api/items/7", u"{\"n\":1}", u"");
//   http.Response().responseCode;   // 200, 404, 503 ... or 0 without an answer
#pragma once

#include <string>
#include <string_view>

#include "web/http_get.h"

namespace qv::web {

// Raises ScriptError for a method that is not an HTTP token. A request that
// got no answer gives empty text, with the client's ErrorText saying why.
// ContentType empty: "application/json" for a body that starts with "{" or
// "[", else "application/x-www-form-urlencoded"; no type without a body.
std::u16string SendHttpRequest(THttpGet& http, std::u16string_view method, std::u16string_view url,
                               std::u16string_view body, std::u16string_view contentType);

// The method as sent: upper case ASCII, or empty when it is not a token.
std::string MethodToken(std::u16string_view method);

// The character set a response's text is read with: "UTF-8" for JSON
// without a declared charset (JSON is UTF-8 by definition), else the
// download's detection.
std::u16string ResponseCharSet(std::u16string_view contentType, std::u16string_view headerCharSet);

}  // namespace qv::web
