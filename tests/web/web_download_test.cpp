// Down against a real HTTP server on 127.0.0.1: character sets, gzip,
// redirects with cookies, request headers and bodies, uploads, status
// codes, HEAD, saving, the cache on disk and a real proxy.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "library/encode/gzip.h"
#include "support/codepage.h"
#include "support/errors.h"
#include "support/text.h"
#include "tests/web/test_servers.h"
#include "web/http_thread.h"

namespace qv::web {
namespace {

namespace fs = std::filesystem;
using testing::HttpServer;

const std::string kGbk = "\xD6\xD0\xCE\xC4";   // 中文 in GBK
const std::string kBig5 = "\xA4\xA4\xB0\xEA";  // 中國 in Big5

std::u16string U(const std::string& s) { return FromUtf8(s); }
bool EndsWith(const std::u16string& s, std::u16string_view tail) {
  return s.size() >= tail.size() && std::u16string_view(s).substr(s.size() - tail.size()) == tail;
}

// One server for the whole suite; every test gets a fresh client.
class DownTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    server_ = new HttpServer();
    auto& r = server_->Routes();
    auto page = [](std::string body, std::string type) {
      return [body, type](const httplib::Request&, httplib::Response& res) {
        res.set_content(body, type.c_str());
      };
    };
    r.Get("/utf8", page("<html><head><meta charset=\"utf-8\"></head><body>中文</body></html>", "text/html"));
    r.Get("/gbk-meta",
          page("<html><head><meta content=\"text/html; charset=gbk\"></head>" + kGbk, "text/html"));
    r.Get("/gbk-meta-quoted", page("<html><head><meta charset=\"gbk\"></head>" + kGbk, "text/html"));
    r.Get("/gbk-header", page("<html><head></head>" + kGbk, "text/html; charset=GBK"));
    r.Get("/gbk-none", page("<html><head></head>" + kGbk, "text/html"));
    r.Get("/gbk-meta-utf8-header",
          page("<head><meta charset=gb2312></head>" + kGbk, "text/html; charset=utf-8"));
    r.Get("/big5", page(kBig5, "text/html"));
    r.Get("/binary", page(std::string("\0\x01\xFF\xFEzz\r\n", 8), "application/octet-stream"));
    r.Get("/gzip", [](const httplib::Request&, httplib::Response& res) {
      res.set_header("Content-Encoding", "gzip");
      // A type cpp-httplib does not compress on its own.
      res.set_content(library::GzipBytes("<head><meta charset=utf-8></head>压缩"), "application/x-qv");
    });
    r.Get("/redirect/1", [](const httplib::Request&, httplib::Response& res) {
      res.status = 302;
      res.set_header("Set-Cookie", "a=1; path=/");
      res.set_header("Location", "/redirect/2");
    });
    r.Get("/redirect/2", [](const httplib::Request&, httplib::Response& res) {
      res.status = 301;
      res.set_header("Set-Cookie", "b=2; path=/");
      res.set_header("Location", "3?x=y");
    });
    r.Get("/redirect/3", [](const httplib::Request& req, httplib::Response& res) {
      res.set_content("cookie=" + req.get_header_value("Cookie"), "text/plain");
    });
    r.Post("/redirect/post", [](const httplib::Request&, httplib::Response& res) {
      res.status = 302;
      res.set_header("Location", "/echo");
    });
    auto echo = [](const httplib::Request& req, httplib::Response& res) {
      std::string out = req.method + " " + req.version + "\n";
      for (const auto& [k, v] : req.headers) out += k + ": " + v + "\n";
      out += "\n" + req.body;
      res.set_content(out, "text/plain; charset=utf-8");
    };
    r.Get("/echo", echo);
    r.Post("/echo", echo);
    r.Post("/multipart", [](const httplib::Request& req, httplib::Response& res) {
      std::string out;
      for (const auto& [name, f] : req.files) {
        std::string content = f.content;
        if (!f.filename.empty())
          content = std::to_string(content.size()) + ":" +
                    (content == std::string("\x89PNG\0\r\n", 7) ? "png" : "other");
        out += name + "|" + f.filename + "|" + f.content_type + "|" + content + "\n";
      }
      res.set_content(out, "text/plain; charset=utf-8");
    });
    r.Get("/status/404", [](const httplib::Request&, httplib::Response& res) {
      res.status = 404;
      res.set_content("not here", "text/plain");
    });
    r.Get("/status/500", [](const httplib::Request&, httplib::Response& res) { res.status = 500; });
    r.Get("/created", [](const httplib::Request&, httplib::Response& res) {
      res.status = 201;
      res.set_content("made", "text/plain");
    });
    r.Get("/counted", [](const httplib::Request&, httplib::Response& res) {
      ++hits_;
      res.set_header("X-Hit", std::to_string(hits_.load()));
      res.set_content("<head><meta charset=utf-8></head>计数 " + std::to_string(hits_.load()), "text/html");
    });
    r.Get("/bare-cookie", [](const httplib::Request&, httplib::Response& res) {
      res.set_header("Set-Cookie", "k=v");
      res.set_header("X-After", "a;");
      res.set_content("ok", "text/plain");
    });
    r.Get("/set-cookie", [](const httplib::Request&, httplib::Response& res) {
      res.set_header("Set-Cookie", "x=1; path=/");
      res.set_header("Set-Cookie", "y=2; path=/");
      res.set_content("ok", "text/plain");
    });
    server_->Start();
  }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }
  void SetUp() override { SetAnsiCodePage(kCpUtf8); }

  static std::u16string Url(const std::string& path) { return U(server_->Url(path)); }
  std::u16string Get(const std::string& path, const std::u16string& charSet = u"CHECK") {
    return t_.Down(Url(path), charSet, u"GET", u"", u"", 0);
  }

  static HttpServer* server_;
  static std::atomic<int> hits_;
  THttpThread t_;
};
HttpServer* DownTest::server_ = nullptr;
std::atomic<int> DownTest::hits_{0};

