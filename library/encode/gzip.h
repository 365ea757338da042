// One gzip member in memory (zlib's deflate and inflate).
//
//   std::string gz = GzipBytes("hello");   // 1F 8B 08 00, time 0, XFL 0, OS 0
//   std::string back;
//   bool ok = GunzipBytes(gz, back);       // ok, back == "hello"
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qv::library {

// Decompressed output larger than this is treated as damaged data, so that a
// decompression bomb from the web cannot exhaust memory.
inline constexpr size_t kGunzipLimit = size_t{1} << 30;

// The header 1F 8B 08, flags 0, modification time 0, extra flags 0,
// operating system 0; raw deflate at the default level (memory level 9);
// the CRC-32 and length of the input.
std::string GzipBytes(std::string_view bytes);

// The content of the first gzip member of `in` (later bytes are ignored).
// False on anything but a complete, valid member: wrong magic or method,
// reserved flags, a truncated header or stream, a CRC or length mismatch,
// or more than `limit` bytes of output; `out` is then unspecified.
bool GunzipBytes(std::string_view in, std::string& out, size_t limit = kGunzipLimit);

}  // namespace qv::library
