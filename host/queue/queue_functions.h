// The work queue's script functions: queueadd, queuetake, queuedone and
// queueinfo, registered after the host functions (their reference rows are
// in host_descriptions.cpp).
#pragma once

#include "engine/engine.h"

namespace qv::host {

class TQuorvint;

namespace queue {

// Registers the functions on `prog`; a call acts on `thread`, whose stop ends a
// waiting queuetake at once.
void RegisterQueueFunctions(TfsScript& prog, TQuorvint& thread);

}  // namespace queue
}  // namespace qv::host
