#include "web/curl_share.h"

#include <array>
#include <mutex>

#include "web/curl_library.h"

namespace qv::web {

namespace {

// One mutex per kind of shared data, so a DNS look-up never waits for the
// connection pool.
std::array<std::mutex, CURL_LOCK_DATA_LAST>& Locks() {
  static auto* locks = new std::array<std::mutex, CURL_LOCK_DATA_LAST>;
  return *locks;
}

void Lock(CURL*, curl_lock_data data, curl_lock_access, void*) {
  Locks()[static_cast<size_t>(data) % CURL_LOCK_DATA_LAST].lock();
}

void Unlock(CURL*, curl_lock_data data, void*) {
  Locks()[static_cast<size_t>(data) % CURL_LOCK_DATA_LAST].unlock();
}

}  // namespace

CURLSH* SharedCurl() {
  static CURLSH* share = [] {
    const CurlLibrary& lib = LibCurl();
    CURLSH* s = lib.share_init();
    Locks();
    lib.share_setopt(s, CURLSHOPT_LOCKFUNC, &Lock);
    lib.share_setopt(s, CURLSHOPT_UNLOCKFUNC, &Unlock);
    lib.share_setopt(s, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
    lib.share_setopt(s, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
    lib.share_setopt(s, CURLSHOPT_SHARE, CURL_LOCK_DATA_CONNECT);
    return s;
  }();
  return share;
}

}  // namespace qv::web
