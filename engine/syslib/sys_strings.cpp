#include "engine/syslib/sys_strings.h"

#include <algorithm>

#include "engine/run/run_messages.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv {

namespace {

// Longest text SetLength makes, in units, so that a wild length fails cleanly.
constexpr long long kMaxTextLength = 1LL << 28;

}  // namespace

std::u16string Copy(std::u16string_view s, long long from, long long count) {
  if (from < 1) from = 1;
  long long size = static_cast<long long>(s.size());
  if (count <= 0 || from > size) return {};
  return std::u16string(s.substr(from - 1, static_cast<size_t>(std::min(count, size - from + 1))));
}

long long Pos(std::u16string_view substr, std::u16string_view s) {
  if (substr.empty()) return 0;
  size_t at = s.find(substr);
  return at == std::u16string_view::npos ? 0 : static_cast<long long>(at) + 1;
}

void Delete(std::u16string& s, long long from, long long count) {
  long long size = static_cast<long long>(s.size());
  if (from < 1 || from > size || count <= 0) return;
  s.erase(from - 1, static_cast<size_t>(std::min(count, size - from + 1)));
}

void Insert(std::u16string_view source, std::u16string& target, long long pos) {
  long long at = std::clamp<long long>(pos, 1, static_cast<long long>(target.size()) + 1) - 1;
  target.insert(static_cast<size_t>(at), source);
}

std::u16string Trim(std::u16string_view s) { return std::u16string(TrimBlanks(s)); }

std::u16string NameCase(std::u16string_view s) {
  std::u16string lower = LowerCase(s);
  std::u16string upper = UpperCase(s);
  // Case mapping keeps lengths, so both copies line up unit for unit.
  std::u16string out = lower;
  bool capital = true;
  for (size_t i = 0; i < out.size(); ++i) {
    if (capital) {
      out[i] = upper[i];
      if (IsHighSurrogate(s[i]) && i + 1 < out.size() && IsLowSurrogate(s[i + 1])) {
        ++i;
        out[i] = upper[i];
      }
    }
    capital = out[i] == u' ';
  }
  return out;
}

std::u16string Chr(long long code) {
  if (code < 0 || code > 0x10FFFF) throw ScriptError(run_msg::kRangeCheck);
  std::u16string out;
  AppendCodePoint(out, static_cast<char32_t>(code));
  return out;
}

int Ord(std::u16string_view s) {
  if (s.empty()) return 0;
  size_t i = 0;
  return static_cast<int>(NextCodePoint(s, i));
}

void SetTextLength(std::u16string& s, long long length) {
  if (length < 0) length = 0;
  if (length > kMaxTextLength) throw ScriptError(run_msg::kOutOfMemory);
  s.resize(static_cast<size_t>(length), u' ');
}

}  // namespace qv
