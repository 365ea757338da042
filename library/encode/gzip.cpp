#include "library/encode/gzip.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <stdexcept>

namespace qv::library {

namespace {

constexpr unsigned char kFlagHcrc = 0x02, kFlagExtra = 0x04, kFlagName = 0x08, kFlagComment = 0x10;
constexpr unsigned char kFlagReserved = 0xE0;

void PutLE32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

uint32_t GetLE32(std::string_view s, size_t pos) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(s[pos + i]);
  return v;
}

// zlib counts in uInt; feed huge buffers in slices.
constexpr size_t kSlice = size_t{1} << 30;

// The offset of the deflate data after a gzip header, or 0 when the header
// is invalid or truncated.
size_t SkipHeader(std::string_view in) {
  if (in.size() < 10) return 0;
  auto byte = [&](size_t i) { return static_cast<unsigned char>(in[i]); };
  if (byte(0) != 0x1F || byte(1) != 0x8B || byte(2) != 8) return 0;
  unsigned char flags = byte(3);
  if (flags & kFlagReserved) return 0;
  size_t pos = 10;
  if (flags & kFlagExtra) {
    if (pos + 2 > in.size()) return 0;
    pos += 2 + (byte(pos) | (size_t{byte(pos + 1)} << 8));
  }
  for (unsigned char zeroEnded : {kFlagName, kFlagComment}) {
    if (!(flags & zeroEnded)) continue;
    size_t end = pos < in.size() ? in.find('\0', pos) : std::string_view::npos;
    if (end == std::string_view::npos) return 0;
    pos = end + 1;
  }
  if (flags & kFlagHcrc) pos += 2;
  return pos <= in.size() ? pos : 0;
}

// One zlib stream; windowBits 15 reads the zlib wrapper, -15 raw deflate.
bool InflateStream(std::string_view in, std::string& out, size_t limit, int windowBits) {
  z_stream z{};
  if (inflateInit2(&z, windowBits) != Z_OK) return false;
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
  z.avail_in = static_cast<uInt>(in.size());
  out.clear();
  int rc = Z_OK;
  char buffer[64 * 1024];
  while (rc == Z_OK) {
    z.next_out = reinterpret_cast<Bytef*>(buffer);
    z.avail_out = sizeof buffer;
    rc = inflate(&z, Z_NO_FLUSH);
    size_t n = sizeof buffer - z.avail_out;
    if (out.size() + n > limit)
      rc = Z_MEM_ERROR;
    else
      out.append(buffer, n);
    if (rc == Z_BUF_ERROR && n == 0) break;  // the input ended early
    if (rc == Z_BUF_ERROR) rc = Z_OK;
  }
  inflateEnd(&z);
  return rc == Z_STREAM_END;
}

}  // namespace

struct GzipWriter::State {
  z_stream zs{};
  std::function<void(std::string_view)> sink;
  uLong crc = crc32(0, nullptr, 0);
  uint32_t length = 0;  // modulo 2^32, as the trailer keeps it
  std::string out = std::string(size_t{256} << 10, '\0');
  bool finished = false;
};

GzipWriter::GzipWriter(std::function<void(std::string_view)> sink) : state_(std::make_unique<State>()) {
  state_->sink = std::move(sink);
  if (deflateInit2(&state_->zs, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 9, Z_DEFAULT_STRATEGY) != Z_OK)
    throw std::runtime_error("gzip: cannot start compression");
  state_->sink(std::string_view("\x1F\x8B\x08\x00\x00\x00\x00\x00\x00\x00", 10));
}

GzipWriter::~GzipWriter() { deflateEnd(&state_->zs); }

void GzipWriter::Write(std::string_view bytes) {
  for (size_t pos = 0; pos < bytes.size(); pos += kSlice) {
    std::string_view slice = bytes.substr(pos, kSlice);
    state_->crc =
        crc32(state_->crc, reinterpret_cast<const Bytef*>(slice.data()), static_cast<uInt>(slice.size()));
    state_->length += static_cast<uint32_t>(slice.size());
    Deflate(slice, false);
  }
}

