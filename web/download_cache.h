// The download cache: one file per cached response, named
//   <folder><stamp>_<cache time>_<key>.<extension>
// where the stamp is the local time in seconds since 1970 when it was
// written, the cache time the seconds it stays valid, and the key the first
// 16 hexadecimal digits of the MD5 of address, character set and post data.
// The file is gzip-compressed (a plain file is read as well) and holds, in
// the ANSI code page:
//   address CR LF, request header lines CR LF CR LF,
//   status line CR LF, response header lines (each CR LF) CR LF, page text.
// Only files whose names have that form are ever read or deleted, and the
// temporary files of writes that never ended (the entry name, ".tmp", the
// writer's process id, "-", a counter), so a cache folder that holds other
// files loses none of them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace qv::web {

struct CacheEntry {
  std::u16string url;
  std::u16string requestHeaders;  // the custom request header lines, trimmed
  std::u16string statusLine;
  std::u16string rawHeaders;  // each line ending in CR LF
  std::u16string text;
};

struct CacheName {
  int64_t stamp = 0;
  int64_t cacheTime = 0;
  std::u16string key;
  std::u16string extension;
};

// The current local time in seconds since 1970-01-01 00:00.
int64_t LocalStamp();

std::u16string CacheKey(std::u16string_view url, std::u16string_view charSet, std::u16string_view postPra);

// The parts of a cache file name; empty when the name has not that form.
std::optional<CacheName> ParseCacheName(std::u16string_view fileName);
std::u16string CacheFileName(const CacheName& name);

// Deletes the entries of `folder` whose cache time (their own, from their
// name) has passed, and those with a cache time of 0; and temporary files
// whose writer has ended or that have not changed for an hour.
void PurgeCacheFolder(const std::filesystem::path& folder, int64_t now);

// The newest entry of `folder` with that key and extension.
std::optional<std::filesystem::path> FindCacheEntry(const std::filesystem::path& folder,
                                                    std::u16string_view key, std::u16string_view extension);

// Takes a cache file apart; empty when it is damaged.
std::optional<CacheEntry> ParseCacheEntry(std::string_view fileBytes);
std::string SerializeCacheEntry(const CacheEntry& entry);

// Reads or writes one entry; a write goes to a temporary file that is
// renamed into place, so no reader ever sees half an entry. Errors give
// false or no entry.
std::optional<CacheEntry> ReadCacheEntry(const std::filesystem::path& file);
bool WriteCacheEntry(const std::filesystem::path& file, const CacheEntry& entry);

}  // namespace qv::web
