// The dispatcher's branches for Chinese text utilities.
#include "library/branches.h"

namespace qv::library {

std::span<const Branch> ChineseBranches() { return {}; }  // no function of this family yet

}  // namespace qv::library
