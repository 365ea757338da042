// Chinese numerals and integers.
//
//   ChineseToNumber(u"三十五万")   == 350000
//   ChineseToNumber(u"壹佰贰拾肆") == 124
//   NumberToChinese(10005)         == u"一万零五"
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qv::library {

// Reads lower-case and capital digits, ASCII digits and the units 十 百 千
// 万 亿 (仟 佰 拾 as 千 百 十, 两 as 2); other characters are skipped. A
// digit replaces the one before it (only the digit before a unit counts);
// 万 and 亿 multiply everything read since the last larger unit; a 十 with
// no digit before it counts as ten. The result saturates at the limits of
// 64 bits.
int64_t ChineseToNumber(std::u16string_view text);

// The amount in lower-case Chinese numerals, grouped by 万 and 亿, with one
// 零 for each run of missing places ("一千零五") and a leading 一十 read as
// 十 ("十五"). Hundredths, rounded half to even, follow "点" when not zero.
// Negative amounts are refused by the caller.
std::u16string NumberToChinese(double amount);

}  // namespace qv::library
