// Requests of any method, retries and content codings against real servers
// on 127.0.0.1.
#include <gtest/gtest.h>
#include <zlib.h>

#include <atomic>
#include <chrono>
#include <thread>

#if QV_HAVE_BROTLI
#include <brotli/encode.h>
#endif
#if QV_HAVE_ZSTD
#include <zstd.h>
#endif

#include "library/encode/gzip.h"
#include "support/errors.h"
#include "support/text.h"
#include "tests/web/test_servers.h"
#include "web/content_decoding.h"
#include "web/http_request.h"
#include "web/http_thread.h"
#include "web/retry.h"

namespace qv::web {
namespace {

using testing::HttpServer;
using Clock = std::chrono::steady_clock;

std::u16string U(const std::string& s) { return FromUtf8(s); }
bool Has(const std::u16string& text, const std::string& part) {
  return text.find(U(part)) != std::u16string::npos;
}

std::string ZlibBytes(const std::string& in, int windowBits) {
  z_stream z{};
  deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, in.size()), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
  z.avail_in = static_cast<uInt>(in.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

#if QV_HAVE_BROTLI
std::string BrotliBytes(const std::string& in) {
  size_t n = BrotliEncoderMaxCompressedSize(in.size());
  std::string out(n, '\0');
  BrotliEncoderCompress(5, BROTLI_DEFAULT_WINDOW, BROTLI_MODE_TEXT, in.size(),
                        reinterpret_cast<const uint8_t*>(in.data()), &n,
                        reinterpret_cast<uint8_t*>(out.data()));
  out.resize(n);
  return out;
}
#endif

#if QV_HAVE_ZSTD
std::string ZstdBytes(const std::string& in) {
  std::string out(ZSTD_compressBound(in.size()), '\0');
  out.resize(ZSTD_compress(out.data(), out.size(), in.data(), in.size(), 3));
  return out;
}
#endif

// The page every coding test sends, and how each coding wraps it.
const std::string kPage = "<head><meta charset=utf-8></head>压缩 " + std::string(2000, 'x');

struct Coded {
  const char* coding;
  std::string bytes;
};

std::vector<Coded> CodedPages() {
  std::vector<Coded> v = {
      {"deflate", ZlibBytes(kPage, 15)},
      {"deflate", ZlibBytes(kPage, -15)},  // raw, as some servers send it
      {"gzip", library::GzipBytes(kPage)},
  };
#if QV_HAVE_BROTLI
  v.push_back({"br", BrotliBytes(kPage)});
  v.push_back({"gzip, br", BrotliBytes(library::GzipBytes(kPage))});
#endif
#if QV_HAVE_ZSTD
  v.push_back({"zstd", ZstdBytes(kPage)});
#endif
  return v;
}

class RequestTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    server_ = new HttpServer();
    auto& r = server_->Routes();
    auto echo = [](const httplib::Request& req, httplib::Response& res) {
      std::string s = "method=" + req.method + "\ntype=" + req.get_header_value("Content-Type") +
                      "\nlength=" + req.get_header_value("Content-Length") + "\nbody=" + req.body;
      res.set_content(s, "text/plain; charset=utf-8");
    };
    r.Get("/echo", echo).Post("/echo", echo).Put("/echo", echo).Patch("/echo", echo).Delete("/echo", echo);
    r.Options("/echo", echo);
    r.Get("/status/(\\d+)", [](const httplib::Request& req, httplib::Response& res) {
      res.status = std::stoi(req.matches[1]);
      res.set_content("{\"error\":\"é\"}", "application/json");
    });
    auto redirect = [](const httplib::Request& req, httplib::Response& res) {
      res.status = std::stoi(req.matches[1]);
      res.set_header("Location", "/echo");
    };
    r.Put("/redirect/(\\d+)", redirect)
        .Post("/redirect/(\\d+)", redirect)
        .Delete("/redirect/(\\d+)", redirect);
    r.Get("/busy", [](const httplib::Request&, httplib::Response& res) {
      if (++calls_ <= failures_) {
        res.status = busyStatus_;
        if (!retryAfter_.empty()) res.set_header("Retry-After", retryAfter_);
        res.set_content("busy", "text/plain");
        return;
      }
      res.set_content("ok after " + std::to_string(calls_.load()), "text/plain");
    });
    r.Get("/slow-once", [](const httplib::Request&, httplib::Response& res) {
      if (++calls_ == 1) std::this_thread::sleep_for(std::chrono::milliseconds(1500));
      res.set_content("awake", "text/plain");
    });
    r.Get("/coded/(\\d+)", [](const httplib::Request& req, httplib::Response& res) {
      static const std::vector<Coded> pages = CodedPages();
      const Coded& c = pages.at(std::stoul(req.matches[1]));
      res.set_header("Content-Encoding", c.coding);
      res.set_content(c.bytes, "application/x-qv");
    });
    // Pages that name a validator answer 304 to a request that has it.
    r.Get("/validated/(etag|date|none)", [](const httplib::Request& req, httplib::Response& res) {
      ++calls_;
      const std::string kind = req.matches[1];
      const std::string etag = "\"v" + std::to_string(version_.load()) + "\"";
      const std::string date = "Sun, 06 Nov 1994 08:49:3" + std::to_string(version_.load()) + " GMT";
      if (kind == "etag") res.set_header("ETag", etag);
      if (kind == "date") res.set_header("Last-Modified", date);
      if ((kind == "etag" && req.get_header_value("If-None-Match") == etag) ||
          (kind == "date" && req.get_header_value("If-Modified-Since") == date)) {
        ++notModified_;
        res.status = 304;
        return;
      }
      res.set_content("page v" + std::to_string(version_.load()), "text/plain");
    });
    r.Get("/damaged", [](const httplib::Request&, httplib::Response& res) {
      res.set_header("Content-Encoding", "deflate");
      res.set_content("not deflate at all", "application/x-qv");
    });
    server_->Start();
  }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }
  void SetUp() override {
    calls_ = 0;
    failures_ = 0;
    busyStatus_ = 503;
    retryAfter_.clear();
    version_ = 1;
    notModified_ = 0;
  }
  static std::u16string Url(const std::string& path) { return U(server_->Url(path)); }

