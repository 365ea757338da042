// URL helpers: making a link absolute against the page it was found on, the
// host and registrable domain of an address, and the test for a web address.
//
//   AbsPath(u"http://h/x/y.html", u"z.html")    -> u"http://h/x/z.html"
//   AbsPath(u"http://h/x/y.html", u"/z.html")   -> u"http://h/z.html"
//   AbsPath(u"http://h/x/y.html", u"?p=2")      -> u"http://h/x/y.html?p=2"
//   AbsPath(u"http://h/a/b/y.html", u"../z.html") -> u"http://h/a/z.html"
//   GetDomain(u"http://news.a.com.cn/x")        -> u"a.com.cn"
//   IsURL(u"see http://a")                      -> true
//
// The resolution works on text, with a few rules: a link with a scheme (or
// a drive letter) is taken as it is, "\" counts as "/", the base's query and
// fragment are dropped (a "#f" link keeps the query), a "/" link keeps the
// base's scheme and host, a "//host" link its scheme, and "." and ".."
// segments are removed the way reference resolution removes them.
#pragma once

#include <string>
#include <string_view>

namespace qv::library {

// The link `path` made absolute against the address `url`.
std::u16string AbsPath(std::u16string_view url, std::u16string_view path);
// With fileMode, an empty base stands for the current directory: a path that
// is absolute, or has no ":", becomes a full file name.
std::u16string AbsPath(std::u16string_view url, std::u16string_view path, bool fileMode);

// "." and ".." segments removed below the root ("/", a drive "c:/", or
// "http://host/", "https://", "ftp://", "ftps://"); runs of "/" after the
// root become one.
std::u16string RemoveDotSegments(std::u16string_view url);

// The host of an address in lower case, without "http://" or "https://"; a
// port or user information stays part of it.
std::u16string UrlHost(std::u16string_view url);

// The registrable domain: the last two labels of the host, or the last three
// under a known two-level suffix such as "com.cn"; a dotted IPv4 address and
// a host the rule cannot cut come back whole. With `son`, the whole host.
std::u16string GetDomain(std::u16string_view url, bool son = false);

// At least 7 characters, none of CR, LF, tab, "'", '"' or "[", and
// "http://" or "https://" somewhere (any case).
bool IsURL(std::u16string_view text);

// Two leading backslashes (or slashes), or a ":" as the second character,
// or a leading "/".
bool IsAbsoluteFilePath(std::u16string_view path);

}  // namespace qv::library
