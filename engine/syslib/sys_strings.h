// The text functions of the system library. Positions count UTF-16 units
// from 1, as scripts see them; out-of-range positions and counts are
// clipped, never an error.
#pragma once

#include <string>
#include <string_view>

namespace qv {

// `count` units from position `from`; fewer at the end of the text, none for
// count <= 0 or a start past the end. A start below 1 counts from 1.
std::u16string Copy(std::u16string_view s, long long from, long long count);
// Position of the first `substr` in `s`, 0 when absent or empty.
long long Pos(std::u16string_view substr, std::u16string_view s);
// Removes `count` units from position `from`; nothing when `from` lies outside the text.
void Delete(std::u16string& s, long long from, long long count);
// Inserts `source` before position `pos` (clipped to 1..length+1).
void Insert(std::u16string_view source, std::u16string& target, long long pos);
// Without leading and trailing characters of code 32 or less.
std::u16string Trim(std::u16string_view s);
// Small letters, except the first character and every character after a space.
std::u16string NameCase(std::u16string_view s);
// The character of code `code` (a surrogate pair above U+FFFF); ScriptError
// "Range check error" outside 0..0x10FFFF.
std::u16string Chr(long long code);
// The code of the first character (a whole surrogate pair), 0 for empty text.
int Ord(std::u16string_view s);
// Cut to or extended to `length` units; added units are spaces.
void SetTextLength(std::u16string& s, long long length);

}  // namespace qv
