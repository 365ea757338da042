// THttpGet: the HTTP client every script thread owns, on one libcurl easy
// handle that is reused across requests (connections stay alive, cookies
// are kept in memory for the life of the client).
//
//   THttpGet http;
//   http.SetURL(u"http://example.org/");
//   TransferEnd end = http.Perform(HttpMethod::Get, u"http://example.org/");
//   http.Response().responseCode;   // 200
//   http.Body();                    // the raw (possibly gzip) bytes
//
// Defaults: HTTP/1.1, Accept "*/*", Accept-Encoding "gzip" (the caller
// decompresses), the fixed user agent, 300,000 ms connect and read
// time-outs, redirects followed (at most 20, http and https only), no
// proxy until SetProxy asks for one. The read time-out limits each wait for
// data, never a transfer that keeps receiving. Disconnect may be called from
// any thread and ends a running transfer within 100 ms.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "web/body_buffer.h"
#include "web/http_response.h"
#include "web/proxy_setting.h"

namespace qv::web {

// Other: the token given to PerformToken, with a body when there is one.
enum class HttpMethod { Get, Post, Head, Other };
enum class HttpVersion { Http10, Http11 };

// How a transfer ended. Completed means a response arrived whole, whatever
// its status code.
enum class TransferEnd { Completed, TimedOut, Stopped, Failed };

inline constexpr char16_t kDefaultUserAgent[] =
    u"Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1; Maxthon)";
inline constexpr int kDefaultTimeoutMs = 300000;
inline constexpr int kMaxRedirects = 20;
inline constexpr size_t kMaxBodyBytes = size_t{1} << 30;

// The request header fields scripts can set.
struct HttpRequest {
  std::u16string accept = u"*/*";
  std::u16string acceptCharSet;
  std::u16string acceptEncoding = u"gzip";
  std::u16string acceptLanguage;
  std::u16string userAgent = kDefaultUserAgent;
  std::u16string from;
  std::u16string referer;
  std::u16string contentType;
  std::vector<std::u16string> customHeaders;  // "Name: value" lines, in order
};

class THttpGet {
 public:
  THttpGet();
  ~THttpGet();
  THttpGet(const THttpGet&) = delete;
  THttpGet& operator=(const THttpGet&) = delete;

  // The address of the current request (absolute target after redirects).
  const std::u16string& URL() const { return url_; }
  void SetURL(std::u16string url) { url_ = std::move(url); }
  bool IsTimeout() const { return isTimeout_; }
  void SetIsTimeout(bool v) { isTimeout_ = v; }
  // Cookies of redirecting responses, "a=1; b=2;...", kept for the client's life.
  const std::u16string& RedirectCookie() const { return redirectCookie_; }
  // Why the last request failed; empty after a success.
  const std::u16string& ErrorText() const { return errorText_; }
  void SetErrorText(std::u16string text) { errorText_ = std::move(text); }

  HttpRequest& Request() { return request_; }
  const HttpRequest& Request() const { return request_; }
  // Resets every request header field to the defaults above.
  void ResetRequest() { request_ = HttpRequest(); }
  HttpVersion ProtocolVersion() const { return version_; }
  void SetProtocolVersion(HttpVersion v) { version_ = v; }
  int ConnectTimeout() const { return connectTimeoutMs_; }
  int ReadTimeout() const { return readTimeoutMs_; }
  void SetConnectTimeout(int ms) { connectTimeoutMs_ = ms; }
  void SetReadTimeout(int ms) { readTimeoutMs_ = ms; }

  // Custom request header lines: the value of the first line of that name,
  // all lines as text (each ending in CR LF), adding one more line.
  std::u16string RequestHead(std::u16string_view name) const;
  std::u16string CustomHeaderText() const;
  void AddRequestHead(std::u16string_view name, std::u16string_view value);

  const HttpResponse& Response() const { return response_; }
  // Takes a stored status line and header block as if they had just been
  // received (a cache hit).
  void LoadResponse(std::u16string_view statusLine, std::u16string_view rawHeaders);
  std::u16string ResponseHead(std::u16string_view name) const;
  // The raw bytes of the last response's body, until TakeBody hands them
  // to the caller.
  std::string_view Body() const { return body_.View(); }
  BodyBuffer TakeBody() { return std::move(body_); }

  // SetProxy(false, ...) clears the proxy; an address gives server:port;
  // an empty address takes the environment's proxy for http.
  void SetProxy(bool use, std::u16string_view address, std::u16string_view user, std::u16string_view pass);
  void LoadProxy() { SetProxy(true, u"", u"", u""); }
  const ProxySetting& Proxy() const { return proxy_; }