TEST_F(DownTest, CharacterSets) {
  EXPECT_EQ(Get("/utf8"), u"<html><head><meta charset=\"utf-8\"></head><body>中文</body></html>");
  EXPECT_TRUE(EndsWith(Get("/gbk-meta"), u"</head>中文"));
  EXPECT_TRUE(EndsWith(Get("/gbk-header"), u"</head>中文"));
  EXPECT_TRUE(EndsWith(Get("/gbk-meta-utf8-header"), u"</head>中文"));
  EXPECT_EQ(Get("/big5", u"BIG5"), u"中国");
  EXPECT_EQ(Get("/big5", u"big5"), u"中国");
  EXPECT_NE(Get("/utf8", u"UTF-8").find(u"<body>中文"), std::u16string::npos);
  // Undeclared GBK is read in the ANSI code page.
  EXPECT_FALSE(EndsWith(Get("/gbk-none"), u"</head>中文"));
  SetAnsiCodePage(kCpGbk);
  EXPECT_TRUE(EndsWith(Get("/gbk-none"), u"</head>中文"));
  // <meta charset="..."> quoted: neither code page turns it into mojibake.
  EXPECT_EQ(Get("/utf8"), u"<html><head><meta charset=\"utf-8\"></head><body>中文</body></html>");
  SetAnsiCodePage(kCpUtf8);
  EXPECT_TRUE(EndsWith(Get("/gbk-meta-quoted"), u"</head>中文"));
}

TEST_F(DownTest, GzipBodyIsInflatedAndDecoded) {
  EXPECT_EQ(Get("/gzip"), u"<head><meta charset=utf-8></head>压缩");
  EXPECT_EQ(t_.HttpGet().Response().contentEncoding, u"gzip");
  EXPECT_EQ(t_.HttpGet().ErrorText(), u"");
}

