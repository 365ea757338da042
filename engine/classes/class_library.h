// The built-in classes module: registers the general-purpose classes every
// script can use (objects, lists, string lists, streams, components and the
// engine's XML document classes) with their constants and enumerations.
//
//   RegisterClassesModule();          // once, at start-up
//   TfsScript& g = GlobalProgram();   // its AddRTTI creates the module
//
// The classes and their members are rows (class_members.h): one declaration
// and the code that runs it. Every member reaches one method handler, one
// property getter or one property setter of the module, which choose the
// row by the class the member was registered at and by the member's
// upper-case name, the key derived from the row's declaration; a name the
// class does not register here returns the integer 0. The operation is
// applied to the instance itself, so TStrings.Add on a sorted TStringList
// inserts in order. Objects are found through the object registry: a freed
// object or a value that is no object of the expected class raises
// "Invalid object reference".
#pragma once

#include <string>

#include "engine/program/program.h"

namespace qv {

class TfsClassesRTTI : public TfsRTTIModule {
 public:
  explicit TfsClassesRTTI(TfsScript& script);

  // The three handlers every member of the module is registered with.
  static Value CallMethod(HostObject* instance, const HostClass* classType, const std::u16string& methodName,
                          Caller& caller);
  static Value GetProp(HostObject* instance, const HostClass* classType, const std::u16string& propName,
                       Caller& caller);
  static void SetProp(HostObject* instance, const HostClass* classType, const std::u16string& propName,
                      const Value& value, Caller& caller);
};

// Enters the module in the ModuleRegistry, after the system library.
// Calling it again does nothing.
void RegisterClassesModule();

}  // namespace qv