  static inline HttpServer* server_ = nullptr;
  static inline std::atomic<int> calls_{0};
  static inline int failures_ = 0;
  static inline int busyStatus_ = 503;
  static inline std::string retryAfter_;
  static inline std::atomic<int> version_{1};
  static inline std::atomic<int> notModified_{0};
};

TEST_F(RequestTest, EachMethodWithAndWithoutBody) {
  struct Case {
    std::u16string method, body, type;
    std::string sent, wantType, wantBody;
  } cases[] = {
      {u"PUT", u"{\"a\":\"é\"}", u"", "PUT", "application/json", "{\"a\":\"é\"}"},
      {u"patch", u"[1]", u"", "PATCH", "application/json", "[1]"},
      {u"POST", u"a=1&b=2", u"", "POST", "application/x-www-form-urlencoded", "a=1&b=2"},
      {u"POST", u"<x/>", u"text/xml", "POST", "text/xml", "<x/>"},
      {u"DELETE", u"", u"", "DELETE", "", ""},
      {u"DELETE", u"{\"why\":1}", u"", "DELETE", "application/json", "{\"why\":1}"},
      {u"OPTIONS", u"", u"", "OPTIONS", "", ""},
      {u"GET", u"", u"", "GET", "", ""},
  };
  THttpGet http;
  for (const Case& c : cases) {
    std::u16string reply = SendHttpRequest(http, c.method, Url("/echo"), c.body, c.type);
    SCOPED_TRACE(ToUtf8(c.method + u" " + c.body));
    EXPECT_EQ(http.Response().responseCode, 200);
    EXPECT_TRUE(Has(reply, "method=" + c.sent + "\n")) << ToUtf8(reply);
    EXPECT_TRUE(Has(reply, "type=" + c.wantType + "\n")) << ToUtf8(reply);
    EXPECT_TRUE(Has(reply, "body=" + c.wantBody)) << ToUtf8(reply);
  }
  // The client's own content type is left as it was.
  EXPECT_EQ(http.Request().contentType, u"");

  for (std::u16string body : {u"", u"x=1"}) {
    http.SetReadTimeout(5000);
    EXPECT_EQ(SendHttpRequest(http, u"HEAD", Url("/echo"), body, u""), u"");
    EXPECT_EQ(http.Response().responseCode, 200);
    EXPECT_EQ(http.ErrorText(), u"") << "a HEAD never waits for a body";
  }
  EXPECT_THROW(SendHttpRequest(http, u"GET X", Url("/echo"), u"", u""), ScriptError);
  EXPECT_THROW(SendHttpRequest(http, u"", Url("/echo"), u"", u""), ScriptError);
}