TEST_F(DownTest, RedirectsCollectCookiesAndTheAbsoluteTarget) {
  std::u16string page = Get("/redirect/1");
  EXPECT_NE(page.find(u"a=1"), std::u16string::npos) << ToUtf8(page);
  EXPECT_NE(page.find(u"b=2"), std::u16string::npos) << ToUtf8(page);
  THttpGet& http = t_.HttpGet();
  EXPECT_EQ(http.URL(), Url("/redirect/3?x=y"));
  EXPECT_EQ(http.RedirectCookie(), u"a=1;; b=2;");
  EXPECT_EQ(http.Cookie(), u"a=1;; b=2;");
  // A redirected POST goes on as a GET.
  std::u16string echo = t_.Down(Url("/redirect/post"), u"CHECK", u"POST", u"a=1", u"", 0);
  EXPECT_EQ(echo.substr(0, 4), u"GET ");
}

TEST_F(DownTest, CookiesOfOneClientLastAcrossRequests) {
  Get("/bare-cookie");
  EXPECT_EQ(t_.HttpGet().Cookie(), u"k=v;");
  Get("/set-cookie");
  EXPECT_EQ(t_.HttpGet().getCookie(), u"x=1; y=2;");
  std::u16string echo = Get("/echo");
  EXPECT_NE(echo.find(u"x=1"), std::u16string::npos);
  EXPECT_NE(echo.find(u"y=2"), std::u16string::npos);
  t_.ReCreateHttpGet();
  EXPECT_EQ(Get("/echo").find(u"x=1"), std::u16string::npos);
}

TEST_F(DownTest, RequestHeadersAndProtocolVersion) {
  THttpGet& http = t_.HttpGet();
  std::u16string echo = Get("/echo");
  EXPECT_EQ(echo.substr(0, 13), u"GET HTTP/1.1\n");
  for (std::u16string_view line :
       {u"Accept: */*", u"Accept-Encoding: gzip",
        u"User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1; Maxthon)"})
    EXPECT_NE(echo.find(line), std::u16string::npos) << ToUtf8(line);
  http.Request().referer = u"http://ref/";
  http.Request().acceptLanguage = u"zh-cn";
  http.Request().from = u"me@example.org";
  http.Request().acceptCharSet = u"gbk";
  http.AddRequestHead(u"X-One", u"1");
  http.AddRequestHead(u"X-Line", u"a\r\nInjected: yes");
  http.SetProtocolVersion(HttpVersion::Http10);
  echo = Get("/echo");
  EXPECT_EQ(echo.substr(0, 13), u"GET HTTP/1.0\n");
  for (std::u16string_view line : {u"Referer: http://ref/", u"Accept-Language: zh-cn",
                                   u"From: me@example.org", u"Accept-Charset: gbk", u"X-One: 1"})
    EXPECT_NE(echo.find(line), std::u16string::npos) << ToUtf8(line);
  EXPECT_EQ(echo.find(u"Injected"), echo.find(u"X-Line: a  Injected") + 11) << ToUtf8(echo);
  EXPECT_EQ(http.RequestHead(u"x-one"), u"1");
  http.SetCookie(u"k=v");
  EXPECT_EQ(http.CustomHeaderText(), u"Cookie: k=v\r\n");
  echo = Get("/echo");
  EXPECT_NE(echo.find(u"Cookie: k=v"), std::u16string::npos);
  EXPECT_EQ(echo.find(u"X-One"), std::u16string::npos);
}

