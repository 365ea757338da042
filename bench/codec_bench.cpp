// Times one library operation on a file, the way the script functions run
// it (file in, result out), for the side-by-side run in
// codecs_vs_coreutils.sh.
//
//   codec_bench md5 FILE              md5file
//   codec_bench b64enc|b64dec IN OUT  base64encodefile-style: read, code, write
//   codec_bench gzip|gunzip IN OUT    gzencode / gzdecode of the file's bytes
//   codec_bench readfile FILE         readfile: bytes to text (byte-order-mark rule)
//   codec_bench savefile IN OUT       savefile: text to ANSI bytes, safe replace
// Prints the CPU milliseconds (user and system) of the best of three runs:
// on a shared machine wall time says more about the neighbours than about
// the code.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "library/encode/base64.h"
#include "library/encode/gzip.h"
#include "library/encode/md5.h"
#include "library/files/file_read.h"
#include "library/files/file_write.h"
#include "support/codepage.h"
#include "support/memory_policy.h"

namespace {

double CpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}
using namespace qv::library;

std::string Read(const char* path) {
  std::string bytes;
  if (!ReadFileBytes(path, bytes)) {
    std::fprintf(stderr, "cannot read %s\n", path);
    std::exit(1);
  }
  return bytes;
}

void Write(const char* path, const std::string& bytes) {
  if (!ReplaceFileContent(path, bytes)) {
    std::fprintf(stderr, "cannot write %s\n", path);
    std::exit(1);
  }
}

bool RunOnce(const std::string& op, const char* in, const char* out) {
  if (op == "md5") return !Md5File(in).empty();
  if (op == "b64enc") return Write(out, Base64Encode(Read(in))), true;
  if (op == "b64dec") return Write(out, Base64Decode(Read(in))), true;
  if (op == "gzip") return Write(out, GzipBytes(Read(in))), true;
  if (op == "gunzip") {
    std::string plain;
    if (!GunzipBytes(Read(in), plain)) return false;
    Write(out, plain);
    return true;
  }
  if (op == "readfile") return !qv::DecodeTextBytes(Read(in)).empty();
  if (op == "savefile") {
    static const std::u16string text = qv::DecodeTextBytes(Read(in));  // read once, outside the timing
    return Write(out, qv::EncodeAnsi(text)), true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  qv::ApplyMemoryPolicy();
  if (argc < 3) {
    std::fprintf(stderr, "usage: codec_bench OP IN [OUT]\n");
    return 64;
  }
  std::string op = argv[1];
  const char* out = argc > 3 ? argv[3] : "/dev/null";
  if (op == "savefile") RunOnce(op, argv[2], out);  // warms the text outside the timing
  double best = 1e18;
  for (int i = 0; i < 3; ++i) {
    double start = CpuMs();
    if (!RunOnce(op, argv[2], out)) {
      std::fprintf(stderr, "%s failed\n", op.c_str());
      return 1;
    }
    best = std::min(best, CpuMs() - start);
  }
  std::printf("%.0f\n", best);
  return 0;
}
