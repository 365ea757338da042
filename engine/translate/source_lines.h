// Script source as lines, the way the program object keeps it.
//
// Files may end their lines with CR LF, LF or CR; the program object keeps
// the lines and hands the translator every line followed by CR LF, so every
// grammar that expects CR LF works on any file and positions (line:column)
// are the same for all three.
//
//   SplitLines(u"a\nb\r\n")  -> {u"a", u"b"}
//   JoinLines({u"a", u"b"})  -> u"a\r\nb\r\n"
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qv {

// Splits at CR LF, LF or CR; a line break at the very end adds no line.
std::vector<std::u16string> SplitLines(std::u16string_view text);

// Every line followed by CR LF.
std::u16string JoinLines(const std::vector<std::u16string>& lines);

// The text of a script file: UTF-8 with an optional byte-order mark.
// Invalid bytes become U+FFFD.
std::u16string DecodeScriptBytes(std::string_view bytes);

}  // namespace qv
