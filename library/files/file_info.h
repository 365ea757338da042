// What the file functions tell about names on disk: sizes, times, name
// parts, and the Unix-time rule of the time functions.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qv::library {

// Seconds of local wall-clock time counted as if it were UTC, from a
// date-time value (days since 1899-12-30), rounded half to even.
int64_t UnixTime(double dateTime);

// Local wall-clock time now, counted as UTC seconds.
int64_t LocalNowSeconds();

// The first entry that matches the name (wildcards allowed in its last part).
struct EntryInfo {
  uint64_t size = 0;
  bool isDir = false;
  int64_t created = 0, written = 0, accessed = 0;  // Unix seconds
};
std::optional<EntryInfo> FindEntry(std::u16string_view name);

// Local wall-clock seconds at 2-second resolution, as the file functions
// report times.
int64_t LocalFileSeconds(int64_t unixSeconds);

// Name parts: "/" and "\" both separate.
std::u16string FileDir(std::u16string_view name);   // up to and including the last "/"
std::u16string FileExt(std::u16string_view name);   // of the expanded name, dot included
std::u16string FileName(std::u16string_view name);  // last part of the expanded name

std::u16string RemoveFileNameChars(std::u16string_view name);

}  // namespace qv::library