void GzipWriter::Finish() {
  if (state_->finished) return;
  state_->finished = true;
  Deflate({}, true);
  std::string trailer;
  PutLE32(trailer, static_cast<uint32_t>(state_->crc));
  PutLE32(trailer, state_->length);
  state_->sink(trailer);
}

void GzipWriter::Deflate(std::string_view bytes, bool last) {
  z_stream& zs = state_->zs;
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  zs.avail_in = static_cast<uInt>(bytes.size());
  for (;;) {
    zs.next_out = reinterpret_cast<Bytef*>(state_->out.data());
    zs.avail_out = static_cast<uInt>(state_->out.size());
    int rc = deflate(&zs, last ? Z_FINISH : Z_NO_FLUSH);
    if (rc == Z_STREAM_ERROR) throw std::runtime_error("gzip: compression failed");
    size_t produced = state_->out.size() - zs.avail_out;
    if (produced > 0) state_->sink(std::string_view(state_->out.data(), produced));
    if (last ? rc == Z_STREAM_END : zs.avail_in == 0 && zs.avail_out != 0) return;
  }
}

std::string GzipBytes(std::string_view in) {
  std::string out;
  // Web pages shrink to a fifth or less: room for a third, grown when needed.
  out.reserve(18 + in.size() / 3 + 4096);
  GzipWriter gz([&out](std::string_view bytes) { out += bytes; });
  gz.Write(in);
  gz.Finish();
  return out;
}

bool GunzipBytes(std::string_view in, std::string& out, size_t limit) {
  out.clear();
  size_t start = SkipHeader(in);
  if (start == 0) return false;
  z_stream zs{};
  if (inflateInit2(&zs, -MAX_WBITS) != Z_OK) return false;
  struct End {
    z_stream* zs;
    ~End() { inflateEnd(zs); }
  } end{&zs};
  size_t inPos = start;
  // The trailer's length field, when the member fills the input, is a good
  // first size; a cap of 256 times the packed size bounds what a false one
  // makes us allocate (bigger outputs grow by doubling). One byte more
  // leaves room to see the end without growing.
  size_t packed = in.size() - start;
  size_t guess = std::clamp<size_t>(packed * 4, 4096, size_t{64} << 20);
  if (in.size() >= 18)
    guess = std::max<size_t>(std::min<size_t>(GetLE32(in, in.size() - 4), packed * 256), 4096);
  out.resize(std::min(guess + 1, limit + 1));
  size_t outPos = 0;
  uLong crc = crc32(0, nullptr, 0);
  for (;;) {
    if (outPos == out.size()) {
      if (out.size() > limit) return false;  // a bomb: stop at the limit
      out.resize(std::min(out.size() * 2, limit + 1));
    }
    size_t inChunk = std::min(in.size() - inPos, kSlice);
    size_t outChunk = std::min(out.size() - outPos, kSlice);
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data() + inPos));
    zs.avail_in = static_cast<uInt>(inChunk);
    zs.next_out = reinterpret_cast<Bytef*>(out.data() + outPos);
    zs.avail_out = static_cast<uInt>(outChunk);
    int rc = inflate(&zs, Z_NO_FLUSH);
    size_t produced = outChunk - zs.avail_out;
    crc = crc32(crc, reinterpret_cast<const Bytef*>(out.data() + outPos), static_cast<uInt>(produced));
    inPos += inChunk - zs.avail_in;
    outPos += produced;
    if (rc == Z_STREAM_END) break;
    if (rc == Z_BUF_ERROR && zs.avail_out != 0 && inPos == in.size()) return false;  // input ended early
    if (rc != Z_OK && rc != Z_BUF_ERROR) return false;
    if (outPos > limit) return false;
  }
  if (outPos > limit) return false;
  if (inPos + 8 > in.size()) return false;
  if (GetLE32(in, inPos) != static_cast<uint32_t>(crc)) return false;
  if (GetLE32(in, inPos + 4) != static_cast<uint32_t>(outPos)) return false;
  out.resize(outPos);
  return true;
}

bool InflateBytes(std::string_view in, std::string& out, size_t limit) {
  // A zlib stream begins with a header whose 16-bit value is a multiple
  // of 31; anything else is taken as raw deflate.
  if (InflateStream(in, out, limit, 15)) return true;
  return InflateStream(in, out, limit, -15);
}

}  // namespace qv::library
