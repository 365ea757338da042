// The dispatcher's branches for evaluation, calling script functions by name, random numbers, identifiers, application variables.
#include "library/branches.h"

namespace qv::library {

std::span<const Branch> CoreBranches() { return {}; }  // no function of this family yet

}  // namespace qv::library
