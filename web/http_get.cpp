#include "web/http_get.h"

#include <algorithm>
#include <atomic>

#include "support/text.h"
#include "web/address_encoding.h"
#include "web/curl_library.h"
#include "web/curl_share.h"
#include "web/host_politeness.h"
#include "web/redirect_target.h"
#include "web/set_cookie.h"

namespace qv::web {

namespace {

// Response headers past this size end the transfer: a hostile server could
// otherwise grow them without bound.
constexpr size_t kMaxHeaderBytes = size_t{16} << 20;
// The longest a transfer waits between two looks at the stop flag.
constexpr int kPollMs = 20;

// Header text for the wire: UTF-8, and no line break that could start a
// header of its own.
std::string HeaderBytes(std::u16string_view text) {
  std::string s = ToUtf8(text);
  for (char& c : s)
    if (c == '\r' || c == '\n') c = ' ';
  return s;
}

std::u16string_view NameOfLine(std::u16string_view line) {
  size_t colon = line.find(u':');
  return TrimBlanks(colon == std::u16string_view::npos ? line : line.substr(0, colon));
}

bool IsRedirect(int code) { return code == 301 || code == 302 || code == 303 || code == 307 || code == 308; }

}  // namespace

struct THttpGet::Curl {
  std::atomic<CURLM*> multi{nullptr};  // Disconnect reads it from any thread
  CURL* easy = nullptr;
  curl_slist* headers = nullptr;
  char error[CURL_ERROR_SIZE] = {};
  ~Curl() {
    if (easy == nullptr) return;
    const CurlLibrary& lib = LibCurl();
    lib.slist_free_all(headers);
    lib.easy_cleanup(easy);
    lib.multi_cleanup(multi.load());
  }
};

THttpGet::THttpGet() : curl_(new Curl) {}

void THttpGet::OpenHandles() {
  if (curl_->easy != nullptr) return;
  const CurlLibrary& lib = LibCurl();
  CURLM* multi = lib.multi_init();
  // Each multi handle sizes the shared pool by its own few transfers and
  // would close idle connections other clients are about to reuse.
  lib.multi_setopt(multi, CURLMOPT_MAXCONNECTS, kSharedIdleConnections);
  CURL* e = lib.easy_init();
  lib.easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
  lib.easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  lib.easy_setopt(e, CURLOPT_FOLLOWLOCATION, 0L);  // redirects are followed here, hop by hop
  lib.easy_setopt(e, CURLOPT_COOKIEFILE, "");      // the cookie engine, in memory
  lib.easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
  lib.easy_setopt(e, CURLOPT_ERRORBUFFER, curl_->error);
  lib.easy_setopt(e, CURLOPT_HEADERFUNCTION, &THttpGet::OnHeader);
  lib.easy_setopt(e, CURLOPT_HEADERDATA, this);
  lib.easy_setopt(e, CURLOPT_WRITEFUNCTION, &THttpGet::OnBody);
  lib.easy_setopt(e, CURLOPT_WRITEDATA, this);
  lib.easy_setopt(e, CURLOPT_NOPROGRESS, 0L);
  lib.easy_setopt(e, CURLOPT_XFERINFOFUNCTION, &THttpGet::OnProgress);
  lib.easy_setopt(e, CURLOPT_XFERINFODATA, this);
  lib.easy_setopt(e, CURLOPT_PREREQFUNCTION, &THttpGet::OnPrereq);
  lib.easy_setopt(e, CURLOPT_PREREQDATA, this);
  lib.easy_setopt(e, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
  lib.easy_setopt(e, CURLOPT_TCP_KEEPALIVE, 1L);
  lib.easy_setopt(e, CURLOPT_SHARE, SharedCurl());
  curl_->easy = e;
  curl_->multi.store(multi, std::memory_order_release);
}

THttpGet::~THttpGet() { delete curl_; }

std::u16string THttpGet::RequestHead(std::u16string_view name) const {
  for (const auto& line : request_.customHeaders) {
    if (!SameText(NameOfLine(line), name)) continue;
    size_t colon = line.find(u':');
    return colon == std::u16string::npos
               ? std::u16string()
               : std::u16string(TrimBlanks(std::u16string_view(line).substr(colon + 1)));
  }
  return {};
}

std::u16string THttpGet::CustomHeaderText() const {
  std::u16string text;
  for (const auto& line : request_.customHeaders) text += line + u"\r\n";
  return text;
}

void THttpGet::AddRequestHead(std::u16string_view name, std::u16string_view value) {
  std::u16string line(name);
  line += u": ";
  line += value;
  request_.customHeaders.push_back(std::move(line));
}

void THttpGet::SetCookie(std::u16string_view value) {
  request_.customHeaders.clear();
  AddRequestHead(u"Cookie", value);
}

void THttpGet::LoadResponse(std::u16string_view statusLine, std::u16string_view rawHeaders) {
  response_.Process(statusLine, rawHeaders);
}

std::u16string THttpGet::ResponseHead(std::u16string_view name) const { return response_.Value(name); }

std::u16string THttpGet::getCookie() const { return CookiesOfHeaders(response_.rawHeaders); }

void THttpGet::SetProxy(bool use, std::u16string_view address, std::u16string_view user,
                        std::u16string_view pass) {
  if (!use) {
    proxy_ = ProxySetting();
    return;
  }
  proxy_ =
      address.empty() ? ProxyFromSystemList(EnvironmentProxyList()) : ProxyFromAddress(address, user, pass);
}

void THttpGet::Disconnect() {
  disconnect_.store(true, std::memory_order_release);
  // No handles yet: the transfer that makes them sees the flag.
  if (CURLM* multi = curl_->multi.load(std::memory_order_acquire)) LibCurl().multi_wakeup(multi);
}

bool THttpGet::StopRequested() const {
  return disconnect_.load(std::memory_order_acquire) ||
         (stopFlag_ && stopFlag_->load(std::memory_order_acquire));
}

void THttpGet::ConfigureRequest(HttpMethod method, const std::u16string& url) {
  OpenHandles();
  const CurlLibrary& lib = LibCurl();
  CURL* e = curl_->easy;
  curl_->error[0] = '\0';
  lib.easy_setopt(e, CURLOPT_URL, WireUrl(url).c_str());
  lib.easy_setopt(e, CURLOPT_HTTPGET, 1L);  // resets POST and NOBODY
  lib.easy_setopt(e, CURLOPT_CUSTOMREQUEST, nullptr);
  const bool sendsBody = method == HttpMethod::Post || (method == HttpMethod::Other && !postBody_.empty());
  if (method == HttpMethod::Head) {
    lib.easy_setopt(e, CURLOPT_NOBODY, 1L);
  } else if (sendsBody) {
    lib.easy_setopt(e, CURLOPT_POST, 1L);
    lib.easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(postBody_.size()));
    lib.easy_setopt(e, CURLOPT_POSTFIELDS, postBody_.data());
  }
  if (method == HttpMethod::Other) lib.easy_setopt(e, CURLOPT_CUSTOMREQUEST, methodToken_.c_str());
  lib.easy_setopt(e, CURLOPT_HTTP_VERSION,
                  version_ == HttpVersion::Http10 ? CURL_HTTP_VERSION_1_0 : CURL_HTTP_VERSION_1_1);
  lib.easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS,
                  static_cast<long>(connectTimeoutMs_ > 0 ? connectTimeoutMs_ : 0));
  if (proxy_.server.empty()) {
    lib.easy_setopt(e, CURLOPT_PROXY, "");  // also keeps libcurl from reading http_proxy
  } else {
    std::string p = "http://" + ToUtf8(proxy_.server) + ":" + std::to_string(proxy_.port);
    lib.easy_setopt(e, CURLOPT_PROXY, p.c_str());
    lib.easy_setopt(e, CURLOPT_PROXYUSERNAME, ToUtf8(proxy_.user).c_str());
    lib.easy_setopt(e, CURLOPT_PROXYPASSWORD, ToUtf8(proxy_.password).c_str());
  }
  // Only a CA bundle of its own replaces libcurl's default (the system store).
  if (!caFile_.empty()) lib.easy_setopt(e, CURLOPT_CAINFO, caFile_.c_str());