  // The cookies the last response sets ("x=1; y=2;").
  std::u16string getCookie() const;
  // RedirectCookie followed by getCookie: the Cookie property scripts read.
  std::u16string Cookie() const { return redirectCookie_ + getCookie(); }
  // Replaces every custom header line by "Cookie: " + value.
  void SetCookie(std::u16string_view value);

  // Sends the request and follows redirects. A POST body goes out with the
  // request's content type. Clears ErrorText, the response and the body
  // first; sets ErrorText when the result is not Completed.
  TransferEnd Perform(HttpMethod method, std::u16string_view url, std::string body = {});
  // The same for any method token ("PUT", "DELETE" ...); GET, POST and HEAD
  // go as above. An empty body sends none.
  TransferEnd PerformToken(std::string token, std::u16string_view url, std::string body = {});
  // Whether the last transfer reached the server (false: the connection
  // could not be made).
  bool Connected() const { return connected_; }
  // Retries after a failed connection, a time-out or a busy answer, and the
  // first wait between them (doubled each time); see web/retry.h.
  int Retries() const { return retries_; }
  void SetRetries(int n) { retries_ = n > 0 ? n : 0; }
  int RetryDelay() const { return retryDelayMs_; }
  void SetRetryDelay(int ms) { retryDelayMs_ = ms > 0 ? ms : 0; }

  // Ends a running transfer (any thread). A flag the owner sets when it is
  // told to stop ends every transfer as well, until it is cleared.
  void Disconnect();
  void SetStopFlag(const std::atomic<bool>* flag) { stopFlag_ = flag; }
  bool StopRequested() const;

  // The body kept in memory is cut past this many bytes, and a gzip body
  // that would inflate past it counts as damaged (1 GiB by default).
  void SetMaxBodyBytes(size_t n) { maxBodyBytes_ = n; }
  size_t MaxBodyBytes() const { return maxBodyBytes_; }
  // A CA bundle instead of the system's certificate store, for the rest of
  // the client's life (tests).
  void SetCaFile(std::string path) { caFile_ = std::move(path); }

  // Transfer events, on the thread that runs Perform.
  std::function<void(int64_t expected)> onWorkBegin;
  std::function<void(int64_t bytesSoFar)> onWork;
  std::function<void()> onWorkEnd;
  std::function<void()> onConnected;
  // After each redirect is taken (FURL already the absolute target): the
  // handler may change the target and the method.
  std::function<void(std::u16string& target, HttpMethod& method, int count)> onRedirect;

 private:
  struct Curl;
  enum class Abort { None, Stopped, ReadTimeout, BodyLimit, NoMemory, HeaderLimit, ConflictingLengths };

  TransferEnd RunOne(HttpMethod method, const std::u16string& url);
  // The libcurl handles, made for the first transfer: a client that never
  // transfers (most script threads) never loads libcurl.
  void OpenHandles();
  void ConfigureRequest(HttpMethod method, const std::u16string& url);
  void Touch() { lastActivity_ = std::chrono::steady_clock::now(); }

  static size_t OnHeader(char* data, size_t size, size_t count, void* self);
  static size_t OnBody(char* data, size_t size, size_t count, void* self);
  static int OnProgress(void* self, int64_t dlTotal, int64_t dlNow, int64_t ulTotal, int64_t ulNow);
  static int OnPrereq(void* self, char*, char*, int, int);

  Curl* curl_;
  std::u16string url_;
  bool isTimeout_ = false;
  std::u16string redirectCookie_;
  std::u16string errorText_;
  HttpRequest request_;
  HttpVersion version_ = HttpVersion::Http11;
  int connectTimeoutMs_ = kDefaultTimeoutMs;
  int readTimeoutMs_ = kDefaultTimeoutMs;
  ProxySetting proxy_;
  HttpResponse response_;
  BodyBuffer body_;
  std::string postBody_;
  std::string methodToken_;
  int retries_ = 0;
  int retryDelayMs_ = 1000;
  std::string caFile_;
  size_t maxBodyBytes_ = kMaxBodyBytes;

  // State of the running transfer.
  std::atomic<bool> disconnect_{false};
  const std::atomic<bool>* stopFlag_ = nullptr;
  Abort abort_ = Abort::None;
  bool connected_ = false;
  bool headersDone_ = false;
  bool workBegun_ = false;
  std::string statusBytes_;
  std::string headerBytes_;
  int64_t lastDown_ = 0;
  int64_t lastUp_ = 0;
  std::chrono::steady_clock::time_point lastActivity_;
};

}  // namespace qv::web
