#include "library/url/abspath.h"

#include <filesystem>
#include <memory>
#include <vector>

#include "library/mask/regex_functions.h"
#include "library/mask/regex_notation.h"
#include "support/text.h"

namespace qv::library {

namespace {

bool IsWordChar(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_';
}

std::u16string TrimControls(std::u16string_view s) { return std::u16string(TrimBlanks(s)); }

std::u16string Slashed(std::u16string s) {
  for (char16_t& c : s)
    if (c == u'\\') c = u'/';
  return s;
}

// A scheme (or a drive letter): a ":" among the first 15 characters that
// comes before any "/", "?" or "#". So "list.php?d=a:b" stays relative.
bool HasScheme(std::u16string_view path) {
  const size_t end = std::min<size_t>(path.size(), 15);
  for (size_t i = 0; i < end; ++i) {
    const char16_t c = path[i];
    if (c == u':') return true;
    if (c == u'/' || c == u'?' || c == u'#') return false;
  }
  return false;
}

// "scheme:" of a base that starts with "scheme://"; empty when it has none.
std::u16string_view SchemeOf(std::u16string_view base) {
  const size_t at = base.find(u"://");
  if (at == std::u16string_view::npos || at == 0) return {};
  for (size_t i = 0; i < at; ++i)
    if (!IsWordChar(base[i]) && base[i] != u'+' && base[i] != u'-' && base[i] != u'.') return {};
  return base.substr(0, at + 1);
}

bool IsRootOnly(std::u16string_view base) {
  const size_t at = base.find(u"://");
  if (at == std::u16string_view::npos || at == 0) return false;
  for (size_t i = 0; i < at; ++i)
    if (!IsWordChar(base[i])) return false;
  const size_t slash = base.find(u'/', at + 3);
  return slash == base.size() - 1;
}

// The base's scheme and host for a link that starts with "/": the text
// before the first "/" behind "word://host", when something follows that
// "/" on its line; the base unchanged otherwise.
std::u16string HostPrefix(std::u16string_view base) {
  if (base.find_first_of(u"\r\n") != std::u16string_view::npos)
    return RegexReplace(base, u"(\\w+:\\/\\/[^\\/]*?)/(.+)", u"$1");
  for (size_t at = base.find(u"://"); at != std::u16string_view::npos; at = base.find(u"://", at + 1)) {
    if (at == 0 || !IsWordChar(base[at - 1])) continue;
    const size_t slash = base.find(u'/', at + 3);
    if (slash != std::u16string_view::npos && slash + 1 < base.size())
      return std::u16string(base.substr(0, slash));
  }
  return std::u16string(base);
}

// The root of RemoveDotSegments: "/", a drive "c:/", or an http, https, ftp
// or ftps address up to the "/" behind its host; its length, 0 when none.
size_t RootLength(std::u16string_view url) {
  if (url.empty()) return 0;
  if (url[0] == u'/') return 1;
  if (url.size() >= 3 && IsWordChar(url[0]) && url[1] == u':' && url[2] == u'/') return 3;
  const std::u16string lower = LowerCase(url.substr(0, std::min<size_t>(url.size(), 8)));
  size_t scheme = 0;
  for (std::u16string_view s : {u"https://", u"http://", u"ftps://", u"ftp://"})
    if (std::u16string_view(lower).starts_with(s)) {
      scheme = s.size();
      break;
    }
  if (scheme == 0) return 0;
  const size_t slash = url.find(u'/', scheme);
  if (slash == std::u16string_view::npos || slash == scheme) return 0;
  return slash + 1;
}

// "./" anywhere, or a path that ends in a "." or ".." segment.
bool HasDotSegment(std::u16string_view r) {
  if (r.find(u"./") != std::u16string_view::npos) return true;
  const std::u16string_view path = r.substr(0, std::min(r.find(u'?'), r.find(u'#')));
  return path.ends_with(u"/.") || path.ends_with(u"/..");
}

std::u16string FullFileName(std::u16string_view path) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path p = fs::absolute(fs::path(ToUtf8(Slashed(std::u16string(path)))), ec);
  if (ec) return std::u16string(path);
  return FromUtf8(p.lexically_normal().string());
}

}  // namespace

bool IsAbsoluteFilePath(std::u16string_view path) {
  if (path.starts_with(u"\\\\") || path.starts_with(u"//") || path.starts_with(u"/")) return true;
  return path.size() >= 2 && path[1] == u':';
}

