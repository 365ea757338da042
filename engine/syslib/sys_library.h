// TfsSysFunctions: the registration module of the system library. It gives
// every script the standard type names, the constants True, False, nil and
// Null and the variant type codes, the string and array indexing helpers,
// the variables ExceptionClassName and ExceptionMessage, and 65 standard
// functions and procedures, all served by one handler that selects the
// function by its upper-case name.
//
// RegisterSysLibraryModule enters the module in the ModuleRegistry as the
// first module; programs then get it through AddRTTI (the GlobalProgram does
// so when it is made).
#pragma once

#include <functional>
#include <string>

#include "engine/program/program.h"

namespace qv {

class TfsSysFunctions : public TfsRTTIModule {
 public:
  explicit TfsSysFunctions(TfsScript& script);

  // The handler of every function of the module.
  static Value CallMethod(HostObject* instance, const HostClass* classType, const std::u16string& methodName,
                          Caller& caller);

  const std::u16string catStr_ = u"ctString";
  const std::u16string catDate_ = u"ctDate";
  const std::u16string catConv_ = u"ctConv";
  const std::u16string catFormat_ = u"ctFormat";
  const std::u16string catMath_ = u"ctMath";
  const std::u16string catOther_ = u"ctOther";
};

// Adds the module to the ModuleRegistry once; later calls do nothing.
void RegisterSysLibraryModule();

// Where ShowMessage sends its text. The default writes it as a line to
// standard output; a host with a window or a log replaces it (or registers
// its own ShowMessage, which shadows this one).
using ShowMessageHandler = std::function<void(const std::u16string& text)>;
void SetShowMessageHandler(ShowMessageHandler handler);

}  // namespace qv
