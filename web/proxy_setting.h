// The proxy a client uses, and how SetProxy reads an address.
#pragma once

#include <string>
#include <string_view>

namespace qv::web {

struct ProxySetting {
  std::u16string server;  // empty: no proxy
  int port = 0;
  std::u16string user;
  std::u16string password;
  friend bool operator==(const ProxySetting&, const ProxySetting&) = default;
};

// An explicit address: the server before the first ":", the port after it;
// an address without ":" is all port. A port that is not a number from 0 to
// 65535 raises the conversion error ("'x' is not a valid integer value").
ProxySetting ProxyFromAddress(std::u16string_view address, std::u16string_view user,
                              std::u16string_view pass);

// The system's proxy for "http" from a proxy list text: "http=" picks its
// entry of a "scheme=host:port;..." list; the rest is read as host:port.
// The text may be written as a URL ("http://user@host:port/"): scheme, user
// part and a trailing "/" are dropped first. No user or password is taken.
ProxySetting ProxyFromSystemList(std::u16string_view list);

// The environment's proxy list: http_proxy, else HTTP_PROXY; empty when
// neither is set.
std::u16string EnvironmentProxyList();

}  // namespace qv::web
