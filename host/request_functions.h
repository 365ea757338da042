// The host functions beyond the download functions that talk HTTP: a
// request of any method on the thread's client. They are registered after
// the host functions, each with a one-line description.
#pragma once

#include <span>

#include "engine/engine.h"

namespace qv::host {

class TQuorvint;

struct FunctionDescription {
  const char16_t* declaration;
  const char16_t* description;
};

void RegisterRequestFunctions(TfsScript& prog, TQuorvint& thread);

// The declarations with their descriptions, in registration order.
std::span<const FunctionDescription> RequestFunctionDescriptions();

}  // namespace qv::host
