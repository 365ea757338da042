// Retrying a transfer that a busy or unreachable server refused: a failed
// connection, a time-out, or the answers 429, 502, 503 and 504. The client's
// Retries says how many more tries, RetryDelay the first wait (ms); the wait
// doubles each time unless the server's Retry-After names one, and is never
// longer than a minute. A stop ends the wait at once.
//
//   http.SetRetries(3);
//   TransferEnd end = PerformWithRetries(http, "PUT", url, body);
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "web/http_get.h"

namespace qv::web {

inline constexpr int64_t kMaxRetryWaitMs = 60000;

// The wait a Retry-After value asks for, in ms: delay-seconds, or an HTTP
// date measured from `now` (a date past gives 0). Nothing for text that is
// neither.
std::optional<int64_t> RetryAfterMs(std::u16string_view value, std::chrono::system_clock::time_point now);

// The wait before retry number `attempt` (0 for the first).
int64_t RetryWaitMs(int attempt, int delayMs, std::optional<int64_t> retryAfterMs);

// Whether a transfer that ended so deserves another try.
bool WorthRetrying(TransferEnd end, int responseCode, bool connected);

// Perform, or PerformToken for any other method token, tried again as the
// client's Retries allow. The result is the last try's.
TransferEnd PerformWithRetries(THttpGet& http, HttpMethod method, std::u16string_view url,
                               const std::string& body = {});
TransferEnd PerformWithRetries(THttpGet& http, const std::string& token, std::u16string_view url,
                               const std::string& body = {});

}  // namespace qv::web
