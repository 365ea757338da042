#include "web/proxy_setting.h"

#include <cstdlib>

#include "engine/engine.h"
#include "support/text.h"

namespace qv::web {

namespace {

int PortOf(std::u16string_view text) {
  int32_t port = 0;
  if (!TextToInt32(text, port)) throw NotValidError(text, u"integer");
  // Ports are 16-bit: a larger number would silently become another port.
  if (port < 0 || port > 65535) throw NotValidError(text, u"integer");
  return port;
}

}  // namespace

ProxySetting ProxyFromAddress(std::u16string_view address, std::u16string_view user,
                              std::u16string_view pass) {
  ProxySetting p;
  size_t colon = address.find(u':');
  if (colon == std::u16string_view::npos) {
    p.port = PortOf(address);
  } else {
    p.server = address.substr(0, colon);
    p.port = PortOf(address.substr(colon + 1));
  }
  p.user = user;
  p.password = pass;
  return p;
}

ProxySetting ProxyFromSystemList(std::u16string_view list) {
  std::u16string text(list);
  const std::u16string_view key = u"http=";
  if (size_t at = text.find(key); at != std::u16string::npos) {
    text.erase(0, at + key.size());
    if (size_t semi = text.find(u';'); semi != std::u16string::npos) text.resize(semi);
  }
  if (size_t scheme = text.find(u"://"); scheme != std::u16string::npos) text.erase(0, scheme + 3);
  if (size_t atSign = text.rfind(u'@'); atSign != std::u16string::npos) text.erase(0, atSign + 1);
  while (!text.empty() && text.back() == u'/') text.pop_back();
  ProxySetting p;
  if (size_t colon = text.find(u':'); colon != std::u16string::npos) {
    p.server = text.substr(0, colon);
    p.port = PortOf(text.substr(colon + 1));
  }
  return p;
}

std::u16string EnvironmentProxyList() {
  for (const char* name : {"http_proxy", "HTTP_PROXY"}) {
    const char* v = std::getenv(name);
    if (v && *v) return FromUtf8(v);
  }
  return {};
}

}  // namespace qv::web
