// The XML reader: a buffered tag scanner and an element reader
// that keeps the recursive algorithm's semantics with an explicit stack, so
// that no input can exhaust the call stack.
#include <cstring>
#include <memory>
#include <vector>

#include "engine/xml/stream.h"
#include "engine/xml/xml_io.h"
#include "support/errors.h"

namespace qv {

// ---- XmlNameCache

const XmlName& XmlNameCache::Get(std::string_view bytes) {
  if (bytes.size() > 64) {  // long names are rare: not worth a slot
    scratch_ = XmlName(DecodeBytes(bytes, cp_));
    return scratch_;
  }
  uint32_t h = 2166136261u;
  for (char c : bytes) h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
  Slot& slot = slots_[(h ^ (h >> 8) ^ (h >> 16)) & (slots_.size() - 1)];
  if (!slot.used || slot.bytes != bytes) {
    slot.bytes.assign(bytes);
    bool ascii = true;
    for (char c : bytes) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii) {
      std::u16string wide(bytes.begin(), bytes.end());
      slot.name = XmlName(wide);
    } else {
      slot.name = XmlName(DecodeBytes(bytes, cp_));
    }
    slot.used = true;
  }
  return slot.name;
}

// ---- TfsXMLReader

TfsXMLReader::TfsXMLReader(Stream& stream)
    : stream_(stream), bufStart_(stream.Position()), names_(AnsiCodePage()) {
  tag_.reserve(kBlockSize);
}

TfsXMLReader::~TfsXMLReader() {
  try {
    stream_.Seek(bufStart_ + static_cast<int64_t>(bufPos_), SeekOrigin::Begin);
  } catch (...) {
    // A stream that cannot seek back keeps its read-ahead position.
  }
}

void TfsXMLReader::Raise() { throw ScriptError(std::u16string(kInvalidXmlFormat)); }

// Reads the next block once the current one is used up.
bool TfsXMLReader::Fill() {
  bufStart_ += static_cast<int64_t>(bufEnd_);
  bufPos_ = bufEnd_ = 0;
  int64_t n = stream_.Read(buffer_, kBlockSize);
  if (n <= 0) return false;
  bufEnd_ = static_cast<size_t>(n);
  return true;
}

// After "<!--": skips up to and including the next "-->". The dash count
// restarts after any other character, and after two dashes not followed by
// ">". The end of the stream inside a comment is an error.
void TfsXMLReader::SkipComment() {
  int dashes = 0;
  for (;;) {
    if (bufPos_ == bufEnd_ && !Fill()) Raise();
    char c = buffer_[bufPos_++];
    if (dashes == 2) {
      if (c == '>') return;
      dashes = 0;
    } else if (c == '-') {
      ++dashes;
    } else {
      dashes = 0;
    }
  }
}

// Reads one tag's content (between "<" and ">") into tag_. Returns false at
// the end of the stream outside a tag (an empty tag). Text between tags is
// skipped; comments are skipped whole.
bool TfsXMLReader::ReadTag() {
  for (;;) {
    tag_.clear();
    // Outside a tag: find "<".
    for (;;) {
      if (bufPos_ == bufEnd_ && !Fill()) return false;
      const void* lt = std::memchr(buffer_ + bufPos_, '<', bufEnd_ - bufPos_);
      if (lt) {
        bufPos_ = static_cast<size_t>(static_cast<const char*>(lt) - buffer_) + 1;
        break;
      }
      bufPos_ = bufEnd_;
    }
    // Inside: the first three characters decide whether this is a comment.
    bool comment = false;
    while (tag_.size() < 3) {
      if (bufPos_ == bufEnd_ && !Fill()) Raise();
      char c = buffer_[bufPos_++];
      if (c == '>') return true;
      if (c == '<') Raise();
      tag_ += c;
      comment = tag_.size() == 3 && tag_ == "!--";
    }
    if (comment) {
      SkipComment();
      continue;
    }
    // The rest of the tag, a block at a time.
    for (;;) {
      if (bufPos_ == bufEnd_ && !Fill()) Raise();
      const char* start = buffer_ + bufPos_;
      size_t avail = bufEnd_ - bufPos_;
      const void* gt = std::memchr(start, '>', avail);
      size_t len = gt ? static_cast<size_t>(static_cast<const char*>(gt) - start) : avail;
      if (std::memchr(start, '<', len)) Raise();
      tag_.append(start, len);
      bufPos_ += len;
      if (gt) {
        ++bufPos_;
        return true;
      }
    }
  }
}