TEST_F(RequestTest, AnyTokenReachesTheWire) {
  std::string head;
  std::mutex mu;
  testing::RawServer raw([&](int fd, const std::string& requestHead) {
    {
      std::lock_guard lock(mu);
      head = requestHead;
    }
    raw.Send(fd, "HTTP/1.1 200 OK\r\nContent-Length: 6\r\nContent-Type: text/plain\r\n\r\npurged");
  });
  THttpGet http;
  EXPECT_EQ(SendHttpRequest(http, u"PURGE", U(raw.Url("/x")), u"", u""), u"purged");
  std::lock_guard lock(mu);
  EXPECT_EQ(head.rfind("PURGE /x HTTP/1.1\r\n", 0), 0u) << head;
}

TEST_F(RequestTest, BodiesOfEveryStatus) {
  THttpGet http;
  for (int code : {400, 404, 409, 500, 503}) {
    std::u16string reply = SendHttpRequest(http, u"GET", Url("/status/" + std::to_string(code)), u"", u"");
    EXPECT_EQ(http.Response().responseCode, code);
    // JSON without a charset is UTF-8.
    EXPECT_EQ(reply, u"{\"error\":\"é\"}") << code;
    EXPECT_EQ(http.ErrorText(), u"") << code;
  }
  EXPECT_EQ(SendHttpRequest(http, u"GET", U("http://127.0.0.1:" + std::to_string(testing::FreePort()) + "/"),
                            u"", u""),
            u"");
  EXPECT_EQ(http.Response().responseCode, 0);
  EXPECT_NE(http.ErrorText(), u"");
}

TEST_F(RequestTest, RedirectsKeepOrDropTheMethod) {
  struct Case {
    std::u16string method;
    int code;
    std::string want;
  } cases[] = {
      {u"PUT", 307, "method=PUT\ntype=application/json\nlength=7\nbody={\"k\":1}"},
      {u"POST", 308, "method=POST\ntype=application/json\nlength=7\nbody={\"k\":1}"},
      {u"DELETE", 308, "method=DELETE\ntype=application/json\nlength=7\nbody={\"k\":1}"},
      {u"PUT", 303, "method=GET\ntype=\nlength=\nbody="},
      {u"POST", 302, "method=GET\ntype=\nlength=\nbody="},
      // Only POST turns into GET on 301 and 302, as browsers do.
      {u"PUT", 301, "method=PUT\ntype=application/json\nlength=7\nbody={\"k\":1}"},
  };
  THttpGet http;
  for (const Case& c : cases) {
    std::u16string reply =
        SendHttpRequest(http, c.method, Url("/redirect/" + std::to_string(c.code)), u"{\"k\":1}", u"");
    EXPECT_EQ(ToUtf8(reply), c.want) << ToUtf8(c.method) << " " << c.code;
    EXPECT_EQ(http.URL(), Url("/echo"));
  }
}

TEST_F(RequestTest, RetriesBusyAnswers) {
  THttpGet http;
  http.SetRetryDelay(1);
  failures_ = 2;
  retryAfter_ = "0";
  // Without retries the busy answer is the result, with its body.
  EXPECT_EQ(SendHttpRequest(http, u"GET", Url("/busy"), u"", u""), u"busy");
  EXPECT_EQ(http.Response().responseCode, 503);

  for (int status : {429, 502, 503, 504}) {
    calls_ = 0;
    busyStatus_ = status;
    http.SetRetries(2);
    EXPECT_EQ(SendHttpRequest(http, u"GET", Url("/busy"), u"", u""), u"ok after 3") << status;
    calls_ = 0;
    http.SetRetries(1);
    EXPECT_EQ(SendHttpRequest(http, u"GET", Url("/busy"), u"", u""), u"busy") << status;
    EXPECT_EQ(calls_, 2);
  }
  // Other errors are answers, not refusals.
  calls_ = 0;
  busyStatus_ = 500;
  http.SetRetries(3);
  EXPECT_EQ(SendHttpRequest(http, u"GET", Url("/busy"), u"", u""), u"busy");
  EXPECT_EQ(calls_, 1);
}

TEST_F(RequestTest, RetryWaitsAsTheServerAsks) {
  THttpThread thread;
  THttpGet& http = thread.HttpGet();
  http.SetRetries(1);
  http.SetRetryDelay(1);
  failures_ = 1;
  retryAfter_ = "1";
  auto start = Clock::now();
  // Downs retry too.
  EXPECT_EQ(thread.Down(Url("/busy"), u"CHECK", u"GET", u"", u"", 0), u"ok after 2");
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(950));
}

