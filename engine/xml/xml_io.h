// The reader and the writer behind TfsXMLDocument. Internal to
// the XML model: everyone else loads and saves through the document.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/xml/xml.h"
#include "support/codepage.h"

namespace qv {

class Stream;

// Element names from the ANSI code page, decoded once per distinct name.
// Direct-mapped: a clash only costs a second decoding.
class XmlNameCache {
 public:
  explicit XmlNameCache(CodePage cp) : cp_(cp) {}
  const XmlName& Get(std::string_view bytes);

 private:
  struct Slot {
    std::string bytes;
    XmlName name;
    bool used = false;
  };
  CodePage cp_;
  std::array<Slot, 256> slots_;
  XmlName scratch_;
};

class TfsXMLReader {
 public:
  explicit TfsXMLReader(Stream& stream);
  // Leaves the stream just after the last byte consumed.
  ~TfsXMLReader();
  TfsXMLReader(const TfsXMLReader&) = delete;
  TfsXMLReader& operator=(const TfsXMLReader&) = delete;

  // The first tag must be the "<?xml ...?>" header.
  void ReadHeader();
  // Reads one element with all its children into `root`, in place.
  void ReadRootItem(TfsXMLItem* root);

 private:
  enum class TagKind { EndMarker, Leaf, Open };
  static constexpr size_t kBlockSize = 4096;

  bool Fill();
  bool ReadTag();
  void SkipComment();
  TagKind ReadInto(TfsXMLItem* item);
  void Adopt(TfsXMLItem* parent, size_t from, size_t to);
  [[noreturn]] void Raise();

  Stream& stream_;
  char buffer_[kBlockSize];
  size_t bufPos_ = 0;
  size_t bufEnd_ = 0;
  int64_t bufStart_ = 0;                              // stream position of buffer_[0]
  std::string tag_;                                   // content of the last tag, between "<" and ">"
  std::u16string_view lastName_;                      // name of the last tag read
  std::vector<std::unique_ptr<TfsXMLItem>> pending_;  // completed children of open elements
  XmlNameCache names_;
};

class TfsXMLWriter {
 public:
  TfsXMLWriter(Stream& stream, bool autoIndent);
  void WriteHeader();
  void WriteRootItem(const TfsXMLItem& root);
  // Writes what is left in the buffer.
  void Flush();

 private:
  static constexpr size_t kFlushSize = 4096;

  void StartTag(const TfsXMLItem& item, size_t depth);
  void EndTag(const TfsXMLItem& item, size_t depth);
  void Indent(size_t depth);
  void LineEnd();
  char* Room(size_t n);
  void Append(std::string_view bytes);
  void AppendName(const XmlName& name);
  void AppendLatin1(std::string_view text);
  void AppendUtf8(std::u16string_view text);
  void MaybeFlush() {
    if (size_ > kFlushSize) Flush();
  }

  Stream& stream_;
  bool autoIndent_;
  CodePage cp_;
  std::unique_ptr<char[]> buffer_;  // 8-bit text not yet written
  size_t size_ = 0;
  size_t capacity_ = 0;
  struct NameSlot {
    XmlName name;
    std::string bytes;
  };
  std::array<NameSlot, 64> names_;
};

}  // namespace qv
