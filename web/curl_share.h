// One libcurl share object for the whole process: every client's easy
// handle uses it, so script threads that download from the same host reuse
// each other's idle connections, DNS answers and TLS sessions. Cookies are
// not shared: each client keeps its own.
#pragma once

#include <curl/curl.h>

namespace qv::web {

// The idle connections the process keeps open, over all hosts.
inline constexpr long kSharedIdleConnections = 128;

// Created on first use and never freed: easy handles that use it may live
// until the process ends.
CURLSH* SharedCurl();

}  // namespace qv::web
