#include "web/download_cache.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <ctime>
#include <fstream>
#include <iterator>
#include <limits>
#include <system_error>

#include "library/encode/gzip.h"
#include "library/encode/md5.h"
#include "library/files/paths.h"
#include "support/codepage.h"
#include "support/text.h"
#include "web/http_response.h"

namespace qv::web {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

bool ReadDigits(std::u16string_view s, int64_t& out) {
  if (s.empty() || s.size() > 18) return false;
  int64_t n = 0;
  for (char16_t c : s) {
    if (c < u'0' || c > u'9') return false;
    n = n * 10 + (c - u'0');
  }
  out = n;
  return true;
}

bool IsKey(std::u16string_view s) {
  if (s.size() != 16) return false;
  for (char16_t c : s)
    if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f'))) return false;
  return true;
}

// Text is converted in pieces of this many units, so that no stage of a
// large page is held whole in another form.
constexpr size_t kPiece = size_t{1} << 20;

// Calls f(piece) for the text in pieces of at most kPiece units, never
// between the two halves of a surrogate pair.
template <class F>
void ForEachPiece(std::u16string_view text, F&& f) {
  for (size_t pos = 0; pos < text.size();) {
    size_t n = std::min(kPiece, text.size() - pos);
    if (n > 1 && pos + n < text.size() && IsHighSurrogate(text[pos + n - 1])) --n;
    f(text.substr(pos, n));
    pos += n;
  }
}

// The plain bytes of an entry's file, handed to `sink` piece by piece: in
// the ANSI code page, unless that cannot hold the text: then UTF-8 after a
// byte-order mark, so a cache hit never returns other text than the
// download that made it.
template <class Sink>
void WritePlain(const CacheEntry& e, Sink&& sink) {
  std::u16string head = e.url + u"\r\n";
  head += TrimBlanks(e.requestHeaders);
  head += u"\r\n\r\n" + e.statusLine + u"\r\n" + e.rawHeaders + u"\r\n";
  const std::u16string_view parts[] = {head, e.text};
  bool utf8 = AnsiCodePage() == kCpUtf8;
  if (!utf8) {
    bool fits = true;
    for (auto part : parts)
      ForEachPiece(part,
                   [&](std::u16string_view piece) { fits = fits && DecodeAnsi(EncodeAnsi(piece)) == piece; });
    if (!fits) {
      sink(kBom);
      utf8 = true;
    }
  }
  for (auto part : parts)
    ForEachPiece(part, [&](std::u16string_view piece) { sink(utf8 ? ToUtf8(piece) : EncodeAnsi(piece)); });
}

// Takes a file's plain bytes apart. The line breaks are found in the bytes
// (CR and LF are never part of another character in the ANSI code pages or
// UTF-8), so each part is decoded on its own and the page's text only once.
std::optional<CacheEntry> ParsePlain(std::string_view bytes) {
  const bool bom = bytes.substr(0, kBom.size()) == kBom;
  if (bom) bytes.remove_prefix(kBom.size());
  auto text = [bom](std::string_view b) { return bom ? FromUtf8(b) : DecodeAnsi(b); };
  CacheEntry e;
  size_t p = bytes.find("\r\n");
  if (p == std::string_view::npos) return std::nullopt;
  e.url = text(bytes.substr(0, p));
  bytes.remove_prefix(p + 2);
  p = bytes.find("\r\n\r\n");
  if (p == std::string_view::npos) return std::nullopt;
  e.requestHeaders = text(bytes.substr(0, p));
  bytes.remove_prefix(p + 4);
  p = bytes.find("\r\n");
  if (p == std::string_view::npos) return std::nullopt;
  e.statusLine = text(bytes.substr(0, p));
  bytes.remove_prefix(p + 2);
  if (bytes.substr(0, 2) == "\r\n") {
    bytes.remove_prefix(2);
  } else {
    p = bytes.find("\r\n\r\n");
    if (p == std::string_view::npos) return std::nullopt;
    e.rawHeaders = text(bytes.substr(0, p + 2));
    bytes.remove_prefix(p + 4);
  }
  e.text = text(bytes);
  return e;
}

// A file's bytes (gzip or plain) taken apart, each stage freed before the
// next.
std::optional<CacheEntry> ParseFile(std::string bytes) {
  std::string plain;
  if (!library::GunzipBytes(bytes, plain)) return ParsePlain(bytes);
  std::string().swap(bytes);
  return ParsePlain(plain);
}

// Temporary files of WriteCacheEntry: the entry's name, this mark, the
// writer's process id, "-" and a counter.
constexpr std::u16string_view kTempMark = u".tmp";
// A temporary file this old is left over whoever wrote it (a reused
// process id, a writer on another machine sharing the folder).
constexpr auto kTempMaxAge = std::chrono::hours(1);

// The writer's process id when the name is a temporary file of an entry.
std::optional<int64_t> TempWriter(std::u16string_view fileName) {
  size_t mark = fileName.rfind(kTempMark);
  if (mark == std::u16string_view::npos || !ParseCacheName(fileName.substr(0, mark))) return std::nullopt;
  std::u16string_view rest = fileName.substr(mark + kTempMark.size());
  size_t dash = rest.find(u'-');
  int64_t pid = 0, counter = 0;
  if (dash == std::u16string_view::npos || !ReadDigits(rest.substr(0, dash), pid) ||
      !ReadDigits(rest.substr(dash + 1), counter) || pid <= 0 || pid > std::numeric_limits<pid_t>::max())
    return std::nullopt;
  return pid;
}

// A temporary file whose writer is gone: its process has ended (a write cut
// by a kill leaves it behind), or it has not changed for an hour.
bool AbandonedTemp(const fs::directory_entry& file, int64_t pid) {
  if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) return true;
  std::error_code ec;
  auto written = file.last_write_time(ec);
  return !ec && fs::file_time_type::clock::now() - written > kTempMaxAge;
}

}  // namespace

