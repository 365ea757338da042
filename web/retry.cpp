#include "web/retry.h"

#include <thread>

#include "support/text.h"
#include "web/curl_library.h"

namespace qv::web {

namespace {

// Sleeps in short slices so that a stop is seen within one of them.
void WaitUnlessStopped(const THttpGet& http, int64_t ms) {
  using namespace std::chrono;
  const auto end = steady_clock::now() + milliseconds(ms);
  while (!http.StopRequested()) {
    auto left = end - steady_clock::now();
    if (left <= steady_clock::duration::zero()) return;
    std::this_thread::sleep_for(std::min<steady_clock::duration>(left, milliseconds(20)));
  }
}

template <class Try>
TransferEnd Retrying(THttpGet& http, Try&& once) {
  for (int attempt = 0;; ++attempt) {
    TransferEnd end = once();
    if (attempt >= http.Retries() || http.StopRequested() ||
        !WorthRetrying(end, http.Response().responseCode, http.Connected()))
      return end;
    std::optional<int64_t> after;
    if (end == TransferEnd::Completed)
      after = RetryAfterMs(http.ResponseHead(u"Retry-After"), std::chrono::system_clock::now());
    WaitUnlessStopped(http, RetryWaitMs(attempt, http.RetryDelay(), after));
    if (http.StopRequested()) return end;
  }
}

}  // namespace

std::optional<int64_t> RetryAfterMs(std::u16string_view value, std::chrono::system_clock::time_point now) {
  value = TrimBlanks(value);
  if (value.empty()) return std::nullopt;
  bool digits = true;
  for (char16_t c : value) digits = digits && c >= u'0' && c <= u'9';
  if (digits) {
    // Anything past the cap is the cap; a long run of digits must not overflow.
    if (value.size() > 6) return kMaxRetryWaitMs;
    int64_t seconds = 0;
    for (char16_t c : value) seconds = seconds * 10 + (c - u'0');
    return std::min(seconds * 1000, kMaxRetryWaitMs);
  }
  time_t when = LibCurl().getdate(ToUtf8(value).c_str(), nullptr);
  if (when == -1) return std::nullopt;
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::system_clock::from_time_t(when) - now)
                .count();
  return std::clamp<int64_t>(ms, 0, kMaxRetryWaitMs);
}

int64_t RetryWaitMs(int attempt, int delayMs, std::optional<int64_t> retryAfterMs) {
  if (retryAfterMs) return std::clamp<int64_t>(*retryAfterMs, 0, kMaxRetryWaitMs);
  int64_t wait = std::max(delayMs, 0);
  for (int i = 0; i < attempt && wait < kMaxRetryWaitMs; ++i) wait *= 2;
  return std::min(wait, kMaxRetryWaitMs);
}

bool WorthRetrying(TransferEnd end, int responseCode, bool connected) {
  switch (end) {
    case TransferEnd::TimedOut:
      return true;
    case TransferEnd::Failed:
      return !connected;
    case TransferEnd::Completed:
      return responseCode == 429 || responseCode == 502 || responseCode == 503 || responseCode == 504;
    case TransferEnd::Stopped:
      return false;
  }
  return false;
}

TransferEnd PerformWithRetries(THttpGet& http, HttpMethod method, std::u16string_view url,
                               const std::string& body) {
  return Retrying(http, [&] { return http.Perform(method, url, body); });
}

TransferEnd PerformWithRetries(THttpGet& http, const std::string& token, std::u16string_view url,
                               const std::string& body) {
  return Retrying(http, [&] { return http.PerformToken(token, url, body); });
}

}  // namespace qv::web
