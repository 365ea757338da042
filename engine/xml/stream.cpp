#include "engine/xml/stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "support/errors.h"
#include "support/size_limit.h"
#include "support/text.h"

namespace qv {

namespace {

[[noreturn]] void RaiseInvalidPosition() { throw ScriptError(u"Invalid stream position"); }

int64_t NewPosition(int64_t offset, SeekOrigin origin, int64_t current, int64_t size) {
  int64_t base = origin == SeekOrigin::Begin ? 0 : origin == SeekOrigin::Current ? current : size;
  if ((offset < 0 && base < -offset) || (offset > 0 && base > INT64_MAX - offset)) RaiseInvalidPosition();
  return base + offset;
}

}  // namespace

int64_t Stream::Size() {
  int64_t pos = Seek(0, SeekOrigin::Current);
  int64_t size = Seek(0, SeekOrigin::End);
  Seek(pos, SeekOrigin::Begin);
  return size;
}

void Stream::ReadBuffer(void* buffer, int64_t count) {
  if (count > 0 && Read(buffer, count) != count) throw ScriptError(u"Stream read error");
}

void Stream::WriteBuffer(const void* buffer, int64_t count) {
  if (count > 0 && Write(buffer, count) != count) throw ScriptError(u"Stream write error");
}

int64_t Stream::CopyFrom(Stream& source, int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  char buf[65536];
  int64_t done = 0;
  while (done < count) {
    int64_t n = std::min<int64_t>(sizeof buf, count - done);
    source.ReadBuffer(buf, n);
    WriteBuffer(buf, n);
    done += n;
  }
  return done;
}

// ---- FileStream

FileStream::FileStream(std::u16string_view fileName, FileMode mode, ShareMode /*share*/)
    : fileName_(fileName) {
  std::u16string path(fileName);
  std::replace(path.begin(), path.end(), u'\\', u'/');
  std::string native = ToUtf8(path);
  int flags = O_CLOEXEC;
  switch (mode) {
    case FileMode::Create:
      flags |= O_RDWR | O_CREAT | O_TRUNC;
      break;
    case FileMode::OpenRead:
      flags |= O_RDONLY;
      break;
    case FileMode::OpenWrite:
      flags |= O_WRONLY;
      break;
    case FileMode::OpenReadWrite:
      flags |= O_RDWR;
      break;
  }
  if (native.find('\0') == std::string::npos) fd_ = ::open(native.c_str(), flags, 0666);
  int err = fd_ < 0 ? (native.find('\0') == std::string::npos ? errno : ENOENT) : 0;
  if (fd_ >= 0) {
    struct stat st;
    if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
      ::close(fd_);
      fd_ = -1;
      err = EISDIR;
    }
  }
  if (fd_ < 0) {
    const char16_t* what = mode == FileMode::Create ? u"Cannot create file \"" : u"Cannot open file \"";
    throw ScriptError(what + fileName_ + u"\". " + FromUtf8(std::strerror(err)));
  }
}

FileStream::~FileStream() {
  if (fd_ >= 0) ::close(fd_);
}

int64_t FileStream::Read(void* buffer, int64_t count) {
  int64_t done = 0;
  char* p = static_cast<char*>(buffer);
  while (done < count) {
    ssize_t n = ::read(fd_, p + done, static_cast<size_t>(std::min<int64_t>(count - done, 1 << 30)));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  return done;
}

int64_t FileStream::Write(const void* buffer, int64_t count) {
  int64_t done = 0;
  const char* p = static_cast<const char*>(buffer);
  while (done < count) {
    ssize_t n = ::write(fd_, p + done, static_cast<size_t>(std::min<int64_t>(count - done, 1 << 30)));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  return done;
}

int64_t FileStream::Seek(int64_t offset, SeekOrigin origin) {
  int whence = origin == SeekOrigin::Begin ? SEEK_SET : origin == SeekOrigin::Current ? SEEK_CUR : SEEK_END;
  off_t r = ::lseek(fd_, static_cast<off_t>(offset), whence);
  if (r < 0) RaiseInvalidPosition();
  return r;
}

void FileStream::SetSize(int64_t size) {
  if (size < 0 || ::ftruncate(fd_, static_cast<off_t>(size)) != 0)
    throw ScriptError(u"Cannot set the size of file \"" + fileName_ + u"\"");
  if (Position() > size) Seek(size, SeekOrigin::Begin);
}

int64_t FileStream::Size() {
  struct stat st;
  if (::fstat(fd_, &st) != 0) return Stream::Size();
  return st.st_size;
}

// ---- MemoryStream

int64_t MemoryStream::Read(void* buffer, int64_t count) {
  int64_t size = Size();
  if (count <= 0 || pos_ >= size) return 0;
  int64_t n = std::min(count, size - pos_);
  std::memcpy(buffer, data_.data() + pos_, static_cast<size_t>(n));
  pos_ += n;
  return n;
}

int64_t MemoryStream::Write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  // Seek keeps the position below the cap; the end of the write must stay
  // there too.
  if (count > INT64_MAX - pos_) throw OutOfMemoryError();
  CheckSize(static_cast<uint64_t>(pos_ + count));
  if (pos_ > Size() - count) {
    size_t needed = static_cast<size_t>(pos_ + count);
    if (needed > data_.capacity()) data_.reserve(std::max(needed, data_.capacity() * 2));
    data_.resize(needed);
  }
  std::memcpy(data_.data() + pos_, buffer, static_cast<size_t>(count));
  pos_ += count;
  return count;
}

int64_t MemoryStream::Seek(int64_t offset, SeekOrigin origin) {
  const int64_t pos = NewPosition(offset, origin, pos_, Size());
  // A memory stream's data is capped like a byte string's.
  if (pos >= SizeLimit()) RaiseInvalidPosition();
  pos_ = pos;
  return pos_;
}

void MemoryStream::SetSize(int64_t size) {
  if (size < 0) RaiseInvalidPosition();
  CheckSize(static_cast<uint64_t>(size));
  data_.resize(static_cast<size_t>(size));
  if (pos_ > size) pos_ = size;
}

}  // namespace qv