int64_t LocalStamp() {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  return static_cast<int64_t>(now) + tm.tm_gmtoff;
}

std::u16string CacheKey(std::u16string_view url, std::u16string_view charSet, std::u16string_view postPra) {
  std::u16string all(url);
  all += charSet;
  all += postPra;
  return library::Md5Text(all, 16);
}

std::optional<CacheName> ParseCacheName(std::u16string_view fileName) {
  size_t dot = fileName.rfind(u'.');
  if (dot == std::u16string_view::npos) return std::nullopt;
  std::u16string_view stem = fileName.substr(0, dot);
  size_t u1 = stem.find(u'_');
  if (u1 == std::u16string_view::npos) return std::nullopt;
  size_t u2 = stem.find(u'_', u1 + 1);
  if (u2 == std::u16string_view::npos) return std::nullopt;
  CacheName n;
  if (!ReadDigits(stem.substr(0, u1), n.stamp) || !ReadDigits(stem.substr(u1 + 1, u2 - u1 - 1), n.cacheTime))
    return std::nullopt;
  n.key = stem.substr(u2 + 1);
  if (!IsKey(n.key)) return std::nullopt;
  n.extension = fileName.substr(dot + 1);
  return n;
}

std::u16string CacheFileName(const CacheName& n) {
  return IntToText(n.stamp) + u"_" + IntToText(n.cacheTime) + u"_" + n.key + u"." + n.extension;
}

void PurgeCacheFolder(const fs::path& folder, int64_t now) {
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code sec;
    if (!it->is_regular_file(sec)) continue;
    std::u16string fileName = library::PathText(it->path().filename());
    auto name = ParseCacheName(fileName);
    if (!name) {
      if (auto writer = TempWriter(fileName); writer && AbandonedTemp(*it, *writer))
        fs::remove(it->path(), sec);
      continue;
    }
    if (name->cacheTime == 0 || now - name->stamp > name->cacheTime) fs::remove(it->path(), sec);
  }
}

std::optional<fs::path> FindCacheEntry(const fs::path& folder, std::u16string_view key,
                                       std::u16string_view extension) {
  std::optional<fs::path> best;
  int64_t bestStamp = -1;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    auto name = ParseCacheName(library::PathText(it->path().filename()));
    if (!name || name->key != key || name->extension != extension) continue;
    std::error_code sec;
    if (!it->is_regular_file(sec)) continue;
    if (name->stamp > bestStamp) {
      bestStamp = name->stamp;
      best = it->path();
    }
  }
  return best;
}

std::optional<CacheEntry> ParseCacheEntry(std::string_view fileBytes) {
  return ParseFile(std::string(fileBytes));
}

std::string SerializeCacheEntry(const CacheEntry& e) {
  std::string out;
  library::GzipWriter gz([&out](std::string_view bytes) { out += bytes; });
  WritePlain(e, [&gz](std::string_view bytes) { gz.Write(bytes); });
  gz.Finish();
  return out;
}

std::optional<CacheEntry> ReadCacheEntry(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return ParseFile(std::move(bytes));
}

bool WriteCacheEntry(const fs::path& file, const CacheEntry& entry) {
  static std::atomic<unsigned> counter{0};
  // The temporary name has not the entry form, so no look-up ever reads
  // it; a purge deletes it only once its writer is gone.
  fs::path tmp = file;
  tmp += library::FsPath(kTempMark);
  tmp += std::to_string(::getpid()) + "-" + std::to_string(counter++);
  {
    // Compressed as it is converted: the file never exists whole in memory.
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    library::GzipWriter gz([&out](std::string_view bytes) {
      out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    });
    WritePlain(entry, [&gz](std::string_view bytes) { gz.Write(bytes); });
    gz.Finish();
    if (!out.flush()) {
      out.close();
      std::error_code ec;
      fs::remove(tmp, ec);
      return false;
    }
  }
  std::error_code ec;
  fs::rename(tmp, file, ec);
  if (!ec) return true;
  fs::remove(tmp, ec);
  return false;
}

}  // namespace qv::web
