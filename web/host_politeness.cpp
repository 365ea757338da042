#include "web/host_politeness.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <unordered_map>

#include "web/curl_library.h"

namespace qv::web {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kStopPoll = std::chrono::milliseconds(20);
// Past this many hosts, idle entries are dropped so a crawl over many
// hosts does not grow the table without bound.
constexpr size_t kSweepAt = 4096;

std::atomic<int> delayMs{0};
std::atomic<int> maxPerHost{0};

struct HostState {
  int active = 0;
  Clock::time_point nextStart{};
};

struct Table {
  std::mutex mu;
  std::condition_variable cv;
  std::unordered_map<std::string, HostState> hosts;
};

Table& Hosts() {
  static auto* table = new Table;  // used until the last client ends
  return *table;
}

}  // namespace

void SetHostDelayMs(int ms) {
  delayMs.store(std::max(ms, 0));
  Hosts().cv.notify_all();
}
int HostDelayMs() { return delayMs.load(); }

void SetHostConnections(int n) {
  maxPerHost.store(std::max(n, 0));
  Hosts().cv.notify_all();
}
int HostConnections() { return maxPerHost.load(); }

std::string HostOfUrl(std::string_view wireUrl) {
  std::string host;
  const CurlLibrary& lib = LibCurl();
  CURLU* u = lib.url();
  std::string url(wireUrl);
  char* part = nullptr;
  if (lib.url_set(u, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK &&
      lib.url_get(u, CURLUPART_HOST, &part, 0) == CURLUE_OK) {
    host = part;
    std::transform(host.begin(), host.end(), host.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
  }
  lib.free(part);
  lib.url_cleanup(u);
  return host;
}

bool HostSlot::Acquire(std::string_view wireUrl, const std::function<bool()>& stopped) {
  Release();
  if (delayMs.load() == 0 && maxPerHost.load() == 0) return !stopped();
  std::string host = HostOfUrl(wireUrl);
  Table& t = Hosts();
  std::unique_lock lock(t.mu);
  for (;;) {
    if (stopped()) return false;
    HostState& h = t.hosts[host];
    int max = maxPerHost.load();
    Clock::time_point now = Clock::now();
    bool free = max <= 0 || h.active < max;
    if (free && now >= h.nextStart) {
      ++h.active;
      h.nextStart = now + std::chrono::milliseconds(delayMs.load());
      host_ = std::move(host);
      held_ = true;
      return true;
    }
    Clock::time_point wake = now + kStopPoll;
    if (free) wake = std::min(wake, h.nextStart);
    t.cv.wait_until(lock, wake);
  }
}

void HostSlot::Release() {
  if (!held_) return;
  held_ = false;
  Table& t = Hosts();
  {
    std::lock_guard lock(t.mu);
    auto it = t.hosts.find(host_);
    if (it != t.hosts.end()) --it->second.active;
    if (t.hosts.size() > kSweepAt) {
      Clock::time_point now = Clock::now();
      std::erase_if(t.hosts,
                    [now](const auto& e) { return e.second.active == 0 && e.second.nextStart <= now; });
    }
  }
  t.cv.notify_all();
}

}  // namespace qv::web
