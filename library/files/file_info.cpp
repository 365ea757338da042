#include "library/files/file_info.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cmath>
#include <ctime>
#include <filesystem>

#include "library/files/folder_list.h"
#include "library/files/paths.h"
#include "support/text.h"

namespace qv::library {

namespace fs = std::filesystem;

int64_t UnixTime(double dateTime) {
  return static_cast<int64_t>(std::nearbyint((dateTime - 25569.0) * 86400.0));
}

int64_t LocalNowSeconds() {
  timespec ts{};
  ::clock_gettime(CLOCK_REALTIME, &ts);
  tm local{};
  ::localtime_r(&ts.tv_sec, &local);
  // Half a second rounds to the even second, as the date-time rule does.
  int64_t seconds = static_cast<int64_t>(ts.tv_sec) + local.tm_gmtoff;
  if (ts.tv_nsec > 500000000 || (ts.tv_nsec == 500000000 && (seconds & 1))) ++seconds;
  return seconds;
}

int64_t LocalFileSeconds(int64_t unixSeconds) {
  time_t t = static_cast<time_t>(unixSeconds);
  tm local{};
  ::localtime_r(&t, &local);
  int64_t seconds = unixSeconds + local.tm_gmtoff;
  return seconds - (((seconds % 2) + 2) % 2);  // the 2-second steps of FAT times
}

namespace {

std::optional<EntryInfo> Stat(const fs::path& path) {
  struct statx sx {};
  if (::statx(AT_FDCWD, path.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0) return std::nullopt;
  EntryInfo info;
  info.isDir = S_ISDIR(sx.stx_mode);
  info.size = info.isDir ? 0 : sx.stx_size;
  info.written = sx.stx_mtime.tv_sec;
  info.accessed = sx.stx_atime.tv_sec;
  // Without a birth time the last status change is the nearest thing.
  info.created = (sx.stx_mask & STATX_BTIME) ? sx.stx_btime.tv_sec : sx.stx_ctime.tv_sec;
  return info;
}

bool HasWildcard(std::u16string_view s) { return s.find_first_of(u"*?") != std::u16string_view::npos; }

}  // namespace

std::optional<EntryInfo> FindEntry(std::u16string_view name) {
  if (!IsUsableName(name)) return std::nullopt;
  fs::path path = ExpandName(name);
  std::u16string last = PathText(path.filename());
  if (!HasWildcard(last)) return Stat(path);
  std::error_code ec;
  std::optional<EntryInfo> first;
  std::u16string firstName;
  for (fs::directory_iterator it(path.parent_path(), ec), end; !ec && it != end; it.increment(ec)) {
    std::u16string entry = PathText(it->path().filename());
    if (!WildcardMatch(last, entry) || (first && entry >= firstName)) continue;
    if (auto info = Stat(it->path())) {
      first = info;
      firstName = entry;
    }
  }
  return first;
}

std::u16string FileDir(std::u16string_view name) {
  std::u16string s(name);
  for (char16_t& c : s)
    if (c == u'\\') c = u'/';
  size_t slash = s.rfind(u'/');
  return slash == std::u16string::npos ? std::u16string() : s.substr(0, slash + 1);
}

std::u16string FileName(std::u16string_view name) {
  if (name.empty()) return {};
  std::u16string full = PathText(ExpandName(name));
  size_t slash = full.rfind(u'/');
  return slash == std::u16string::npos ? full : full.substr(slash + 1);
}

std::u16string FileExt(std::u16string_view name) {
  std::u16string last = FileName(name);
  size_t dot = last.rfind(u'.');
  return dot == std::u16string::npos ? std::u16string() : last.substr(dot);
}

std::u16string RemoveFileNameChars(std::u16string_view name) {
  static constexpr std::u16string_view kRemoved = u"\u3000\r\n\\/:*?\"|<>";
  std::u16string out;
  out.reserve(name.size());
  for (char16_t c : name)
    if (kRemoved.find(c) == std::u16string_view::npos) out += c;
  return out;
}

}  // namespace qv::library