void TfsXMLReader::ReadHeader() {
  ReadTag();
  std::string_view tag(tag_);
  if (tag.substr(0, 4) != "?xml") Raise();
}

// Reads one tag into the item's name and text: one trailing space is
// dropped, the content is split at its first space, and a "/" that closes
// an empty element is removed from the name or from the text.
TfsXMLReader::TagKind TfsXMLReader::ReadInto(TfsXMLItem* item) {
  if (!ReadTag()) tag_.clear();
  std::string_view tag(tag_);
  if (!tag.empty() && tag.back() == ' ') tag.remove_suffix(1);
  size_t space = tag.find(' ');
  std::string_view name = tag.substr(0, space);
  std::string_view text = space == std::string_view::npos ? std::string_view() : tag.substr(space + 1);

  item->name_ = names_.Get(name);
  item->text_.AssignUtf8(text);
  lastName_ = item->Name();  // the item lives until the name is compared

  std::u16string_view n = item->Name();
  if (n.empty() || n.front() == u'/') return TagKind::EndMarker;
  if (n.back() == u'/') {
    XmlName full = item->name_;  // keeps `n` alive: the cache may drop it
    item->name_ = names_.Get(name.substr(0, name.size() - 1));
    if (item->Name() != n.substr(0, n.size() - 1)) item->SetName(n.substr(0, n.size() - 1));
    return TagKind::Leaf;
  }
  const XmlText& t = item->text_;
  if (!t.Empty() && t.At(t.Size() - 1) == u'/') {
    item->text_.Truncate(1);
    return TagKind::Leaf;
  }
  return TagKind::Open;
}

namespace {

// The end tag read last closes `item` when it is "/" + its name in any case;
// an empty one (the end of the stream) closes every open element.
bool ClosesItem(std::u16string_view endName, const TfsXMLItem& item) {
  if (endName.empty()) return true;
  return endName.front() == u'/' && item.NameIs(endName.substr(1));
}

}  // namespace

// Gives `parent` the completed children pending_[from, to), in one
// exactly sized list.
void TfsXMLReader::Adopt(TfsXMLItem* parent, size_t from, size_t to) {
  if (from == to) return;
  TfsXMLItem::ChildList& list = parent->OpenKids();
  list.reserve(list.size() + (to - from));
  for (size_t i = from; i < to; ++i) {
    pending_[i]->SetParentLink(parent);
    list.push_back(std::move(pending_[i]));
  }
}

// The recursive algorithm, with its call stack made explicit: each open
// element is a frame. A child joins its parent once the parent is complete
// (the recursive reader adds a child after reading it, so no difference can
// be seen); until then the children wait in pending_.
void TfsXMLReader::ReadRootItem(TfsXMLItem* root) {
  if (ReadInto(root) != TagKind::Open) return;
  struct Frame {
    TfsXMLItem* item;
    std::unique_ptr<TfsXMLItem> owned;  // empty for the root
    size_t firstChild;                  // its children in pending_
  };
  std::vector<Frame> open;
  open.push_back({root, nullptr, 0});
  pending_.clear();
  std::unique_ptr<TfsXMLItem> child;
  try {
    while (!open.empty()) {
      if (!child) child = std::make_unique<TfsXMLItem>();  // an end marker's item is reused
      switch (ReadInto(child.get())) {
        case TagKind::EndMarker: {
          Frame& done = open.back();
          if (!ClosesItem(lastName_, *done.item)) Raise();
          Adopt(done.item, done.firstChild, pending_.size());
          pending_.resize(done.firstChild);
          if (done.owned) pending_.push_back(std::move(done.owned));
          open.pop_back();
          break;
        }
        case TagKind::Leaf:
          pending_.push_back(std::move(child));
          break;
        case TagKind::Open: {
          TfsXMLItem* raw = child.get();
          size_t first = pending_.size();
          open.push_back({raw, std::move(child), first});
          break;
        }
      }
    }
  } catch (...) {
    // The root keeps its completed children; unfinished elements are dropped.
    Adopt(root, 0, open.size() > 1 ? open[1].firstChild : pending_.size());
    pending_.clear();
    throw;
  }
}

}  // namespace qv
