// Functions for polite crawling, registered after the host functions.
#pragma once

#include <span>

#include "engine/engine.h"

namespace qv::host {

class TQuorvint;

void RegisterPolitenessFunctions(TfsScript& prog, TQuorvint& thread);

// The declaration strings, in registration order.
std::span<const char16_t* const> PolitenessFunctionDeclarations();

}  // namespace qv::host