  // The header fields, then the custom lines; a custom line replaces a
  // field of the same name.
  lib.slist_free_all(curl_->headers);
  curl_->headers = nullptr;
  auto customHas = [&](std::u16string_view name) {
    for (const auto& line : request_.customHeaders)
      if (SameText(NameOfLine(line), name)) return true;
    return false;
  };
  auto add = [&](std::string line) { curl_->headers = lib.slist_append(curl_->headers, line.c_str()); };
  auto field = [&](std::u16string_view name, const std::u16string& value, bool suppressWhenEmpty) {
    if (customHas(name)) return;
    if (!value.empty())
      add(HeaderBytes(name) + ": " + HeaderBytes(value));
    else if (suppressWhenEmpty)
      add(HeaderBytes(name) + ":");  // libcurl would send its own
  };
  field(u"Accept", request_.accept, true);
  field(u"Accept-Charset", request_.acceptCharSet, false);
  field(u"Accept-Encoding", request_.acceptEncoding, false);
  field(u"Accept-Language", request_.acceptLanguage, false);
  field(u"From", request_.from, false);
  field(u"Referer", request_.referer, false);
  field(u"User-Agent", request_.userAgent, true);
  if (sendsBody) field(u"Content-Type", request_.contentType, true);
  for (const auto& line : request_.customHeaders) {
    std::string bytes = HeaderBytes(line);
    if (bytes.find(':') == std::string::npos) continue;  // libcurl needs "Name: value"
    add(bytes);
  }
  add("Expect:");  // no 100-continue round trip for large posts
  lib.easy_setopt(e, CURLOPT_HTTPHEADER, curl_->headers);
}