TEST_F(RequestTest, StopEndsTheWait) {
  THttpThread thread;
  THttpGet& http = thread.HttpGet();
  http.SetRetries(1);
  http.SetRetryDelay(50000);
  failures_ = 5;
  auto start = Clock::now();
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    thread.Stop();
  });
  EXPECT_EQ(thread.Down(Url("/busy"), u"CHECK", u"GET", u"", u"", 0), u"");
  stopper.join();
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(10));
  EXPECT_EQ(calls_, 1);
}

TEST_F(RequestTest, RetriesATimeOut) {
  THttpGet http;
  http.SetReadTimeout(300);
  http.SetRetries(1);
  http.SetRetryDelay(1);
  EXPECT_EQ(SendHttpRequest(http, u"GET", Url("/slow-once"), u"", u""), u"awake");
  EXPECT_EQ(calls_, 2);
}

TEST_F(RequestTest, EveryCodingIsUndone) {
  std::vector<Coded> pages = CodedPages();
  THttpThread thread;
  for (size_t i = 0; i < pages.size(); ++i) {
    SCOPED_TRACE(pages[i].coding);
    std::u16string page = thread.Down(Url("/coded/" + std::to_string(i)), u"CHECK", u"GET", u"", u"", 0);
    EXPECT_EQ(page, U(kPage));
    EXPECT_EQ(thread.HttpGet().ErrorText(), u"");
    EXPECT_EQ(SendHttpRequest(thread.HttpGet(), u"GET", Url("/coded/" + std::to_string(i)), u"", u""),
              U(kPage));
  }
  // A damaged body is kept as it came, and the client says why.
  EXPECT_EQ(thread.Down(Url("/damaged"), u"CHECK", u"GET", u"", u"", 0), u"not deflate at all");
  EXPECT_NE(thread.HttpGet().ErrorText(), u"");
}

TEST_F(RequestTest, CacheRevalidatesEntriesWithValidators) {
  for (std::string kind : {"etag", "date"}) {
    SCOPED_TRACE(kind);
    SetUp();
    THttpThread thread;
    thread.SetCacheDir(U(testing::TempFolder("revalidate_" + kind).string() + "/"));
    auto down = [&] { return thread.Down(Url("/validated/" + kind), u"CHECK", u"GET", u"", u":t", 600); };
    EXPECT_EQ(down(), u"page v1");
    EXPECT_EQ(down(), u"page v1");
    EXPECT_EQ(down(), u"page v1");
    EXPECT_EQ(calls_, 3);
    EXPECT_EQ(notModified_, 2);
    // A reused page looks like the response it keeps.
    EXPECT_EQ(thread.HttpGet().Response().responseCode, 200);
    // The conditional lines never stay on the client.
    EXPECT_EQ(thread.HttpGet().CustomHeaderText(), u"");
    version_ = 2;
    EXPECT_EQ(down(), u"page v2");
    EXPECT_EQ(down(), u"page v2");
    EXPECT_EQ(notModified_, 3);
  }
  // A server that no longer answers leaves the kept page in use.
  {
    SetUp();
    THttpThread thread;
    thread.SetCacheDir(U(testing::TempFolder("revalidate_gone").string() + "/"));
    std::u16string url;
    {
      HttpServer gone;
      gone.Routes().Get("/p", [](const httplib::Request&, httplib::Response& res) {
        res.set_header("ETag", "\"1\"");
        res.set_content("kept", "text/plain");
      });
      gone.Start();
      url = U(gone.Url("/p"));
      EXPECT_EQ(thread.Down(url, u"CHECK", u"GET", u"", u":t", 600), u"kept");
      thread.ReCreateHttpGet();  // closes the kept-alive connection, so the server stops at once
    }
    EXPECT_EQ(thread.Down(url, u"CHECK", u"GET", u"", u":t", 600), u"kept");
    EXPECT_EQ(thread.HttpGet().ErrorText(), u"");
  }
  // Without validators an entry is reused without asking, as before.
  SetUp();
  THttpThread thread;
  thread.SetCacheDir(U(testing::TempFolder("revalidate_none").string() + "/"));
  EXPECT_EQ(thread.Down(Url("/validated/none"), u"CHECK", u"GET", u"", u":t", 600), u"page v1");
  version_ = 2;
  EXPECT_EQ(thread.Down(Url("/validated/none"), u"CHECK", u"GET", u"", u":t", 600), u"page v1");
  EXPECT_EQ(calls_, 1);
}

