// The dispatcher's branches for mask patterns, the regular-expression notation and pattern conversions.
#include "library/branches.h"

namespace qv::library {

std::span<const Branch> MaskBranches() { return {}; }  // no function of this family yet

}  // namespace qv::library