TransferEnd THttpGet::Perform(HttpMethod method, std::u16string_view url, std::string body) {
  errorText_.clear();
  response_.Clear();
  body_.Clear();
  postBody_ = std::move(body);
  disconnect_.store(false, std::memory_order_release);
  std::u16string hopUrl(url);
  for (int hops = 0;; ++hops) {
    TransferEnd end = RunOne(method, hopUrl);
    if (end != TransferEnd::Completed) return end;
    if (!IsRedirect(response_.responseCode) || response_.location.empty()) return end;
    if (hops == kMaxRedirects) {
      errorText_ = u"Too many redirects (more than " + IntToText(kMaxRedirects) + u")";
      return TransferEnd::Failed;
    }
    std::u16string target = RedirectTarget(hopUrl, response_.location);
    if (!IsHttpUrl(target)) {
      errorText_ = u"Redirect to an address that is not http or https: " + target;
      return TransferEnd::Failed;
    }
    std::u16string cookies = getCookie();
    if (!cookies.empty()) {
      if (!redirectCookie_.empty()) redirectCookie_ += u"; ";
      redirectCookie_ += cookies;
    }
    url_ = target;
    // Browsers turn a redirected POST into a GET, except for 307 and 308,
    // and any method but HEAD after a 303.
    const int code = response_.responseCode;
    if ((method == HttpMethod::Post && code != 307 && code != 308) ||
        (method == HttpMethod::Other && code == 303)) {
      method = HttpMethod::Get;
      postBody_.clear();
    }
    if (onRedirect) {
      onRedirect(target, method, hops + 1);
      url_ = target;  // the handler may have chosen another target
    }
    hopUrl = target;
  }
}

TransferEnd THttpGet::PerformToken(std::string token, std::u16string_view url, std::string body) {
  if (token == "GET" && body.empty()) return Perform(HttpMethod::Get, url);
  // A HEAD answer has no body to wait for, whatever the request carried.
  if (token == "HEAD") return Perform(HttpMethod::Head, url);
  if (token == "POST") return Perform(HttpMethod::Post, url, std::move(body));
  methodToken_ = std::move(token);
  return Perform(HttpMethod::Other, url, std::move(body));
}

TransferEnd THttpGet::RunOne(HttpMethod method, const std::u16string& url) {
  response_.Clear();
  body_.Clear();
  statusBytes_.clear();
  headerBytes_.clear();
  abort_ = Abort::None;
  connected_ = headersDone_ = workBegun_ = false;
  lastDown_ = lastUp_ = 0;
  Touch();
  ConfigureRequest(method, url);
  // Held until the transfer ends: the host's delay and connection limits.
  HostSlot slot;
  if (!slot.Acquire(WireUrl(url), [this] { return StopRequested(); })) {
    errorText_ = u"The transfer was stopped";
    return TransferEnd::Stopped;
  }

  const CurlLibrary& lib = LibCurl();
  CURLM* m = curl_->multi.load(std::memory_order_relaxed);
  CURL* e = curl_->easy;
  lib.multi_add_handle(m, e);
  CURLcode code = CURLE_OK;
  bool done = false;
  while (!done) {
    int running = 0;
    if (lib.multi_perform(m, &running) != CURLM_OK) {
      code = CURLE_FAILED_INIT;
      break;
    }
    int left = 0;
    while (CURLMsg* msg = lib.multi_info_read(m, &left)) {
      if (msg->msg == CURLMSG_DONE) {
        code = msg->data.result;
        done = true;
      }
    }
    if (done) break;
    if (StopRequested()) {
      abort_ = Abort::Stopped;
      break;
    }
    if (connected_ && readTimeoutMs_ > 0 &&
        std::chrono::steady_clock::now() - lastActivity_ > std::chrono::milliseconds(readTimeoutMs_)) {
      abort_ = Abort::ReadTimeout;
      break;
    }
    lib.multi_poll(m, nullptr, 0, kPollMs, nullptr);
  }
  lib.multi_remove_handle(m, e);  // an unfinished transfer's connection is closed
  if (workBegun_ && onWorkEnd) onWorkEnd();

  if (done && code == CURLE_OK && abort_ == Abort::None) {
    if (!headersDone_) {
      errorText_ = u"The server sent no complete response";
      return TransferEnd::Failed;
    }
    return TransferEnd::Completed;
  }
  if (abort_ == Abort::None && StopRequested()) abort_ = Abort::Stopped;
  switch (abort_) {
    case Abort::Stopped:
      errorText_ = u"The transfer was stopped";
      return TransferEnd::Stopped;
    case Abort::ReadTimeout:
      errorText_ = u"Read timed out after " + IntToText(readTimeoutMs_) + u" ms without data";
      return TransferEnd::TimedOut;
    case Abort::BodyLimit:
      errorText_ = u"The response body is larger than " + IntToText(static_cast<long long>(maxBodyBytes_)) +
                   u" bytes; the transfer was cut";
      return TransferEnd::Failed;
    case Abort::NoMemory:
      errorText_ = u"Not enough memory for the response body; the transfer was cut";
      return TransferEnd::Failed;
    case Abort::HeaderLimit:
      errorText_ = u"The response headers are too large";
      return TransferEnd::Failed;
    case Abort::ConflictingLengths:
      errorText_ = u"The response gives different Content-Length values; its body cannot be trusted";
      return TransferEnd::Failed;
    case Abort::None:
      break;
  }
  errorText_ = FromUtf8(curl_->error[0] ? curl_->error : lib.easy_strerror(code));
  if (code == CURLE_OPERATION_TIMEDOUT) return TransferEnd::TimedOut;
  return TransferEnd::Failed;
}

