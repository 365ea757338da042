// The loop behind replacecontent with an empty target, and behind the
// heading candidates of analyzetitle: while a mask pattern matches, take the
// whole matched span and remove every occurrence of it (without regard to
// case) from the text.
//
//   RemoveMatchedSpans(u"a<!--x-->b<!--y-->c<!--x-->", u"<!--(*)-->")  == u"abc"
//       (the spans, in order: "<!--x-->", "<!--y-->")
//
// Done literally, every distinct span costs a pass over the whole text. This
// finds each span where the mask would find it and removes its occurrences
// from an index of the spans the text holds, so a page with thousands of
// distinct comments takes one pass. Texts where a removal could change the
// spans around it (nested or overlapping spans, a mask literal formed where
// two pieces join, characters whose upper case is ASCII) take the literal
// loop from that point on; the result is the same either way.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace qv::library::html {

using SpanSink = std::function<void(std::u16string_view span)>;

std::u16string RemoveMatchedSpans(std::u16string_view text, std::u16string_view pattern,
                                  const SpanSink& onSpan = {});

}  // namespace qv::library::html
