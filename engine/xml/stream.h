// Byte streams: what the XML model reads and writes, and what the built-in
// classes TStream, TFileStream and TMemoryStream and the host
// wrap for scripts.
//
//   FileStream f(u"out.xml", FileMode::Create);
//   f.Write("abc", 3);
//   MemoryStream m("<?xml version=\"1.0\"?>");
//   m.Seek(0, SeekOrigin::End);   // -> 21
//
// Read and Write return the number of bytes moved (short at the end of the
// data, or on a device error); ReadBuffer and WriteBuffer raise when fewer
// bytes moved than asked. Sizes and positions are 64-bit.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qv {

enum class SeekOrigin { Begin, Current, End };

class Stream {
 public:
  virtual ~Stream() = default;
  Stream() = default;
  Stream(const Stream&) = delete;
  Stream& operator=(const Stream&) = delete;

  virtual int64_t Read(void* buffer, int64_t count) = 0;
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  // Returns the new position. Seeking before the start raises; seeking past
  // the end is allowed (a later write fills the gap with zero bytes).
  virtual int64_t Seek(int64_t offset, SeekOrigin origin) = 0;
  virtual void SetSize(int64_t size) = 0;
  virtual int64_t Size();

  int64_t Position() { return Seek(0, SeekOrigin::Current); }
  void SetPosition(int64_t pos) { Seek(pos, SeekOrigin::Begin); }

  // Raise "Stream read error" / "Stream write error" on a short transfer.
  void ReadBuffer(void* buffer, int64_t count);
  void WriteBuffer(const void* buffer, int64_t count);
  // Copies `count` bytes from `source`; with count 0, the whole of `source`
  // from its start (as TStream.CopyFrom). Returns the number copied.
  int64_t CopyFrom(Stream& source, int64_t count);
};

enum class FileMode { Create, OpenRead, OpenWrite, OpenReadWrite };

// Other processes' access. Linux has no mandatory share modes: they are
// accepted and ignored, so opening for reading while "denying writers" works
// even when someone else has the file open.
enum class ShareMode { Compat, Exclusive, DenyWrite, DenyRead, DenyNone };

class FileStream : public Stream {
 public:
  // Create makes the file or truncates it and opens it for reading and
  // writing; the others open an existing file. Failure raises a ScriptError
  // naming the file: "Cannot create file "x". reason" or
  // "Cannot open file "x". reason". A "\" in the name is read as "/".
  FileStream(std::u16string_view fileName, FileMode mode, ShareMode share = ShareMode::DenyNone);
  ~FileStream() override;

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, SeekOrigin origin) override;
  void SetSize(int64_t size) override;
  int64_t Size() override;

  const std::u16string& FileName() const { return fileName_; }

 private:
  std::u16string fileName_;
  int fd_ = -1;
};

class MemoryStream : public Stream {
 public:
  MemoryStream() = default;
  explicit MemoryStream(std::string data) : data_(std::move(data)) {}

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, SeekOrigin origin) override;
  void SetSize(int64_t size) override;
  int64_t Size() override { return static_cast<int64_t>(data_.size()); }

  const std::string& Data() const { return data_; }
  void Clear() {
    data_.clear();
    pos_ = 0;
  }

 private:
  std::string data_;
  int64_t pos_ = 0;
};

}  // namespace qv
