#include "engine/classes/streams.h"

#include <algorithm>

#include "engine/classes/text_file.h"
#include "engine/run/run_messages.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv {

namespace {

class StreamError : public ScriptError {
 public:
  explicit StreamError(std::u16string message) : ScriptError(std::move(message), u"EStreamError") {}
};

// Stands for the missing stream of a bare TStream: every call raises.
class AbstractStream : public Stream {
 public:
  int64_t Read(void*, int64_t) override { Fail(); }
  int64_t Write(const void*, int64_t) override { Fail(); }
  int64_t Seek(int64_t, SeekOrigin) override { Fail(); }
  void SetSize(int64_t) override { Fail(); }
  int64_t Size() override { Fail(); }

 private:
  [[noreturn]] static void Fail() { throw ScriptError(run_msg::kAbstract, u"EAbstractError"); }
};

}  // namespace

const HostClass& TStream::StaticClass() {
  static const HostClass cls = MakeHostClass<TStream>(u"TStream", &TObject::StaticClass());
  return cls;
}

const HostClass& TFileStream::StaticClass() {
  static const HostClass cls = MakeHostClass<TFileStream>(u"TFileStream", &TStream::StaticClass());
  return cls;
}

const HostClass& TMemoryStream::StaticClass() {
  static const HostClass cls = MakeHostClass<TMemoryStream>(u"TMemoryStream", &TStream::StaticClass());
  return cls;
}

Stream& TStream::Impl() {
  static AbstractStream none;
  return none;
}

int64_t TStream::Read(std::string& buffer, int64_t count) {
  buffer.clear();
  // Grows the buffer as data arrives, so a huge count costs nothing up front.
  char chunk[65536];
  while (count > 0) {
    int64_t want = std::min<int64_t>(count, sizeof chunk);
    int64_t got = Impl().Read(chunk, want);
    if (got <= 0) break;
    buffer.append(chunk, static_cast<size_t>(got));
    count -= got;
    if (got < want) break;
  }
  return static_cast<int64_t>(buffer.size());
}

int64_t TStream::Write(std::string_view buffer, int64_t count) {
  count = std::clamp<int64_t>(count, 0, static_cast<int64_t>(buffer.size()));
  if (count == 0) return 0;
  return Impl().Write(buffer.data(), count);
}

int64_t TStream::Seek(int64_t offset, int32_t origin) {
  switch (origin) {
    case soFromBeginning:
      return Impl().Seek(offset, SeekOrigin::Begin);
    case soFromCurrent:
      return Impl().Seek(offset, SeekOrigin::Current);
    case soFromEnd:
      return Impl().Seek(offset, SeekOrigin::End);
  }
  throw StreamError(run_msg::kSeekOrigin + IntToText(origin) + u")");
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
  if (count < 0) throw StreamError(run_msg::kStreamRead);
  if (&source != this) return Impl().CopyFrom(source.Impl(), count);
  // Copying a stream into itself: read first, then write.
  if (count == 0) source.Impl().SetPosition(0);
  std::string bytes = count == 0 ? ReadRestOfStream(source.Impl()) : std::string();
  if (count > 0) {
    source.Read(bytes, count);
    if (static_cast<int64_t>(bytes.size()) < count) throw StreamError(run_msg::kStreamRead);
  }
  Impl().WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  return static_cast<int64_t>(bytes.size());
}

void DecodeFileMode(int32_t mode, FileMode& access, ShareMode& share) {
  mode &= 0xFFFF;
  switch (mode & 0xF0) {
    case fmShareCompat:
      share = ShareMode::Compat;
      break;
    case fmShareExclusive:
      share = ShareMode::Exclusive;
      break;
    case fmShareDenyWrite:
      share = ShareMode::DenyWrite;
      break;
    case fmShareDenyRead:
      share = ShareMode::DenyRead;
      break;
    case fmShareDenyNone:
      share = ShareMode::DenyNone;
      break;
    default:
      throw StreamError(run_msg::kFileMode + IntToText(mode) + u")");
  }
  if ((mode & fmCreate) == fmCreate) {
    access = FileMode::Create;
    return;
  }
  switch (mode & 3) {
    case fmOpenRead:
      access = FileMode::OpenRead;
      return;
    case fmOpenWrite:
      access = FileMode::OpenWrite;
      return;
    case fmOpenReadWrite:
      access = FileMode::OpenReadWrite;
      return;
  }
  throw StreamError(run_msg::kFileMode + IntToText(mode) + u")");
}

void TFileStream::Open(std::u16string_view fileName, int32_t mode) {
  FileMode access;
  ShareMode share;
  DecodeFileMode(mode, access, share);
  file_ = std::make_unique<FileStream>(fileName, access, share);
}

void TMemoryStream::Replace(std::string data) {
  int64_t position = memory_.Position();
  memory_.SetSize(0);
  memory_.SetPosition(0);
  if (!data.empty()) memory_.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
  memory_.SetPosition(std::min<int64_t>(position, memory_.Size()));
}

void TMemoryStream::LoadFromStream(Stream& source) {
  source.SetPosition(0);
  Replace(ReadRestOfStream(source));
}

void TMemoryStream::LoadFromFile(std::u16string_view fileName) {
  FileStream file(fileName, FileMode::OpenRead, ShareMode::DenyWrite);
  Replace(ReadRestOfStream(file));
}

void TMemoryStream::SaveToStream(Stream& target) {
  if (&target == &memory_) {
    // Writing a stream into itself: take a copy of what is to be written.
    std::string copy = memory_.Data();
    target.WriteBuffer(copy.data(), static_cast<int64_t>(copy.size()));
    return;
  }
  const std::string& data = memory_.Data();
  if (!data.empty()) target.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
}

void TMemoryStream::SaveToFile(std::u16string_view fileName) {
  FileStream file(fileName, FileMode::Create);
  SaveToStream(file);
}

}  // namespace qv
