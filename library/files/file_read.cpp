#include "library/files/file_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "library/files/paths.h"
#include "support/codepage.h"
#include "support/errors.h"

namespace qv::library {

namespace {

constexpr size_t kDeviceLimit = size_t{1} << 30;

bool ReadUpTo(const std::filesystem::path& path, size_t limit, std::string& out) {
  out.clear();
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat st {};
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) return false;
  // One byte beyond the size lets the read that finds the end land in room
  // already there, instead of growing the buffer just to see it.
  size_t expected = S_ISREG(st.st_mode) ? static_cast<size_t>(st.st_size) : 0;
  out.resize(std::min(std::max<size_t>(expected + 1, 4096), limit));
  // A device or pipe may never end: past 1 GiB it counts as unreadable.
  bool endless = !S_ISREG(st.st_mode) && limit > kDeviceLimit;
  if (endless) limit = kDeviceLimit;
  size_t have = 0;
  for (;;) {
    if (have == out.size()) {
      if (have >= limit) {
        if (endless) return false;
        break;
      }
      out.resize(std::min(out.size() * 2, limit));
    }
    ssize_t n = ::read(fd, out.data() + have, out.size() - have);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) break;
    have += static_cast<size_t>(n);
  }
  out.resize(have);
  return true;
}

}  // namespace

bool ReadFileBytes(const std::filesystem::path& path, std::string& out) {
  return ReadUpTo(path, out.max_size(), out);
}

bool ReadFileHead(const std::filesystem::path& path, size_t count, std::string& out) {
  return ReadUpTo(path, count, out);
}

std::u16string ReadTextFile(const std::filesystem::path& path) {
  std::string bytes;
  if (!ReadFileBytes(path, bytes)) throw ScriptError(u"Cannot open file \"" + PathText(path) + u"\"");
  return DecodeTextBytes(bytes);
}

}  // namespace qv::library
