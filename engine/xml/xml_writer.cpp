// The XML writer. Elements are written from an explicit stack,
// into an 8-bit buffer that goes to the stream whenever it passes 4096
// bytes and once at the end.
#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/xml/stream.h"
#include "engine/xml/xml_io.h"
#include "support/text.h"

namespace qv {

TfsXMLWriter::TfsXMLWriter(Stream& stream, bool autoIndent)
    : stream_(stream), autoIndent_(autoIndent), cp_(AnsiCodePage()) {}

void TfsXMLWriter::Flush() {
  if (size_ == 0) return;
  stream_.WriteBuffer(buffer_.get(), static_cast<int64_t>(size_));
  size_ = 0;
}

// Room for `n` more bytes; returns where they go.
char* TfsXMLWriter::Room(size_t n) {
  if (size_ + n > capacity_) {
    size_t capacity = std::max(2 * capacity_, size_ + n + 2 * kFlushSize);
    auto bigger = std::make_unique<char[]>(capacity);
    if (size_) std::memcpy(bigger.get(), buffer_.get(), size_);
    buffer_ = std::move(bigger);
    capacity_ = capacity;
  }
  return buffer_.get() + size_;
}

void TfsXMLWriter::Append(std::string_view bytes) {
  std::memcpy(Room(bytes.size()), bytes.data(), bytes.size());
  size_ += bytes.size();
}

void TfsXMLWriter::LineEnd() {
  if (autoIndent_) Append("\r\n");
}

void TfsXMLWriter::Indent(size_t depth) {
  if (!autoIndent_) return;
  std::memset(Room(2 * depth), ' ', 2 * depth);
  size_ += 2 * depth;
}

void TfsXMLWriter::WriteHeader() {
  Append("<?xml version=\"1.0\"?>");
  LineEnd();
}

// Names in the system code page, encoded once per distinct shared name.
void TfsXMLWriter::AppendName(const XmlName& name) {
  std::u16string_view v = name.View();
  uintptr_t key = reinterpret_cast<uintptr_t>(v.data());
  NameSlot& slot = names_[(key >> 4) % names_.size()];
  if (!slot.name.SharesRep(name)) {
    slot.name = name;
    bool ascii = true;
    for (char16_t c : v) ascii = ascii && c < 0x80;
    slot.bytes = ascii ? std::string(v.begin(), v.end()) : EncodeText(v, cp_);
  }
  Append(slot.bytes);
}

// Latin-1 to UTF-8.
void TfsXMLWriter::AppendLatin1(std::string_view text) {
  char* out = Room(2 * text.size());
  for (char b : text) {
    unsigned char c = static_cast<unsigned char>(b);
    if (c < 0x80) {
      *out++ = static_cast<char>(c);
    } else {
      *out++ = static_cast<char>(0xC0 | (c >> 6));
      *out++ = static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  size_ = static_cast<size_t>(out - buffer_.get());
}

// UTF-16 to UTF-8; a lone surrogate becomes U+FFFD.
void TfsXMLWriter::AppendUtf8(std::u16string_view text) {
  char* out = Room(3 * text.size());  // no unit takes more than three bytes
  for (size_t i = 0; i < text.size();) {
    char32_t c = text[i];
    if (c < 0x80) {
      *out++ = static_cast<char>(c);
      ++i;
      continue;
    }
    c = NextCodePoint(text, i);
    if (IsSurrogate(c)) c = 0xFFFD;
    if (c < 0x800) {
      *out++ = static_cast<char>(0xC0 | (c >> 6));
    } else if (c < 0x10000) {
      *out++ = static_cast<char>(0xE0 | (c >> 12));
      *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    } else {
      *out++ = static_cast<char>(0xF0 | (c >> 18));
      *out++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    }
    *out++ = static_cast<char>(0x80 | (c & 0x3F));
  }
  size_ = static_cast<size_t>(out - buffer_.get());
}

// "<" + name, the attribute text after one space (unless it starts with
// one), then ">" or, without children, "/>".
void TfsXMLWriter::StartTag(const TfsXMLItem& item, size_t depth) {
  Indent(depth);
  Append("<");
  AppendName(item.SharedName());
  const XmlText& text = item.RawText();
  if (!text.Empty()) {
    if (text.At(0) != u' ') Append(" ");
    if (text.IsNarrow()) {
      AppendLatin1(text.NarrowView());
    } else {
      AppendUtf8(text.WideView());
    }
  }
  Append(item.Count() > 0 ? ">" : "/>");
  LineEnd();
  MaybeFlush();
}

void TfsXMLWriter::EndTag(const TfsXMLItem& item, size_t depth) {
  Indent(depth);
  Append("</");
  AppendName(item.SharedName());
  Append(">");
  LineEnd();
  MaybeFlush();
}

void TfsXMLWriter::WriteRootItem(const TfsXMLItem& root) {
  StartTag(root, 0);
  if (root.Count() == 0) return;
  struct Frame {
    const TfsXMLItem* item;
    size_t next;  // index of the next child to write
  };
  std::vector<Frame> open{{&root, 0}};
  while (!open.empty()) {
    Frame& top = open.back();
    if (top.next == static_cast<size_t>(top.item->Count())) {
      const TfsXMLItem* done = top.item;
      open.pop_back();
      EndTag(*done, open.size());
      continue;
    }
    const TfsXMLItem& child = *top.item->Children()[top.next++];
    StartTag(child, open.size());
    if (child.Count() > 0) open.push_back({&child, 0});
  }
}

}  // namespace qv
