#include "web/http_request.h"

#include "support/errors.h"
#include "support/text.h"
#include "web/address_encoding.h"
#include "web/content_decoding.h"
#include "web/page_text.h"
#include "web/retry.h"

namespace qv::web {

namespace {

// The token characters of an HTTP method.
bool IsTokenChar(char16_t c) {
  if ((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z')) return true;
  return std::u16string_view(u"!#$%&'*+-.^_`|~").find(c) != std::u16string_view::npos;
}

std::u16string DefaultContentType(std::u16string_view body) {
  std::u16string_view start = TrimBlanks(body);
  if (!start.empty() && (start[0] == u'{' || start[0] == u'[')) return u"application/json";
  return u"application/x-www-form-urlencoded";
}

}  // namespace

std::string MethodToken(std::u16string_view method) {
  std::string token;
  for (char16_t c : method) {
    if (!IsTokenChar(c)) return {};
    token += static_cast<char>(c >= u'a' && c <= u'z' ? c - 32 : c);
  }
  return token;
}

std::u16string ResponseCharSet(std::u16string_view contentType, std::u16string_view headerCharSet) {
  if (!headerCharSet.empty()) return u"CHECK";
  std::u16string type = LowerCase(contentType);
  bool json = type == u"application/json" || (type.size() > 5 && type.ends_with(u"+json"));
  return json ? u"UTF-8" : u"CHECK";
}

std::u16string SendHttpRequest(THttpGet& http, std::u16string_view method, std::u16string_view url,
                               std::u16string_view body, std::u16string_view contentType) {
  std::string token = MethodToken(method);
  if (token.empty()) throw ScriptError(u"Invalid HTTP method: " + std::u16string(method));
  std::u16string address = EncodeAddress(url, u"UTF-8");
  http.SetURL(address);
  http.SetIsTimeout(false);

  // The content type is this request's alone: the client's stays as the
  // script set it.
  std::u16string remembered = http.Request().contentType;
  http.Request().contentType = body.empty()          ? std::u16string(contentType)
                               : contentType.empty() ? DefaultContentType(body)
                                                     : std::u16string(contentType);
  TransferEnd end = PerformWithRetries(http, token, address, ToUtf8(body));
  http.Request().contentType = std::move(remembered);
  if (end == TransferEnd::TimedOut) http.SetIsTimeout(true);
  if (end != TransferEnd::Completed) return {};

  const HttpResponse& response = http.Response();
  BodyBuffer raw = http.TakeBody();
  std::string decoded;
  std::string_view bytes = raw.View();
  std::u16string why;
  Decoding d = DecodeContent(response.contentEncoding, bytes, decoded, http.MaxBodyBytes(), why);
  if (d == Decoding::Decoded) {
    raw.Clear();
    bytes = decoded;
  } else if (d == Decoding::Failed) {
    http.SetErrorText(why);
  }
  return DecodePage(bytes, ResponseCharSet(response.contentType, response.charSet), response.charSet);
}

}  // namespace qv::web
