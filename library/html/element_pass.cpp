#include "library/html/element_pass.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <unordered_map>

#include "support/errors.h"

namespace qv::library::html {

namespace {

bool IsWord(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

// A hash of a lower-cased name, built one character at a time. Two names
// with one hash only cost a needless anchored attempt, never a lost match.
struct NameHash {
  uint64_t h = 1469598103934665603ull;
  void Add(char c) { h = (h ^ static_cast<unsigned char>(Lower(c))) * 1099511628211ull; }
};

// Start of the last "</name>" for every name that is closed somewhere.
std::unordered_map<uint64_t, size_t> LastClosings(std::string_view text) {
  std::unordered_map<uint64_t, size_t> last;
  for (size_t p = text.find("</"); p != std::string_view::npos; p = text.find("</", p + 1)) {
    NameHash h;
    size_t q = p + 2;
    while (q < text.size() && IsWord(text[q])) h.Add(text[q++]);
    if (q > p + 2 && q < text.size() && text[q] == '>') last[h.h] = p;
  }
  return last;
}

// First ">" at or after a position. Queries go forward, or back by no more
// than a name's length, so a whole pass reads the text about once.
class TagEnds {
 public:
  explicit TagEnds(std::string_view text) : text_(text) {}
  size_t From(size_t q) {
    if (searched_ && q < from_) {
      for (size_t i = q; i < from_; ++i)
        if (text_[i] == '>') return i;
      return pos_;
    }
    if (searched_ && (pos_ == std::string_view::npos || pos_ >= q)) return pos_;
    searched_ = true;
    from_ = q;
    const void* hit = q < text_.size() ? std::memchr(text_.data() + q, '>', text_.size() - q) : nullptr;
    pos_ = hit ? static_cast<size_t>(static_cast<const char*>(hit) - text_.data()) : std::string_view::npos;
    return pos_;
  }

 private:
  std::string_view text_;
  size_t from_ = 0;  // pos_ is the first ">" at or after from_
  size_t pos_ = std::string_view::npos;
  bool searched_ = false;
};

// Sorted starts of `word` (lower-case) in the text, without regard to case.
std::vector<size_t> WordStarts(std::string_view text, std::string_view word) {
  std::vector<size_t> at;
  if (word.empty()) return at;
  for (size_t p = 0; p + word.size() <= text.size(); ++p) {
    size_t i = 0;
    while (i < word.size() && Lower(text[p + i]) == word[i]) ++i;
    if (i == word.size()) at.push_back(p);
  }
  return at;
}

class Viability {
 public:
  Viability(std::string_view text, const ElementShape& shape)
      : text_(text),
        shape_(shape),
        last_(LastClosings(text)),
        ends_(text),
        words_(WordStarts(text, shape.tagWord)) {}

  // Whether the pattern can match at the "<" at `s`.
  bool At(size_t s) {
    if (shape_.names.empty()) {
      NameHash h;
      size_t q = s + 1;
      while (q < text_.size() && IsWord(text_[q])) {
        h.Add(text_[q++]);
        if (Closed(h.h, q)) return true;
      }
      return false;
    }
    for (std::string_view name : shape_.names) {
      if (text_.size() - (s + 1) < name.size()) continue;
      size_t i = 0;
      while (i < name.size() && Lower(text_[s + 1 + i]) == name[i]) ++i;
      if (i < name.size()) continue;
      NameHash h;
      for (char c : name) h.Add(c);
      if (Closed(h.h, s + 1 + name.size())) return true;
    }
    return false;
  }

 private:
  // The element named by hash `h`, whose name ends before `afterName`, has
  // its closing tag after the place where its content starts.
  bool Closed(uint64_t h, size_t afterName) {
    auto it = last_.find(h);
    if (it == last_.end()) return false;
    size_t content = afterName;
    if (shape_.contentAfterTagEnd) {
      size_t gt = ends_.From(afterName);
      if (gt == std::string_view::npos) return false;
      if (!shape_.tagWord.empty()) {
        auto w = std::lower_bound(words_.begin(), words_.end(), afterName);
        if (w == words_.end() || *w + shape_.tagWord.size() > gt) return false;
      }
      content = gt + 1;
    }
    return it->second >= content;
  }

  std::string_view text_;
  const ElementShape& shape_;
  std::unordered_map<uint64_t, size_t> last_;
  TagEnds ends_;
  std::vector<size_t> words_;
};

// PCRE2 matches "s" with the long s and "k" with the Kelvin sign when it
// ignores case; where they occur, names are not compared here.
bool HasCaseVariants(std::string_view text) {
  return text.find("\xC5\xBF") != std::string_view::npos ||
         text.find("\xE2\x84\xAA") != std::string_view::npos;
}

}  // namespace

PassResult RemoveElements(TQvRegEx& anchored, std::string& text, const ElementShape& shape,
                          std::string* spare) {
  if (text.find('<') == std::string::npos) return PassResult::Unchanged;
  // The object borrows the text and gives it back.
  anchored.SetValidSubject(std::move(text));
  const std::string& src = anchored.Subject();
  const bool everywhere = HasCaseVariants(src);
  Viability viable(src, shape);
  std::string out = spare ? std::move(*spare) : std::string();
  out.clear();
  size_t copied = 0;
  PassResult result = PassResult::Unchanged;
  try {
    for (size_t s = src.find('<'); s != std::string::npos; s = src.find('<', s + 1)) {
      if (!everywhere && !viable.At(s)) continue;
      anchored.SetStart(static_cast<int>(s) + 1);
      if (!anchored.MatchAgain()) continue;
      const size_t b = static_cast<size_t>(anchored.MatchedOffset() - 1);
      const size_t e = b + static_cast<size_t>(anchored.MatchedLength());
      if (b != s || e <= s) continue;  // cannot happen with an anchored pattern
      if (out.empty()) out.reserve(src.size());
      out.append(src, copied, b - copied);
      copied = e;
      s = e - 1;
      result = PassResult::Replaced;
    }
  } catch (const ScriptError&) {
    result = PassResult::Stopped;  // the text stays as it was
  }
  if (result == PassResult::Replaced) {
    out.append(src, copied, std::string::npos);
    std::string old = anchored.TakeSubject();
    if (spare) *spare = std::move(old);
    text = std::move(out);
  } else {
    text = anchored.TakeSubject();
    if (spare) *spare = std::move(out);
  }
  return result;
}

}  // namespace qv::library::html