std::u16string RemoveDotSegments(std::u16string_view url) {
  // Only the path takes part; query and fragment stay as they are.
  const size_t tailAt = std::min(url.find(u'?'), url.find(u'#'));
  const std::u16string_view tail =
      tailAt == std::u16string_view::npos ? std::u16string_view() : url.substr(tailAt);
  const std::u16string_view whole = url.substr(0, std::min(tailAt, url.size()));
  const size_t rootLength = RootLength(whole);
  std::u16string_view rest = whole.substr(rootLength);
  while (rest.starts_with(u'/')) rest.remove_prefix(1);

  std::vector<std::u16string_view> kept;
  bool folder = false;  // a last "." or ".." names the folder it leaves
  size_t from = 0;
  while (true) {
    size_t slash = rest.find(u'/', from);
    const std::u16string_view seg =
        rest.substr(from, slash == std::u16string_view::npos ? rest.npos : slash - from);
    const bool last = slash == std::u16string_view::npos;
    if (seg == u".") {
      folder = last;
    } else if (seg == u"..") {
      if (!kept.empty()) kept.pop_back();
      folder = last;
    } else if (!seg.empty() || last) {
      kept.push_back(seg);  // runs of "/" count as one
    }
    if (last) break;
    from = slash + 1;
  }
  std::u16string r(whole.substr(0, rootLength));
  for (size_t i = 0; i < kept.size(); ++i) {
    if (i > 0) r += u'/';
    r += kept[i];
  }
  if (folder && !kept.empty() && !kept.back().empty()) r += u'/';
  r += tail;
  return r;
}

std::u16string AbsPath(std::u16string_view url, std::u16string_view path) {
  return AbsPath(url, path, false);
}

std::u16string AbsPath(std::u16string_view url, std::u16string_view rawPath, bool fileMode) {
  std::u16string path = TrimControls(rawPath);
  if (fileMode && TrimControls(url).empty() &&
      (IsAbsoluteFilePath(path) || path.find(u':') == std::u16string::npos))
    return FullFileName(path);
  path = Slashed(std::move(path));
  std::u16string base = Slashed(TrimControls(url));
  if (HasScheme(path)) return path;

  base = base.substr(0, base.find(u'#'));
  const bool fragmentOnly = path.starts_with(u'#');
  if (!fragmentOnly) base = base.substr(0, base.find(u'?'));

  std::u16string r;
  if (path.starts_with(u'?') || fragmentOnly) {
    r = base + path;
  } else if (path.starts_with(u"//")) {
    r = std::u16string(SchemeOf(base)) + path;
  } else if (path.starts_with(u'/')) {
    std::u16string prefix = HostPrefix(base);
    if (prefix == base && IsRootOnly(base)) prefix.pop_back();
    r = prefix + path;
  } else {
    const size_t slash = base.rfind(u'/');
    const std::u16string dir = slash == std::u16string::npos ? std::u16string() : base.substr(0, slash + 1);
    r = dir.ends_with(u"://") ? base + u"/" + path : dir + path;
  }
  if (HasDotSegment(r)) r = RemoveDotSegments(r);
  return r;
}

std::u16string UrlHost(std::u16string_view url) {
  std::u16string h = Slashed(TrimControls(url));
  const std::u16string lower = LowerCase(std::u16string_view(h).substr(0, std::min<size_t>(h.size(), 8)));
  if (lower.starts_with(u"http://"))
    h.erase(0, 7);
  else if (lower.starts_with(u"https://"))
    h.erase(0, 8);
  h = h.substr(0, h.find(u'/'));
  return LowerCase(h);
}

namespace {

bool IsDottedQuad(std::u16string_view h) {
  int parts = 0, digits = 0;
  for (char16_t c : h) {
    if (c >= u'0' && c <= u'9') {
      if (++digits > 3) return false;
    } else if (c == u'.' && digits > 0 && parts < 3) {
      ++parts;
      digits = 0;
    } else {
      return false;
    }
  }
  return parts == 3 && digits > 0;
}

// A known two-level public suffix at the end of the host.
bool HasTwoLevelSuffix(std::u16string_view h) {
  for (std::u16string_view s :
       {u"com.cn", u"net.cn", u"gov.cn", u"org.cn", u"edu.cn", u"com.hk", u"cn.hk", u"hk.cn"})
    if (h.ends_with(s) && (h.size() == s.size() || h[h.size() - s.size() - 1] == u'.')) return true;
  return false;
}

}  // namespace

std::u16string GetDomain(std::u16string_view url, bool son) {
  std::u16string h = UrlHost(url);
  if (son || IsDottedQuad(h)) return h;
  // Kept per thread: compiled once, not once per call.
  thread_local std::unique_ptr<TRegExp> rx = NewPatternRegex();
  if (HasTwoLevelSuffix(h))
    return RegexReplace(h, u"(.*?\\.)?([\\w\\-]*?)\\.([\\w\\-]*?)\\.([\\w\\-]*?)$", u"$2.$3.$4", rx.get());
  return RegexReplace(h, u"(.*?\\.)?([\\w\\-]*?)\\.([\\w\\-]*?)$", u"$2.$3", rx.get());
}

bool IsURL(std::u16string_view text) {
  if (text.size() < 7) return false;
  if (text.find_first_of(u"\r\n\t'\"[") != std::u16string_view::npos) return false;
  const std::u16string upper = UpperCase(text);
  return upper.find(u"HTTP://") != std::u16string::npos || upper.find(u"HTTPS://") != std::u16string::npos;
}

}  // namespace qv::library