size_t THttpGet::OnHeader(char* data, size_t size, size_t count, void* p) {
  auto* self = static_cast<THttpGet*>(p);
  std::string_view line(data, size * count);
  self->Touch();
  if (line.rfind("HTTP/", 0) == 0) {  // a new response (after 1xx ones)
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    self->statusBytes_ = line;
    self->headerBytes_.clear();
    self->headersDone_ = false;
    return size * count;
  }
  if (self->headersDone_) return size * count;  // trailers
  if (line == "\r\n" || line == "\n") {
    self->response_.Process(HeaderText(self->statusBytes_), HeaderText(self->headerBytes_));
    if (self->response_.responseCode >= 200) {
      // Two lengths leave the body's end to guesswork (a cut page, or a
      // second response smuggled into this one): refuse the response.
      if (self->response_.conflictingLengths) {
        self->abort_ = Abort::ConflictingLengths;
        return 0;
      }
      self->headersDone_ = true;
      // The announced body goes into one block of its final size, never
      // copied on the way; its pages are only taken as the bytes arrive,
      // so a false announcement costs address space, not memory.
      if (self->response_.contentLength > 0)
        self->body_.Reserve(
            std::min(static_cast<size_t>(self->response_.contentLength), self->maxBodyBytes_));
      self->workBegun_ = true;
      if (self->onWorkBegin) self->onWorkBegin(std::max<int64_t>(self->response_.contentLength, 0));
    }
    return size * count;
  }
  if (self->headerBytes_.size() + line.size() > kMaxHeaderBytes) {
    self->abort_ = Abort::HeaderLimit;
    return 0;
  }
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  self->headerBytes_.append(line);
  self->headerBytes_ += "\r\n";
  return size * count;
}

size_t THttpGet::OnBody(char* data, size_t size, size_t count, void* p) {
  auto* self = static_cast<THttpGet*>(p);
  size_t n = size * count;
  if (self->StopRequested()) {
    self->abort_ = Abort::Stopped;
    return CURL_WRITEFUNC_ERROR;
  }
  if (n > self->maxBodyBytes_ - std::min(self->maxBodyBytes_, self->body_.size())) {
    self->abort_ = Abort::BodyLimit;
    return CURL_WRITEFUNC_ERROR;
  }
  self->Touch();
  if (!self->body_.Append(data, n)) {
    self->abort_ = Abort::NoMemory;
    return CURL_WRITEFUNC_ERROR;
  }
  if (self->onWork) self->onWork(static_cast<int64_t>(self->body_.size()));
  return n;
}

int THttpGet::OnProgress(void* p, int64_t, int64_t dlNow, int64_t, int64_t ulNow) {
  auto* self = static_cast<THttpGet*>(p);
  if (dlNow != self->lastDown_ || ulNow != self->lastUp_) {
    self->lastDown_ = dlNow;
    self->lastUp_ = ulNow;
    self->Touch();
  }
  if (self->StopRequested()) {
    self->abort_ = Abort::Stopped;
    return 1;
  }
  return 0;
}

int THttpGet::OnPrereq(void* p, char*, char*, int, int) {
  auto* self = static_cast<THttpGet*>(p);
  self->connected_ = true;
  self->Touch();
  if (self->onConnected) self->onConnected();
  return CURL_PREREQFUNC_OK;
}

}  // namespace qv::web
