// The format functions of the system library. All of them use the process's
// format settings (format_settings.h).
//
//   Format(u"%-6s|%5.2f|%.3d|%x", {Text("ab"), Double(3.14159), Int(7), Int(255)})
//       == u"ab    | 3.14|007|FF"
//   FormatFloat(u"#,##0.00;(#,##0.00);zero", -1234.5) == u"(1,234.50)"
//   FormatDateTime(u"dddd d mmmm yyyy hh:nn am/pm", 2024-03-09 14:05) == u"Saturday 9 March 2024 02:05 pm"
//   FormatMaskText(u"(000) 000-0000;0;_", u"5551234567") == u"(555) 123-4567"
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "engine/value/value.h"

namespace qv {

// Percent-sign specifiers "%" [index ":"] ["-"] [width] ["." precision] type,
// type one of d u x p (integers), e f g n m (numbers), s (any value as
// text); index, width and precision may be "*" (taken from the arguments);
// "%%" is a percent sign. The index counts from 0 and later specifiers
// continue after it. A specifier that does not fit its argument raises
// ScriptError "Format 'fmt' invalid or incompatible with argument"; a
// missing argument "No argument for format 'fmt'".
std::u16string Format(std::u16string_view format, std::span<const Value> args);

// The number picture language: 0 and # digit places, "." the decimal point,
// "," thousands separators, E+ E- e+ e- exponents, '..' and ".." quoted text,
// and up to three sections "positive;negative;zero". An empty picture gives
// the general text form of the number.
std::u16string FormatFloat(std::u16string_view format, double value);

// The date picture language (c d dd ddd dddd ddddd dddddd e ee g gg m mm mmm
// mmmm yy yyyy h hh n nn s ss z zzz t tt am/pm a/p ampm / : and quoted
// text; m right after an h means minutes). An empty picture is "c".
std::u16string FormatDateTime(std::u16string_view format, double dateTime);

// Applies an edit mask "mask[;save[;blank]]" to `value`. When the save field
// is "0" the value holds only the entered characters and the mask's literals
// are inserted; otherwise the value holds the literals too and each part
// between them is fitted into its field. Missing characters are blanks.
std::u16string FormatMaskText(std::u16string_view editMask, std::u16string_view value);

}  // namespace qv
