// The host functions beyond the download functions that talk HTTP: a
// request of any method on the thread's client. They are registered after
// the host functions; their reference rows are in host_descriptions.cpp.
#pragma once

#include "engine/engine.h"

namespace qv::host {

class TQuorvint;

void RegisterRequestFunctions(TfsScript& prog, TQuorvint& thread);

}  // namespace qv::host
