// TQuorvinter as scripts see it: a host thread's name, template output,
// variables, and Start, Stop and release.
#pragma once

#include "engine/engine.h"

namespace qv::host {

class TQuorvint;

// Registers class TQuorvinter on `prog`; `thread` is the registering
// (calling) thread.
void RegisterThreadClass(TfsScript& prog, TQuorvint& thread);

}  // namespace qv::host
