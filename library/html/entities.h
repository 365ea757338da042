// The named character references that HtmlToText decodes.
#pragma once

#include <string>
#include <string_view>

namespace qv::library::html {

// Sixteen entities in a fixed order; each one that occurs (written exactly
// so) is replaced everywhere without regard to case. "&amp;" comes twice: the
// second row only sees what the first produced, so "&amp;amp;" ends as ";".
std::u16string ReplaceEntities(std::u16string_view text);

// The same table applied the plain way, one pass over the text per row: the
// reference that tests and the fuzz target hold ReplaceEntities to.
std::u16string ReplaceEntitiesRowAfterRow(std::u16string_view text);

}  // namespace qv::library::html
