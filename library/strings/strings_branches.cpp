// The dispatcher's branches for string and array functions.
#include "library/branches.h"

namespace qv::library {

std::span<const Branch> StringBranches() { return {}; }  // no function of this family yet

}  // namespace qv::library
