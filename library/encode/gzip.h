// One gzip member in memory (zlib's deflate and inflate).
//
//   std::string gz = GzipBytes("hello");   // 1F 8B 08 00, time 0, XFL 0, OS 0
//   std::string back;
//   bool ok = GunzipBytes(gz, back);       // ok, back == "hello"
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
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

// The same member written piece by piece, for data too large to hold whole
// next to its compressed form: `sink` receives the compressed bytes as they
// come. The pieces joined give exactly GzipBytes of their concatenation.
//
//   GzipWriter gz([&](std::string_view bytes) { file.write(bytes.data(), bytes.size()); });
//   gz.Write(head);
//   gz.Write(body);
//   gz.Finish();
class GzipWriter {
 public:
  explicit GzipWriter(std::function<void(std::string_view)> sink);
  ~GzipWriter();
  GzipWriter(const GzipWriter&) = delete;
  GzipWriter& operator=(const GzipWriter&) = delete;
  void Write(std::string_view bytes);
  // Ends the stream with the CRC-32 and length; nothing may follow.
  void Finish();

 private:
  struct State;
  void Deflate(std::string_view bytes, bool last);
  std::unique_ptr<State> state_;
};

// The content of the first gzip member of `in` (later bytes are ignored).
// False on anything but a complete, valid member: wrong magic or method,
// reserved flags, a truncated header or stream, a CRC or length mismatch,
// or more than `limit` bytes of output; `out` is then unspecified.
bool GunzipBytes(std::string_view in, std::string& out, size_t limit = kGunzipLimit);

// The content of an HTTP "deflate" body: a zlib-wrapped stream, or raw
// deflate as some servers send it. False on a damaged or cut stream or more
// than `limit` bytes of output.
bool InflateBytes(std::string_view in, std::string& out, size_t limit = kGunzipLimit);

}  // namespace qv::library