TEST_F(DownTest, PostBodies) {
  THttpGet& http = t_.HttpGet();
  http.Request().contentType = u"text/x-mine";
  std::u16string echo = t_.Down(Url("/echo"), u"CHECK", u"POST", u"a=1&b=中", u"", 0);
  EXPECT_EQ(echo.substr(0, 5), u"POST ");
  EXPECT_NE(echo.find(u"Content-Type: application/x-www-form-urlencoded"), std::u16string::npos);
  EXPECT_EQ(echo.substr(echo.size() - 8), u"\na=1&b=中");
  EXPECT_EQ(http.Request().contentType, u"text/x-mine");  // restored after the post
  // The UTF-8 rebuild keeps items with "=" and ends each with "&".
  echo = t_.Down(Url("/echo"), u"utf-8", u"POST", u"a=1&junk&b=2", u"", 0);
  EXPECT_EQ(echo.substr(echo.size() - 9), u"\na=1&b=2&");
  // The "(POST)" marker makes a GET address a post.
  echo = t_.Down(Url("/echo") + u"(POST)c=3", u"CHECK", u"GET", u"", u"", 0);
  EXPECT_EQ(echo.substr(0, 5), u"POST ");
  EXPECT_EQ(echo.substr(echo.size() - 4), u"\nc=3");
  echo = t_.Down(Url("/echo") + u"(POST)c=3", u"CHECK", u"GET", u"a=1", u"", 0);
  EXPECT_EQ(echo.substr(echo.size() - 8), u"\na=1&c=3");
}

TEST_F(DownTest, MultipartUploads) {
  fs::path dir = testing::TempFolder("upload");
  fs::path file = dir / "pic.png";
  std::ofstream(file, std::ios::binary) << std::string("\x89PNG\0\r\n", 7);
  // "file:" anywhere (here inside "profile:") makes the body multipart; a
  // value that begins with "file:" in any case names a file.
  std::u16string post = u"title=标题&up=FILE:" + U(file.string()) + u"&noequals&x=2&y=profile:z";
  std::u16string echo = t_.Down(Url("/multipart"), u"CHECK", u"POST", post, u"", 0);
  EXPECT_NE(echo.find(u"title|||标题\n"), std::u16string::npos) << ToUtf8(echo);
  EXPECT_NE(echo.find(u"x|||2\n"), std::u16string::npos) << ToUtf8(echo);
  EXPECT_NE(echo.find(u"y|||profile:z\n"), std::u16string::npos) << ToUtf8(echo);
  EXPECT_NE(echo.find(u"up|" + U(file.string()) + u"|image/png|7:png\n"), std::u16string::npos);
  // A content type of multipart/form-data alone makes a multipart body.
  t_.HttpGet().Request().contentType = u"Multipart/Form-Data";
  echo = t_.Down(Url("/multipart"), u"CHECK", u"POST", u"only=field", u"", 0);
  EXPECT_EQ(echo, u"only|||field\n");
  EXPECT_EQ(t_.HttpGet().Request().contentType, u"Multipart/Form-Data");
  // "File:" alone is no upload: the post stays urlencoded.
  t_.HttpGet().Request().contentType = u"";
  echo = t_.Down(Url("/echo"), u"CHECK", u"POST", u"up=File:/x", u"", 0);
  EXPECT_NE(echo.find(u"x-www-form-urlencoded"), std::u16string::npos);
  // A "(POST)" tail of an address never uploads: "file:" there is text.
  const std::u16string secret = u"note=file:" + U(file.string());
  echo = t_.Down(Url("/echo") + u"(POST)" + secret, u"CHECK", u"GET", u"", u"", 0);
  EXPECT_NE(echo.find(u"x-www-form-urlencoded"), std::u16string::npos) << ToUtf8(echo);
  EXPECT_TRUE(EndsWith(echo, u"\n" + secret)) << ToUtf8(echo);
  EXPECT_EQ(echo.find(u"PNG"), std::u16string::npos);
  // With an upload the script asked for, the tail's items are plain fields.
  echo = t_.Down(Url("/multipart") + u"(POST)" + secret + u"&n=file:/no/such/file", u"CHECK", u"POST",
                 u"up=file:" + U(file.string()), u"", 0);
  EXPECT_EQ(echo, u"n|||file:/no/such/file\nnote|||file:" + U(file.string()) + u"\nup|" + U(file.string()) +
                      u"|image/png|7:png\n");
  t_.HttpGet().Request().contentType = u"multipart/form-data";
  echo = t_.Down(Url("/multipart") + u"(POST)" + secret, u"CHECK", u"GET", u"", u"", 0);
  EXPECT_EQ(echo, u"note|||file:" + U(file.string()) + u"\n");
  t_.HttpGet().Request().contentType = u"";
  try {
    t_.Down(Url("/multipart"), u"CHECK", u"POST", u"f=file:/no/such/file", u"", 0);
    ADD_FAILURE();
  } catch (const ScriptError& e) {
    EXPECT_EQ(e.message(), u"post error:/no/such/file not exists!");
  }
  fs::remove_all(dir);
}

