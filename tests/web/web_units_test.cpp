// The parts of web access that need no server: cookie texts, proxy
// addresses, speed texts, address encoding, multipart bytes, character-set
// detection and the cache's names and file format.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "library/encode/gzip.h"
#include "support/codepage.h"
#include "support/errors.h"
#include "support/text.h"
#include "tests/web/test_servers.h"
#include "web/address_encoding.h"
#include "web/body_buffer.h"
#include "web/download_cache.h"
#include "web/http_response.h"
#include "web/multipart_form.h"
#include "web/page_text.h"
#include "web/proxy_setting.h"
#include "web/set_cookie.h"
#include "web/transfer_speed.h"

namespace qv::web {
namespace {

namespace fs = std::filesystem;

TEST(SetCookie, TextsAsTheClientBuildsThem) {
  struct Row {
    std::u16string headers, expected;
  } rows[] = {
      {u"Set-Cookie: x=1; path=/\r\nSet-Cookie: y=2; path=/\r\n", u"x=1; y=2;"},
      {u"Content-Type: text/html\r\n", u""},
      // Without a ";" the line's end ends the value; it never takes in
      // the next header lines.
      {u"Set-Cookie: k=v\r\nX-After: a;\r\n", u"k=v;"},
      {u"Set-Cookie: k2=v2\r\n", u"k2=v2;"},
      {u"Set-Cookie: k3=v3", u"k3=v3;"},
      {u"Set-Cookie: a=1\r\nSet-Cookie: b=2; path=/\r\n", u"a=1; b=2;"},
      {u"Set-Cookie: a=1\nSet-Cookie: b=2\n", u"a=1; b=2;"},
      // A capture that ends at once stops the loop.
      {u"Set-Cookie: ;\r\nSet-Cookie: z=9;\r\n", u""},
      // Lower-case lines match too and do not make the loop spin.
      {u"set-cookie: s=1; Path=/\r\nSET-COOKIE: t=2;\r\n", u"s=1; t=2;"},
      {u"Set-Cookie:  sp=1;\r\n", u"sp=1;"},
  };
  for (const auto& r : rows) EXPECT_EQ(CookiesOfHeaders(r.headers), r.expected) << ToUtf8(r.headers);
}

TEST(SetCookie, TenThousandLinesStayLinear) {
  std::u16string headers;
  for (int i = 0; i < 10000; ++i) headers += u"Set-Cookie: c" + IntToText(i) + u"=v; path=/\r\n";
  auto start = std::chrono::steady_clock::now();
  std::u16string cookies = CookiesOfHeaders(headers);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  EXPECT_EQ(cookies.substr(0, 14), u"c0=v; c1=v; c2");
  EXPECT_EQ(cookies.substr(cookies.size() - 8), u"c9999=v;");
}

TEST(Proxy, ExplicitAddresses) {
  EXPECT_EQ(ProxyFromAddress(u"10.0.0.1:8080", u"u", u"p"), (ProxySetting{u"10.0.0.1", 8080, u"u", u"p"}));
  EXPECT_EQ(ProxyFromAddress(u"3128", u"", u""), (ProxySetting{u"", 3128, u"", u""}));
  for (std::u16string_view bad : {u"host:abc", u"host", u"h:70000", u"h:-1"}) {
    try {
      ProxyFromAddress(bad, u"", u"");
      ADD_FAILURE() << ToUtf8(bad);
    } catch (const ScriptError& e) {
      EXPECT_EQ(e.className(), u"EConvertError");
    }
  }
}

TEST(Proxy, SystemLists) {
  struct Row {
    std::u16string list;
    ProxySetting expected;
  } rows[] = {
      {u"http=a:1;https=b:2", {u"a", 1, u"", u""}},
      {u"https=b:2;http=a:1", {u"a", 1, u"", u""}},
      {u"a:1", {u"a", 1, u"", u""}},
      {u"", {u"", 0, u"", u""}},
      {u"http://proxy.local:3128/", {u"proxy.local", 3128, u"", u""}},
      {u"http://user:pw@proxy.local:3128", {u"proxy.local", 3128, u"", u""}},
      {u"justahost", {u"", 0, u"", u""}},
  };
  for (const auto& r : rows) EXPECT_EQ(ProxyFromSystemList(r.list), r.expected) << ToUtf8(r.list);
}

TEST(Speed, TextsAndProgress) {
  struct Row {
    int64_t bytes;
    double seconds;
    std::u16string text;
  } rows[] = {
      {int64_t{3} << 30, 2.0, u"1.50GB/S"},
      {3 * 1048576, 2.0, u"1.50MB/S"},
      {1536, 1.0, u"1.50KB/S"},
      {99, 1.0, u"99.00Byte/S"},
      {500, 1.0, u"0.49KB/S"},
      {0, 1.0, u"0.00Byte/S"},
      {1000 * 1024, 1.0, u"1000.00KB/S"},
      {1023 * 1024, 1.0, u"1.00MB/S"},
  };
  for (const auto& r : rows) EXPECT_EQ(SpeedText(r.bytes, r.seconds), r.text) << r.bytes;
  EXPECT_DOUBLE_EQ(ProgressPercent(1, 3), 33.33);
  EXPECT_DOUBLE_EQ(ProgressPercent(2, 3), 66.67);
  EXPECT_DOUBLE_EQ(ProgressPercent(5, 0), -1.0);
  EXPECT_DOUBLE_EQ(ProgressPercent(5, -1), -1.0);
}

TEST(AddressEncoding, CharacterSetRules) {
  struct Row {
    std::u16string url, charSet, expected;
  } rows[] = {
      {u"http://h/搜索?q=中", u"GBK", u"http://h/%CB%D1%CB%F7?q=%D6%D0"},
      {u"http://h/中", u"gb2312", u"http://h/%D6%D0"},
      {u"http://h/中", u"CHECK", u"http://h/%E4%B8%AD"},
      {u"http://h/a b", u"CHECK", u"http://h/a b"},  // nothing above U+00B0: untouched
      {u"http://h/\u00e9\u4e2d", u"GBK", u"http://h/%A8%A6%D6%D0"},
      {u"http://h/\u00b0\u4e2d", u"GBK", u"http://h/\u00b0%D6%D0"},  // U+00B0 itself stays
      {u"http://h/\u00e9\u4e2d", u"UTF-8", u"http://h/%C3%A9%E4%B8%AD"},
  };
  for (const auto& r : rows) EXPECT_EQ(EncodeAddress(r.url, r.charSet), r.expected) << ToUtf8(r.url);
  EXPECT_EQ(WireUrl(u"http://h/a b\u00b0"), "http://h/a%20b%C2%B0");
}

TEST(Multipart, FieldThenFileThenFieldByteForByte) {
  MultiPartFormData body;
  const std::string b = ToUtf8(body.Boundary());
  ASSERT_EQ(b.size(), 42u);
  EXPECT_EQ(b.substr(0, 27), std::string(27, '-'));
  EXPECT_EQ(body.RequestContentType(), u"multipart/form-data; boundary=" + body.Boundary());
  body.AddFormField(u"a", u"1");
  body.PrepareStreamForDispatch();
  EXPECT_EQ(body.Bytes(),
            "--" + b + "\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\n1\r\n--" + b + "--\r\n");

  MultiPartFormData two;
  const std::string b2 = ToUtf8(two.Boundary());
  two.AddFileData(u"f", u"/tmp/x.PNG", std::string("\0\x89PNG", 5));
  two.AddFormField(u"n", u"v");
  two.AddFileData(u"e", u"empty.txt", "");
  two.PrepareStreamForDispatch();
  EXPECT_EQ(two.Bytes(), "\r\n--" + b2 +
                             "\r\nContent-Disposition: form-data; name=\"f\"; filename=\"/tmp/x.PNG\"\r\n"
                             "Content-Type: image/png\r\n\r\n" +
                             std::string("\0\x89PNG", 5) + "\r\n--" + b2 +
                             "\r\nContent-Disposition: form-data; name=\"n\"\r\n\r\nv" + "\r\n--" + b2 +
                             "\r\nContent-Disposition: form-data; name=\"e\"; filename=\"empty.txt\"\r\n"
                             "Content-Type: text/plain\r\n\r\n" +
                             "\r\n--" + b2 + "--\r\n");
}

TEST(Multipart, SameMillisecondSameBoundaryAndMimeTypes) {
  auto t = std::chrono::system_clock::now();
  EXPECT_EQ(MultiPartFormData(t).Boundary(), MultiPartFormData(t).Boundary());
  EXPECT_EQ(MimeTypeOfFile(u"a/b.JPG"), u"image/jpeg");
  EXPECT_EQ(MimeTypeOfFile(u"noext"), u"application/octet-stream");
  EXPECT_EQ(MimeTypeOfFile(u"dir.v1/file"), u"application/octet-stream");
  EXPECT_EQ(MimeTypeOfFile(u"x.unknownext"), u"application/octet-stream");
}

// Only regular files are uploaded: a FIFO without a writer would block the
// script, and a name holding NUL would upload the file its head names.
TEST(Multipart, MissingOrIrregularFileRaises) {
  MultiPartFormData body;
  EXPECT_THROW(body.AddFile(u"f", u"/nonexistent/qv/file.bin"), ScriptError);
  EXPECT_THROW(body.AddFile(u"f", u"/dev/zero"), ScriptError);
  auto dir = std::filesystem::temp_directory_path() / ("qv_multipart_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  std::string fifo = (dir / "fifo").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_THROW(body.AddFile(u"f", qv::FromUtf8(fifo)), ScriptError);
  std::ofstream(dir / "victim.txt") << "secret";
  std::u16string cut = qv::FromUtf8((dir / "victim.txt").string()) + u'\0' + u".html";
  EXPECT_THROW(body.AddFile(u"f", cut), ScriptError);
  body.AddFile(u"f", qv::FromUtf8((dir / "victim.txt").string()));
  body.PrepareStreamForDispatch();
  EXPECT_NE(body.Bytes().find("secret"), std::string::npos);
  std::filesystem::remove_all(dir);
}

TEST(PageText, Detection) {
  struct Row {
    std::u16string head, header;
    PageEncoding expected;
  } rows[] = {
      {u"<meta charset = gbk>", u"", PageEncoding::Gbk},  // spaces go first
      {u"<meta charset:gbk>", u"", PageEncoding::Ansi},
      {u"<meta content=\"text/html; charset=GBK\">", u"utf-8", PageEncoding::Gbk},
      {u"<meta content=\"text/html; charset=gb2312\">", u"", PageEncoding::Gbk},
      {u"<html>", u"GBK", PageEncoding::Gbk},
      {u"<meta charset=UTF-8>", u"", PageEncoding::Utf8},
      {u"<html>", u"utf-8", PageEncoding::Utf8},
      {u"<html>", u"iso-8859-1", PageEncoding::Ansi},
      {u"<meta charset= utf-8>", u"", PageEncoding::Utf8},
      // Quoted, as HTML5 pages write it.
      {u"<meta charset=\"utf-8\">", u"", PageEncoding::Utf8},
      {u"<meta charset = 'UTF-8' />", u"", PageEncoding::Utf8},
      {u"<meta charset=\"gbk\">", u"utf-8", PageEncoding::Gbk},
      {u"<meta charset=\"GB2312\">", u"", PageEncoding::Gbk},
      {u"<meta http-equiv=\"Content-Type\" content='text/html; charset=\"utf-8\"'>", u"", PageEncoding::Utf8},
      {u"<meta charset=\"\"utf-8\">", u"", PageEncoding::Ansi},
      {u"<meta name=\"charset\" content=\"utf-8\">", u"", PageEncoding::Ansi},
  };
  for (const auto& r : rows) EXPECT_EQ(DetectPageEncoding(r.head, r.header), r.expected) << ToUtf8(r.head);
}

TEST(PageText, DecodingByCharacterSet) {
  SetAnsiCodePage(kCpUtf8);
  const std::string gbk = "\xD6\xD0\xCE\xC4";  // 中文
  EXPECT_EQ(DecodePage("<meta charset=gbk></head>" + gbk, u"CHECK", u""), u"<meta charset=gbk></head>中文");
  EXPECT_EQ(DecodePage(gbk, u"", u"text/html; charset=gb2312"), u"中文");
  EXPECT_EQ(DecodePage("\xEF\xBB\xBF\xE4\xB8\xAD", u"utf-8", u""), u"中");
  EXPECT_EQ(DecodePage("\xA4\xA4\xB0\xEA", u"big5", u""), u"中国");  // 中國 read as Simplified
  // The head ends at the first </head>; a declaration after it is not seen.
  EXPECT_EQ(DecodePage("</HEAD><meta charset=gbk>" + gbk, u"CHECK", u"").substr(0, 7), u"</HEAD>");
  EXPECT_NE(DecodePage("</HEAD><meta charset=gbk>" + gbk, u"CHECK", u"").substr(25), u"中文");
  // Without </head> only the first 500 characters count.
  EXPECT_EQ(DecodePage(std::string(480, ' ') + "charset=gbk " + gbk, u"CHECK", u"").substr(492), u"中文");
  EXPECT_NE(DecodePage(std::string(500, ' ') + "charset=gbk " + gbk, u"CHECK", u"").substr(512), u"中文");
  SetAnsiCodePage(kCpGbk);
  EXPECT_EQ(DecodePage(gbk, u"CHECK", u""), u"中文");
  SetAnsiCodePage(kCpUtf8);
}

TEST(Response, HeaderBlockProcessing) {
  HttpResponse r;
  r.Process(u"HTTP/1.1 206 Partial Content",
            u"Content-Type: text/html; charset=\"GBK\"\r\nContent-Length: 1234\r\ncontent-encoding: gzip\r\n"
            u"Content-Language: zh\r\nLocation: /x\r\nX-Dup: 1\r\nX-Dup: 2\r\n");
  EXPECT_EQ(r.responseCode, 206);
  EXPECT_EQ(r.contentType, u"text/html");
  EXPECT_EQ(r.charSet, u"GBK");
  EXPECT_EQ(r.contentLength, 1234);
  EXPECT_EQ(r.contentEncoding, u"gzip");
  EXPECT_EQ(r.contentLanguage, u"zh");
  EXPECT_EQ(r.location, u"/x");
  EXPECT_EQ(r.Value(u"x-dup"), u"1");
  EXPECT_EQ(StatusCodeOf(u"HTTP/1.0 404 Not Found"), 404);
  EXPECT_EQ(StatusCodeOf(u"garbage"), 0);
  EXPECT_EQ(StatusCodeOf(u"HTTP/1.1 20"), 0);
  r.Process(u"HTTP/1.1 200 OK", u"Content-Length: 12x\r\n");
  EXPECT_EQ(r.contentLength, -1);
  EXPECT_EQ(HeaderText("a\xFF"), std::u16string(u"a\u00ff"));
}

TEST(Cache, NamesOfTheEntryForm) {
  auto n = ParseCacheName(u"1700000000_600_0123456789abcdef.html");
  ASSERT_TRUE(n);
  EXPECT_EQ(n->stamp, 1700000000);
  EXPECT_EQ(n->cacheTime, 600);
  EXPECT_EQ(n->key, u"0123456789abcdef");
  EXPECT_EQ(n->extension, u"html");
  EXPECT_EQ(CacheFileName(*n), u"1700000000_600_0123456789abcdef.html");
  for (std::u16string_view other :
       {u"notes.txt", u"abc_def.dat", u"1_2_3.dat", u"x_600_0123456789abcdef.dat",
        u"1_600_0123456789ABCDEF.dat", u"1_600_0123456789abcdef", u"1_600_0123456789abcdef.dat.tmp5-1"})
    EXPECT_FALSE(ParseCacheName(other)) << ToUtf8(other);
  EXPECT_EQ(CacheKey(u"http://a/", u"CHECK", u"").size(), 16u);
  EXPECT_NE(CacheKey(u"http://a/", u"CHECK", u""), CacheKey(u"http://a/", u"UTF-8", u""));
}

TEST(Cache, EntryRoundTripAndPlainFiles) {
  SetAnsiCodePage(kCpUtf8);
  CacheEntry e{u"http://h/p", u"Cookie: a=1\r\n", u"HTTP/1.1 200 OK", u"Content-Type: text/html\r\n",
               u"页面\r\n\r\ntext"};
  auto back = ParseCacheEntry(SerializeCacheEntry(e));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->url, e.url);
  EXPECT_EQ(back->requestHeaders, u"Cookie: a=1");
  EXPECT_EQ(back->statusLine, e.statusLine);
  EXPECT_EQ(back->rawHeaders, e.rawHeaders);
  EXPECT_EQ(back->text, e.text);
  // A plain (not gzip) file with no request headers and no response headers.
  auto plain = ParseCacheEntry("http://h/\r\n\r\n\r\nHTTP/1.1 200 OK\r\n\r\nbody");
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->requestHeaders, u"");
  EXPECT_EQ(plain->rawHeaders, u"");
  EXPECT_EQ(plain->text, u"body");
  EXPECT_FALSE(ParseCacheEntry("no line breaks"));
  EXPECT_FALSE(ParseCacheEntry(library::GzipBytes("http://h/\r\nX: 1")));
  // Text the ANSI code page cannot hold survives a cache round trip.
  SetAnsiCodePage(kCpGbk);
  CacheEntry wide{u"u", u"", u"HTTP/1.1 200 OK", u"", u"\u00e9\u0436\U0001F600"};
  EXPECT_EQ(ParseCacheEntry(SerializeCacheEntry(wide))->text, wide.text);
  // Large texts are converted in pieces of 2^20 units: a surrogate pair
  // across a piece's end, and text that fits the ANSI code page only in
  // its first piece, come back whole.
  CacheEntry big{u"u", u"", u"HTTP/1.1 200 OK", u"X: 1\r\n", std::u16string((1 << 20) - 75, u'中')};
  big.text += u"\U0001F600\r\n\r\n" + std::u16string(1 << 20, u'文');
  auto bigBack = ParseCacheEntry(SerializeCacheEntry(big));
  ASSERT_TRUE(bigBack);
  EXPECT_EQ(bigBack->text == big.text, true);
  EXPECT_EQ(bigBack->rawHeaders, u"X: 1\r\n");
  big.text = std::u16string(3 << 20, u'中');
  std::string gbkFile = SerializeCacheEntry(big);
  std::string plainBytes;
  ASSERT_TRUE(library::GunzipBytes(gbkFile, plainBytes));
  EXPECT_EQ(plainBytes.size(), 32 + (size_t{6} << 20));  // two bytes a character, no byte-order mark
  EXPECT_EQ(ParseCacheEntry(gbkFile)->text == big.text, true);
  SetAnsiCodePage(kCpUtf8);
}

TEST(BodyBuffer, GrowsKeepsAndMoves) {
  BodyBuffer body;
  std::string expected;
  for (int i = 0; i < 5000; ++i) {
    std::string piece = std::to_string(i) + std::string(static_cast<size_t>(i % 97), 'x');
    ASSERT_TRUE(body.Append(piece.data(), piece.size()));
    expected += piece;
  }
  EXPECT_EQ(body.View(), expected);
  ASSERT_TRUE(body.Reserve(expected.size() * 3));
  EXPECT_EQ(body.View(), expected);
  BodyBuffer taken = std::move(body);
  EXPECT_TRUE(body.empty());
  EXPECT_EQ(taken.View(), expected);
  taken.Clear();
  EXPECT_EQ(taken.View(), "");
  ASSERT_TRUE(taken.Append("a", 1));
  EXPECT_EQ(taken.View(), "a");
}

TEST(Cache, PurgeDeletesOnlyExpiredEntries) {
  fs::path dir = testing::TempFolder("purge");
  const int64_t now = LocalStamp();
  auto touch = [&](const std::u16string& name) { std::ofstream(dir / ToUtf8(name)) << "x"; };
  const std::u16string expired = IntToText(now - 100) + u"_10_0123456789abcdef.dat";
  const std::u16string fresh = IntToText(now - 5) + u"_10_0123456789abcdee.dat";
  const std::u16string zero = IntToText(now) + u"_0_0123456789abcded.dat";
  for (const auto& n : {expired, fresh, zero, std::u16string(u"notes.txt"), std::u16string(u"abc_def.dat")})
    touch(n);
  fs::create_directories(dir / "100_1_0123456789abcdef.dat");  // folders are never touched
  PurgeCacheFolder(dir, now);
  EXPECT_FALSE(fs::exists(dir / ToUtf8(expired)));
  EXPECT_FALSE(fs::exists(dir / ToUtf8(zero)));
  EXPECT_TRUE(fs::exists(dir / ToUtf8(fresh)));
  EXPECT_TRUE(fs::exists(dir / "notes.txt"));
  EXPECT_TRUE(fs::exists(dir / "abc_def.dat"));
  EXPECT_TRUE(fs::is_directory(dir / "100_1_0123456789abcdef.dat"));
  // The newest entry of a key wins.
  const std::u16string newer = IntToText(now - 3) + u"_10_0123456789abcdee.dat";
  touch(newer);
  EXPECT_EQ(FindCacheEntry(dir, u"0123456789abcdee", u"dat")->filename(), ToUtf8(newer));
  EXPECT_FALSE(FindCacheEntry(dir, u"0123456789abcdee", u"html"));
  fs::remove_all(dir);
}

// A process id that has just ended.
int EndedProcessId() {
  pid_t pid = ::fork();
  if (pid == 0) ::_exit(0);
  ::waitpid(pid, nullptr, 0);
  return pid;
}

TEST(Cache, PurgeDeletesTemporaryFilesOfEndedWrites) {
  fs::path dir = testing::TempFolder("purge_tmp");
  const std::string entry = std::to_string(LocalStamp()) + "_600_0123456789abcdef.dat";
  const std::string self = std::to_string(::getpid());
  auto touch = [&](const std::string& name) { std::ofstream(dir / name) << "half an entry"; };
  const std::string killed = entry + ".tmp" + std::to_string(EndedProcessId()) + "-3";
  const std::string writing = entry + ".tmp" + self + "-0";
  const std::string stale = entry + ".tmp" + self + "-1";
  const std::string notEntry = "notes.txt.tmp" + std::to_string(EndedProcessId()) + "-0";
  const std::string oddTail = entry + ".tmpx-0";
  for (const auto& n : {killed, writing, stale, notEntry, oddTail}) touch(n);
  fs::last_write_time(dir / stale, fs::file_time_type::clock::now() - std::chrono::hours(2));
  PurgeCacheFolder(dir, LocalStamp());
  EXPECT_FALSE(fs::exists(dir / killed));
  EXPECT_FALSE(fs::exists(dir / stale));
  EXPECT_TRUE(fs::exists(dir / writing));  // a live writer renames it soon
  EXPECT_TRUE(fs::exists(dir / notEntry));
  EXPECT_TRUE(fs::exists(dir / oddTail));
  EXPECT_FALSE(FindCacheEntry(dir, u"0123456789abcdef", u"dat"));
  fs::remove_all(dir);
}

}  // namespace
}  // namespace qv::web
