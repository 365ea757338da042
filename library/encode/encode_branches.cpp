// The dispatcher's branches for encoders and digests.
#include "library/branches.h"

namespace qv::library {

std::span<const Branch> EncoderBranches() { return {}; }  // no function of this family yet

}  // namespace qv::library
