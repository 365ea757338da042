// Conversions between a URL, its readable pattern (with the placeholder
// words 数字 for digits, 任意字符 for any text and 字符 for word characters)
// and a regular expression.
//
//   Url2CReg(u"http://h/news/2010/0512/77.html") -> u"/news/数字/数字/数字.html"
//   Url2Reg(u"http://h/news/2010/0512/77.html")  -> u"/news/\\d+/\\d+/\\d+\\.html"
#pragma once

#include <string>
#include <string_view>

namespace qv::library {

std::u16string Url2CReg(std::u16string_view url);
std::u16string Url2Reg(std::u16string_view url);
std::u16string CReg2Reg(std::u16string_view pattern);
std::u16string Reg2CReg(std::u16string_view pattern);

}  // namespace qv::library
