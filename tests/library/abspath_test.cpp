#include <gtest/gtest.h>

#include "library/url/abspath.h"
#include "support/text.h"

namespace qv::library {
namespace {

std::string U8(const std::u16string& s) { return ToUtf8(s); }

TEST(AbsPath, Resolution) {
  struct Row {
    const char16_t* base;
    const char16_t* path;
    const char16_t* result;
  } rows[] = {
      {u"http://h/x/y.html", u"z.html", u"http://h/x/z.html"},
      {u"http://h/x/y.html", u"/z.html", u"http://h/z.html"},
      {u"http://h/x/y.html", u"?p=2", u"http://h/x/y.html?p=2"},
      {u"http://h/x/y.html?q=1#top", u"?p=2", u"http://h/x/y.html?p=2"},
      {u"http://h", u"z.html", u"http://h/z.html"},
      {u"http://h/a/b/y.html", u"../z.html", u"http://h/a/z.html"},
      {u"http://h/a/", u"b", u"http://h/a/b"},
      {u"http://h/x/y.html", u"", u"http://h/x/"},
      {u"nohost", u"z.html", u"z.html"},
      {u"http://h/x", u"C:\\dir\\f.txt", u"C:/dir/f.txt"},
      {u"http://h/x", u"mailto:a@b", u"mailto:a@b"},
      {u"http://h/x", u"javascript:void(0)", u"javascript:void(0)"},
      {u"http://h/x", u"  https://o/p  ", u"https://o/p"},
      {u"http://h\\x\\y.html", u"z.html", u"http://h/x/z.html"},
      {u"http://h/a/b/c.html", u"./d/../e.html", u"http://h/a/b/e.html"},
      {u"http://h/a/b/c.html", u"..//e.html", u"http://h/a/e.html"},
      {u"http://h/a/b/", u"../..", u"http://h/"},
      {u"http://h/a/b/", u"..", u"http://h/a/"},
      // Reference resolution where the plain text rules go wrong.
      {u"http://h/x/y.html", u"//cdn/x.js", u"http://cdn/x.js"},
      {u"https://h/x/y.html", u"//cdn/x.js", u"https://cdn/x.js"},
      {u"http://h/", u"/z", u"http://h/z"},
      {u"http://h/x/y.html", u"../z.html", u"http://h/z.html"},
      {u"http://h/y.html", u"../../z.html", u"http://h/z.html"},
      {u"http://h/a/", u"./b", u"http://h/a/b"},
      {u"http://h/a/b/c.html", u"../list", u"http://h/a/list"},
      {u"http://h/a/", u"list.php?d=a:b", u"http://h/a/list.php?d=a:b"},
      {u"http://h/a/y.html?q=1", u"#f", u"http://h/a/y.html?q=1#f"},
      {u"http://h/a/b.html", u"c.php?next=./x/../y", u"http://h/a/c.php?next=./x/../y"},
  };
  for (const Row& r : rows)
    EXPECT_EQ(U8(AbsPath(r.base, r.path)), U8(r.result)) << U8(r.base) << " + " << U8(r.path);
}

TEST(AbsPath, FileMode) {
  EXPECT_EQ(U8(AbsPath(u"", u"/tmp/a/../b.txt", true)), "/tmp/b.txt");
  const std::u16string rel = AbsPath(u"", u"x/y.txt", true);
  EXPECT_TRUE(rel.starts_with(u"/")) << U8(rel);
  EXPECT_TRUE(rel.ends_with(u"/x/y.txt")) << U8(rel);
  EXPECT_EQ(U8(AbsPath(u"http://h/a/", u"b.txt", true)), "http://h/a/b.txt");
}

TEST(RemoveDotSegments, Roots) {
  struct Row {
    const char16_t* in;
    const char16_t* out;
  } rows[] = {
      {u"/a/./b/../c", u"/a/c"},
      {u"c:/a/../b", u"c:/b"},
      {u"FTP://h/a/./b", u"FTP://h/a/b"},
      {u"http://h/a//b/./c", u"http://h/a/b/c"},
      {u"a/../b", u"b"},
      {u"/..", u"/"},
  };
  for (const Row& r : rows) EXPECT_EQ(U8(RemoveDotSegments(r.in)), U8(r.out)) << U8(r.in);
}

TEST(GetDomain, Hosts) {
  struct Row {
    const char16_t* url;
    bool son;
    const char16_t* domain;
  } rows[] = {
      {u"http://www.a.com/x", false, u"a.com"},
      {u"news.a.com.cn", false, u"a.com.cn"},
      {u"192.168.0.1", false, u"192.168.0.1"},
      {u"HTTPS://WWW.A.COM/", false, u"a.com"},
      {u"http://News.A.com/x", true, u"news.a.com"},
      {u"www.a.com:8080", false, u"www.a.com:8080"},
      {u"localhost", false, u"localhost"},
      {u"http://x.y.a.com/", false, u"a.com"},
      {u"http://a.org.cn/", false, u"a.org.cn"},
      // A two-level suffix counts only at the end of the host.
      {u"http://com.cn.example.com/", false, u"example.com"},
      {u"http://www.xcom.cn/", false, u"xcom.cn"},
      {u"", false, u""},
  };
  for (const Row& r : rows) EXPECT_EQ(U8(GetDomain(r.url, r.son)), U8(r.domain)) << U8(r.url);
}

TEST(IsURL, Rule) {
  struct Row {
    const char16_t* text;
    bool url;
  } rows[] = {
      {u"see http://a", true}, {u"HTTPS://x", true}, {u"ftp://a.b/c", false}, {u"http://a\tb", false},
      {u"http:/", false},      {u"http://", true},   {u"http://a'", false},   {u"http://[::1]/", false},
  };
  for (const Row& r : rows) EXPECT_EQ(IsURL(r.text), r.url) << U8(r.text);
}

}  // namespace
}  // namespace qv::library
