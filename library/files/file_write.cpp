#include "library/files/file_write.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <system_error>

#include "library/files/file_lock.h"
#include "library/files/paths.h"

namespace qv::library {

namespace {

namespace fs = std::filesystem;

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  // Closes now and reports whether the close succeeded (a late write error).
  bool Close() {
    int fd = fd_;
    fd_ = -1;
    return fd < 0 || ::close(fd) == 0;
  }

 private:
  int fd_;
};

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

// Opens for writing without waiting: a FIFO without a reader fails at once
// instead of blocking the script. Writes then block as usual.
int OpenForWriting(const fs::path& path, int flags) {
  int fd = ::open(path.c_str(), flags | O_WRONLY | O_CLOEXEC | O_NONBLOCK, 0666);
  if (fd >= 0) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

// Writes over the file in place: the way for a folder where no new file may
// be created but the file itself is writable.
bool OverwriteInPlace(const fs::path& path, std::string_view bytes) {
  Fd fd(OpenForWriting(path, O_TRUNC));
  return fd.get() >= 0 && WriteAll(fd.get(), bytes) && fd.Close();
}

}  // namespace

bool ReplaceFileContent(const fs::path& given, std::string_view bytes) {
  if (!IsUsablePath(given)) return false;
  std::error_code ec;
  fs::path path = given;
  if (fs::is_symlink(path, ec)) {
    fs::path target = fs::canonical(path, ec);
    if (!ec) path = target;
  }
  struct stat old {};
  bool existed = ::stat(path.c_str(), &old) == 0;
  if (existed && S_ISDIR(old.st_mode)) return false;

  std::string temp = (path.parent_path() / ("." + path.filename().string() + ".qvtmp.XXXXXX")).string();
  if (path.parent_path().empty()) temp = "." + path.filename().string() + ".qvtmp.XXXXXX";
  Fd fd(::mkstemp(temp.data()));
  if (fd.get() < 0) {
    if (existed && (errno == EACCES || errno == EPERM)) return OverwriteInPlace(path, bytes);
    return false;
  }
  mode_t mode = existed ? (old.st_mode & 07777) : [] {
    mode_t mask = ::umask(0);
    ::umask(mask);
    return static_cast<mode_t>(0666 & ~mask);
  }();
  bool ok = ::fchmod(fd.get(), mode) == 0 && WriteAll(fd.get(), bytes);
  ok = fd.Close() && ok;
  if (ok) ok = ::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

// A failed write (full disk, size limit) is undone by cutting the file back
// to its old length, so that no torn record stays at its end.
bool AppendFileContent(const fs::path& path, std::string_view bytes) {
  if (!IsUsablePath(path)) return false;
  Fd fd(OpenForWriting(path, O_APPEND | O_CREAT));
  struct stat st {};
  if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0) return false;
  if (!WriteAll(fd.get(), bytes)) {
    if (S_ISREG(st.st_mode)) (void)::ftruncate(fd.get(), st.st_size);
    return false;
  }
  return fd.Close();
}

bool WriteFileBytes(WriteMode mode, std::u16string_view name, std::string_view bytes) {
  if (!IsUsableName(name)) return false;
  fs::path path = ExpandName(InAppFolder(name, u""));
  if (!ForceFolder(path, true)) return false;
  return mode == WriteMode::Append ? AppendFileContent(path, bytes) : ReplaceFileContent(path, bytes);
}

bool SaveFileBytes(WriteMode mode, std::u16string_view name, std::string_view bytes) {
  std::lock_guard<std::mutex> lock(GlobalFileLock());
  return WriteFileBytes(mode, name, bytes);
}

}  // namespace qv::library
