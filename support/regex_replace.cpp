// The replacement syntax of TQvRegEx: expands a template for the current match.
#include <climits>

#include "support/regex.h"
#include "support/text.h"

namespace qv {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsNameStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsNameChar(char c) { return IsNameStart(c) || IsDigit(c); }

// After these a new word begins for the "\I" conversion; an apostrophe does not.
bool StartsWord(char32_t c) {
  switch (c) {
    case '(':
    case '*':
    case '+':
    case ',':
    case '-':
    case '.':
    case '<':
    case '?':
    case '[':
    case '{':
    case 0x00B7:
      return true;
    default:
      return c <= 38;
  }
}

// "U" upper case; "L" lower case; "F" lower with the first character upper;
// "I" lower with the first character of every word upper.
std::string ConvertCase(const std::string& text, char mode) {
  std::u16string wide = FromUtf8(text);
  if (mode == 'U') return ToUtf8(UpperCase(wide));
  std::u16string lower = LowerCase(wide);
  if (mode == 'L') return ToUtf8(lower);
  std::u16string out;
  out.reserve(lower.size());
  char32_t prev = 0;
  for (size_t i = 0; i < lower.size();) {
    bool capital = i == 0 || (mode == 'I' && StartsWord(prev));
    char32_t c = NextCodePoint(lower, i);
    AppendCodePoint(out, capital ? UpCaseCodePoint(c) : c);
    prev = c;
  }
  return ToUtf8(out);
}

}  // namespace

// Scans the template once; inserted texts are not scanned again. A "$" or
// "\" that does not start a reference (or is the last character) stays.
void TQvRegEx::AppendReplacement(std::string& out, std::string_view t) const {
  const int groups = GroupCount();
  size_t b0, e0;
  GroupSpan(0, b0, e0);
  if (b0 > e0) b0 = e0 = 0;

  auto insertGroup = [&](long long g) {
    if (g < 0 || g > groups) return;
    size_t b, e;
    GroupSpan(static_cast<int>(g), b, e);
    if (b <= e) out.append(subject_, b, e - b);
  };
  // One digit, or two when that number is a group of the match; returns the digits used.
  auto groupDigits = [&](size_t at, long long& g) -> size_t {
    g = t[at] - '0';
    if (at + 1 < t.size() && IsDigit(t[at + 1])) {
      long long two = g * 10 + (t[at + 1] - '0');
      if (two <= groups) {
        g = two;
        return 2;
      }
    }
    return 1;
  };
  auto nameEnd = [&](size_t from) {
    size_t j = from;
    while (j < t.size() && IsNameChar(t[j])) ++j;
    return j;
  };
  // Handles a reference at `i`; returns the bytes it used, 0 when it is none.
  auto reference = [&](size_t i) -> size_t {
    const char intro = t[i];
    const char c = t[i + 1];
    long long g;
    if (c == '\\' && intro == '\\') return out += '\\', 2;
    if (c == '$') return out += '$', 2;
    if (IsDigit(c)) {
      size_t used = groupDigits(i + 1, g);
      insertGroup(g);
      return 1 + used;
    }
    switch (c) {
      case '&':
        return out.append(subject_, b0, e0 - b0), 2;
      case '`':
        return out.append(subject_, 0, b0), 2;
      case '\'':
        return out.append(subject_, e0, std::string::npos), 2;
      case '+':
        return insertGroup(groups), 2;
    }
    if (intro == '$') {
      if (c == '_') return out += subject_, 2;
      if (c != '{' || i + 2 >= t.size()) return 0;
      size_t j = i + 2;
      if (IsDigit(t[j])) {
        g = 0;
        for (; j < t.size() && IsDigit(t[j]); ++j) g = g > INT_MAX ? g : g * 10 + (t[j] - '0');
        if (j >= t.size() || t[j] != '}') return 0;
        insertGroup(g);
        return j + 1 - i;
      }
      if (!IsNameStart(t[j])) return 0;
      j = nameEnd(j);
      if (j >= t.size() || t[j] != '}') return 0;
      int number = GroupNumber(t.substr(i + 2, j - i - 2));
      if (number < 0) return 0;  // an unknown name stays as written
      insertGroup(number);
      return j + 1 - i;
    }
    // Backslash forms.
    if (c == 'g') {
      if (i + 3 >= t.size() || t[i + 2] != '<' || !IsNameStart(t[i + 3])) return 0;
      size_t j = nameEnd(i + 3);
      if (j >= t.size() || t[j] != '>') return 0;
      insertGroup(GroupNumber(t.substr(i + 3, j - i - 3)));
      return j + 1 - i;
    }
    char mode = static_cast<char>(c & ~0x20);  // ASCII upper case
    if ((mode == 'U' || mode == 'L' || mode == 'F' || mode == 'I') && i + 2 < t.size() && IsDigit(t[i + 2])) {
      size_t used = groupDigits(i + 2, g);
      if (g <= groups) {
        size_t b, e;
        GroupSpan(static_cast<int>(g), b, e);
        if (b < e) out += ConvertCase(subject_.substr(b, e - b), mode);
      }
      return 2 + used;
    }
    return 0;
  };

  for (size_t i = 0; i < t.size();) {
    if ((t[i] == '$' || t[i] == '\\') && i + 1 < t.size()) {
      if (size_t used = reference(i)) {
        i += used;
        continue;
      }
    }
    out += t[i++];
  }
}

}  // namespace qv
