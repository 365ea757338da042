// The dispatcher's branches for HTML to text, title and main-content extraction.
#include "library/branches.h"

namespace qv::library {

std::span<const Branch> HtmlBranches() { return {}; }  // no function of this family yet

}  // namespace qv::library
