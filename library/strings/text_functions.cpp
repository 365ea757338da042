#include "library/strings/text_functions.h"

#include "support/text.h"

namespace qv::library {

std::u16string ReplaceText(std::u16string_view source, std::u16string_view old, std::u16string_view with,
                           CaseMode mode, ReplaceCount count) {
  if (source.empty() || old.empty()) return std::u16string(source);
  std::u16string upperSource, upperOld;
  std::u16string_view hay = source, needle = old;
  if (mode == CaseMode::Insensitive) {
    // Same lengths after upper-casing: positions carry over.
    upperSource = UpperCase(source);
    upperOld = UpperCase(old);
    hay = upperSource;
    needle = upperOld;
  }
  std::u16string out;
  size_t from = 0;
  for (size_t at; (at = hay.find(needle, from)) != std::u16string_view::npos;) {
    out.append(source.substr(from, at - from));
    out.append(with);
    from = at + old.size();
    if (count == ReplaceCount::First) break;
  }
  out.append(source.substr(from));
  return out;
}

size_t PosEx(std::u16string_view part, std::u16string_view source, size_t from) {
  if (source.empty() || from >= source.size()) return 0;
  if (part.empty()) return from + 1;
  const size_t at = UpperCase(source).find(UpperCase(part), from);
  return at == std::u16string::npos ? 0 : at + 1;
}

namespace {

size_t Find(std::u16string_view part, std::u16string_view source, size_t from, CaseMode mode) {
  if (mode == CaseMode::Insensitive) return PosEx(part, source, from);
  if (from > source.size()) return 0;
  const size_t at = source.find(part, from);
  return at == std::u16string_view::npos ? 0 : at + 1;
}

}  // namespace

std::u16string TextBetween(std::u16string_view source, std::u16string_view startMark,
                           std::u16string_view endMark, bool canSkipOver, CaseMode mode) {
  const size_t a = Find(startMark, source, 0, mode);
  if (a == 0) return {};
  const size_t from = a - 1 + startMark.size();  // 0-based start of the text
  // The end marker is looked for after the start marker.
  const size_t b = Find(endMark, source, from, mode);
  if (b > 0) return b - 1 > from ? std::u16string(source.substr(from, b - 1 - from)) : std::u16string();
  if (!canSkipOver || source.size() < 1 || from >= source.size() - 1) return {};
  return std::u16string(source.substr(from, source.size() - 1 - from));
}

std::u16string CutLength(std::u16string_view source, long long n, std::u16string_view ext) {
  if (n <= 0) return ext.empty() || source.empty() ? std::u16string() : std::u16string(ext);
  if (static_cast<unsigned long long>(n) >= source.size()) return std::u16string(source);
  return std::u16string(source.substr(0, static_cast<size_t>(n))) + std::u16string(ext);
}

std::u16string SqlQuote(std::u16string_view sql) {
  std::u16string r = u"'";
  for (char16_t c : sql) {
    r += c;
    if (c == u'\'') r += u'\'';
  }
  r += u'\'';
  return r;
}

}  // namespace qv::library
