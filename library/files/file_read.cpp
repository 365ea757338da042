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

bool ReadUpTo(const std::filesystem::path& path, size_t limit, std::string& out) {
  out.clear();
  int fd = OpenRegularFile(path);
  if (fd < 0) return false;
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat st {};
  if (::fstat(fd, &st) != 0) return false;
  // One byte beyond the size lets the read that finds the end land in room
  // already there, instead of growing the buffer just to see it.
  size_t expected = static_cast<size_t>(st.st_size);
  out.resize(std::min(std::max<size_t>(expected + 1, 4096), limit));
  size_t have = 0;
  for (;;) {
    if (have == out.size()) {
      if (have >= limit) break;
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

int OpenRegularFile(const std::filesystem::path& path) {
  if (!IsUsablePath(path)) return -1;
  // Non-blocking, so that opening a FIFO returns instead of waiting for a
  // writer; reads of a regular file are not affected by the flag.
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return -1;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return -1;
  }
  return fd;
}

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
