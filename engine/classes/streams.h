// TStream, TFileStream and TMemoryStream: the script-visible streams, on top
// of the engine's byte streams (engine/stream.h).
//
//   TFileStream f(u"/tmp/a.txt", fmCreate);
//   f.Write("hello", 5);                 // 5
//   f.Seek(0, soFromBeginning);
//   std::string buf;
//   f.Read(buf, 100);                    // 5, buf == "hello"
//
// Buffers are byte strings, one byte per character; counts are clamped to
// what the buffer holds, so no call reads or writes outside it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "engine/classes/object.h"
#include "engine/xml/stream.h"

namespace qv {

// File modes, combined by addition: one access mode plus one share mode, or
// fmCreate (plus a share mode).
inline constexpr int32_t fmCreate = 65280;
inline constexpr int32_t fmOpenRead = 0;
inline constexpr int32_t fmOpenWrite = 1;
inline constexpr int32_t fmOpenReadWrite = 2;
inline constexpr int32_t fmShareCompat = 0;
inline constexpr int32_t fmShareExclusive = 16;
inline constexpr int32_t fmShareDenyWrite = 32;
inline constexpr int32_t fmShareDenyRead = 48;
inline constexpr int32_t fmShareDenyNone = 64;

// Seek origins.
inline constexpr int32_t soFromBeginning = 0;
inline constexpr int32_t soFromCurrent = 1;
inline constexpr int32_t soFromEnd = 2;

class TStream : public TObject {
 public:
  static const HostClass& StaticClass();
  const HostClass& Class() const override { return StaticClass(); }

  // The stream underneath. A bare TStream has none: every operation raises
  // "Abstract error".
  virtual Stream& Impl();

  // Reads up to `count` bytes into `buffer` (resized to what was read).
  int64_t Read(std::string& buffer, int64_t count);
  // Writes the first `count` bytes of `buffer` (at most all of it).
  int64_t Write(std::string_view buffer, int64_t count);
  int64_t Seek(int64_t offset, int32_t origin);
  // Copies `count` bytes from `source`; 0 copies all of it from its start.
  int64_t CopyFrom(TStream& source, int64_t count);

  int64_t Position() { return Impl().Position(); }
  void SetPosition(int64_t position) { Impl().SetPosition(position); }
  int64_t Size() { return Impl().Size(); }
};

class TFileStream : public TStream {
 public:
  // Not yet open: every operation raises until Open.
  TFileStream() = default;
  TFileStream(std::u16string_view fileName, int32_t mode) { Open(fileName, mode); }

  static const HostClass& StaticClass();
  const HostClass& Class() const override { return StaticClass(); }
  // Opens or creates `fileName` with `mode` (the fm... constants added);
  // replaces a file opened before.
  void Open(std::u16string_view fileName, int32_t mode);
  Stream& Impl() override { return file_ ? *file_ : TStream::Impl(); }
  std::u16string FileName() const { return file_ ? file_->FileName() : std::u16string(); }

 private:
  std::unique_ptr<FileStream> file_;
};

class TMemoryStream : public TStream {
 public:
  static const HostClass& StaticClass();
  const HostClass& Class() const override { return StaticClass(); }
  Stream& Impl() override { return memory_; }

  const std::string& Data() const { return memory_.Data(); }
  void Clear() { memory_.Clear(); }
  // Replace the content by all of `source` (read from its start) or of the
  // file; the position stays, moved back to the end if it lay beyond it.
  void LoadFromStream(Stream& source);
  void LoadFromFile(std::u16string_view fileName);
  // Write the whole content at the target's position, or into a new file.
  void SaveToStream(Stream& target);
  void SaveToFile(std::u16string_view fileName);

 private:
  void Replace(std::string data);

  MemoryStream memory_;
};

// Splits a mode value into the file stream's access and share modes; raises
// "Invalid file mode" for access 3 or unknown share bits.
void DecodeFileMode(int32_t mode, FileMode& access, ShareMode& share);

}  // namespace qv