TEST(ContentDecoding, UnknownAndBombs) {
  std::string out;
  std::u16string why;
  EXPECT_EQ(DecodeContent(u"", "abc", out, 100, why), Decoding::None);
  EXPECT_EQ(DecodeContent(u" identity ", "abc", out, 100, why), Decoding::None);
  EXPECT_EQ(DecodeContent(u"gzip", "", out, 100, why), Decoding::None) << "a HEAD answer";
  EXPECT_EQ(DecodeContent(u"compress", "abc", out, 100, why), Decoding::Failed);
  EXPECT_NE(why, u"");
  // Output past the limit counts as damaged.
  std::string zeros(100000, '\0');
  why.clear();
  EXPECT_EQ(DecodeContent(u"deflate", ZlibBytes(zeros, 15), out, 99999, why), Decoding::Failed);
  EXPECT_EQ(DecodeContent(u"DEFLATE", ZlibBytes(zeros, 15), out, 100000, why), Decoding::Decoded);
  EXPECT_EQ(out, zeros);
  // A stream cut short is damaged, not a shorter page.
  std::string cut = ZlibBytes(zeros, -15);
  cut.resize(cut.size() / 2);
  EXPECT_EQ(DecodeContent(u"deflate", cut, out, 1000000, why), Decoding::Failed);
#if QV_HAVE_BROTLI
  EXPECT_EQ(DecodeContent(u"br", BrotliBytes(zeros), out, 99999, why), Decoding::Failed);
  std::string brCut = BrotliBytes(kPage);
  brCut.resize(brCut.size() - 3);
  EXPECT_EQ(DecodeContent(u"br", brCut, out, 1000000, why), Decoding::Failed);
#endif
#if QV_HAVE_ZSTD
  EXPECT_EQ(DecodeContent(u"zstd", ZstdBytes(zeros), out, 99999, why), Decoding::Failed);
  std::string zCut = ZstdBytes(kPage);
  zCut.resize(zCut.size() - 3);
  EXPECT_EQ(DecodeContent(u"zstd", zCut, out, 1000000, why), Decoding::Failed);
#endif
}

TEST(RetryRules, WaitsAndReasons) {
  auto now = std::chrono::system_clock::from_time_t(784111777 - 10);
  EXPECT_EQ(RetryAfterMs(u"Sun, 06 Nov 1994 08:49:37 GMT", now), 10000);
  EXPECT_EQ(RetryAfterMs(u"Sunday, 06-Nov-94 08:49:37 GMT", now), 10000);
  EXPECT_EQ(RetryAfterMs(u"Sun, 06 Nov 1994 08:49:00 GMT", now), 0) << "a date past";
  EXPECT_EQ(RetryAfterMs(u" 5 ", now), 5000);
  EXPECT_EQ(RetryAfterMs(u"120", now), kMaxRetryWaitMs);
  EXPECT_EQ(RetryAfterMs(u"99999999999999999999999", now), kMaxRetryWaitMs);
  EXPECT_EQ(RetryAfterMs(u"", now), std::nullopt);
  EXPECT_EQ(RetryAfterMs(u"soon", now), std::nullopt);
  EXPECT_EQ(RetryAfterMs(u"-5", now), std::nullopt);

  EXPECT_EQ(RetryWaitMs(0, 1000, std::nullopt), 1000);
  EXPECT_EQ(RetryWaitMs(3, 1000, std::nullopt), 8000);
  EXPECT_EQ(RetryWaitMs(40, 1000, std::nullopt), kMaxRetryWaitMs);
  EXPECT_EQ(RetryWaitMs(2, 1000, 1500), 1500);

  EXPECT_TRUE(WorthRetrying(TransferEnd::Failed, 0, false));
  EXPECT_FALSE(WorthRetrying(TransferEnd::Failed, 200, true)) << "cut after it connected";
  EXPECT_TRUE(WorthRetrying(TransferEnd::TimedOut, 0, true));
  EXPECT_FALSE(WorthRetrying(TransferEnd::Stopped, 0, false));
  EXPECT_FALSE(WorthRetrying(TransferEnd::Completed, 404, true));
}

}  // namespace
}  // namespace qv::web
