// Mask patterns: literal text with gaps. A hide mask ("[*]" by default)
// skips any text; a capture mask ("(*)") skips any text and returns it.
//
//   MaskMatch(u"Price: 12 USD; Tax: 3 USD", u"price: (*) usd[*]tax: (*) usd")
//       -> u"12||3"
//   MaskMatch(u"abc=1", u"(*)=", u"||", u"[*]", u"(*)", true)  -> u"abc="
//
// Literal segments are compared with the ASCII letters folded to lower case
// and every other character exactly; each segment must occur after the one
// before it. No regular expression is compiled for a mask.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qv::library {

inline constexpr std::u16string_view kHideMask = u"[*]";
inline constexpr std::u16string_view kCaptureMask = u"(*)";

enum class GapKind : unsigned char { Hide, Capture };

// A compiled mask: segments S0..Sk and the gaps G0..G(k-1) between them.
struct MaskPattern {
  std::vector<std::u16string> segments;
  std::vector<GapKind> gaps;
  bool hasMasks = false;  // false: the pattern held neither mask
};

// Splits `pattern` at the hide mask, then each piece at the capture mask
// (with SplitText, so a mask in regular-expression notation cuts at its
// matches). A pattern that contains neither mask (compared without regard
// to case; an empty mask never occurs) compiles to no segments and
// hasMasks false: the matcher then uses the source itself as the one
// segment.
MaskPattern CompileMask(std::u16string_view pattern, std::u16string_view hideMask = kHideMask,
                        std::u16string_view captureMask = kCaptureMask);

// The captures joined with `contact` (a contact only after a non-empty
// result), or with `whole` the matched span of the source; empty text when
// a segment is missing.
std::u16string MaskMatch(std::u16string_view source, std::u16string_view pattern,
                         std::u16string_view contact = u"||", std::u16string_view hideMask = kHideMask,
                         std::u16string_view captureMask = kCaptureMask, bool whole = false);

// The matcher on a compiled mask.
std::u16string MaskMatch(std::u16string_view source, const MaskPattern& mask, std::u16string_view contact,
                         bool whole);

// Where a match lies: [begin, end) in the text; with `whole`, the matched
// span, from the first character when the mask starts with a gap.
struct MaskSpan {
  bool matched = false;
  size_t begin = 0;
  size_t end = 0;
};

// The matcher on text[from..], given the text with its ASCII letters folded
// to lower case (FoldAscii), so that repeated matches on one text fold it
// once. `captures` receives what MaskMatch would return without `whole`.
MaskSpan MaskMatchAt(std::u16string_view text, std::u16string_view folded, size_t from,
                     const MaskPattern& mask, std::u16string_view contact, bool whole,
                     std::u16string* captures = nullptr);

// The text with the letters A-Z lower-cased.
std::u16string FoldAscii(std::u16string_view text);

// A compact form of a compiled mask for tests and messages:
// "price: " (*) " usd" [*] "tax: " ...
std::u16string DescribeMask(const MaskPattern& mask);

}  // namespace qv::library
