#include "engine/translator_output.h"

#include <algorithm>
#include <cstring>

#include "support/errors.h"

namespace qv {

void ILOutput::CommitLineAt(size_t index, size_t begin) {
  index = std::min(index, lines_.size());
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(index), Range{begin, arena_.size() - begin});
}

void ILOutput::Append(std::string_view line) {
  size_t begin = arena_.size();
  arena_.append(line);
  CommitLine(begin);
}

void ILOutput::Insert(size_t index, std::string_view line) {
  size_t begin = arena_.size();
  arena_.append(line);
  CommitLineAt(index, begin);
}

void ILOutput::Erase(size_t index) {
  if (index < lines_.size()) lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(index));
}

void ILOutput::Truncate(size_t count, size_t arenaSize) {
  if (count < lines_.size()) lines_.resize(count);
  if (arenaSize < arena_.size()) arena_.resize(arenaSize);
}

void ILOutput::Clear() {
  arena_.clear();
  lines_.clear();
}

// --- Reading the joined lines ------------------------------------------------

ILOutputStream::ILOutputStream(const ILOutput& output, std::string_view header, std::string_view trailer)
    : output_(output), header_(header), trailer_(trailer) {
  for (size_t i = 0; i < Segments(); ++i) size_ += SegmentSize(i);
}

std::string_view ILOutputStream::Segment(size_t i) const {
  if (i == 0) return header_;
  if (i == Segments() - 1) return trailer_;
  return output_.Line(i - 1);
}

int64_t ILOutputStream::SegmentSize(size_t i) const {
  return static_cast<int64_t>(Segment(i).size()) + (i + 1 < Segments() ? 2 : 0);
}

int64_t ILOutputStream::Read(void* buffer, int64_t count) {
  char* out = static_cast<char*>(buffer);
  int64_t done = 0;
  while (done < count && seg_ < Segments()) {
    std::string_view text = Segment(seg_);
    int64_t segSize = SegmentSize(seg_);
    if (off_ >= segSize) {
      ++seg_;
      off_ = 0;
      continue;
    }
    int64_t textSize = static_cast<int64_t>(text.size());
    if (off_ < textSize) {
      int64_t n = std::min(count - done, textSize - off_);
      std::memcpy(out + done, text.data() + off_, static_cast<size_t>(n));
      done += n;
      off_ += n;
    } else {
      out[done++] = off_ == textSize ? '\r' : '\n';
      ++off_;
    }
  }
  pos_ += done;
  return done;
}

int64_t ILOutputStream::Write(const void*, int64_t) { return 0; }

void ILOutputStream::SetSize(int64_t) { throw ScriptError(u"Stream write error"); }

int64_t ILOutputStream::Seek(int64_t offset, SeekOrigin origin) {
  int64_t target = offset;
  if (origin == SeekOrigin::Current) target = pos_ + offset;
  if (origin == SeekOrigin::End) target = size_ + offset;
  if (target < 0) throw ScriptError(u"Stream seek error");
  target = std::min(target, size_);
  // The reader only steps back a little, so walking the segments is cheap.
  while (pos_ > target) {
    if (off_ == 0) {
      --seg_;
      off_ = SegmentSize(seg_);
    }
    int64_t step = std::min(off_, pos_ - target);
    off_ -= step;
    pos_ -= step;
  }
  while (pos_ < target && seg_ < Segments()) {
    int64_t step = std::min(SegmentSize(seg_) - off_, target - pos_);
    off_ += step;
    pos_ += step;
    if (off_ == SegmentSize(seg_)) {
      ++seg_;
      off_ = 0;
    }
  }
  return pos_;
}

// --- Attribute escaping ------------------------------------------------------

namespace {

void AppendReference(std::string& out, unsigned code) {
  char buf[8];
  int n = 0;
  do {
    buf[n++] = static_cast<char>('0' + code % 10);
    code /= 10;
  } while (code);
  out += "&#";
  while (n) out += buf[--n];
  out += ';';
}

void AppendCodePoint(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

void AppendEncodedUtf8(std::string& out, std::u16string_view value) {
  static constexpr std::u16string_view kQuot = u"&quot;";
  for (size_t i = 0; i < value.size(); ++i) {
    char16_t c = value[i];
    switch (c) {
      case u'\n':
      case u'\r':
      case u'"':
      case u'<':
      case u'>':
        AppendReference(out, c);
        continue;
      case u'&':
        if (value.substr(i, kQuot.size()) == kQuot) {
          out += "&#34;";
          i += kQuot.size() - 1;
          continue;
        }
        break;
      default:
        break;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c >= 0xD800 && c <= 0xDBFF && i + 1 < value.size() && value[i + 1] >= 0xDC00 &&
               value[i + 1] <= 0xDFFF) {
      AppendCodePoint(out, 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (value[i + 1] - 0xDC00));
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      AppendCodePoint(out, 0xFFFD);
    } else {
      AppendCodePoint(out, c);
    }
  }
}

}  // namespace qv
