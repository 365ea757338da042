// Text operations the HTML functions share: trimming, searching and
// replacing with or without regard to case. Every search and replace-all
// here runs in linear time, so hostile pages cannot make them quadratic.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qv::library::html {

// Without the characters of code 32 or less at both ends.
std::u16string_view TrimView(std::u16string_view s);
inline std::u16string Trim(std::u16string_view s) { return std::u16string(TrimView(s)); }
inline bool IsBlank(std::u16string_view s) { return TrimView(s).empty(); }

// The upper-case form of one UTF-16 unit (surrogates stay as they are).
char16_t FoldUnit(char16_t c);
// The text with every character upper-cased (surrogate pairs as one
// character); the length never changes. Two texts are equal without regard
// to case when their folded forms are equal.
std::u16string FoldText(std::u16string_view s);
// True for a character other than A-Z whose upper case is an ASCII letter
// (dotless i, long s): where one occurs, ASCII folding and full folding
// disagree.
bool FoldsToAscii(char16_t c);
// True when `s` holds such a character.
bool HasFoldsToAscii(std::u16string_view s);

// Position of the first `c` at or after `from`, or npos: find(), but
// reading the text in blocks the compiler vectorises.
size_t FindUnit(std::u16string_view s, char16_t c, size_t from = 0);
// Position of the first `what` at or after `from`, or npos, as find().
size_t FindText(std::u16string_view s, std::u16string_view what, size_t from = 0);

inline bool Contains(std::u16string_view s, std::u16string_view what) {
  return FindText(s, what) != std::u16string_view::npos;
}

// Position of the first `what` at or after `from` without regard to case;
// npos when there is none. An empty `what` is found at `from`.
size_t FindNoCase(std::u16string_view s, std::u16string_view what, size_t from = 0);
inline bool ContainsNoCase(std::u16string_view s, std::u16string_view what) {
  return FindNoCase(s, what) != std::u16string_view::npos;
}

// Every occurrence of `from`, left to right and not overlapping, replaced by
// `to`; an empty `from` changes nothing.
std::u16string ReplaceAll(std::u16string_view s, std::u16string_view from, std::u16string_view to);
std::u16string ReplaceAllNoCase(std::u16string_view s, std::u16string_view from, std::u16string_view to);

// Non-overlapping occurrences of `what` without regard to case, each search
// continuing after the previous occurrence; 0 for an empty `what`.
size_t CountNoCase(std::u16string_view s, std::u16string_view what);

// Non-overlapping occurrence counts of many texts at once: one pass over `s`
// per distinct length instead of one per text. Without regard to case the
// counts are keyed by FoldText(text), else by the text itself.
enum class Case { Sensitive, Ignore };
std::unordered_map<std::u16string, size_t> CountEach(std::u16string_view s,
                                                     const std::vector<std::u16string>& whats, Case mode);

// "While the text contains `from`, replace every `from` by `to`", for a `to`
// shorter than `from`: each pass is linear and the loop ends.
void ReplaceUntilGone(std::u16string& s, std::u16string_view from, std::u16string_view to);

// Byte forms for UTF-8 text, where the characters involved are ASCII.
// Trim without the bytes of code 32 or less at both ends.
void TrimBytes(std::string& s);
// ReplaceUntilGone(s, "\r\n\r\n", "\r\n") in one pass: each pass halves a
// run of "\r\n", so every run of two or more ends as one.
void CollapseLineBreakRuns(std::string& s);

}  // namespace qv::library::html
