// The dispatcher's branches for URL helpers.
#include "library/branches.h"

namespace qv::library {

std::span<const Branch> UrlBranches() { return {}; }  // no function of this family yet

}  // namespace qv::library
