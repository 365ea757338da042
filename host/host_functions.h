// The host functions every script thread registers on its program.
#pragma once

#include <span>

#include "engine/engine.h"

namespace qv::host {

class TQuorvint;

// Registers the host functions, in their order, with one dispatcher bound
// to `thread`.
void RegisterHostFunctions(TfsScript& prog, TQuorvint& thread);

// The declaration strings, in registration order.
std::span<const char16_t* const> HostFunctionDeclarations();

}  // namespace qv::host
