// The public function library: about a hundred global functions (strings
// and arrays, encoders and digests, mask patterns, HTML extraction, URLs,
// files, INI files, time, Chinese text) that every script sees through the
// GlobalProgram.
//
//   RegisterFunctionsModule();            // once, after the engine's modules
//   TfsScript& g = GlobalProgram();       // its AddRTTI creates TFunctions
//
// Every call reaches one dispatcher, TFunctions::CallMethod, which finds the
// function's branch by its upper-case name; the result is the integer 0 when
// a branch assigns none, and a registered name without a branch does nothing.
#pragma once

#include <string>

#include "engine/engine.h"
#include "engine/program/descriptions.h"

namespace qv {

class TFunctions : public TfsRTTIModule {
 public:
  explicit TFunctions(TfsScript& script);
  static Value CallMethod(HostObject* instance, const HostClass* classType, const std::u16string& methodName,
                          Caller& caller);
};

// Adds the module to the ModuleRegistry once (after the system library and
// the built-in classes); later calls do nothing.
void RegisterFunctionsModule();

// The reference rows of the module's functions and constants.
std::span<const NameDescription> FunctionDescriptions();

}  // namespace qv