TEST_F(DownTest, StatusCodesAndHead) {
  EXPECT_EQ(Get("/status/404"), u"404");
  EXPECT_EQ(Get("/status/500"), u"500");
  EXPECT_EQ(Get("/created"), u"made");
  EXPECT_EQ(t_.HTML(), u"made");
  EXPECT_EQ(t_.Down(Url("/utf8"), u"CHECK", u"HEAD", u"", u"", 0), u"");
  EXPECT_EQ(t_.HttpGet().Response().responseCode, 200);
  EXPECT_EQ(t_.HttpGet().Response().contentType, u"text/html");
  EXPECT_GT(t_.HttpGet().Response().contentLength, 0);
  EXPECT_EQ(t_.Down(Url("/status/404"), u"CHECK", u"HEAD", u"", u"", 0), u"404");
  // A HEAD that fails for another reason than a time-out raises.
  std::u16string dead = u"http://127.0.0.1:" + IntToText(testing::FreePort()) + u"/";
  EXPECT_THROW(t_.Down(dead, u"CHECK", u"HEAD", u"", u"", 0), ScriptError);
  EXPECT_EQ(t_.Down(dead, u"CHECK", u"GET", u"", u"", 0), u"0");
  EXPECT_FALSE(t_.HttpGet().ErrorText().empty());
  EXPECT_FALSE(t_.HttpGet().IsTimeout());
  // Only http and https.
  EXPECT_EQ(t_.Down(u"file:///etc/passwd", u"CHECK", u"GET", u"", u"", 0), u"0");
}

