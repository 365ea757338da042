// The dispatcher's branches for files, folders, INI files, time and processes.
#include "library/branches.h"

namespace qv::library {

std::span<const Branch> FileBranches() { return {}; }  // no function of this family yet

}  // namespace qv::library
