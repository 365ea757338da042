// The text functions of the library: replacement, case-insensitive search,
// cutting between markers, SQL quoting.
#pragma once

#include <string>
#include <string_view>

namespace qv::library {

enum class CaseMode : unsigned char { Sensitive, Insensitive };
enum class ReplaceCount : unsigned char { First, All };

// Occurrences of `old` replaced left to right without overlaps; an empty
// `old` or an empty source changes nothing.
std::u16string ReplaceText(std::u16string_view source, std::u16string_view old, std::u16string_view with,
                           CaseMode mode, ReplaceCount count);

// 1-based position of `part` in `source`, without regard to case; 0 when
// missing. An empty part is found at 1 in a non-empty source.
size_t PosEx(std::u16string_view part, std::u16string_view source, size_t from = 0);

// The text between the start marker and the end marker that follows it.
// Without an end marker, `canSkipOver` takes the rest of the text but its
// last character. Markers compared as `mode` says.
std::u16string TextBetween(std::u16string_view source, std::u16string_view startMark,
                           std::u16string_view endMark, bool canSkipOver, CaseMode mode);

// The first n characters, with `ext` appended when something was cut.
std::u16string CutLength(std::u16string_view source, long long n, std::u16string_view ext);

// "'" + text with every "'" doubled + "'".
std::u16string SqlQuote(std::u16string_view sql);

}  // namespace qv::library
