// Pattern pieces the HTML functions share.
#pragma once

namespace qv::library::html {

// What may follow a tag's name up to its ">": plain text, a lone double
// quote, or text in quotes that starts with an apostrophe. The run of plain
// characters is possessive: giving part of it back can never end the tag,
// so the match found is the one the plain greedy form finds, without trying
// every way to cut the text (which is exponential on a tag that does not
// close, such as JSON with a lone apostrophe in an attribute).
#define QV_HTML_TAG_REST R"((?:"|'[^"]*"|'[^']*'|[^>'"]++)*)"

// The same as one atomic group: linear on any text, but a tag that only
// closes after choosing the second kind of apostrophe quote does not match.
// Used when PCRE2's limits stop the first form.
#define QV_HTML_TAG_REST_ATOMIC R"((?>(?:"|'[^"]*"|'[^']*'|[^>'"]++)*))"

}  // namespace qv::library::html