TEST_F(DownTest, SaveFileCreatesFoldersAndReplacesWhole) {
  fs::path dir = testing::TempFolder("save");
  fs::path target = dir / "a" / "b" / "out.bin";
  EXPECT_EQ(t_.Down(Url("/binary"), u"CHECK", u"GET", u"", U(target.string()), 0).size(), 8u);
  std::ifstream in(target, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(bytes, std::string("\0\x01\xFF\xFEzz\r\n", 8));
  std::ofstream(target, std::ios::binary) << std::string(100, 'o');
  t_.Down(Url("/gzip"), u"CHECK", u"GET", u"", U(target.string()), 0);
  EXPECT_EQ(fs::file_size(target), std::string("<head><meta charset=utf-8></head>压缩").size());
  fs::remove_all(dir);
}

TEST_F(DownTest, CacheServesRepeatsFromDisk) {
  fs::path dir = testing::TempFolder("cache");
  t_.SetCacheDir(U(dir.string()) + u"/");
  std::ofstream(dir / "notes.txt") << "mine";
  const std::u16string url = Url("/counted");
  int before = hits_;
  std::u16string first = t_.Down(url, u"CHECK", u"GET", u"", u":", 60);
  EXPECT_EQ(hits_, before + 1);
  EXPECT_EQ(t_.Down(url, u"CHECK", u"GET", u"", u":", 60), first);
  EXPECT_EQ(hits_, before + 1);
  // A hit restores the stored response.
  EXPECT_EQ(t_.HttpGet().Response().responseCode, 200);
  EXPECT_EQ(t_.HttpGet().ResponseHead(u"X-Hit"), IntToText(before + 1));
  EXPECT_EQ(t_.HttpGet().URL(), url);
  // Other folder and extension, other character set: other entries.
  t_.Down(url, u"CHECK", u"GET", u"", u":news:html", 60);
  t_.Down(url, u"UTF-8", u"GET", u"", u":", 60);
  EXPECT_EQ(hits_, before + 3);
  int htmlFiles = 0;
  for (auto& e : fs::directory_iterator(dir / "news")) htmlFiles += e.path().extension() == ".html";
  EXPECT_EQ(htmlFiles, 1);
  // A changed request header replaces the entry.
  t_.HttpGet().SetCookie(u"s=1");
  std::u16string fresh = t_.Down(url, u"CHECK", u"GET", u"", u":", 60);
  EXPECT_EQ(hits_, before + 4);
  EXPECT_NE(fresh, first);
  EXPECT_EQ(t_.Down(url, u"CHECK", u"GET", u"", u":", 60), fresh);
  EXPECT_EQ(hits_, before + 4);
  int entries = 0;
  for (auto& e : fs::directory_iterator(dir))
    entries += e.is_regular_file() && e.path().extension() == ".dat";
  EXPECT_EQ(entries, 2);  // the CHECK entry (replaced) and the UTF-8 one
  // With cache time 0 there is no cache, and a ":" cache name is never saved as a file.
  t_.Down(url, u"CHECK", u"GET", u"", u":", 0);
  t_.Down(url, u"CHECK", u"GET", u"", u":news:html", 0);
  EXPECT_EQ(hits_, before + 6);
  EXPECT_FALSE(fs::exists(":"));
  EXPECT_FALSE(fs::exists(":news:html"));
  EXPECT_TRUE(fs::exists(dir / "notes.txt"));
  // Error pages are never cached.
  EXPECT_EQ(t_.Down(Url("/status/404"), u"CHECK", u"GET", u"", u":", 60), u"404");
  fs::remove_all(dir);
}

TEST_F(DownTest, ProgressFields) {
  int64_t begun = -1, last = 0;
  t_.onBeginWork = [&](int64_t expected) { begun = expected; };
  t_.onWork = [&](int64_t bytes) { last = bytes; };
  std::u16string page = Get("/utf8");
  EXPECT_EQ(begun, t_.HttpGet().Response().contentLength);  // the gzip bytes the server sends
  EXPECT_EQ(last, begun);
  EXPECT_DOUBLE_EQ(t_.Progress(), 100.0);
  EXPECT_EQ(t_.MaxWorkCount(), begun);
}

TEST_F(DownTest, ThroughARealProxy) {
  fs::path dir = testing::TempFolder("proxy");
  testing::TinyProxy proxy(dir);
  ASSERT_TRUE(proxy.Running()) << "tinyproxy did not start";
  THttpGet& http = t_.HttpGet();
  // The environment's proxy is not used until asked for.
  ::setenv("http_proxy", ("http://127.0.0.1:" + std::to_string(proxy.Port()) + "/").c_str(), 1);
  EXPECT_EQ(Get("/echo").find(u"qvtestproxy"), std::u16string::npos);
  http.LoadProxy();
  EXPECT_EQ(http.Proxy().server, u"127.0.0.1");
  EXPECT_EQ(http.Proxy().port, proxy.Port());
  EXPECT_NE(Get("/echo").find(u"qvtestproxy"), std::u16string::npos);
  ::unsetenv("http_proxy");
  http.SetProxy(false, u"", u"", u"");
  EXPECT_EQ(Get("/echo").find(u"qvtestproxy"), std::u16string::npos);
  http.SetProxy(true, u"127.0.0.1:" + IntToText(proxy.Port()), u"", u"");
  EXPECT_NE(Get("/echo").find(u"qvtestproxy"), std::u16string::npos);
  // A dead proxy: no response.
  http.SetProxy(true, u"127.0.0.1:" + IntToText(testing::FreePort()), u"", u"");
  EXPECT_EQ(Get("/echo"), u"0");
  EXPECT_FALSE(http.ErrorText().empty());
  fs::remove_all(dir);
}

}  // namespace
}  // namespace qv::web
