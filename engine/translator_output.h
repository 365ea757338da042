// The translator's output: a list of text lines, each one start tag, one end
// tag, one empty-element tag or the embedded code of a unit.
//
// Lines are UTF-8 and live in one growing byte arena; the list holds their
// ranges. Back-tracking only ever removes the lines (and the arena bytes)
// added since a remembered point, so Truncate gives the arena back too, and
// a failed alternative costs no memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/stream.h"

namespace qv {

class ILOutput {
 public:
  size_t Count() const { return lines_.size(); }
  size_t ArenaSize() const { return arena_.size(); }
  std::string_view Line(size_t index) const {
    const Range& r = lines_[index];
    return std::string_view(arena_).substr(r.begin, r.size);
  }

  // A new line is written straight into the arena, then committed at the
  // end of the list or at an index.
  std::string& Arena() { return arena_; }
  void CommitLine(size_t begin) { lines_.push_back(Range{begin, arena_.size() - begin}); }
  void CommitLineAt(size_t index, size_t begin);

  void Append(std::string_view line);
  void Insert(size_t index, std::string_view line);
  void Erase(size_t index);
  // Keeps the first `count` lines; `arenaSize` is the arena size when the
  // list had `count` lines.
  void Truncate(size_t count, size_t arenaSize);
  void Clear();

 private:
  struct Range {
    size_t begin;
    size_t size;
  };
  std::string arena_;
  std::vector<Range> lines_;
};

// Reads a header line, the output lines and a trailer line, joined with
// CR LF, without first copying them into one text.
class ILOutputStream : public Stream {
 public:
  ILOutputStream(const ILOutput& output, std::string_view header, std::string_view trailer);

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, SeekOrigin origin) override;
  void SetSize(int64_t size) override;
  int64_t Size() override { return size_; }

 private:
  size_t Segments() const { return output_.Count() + 2; }
  std::string_view Segment(size_t i) const;
  int64_t SegmentSize(size_t i) const;

  const ILOutput& output_;
  std::string_view header_;
  std::string_view trailer_;
  int64_t size_ = 0;
  // The read position, as a segment and an offset into it (its CR LF included).
  int64_t pos_ = 0;
  size_t seg_ = 0;
  int64_t off_ = 0;
};

// Appends `value` to `out` as UTF-8 with the attribute escaping of the XML
// model: LF, CR, '"', '<' and '>' become numeric references and "&quot;"
// becomes "&#34;". A lone surrogate becomes U+FFFD.
void AppendEncodedUtf8(std::string& out, std::u16string_view value);

}  // namespace qv
