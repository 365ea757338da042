// Traditional <-> Simplified Chinese characters, on ICU's transliterators
// ("Hant-Hans" and "Hans-Hant"). Characters without a counterpart stay as
// they are; text outside the Han script is untouched.
//
//   TraditionalToSimplified(u"中國") == u"中国"
#pragma once

#include <string>
#include <string_view>

namespace qv {

std::u16string TraditionalToSimplified(std::u16string_view text);
std::u16string SimplifiedToTraditional(std::u16string_view text);

}  // namespace qv
