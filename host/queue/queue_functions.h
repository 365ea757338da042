// The work queue's script functions: queueadd, queuetake, queuedone and
// queueinfo, registered after the host functions, with their descriptions.
#pragma once

#include <span>

#include "engine/engine.h"

namespace qv::host {

class TQuorvint;

namespace queue {

struct FunctionRow {
  const char16_t* declaration;
  const char16_t* summary;      // one line
  const char16_t* description;  // two sentences
  const char16_t* example;
};

// In registration order.
std::span<const FunctionRow> QueueFunctionRows();

// Registers the rows on `prog`; a call acts on `thread`, whose stop ends a
// waiting queuetake at once.
void RegisterQueueFunctions(TfsScript& prog, TQuorvint& thread);

}  // namespace queue
}  // namespace qv::host
