// The script engine's public contract: what the library, web access, the
// script host and the runners use. Code outside engine/ includes this header
// (and support/'s public headers) only; everything else under engine/ is
// internal and may change.
//
// A host registers its functions by declaration string, then compiles and
// runs a script that calls them:
//
//   RegisterSysLibraryModule();          // once, at start-up: the modules
//   RegisterClassesModule();             // every program gets, in order
//
//   TfsScript prog;
//   prog.SetParent(&GlobalProgram());    // the libraries of every script
//   prog.AddMethod("function twice(x: Integer): Integer",
//                  [](HostObject*, const HostClass*, const std::u16string&, Caller& c) {
//                    return Value::Int(2 * ToInt32(c.GetParam(0)));
//                  });
//   prog.Lines() = SplitLines(u"#language js\r\nvar y = twice(21);");
//   if (!prog.Compile()) { /* prog.ErrorMsg(), prog.ErrorPos() */ }
//   prog.Execute();                      // run-time errors raise ScriptError
//
// What the contract holds:
// - the program object TfsScript, the GlobalProgram, registration modules
//   (TfsRTTIModule, ModuleRegistry) and the two built-in modules;
// - the execution lock a host thread holds while it runs statements
//   (ExecutionLockHolder) and gives up inside blocking calls (BlockingCall);
// - the host bridge: Caller (a call's arguments and by-reference results),
//   host classes and objects (HostClass, HostObject, ObjectRegistry);
// - the value and its operators and conversions (Value, ToInt32, ToText...);
// - the errors (ScriptError and its kinds, in support/errors.h);
// - source lines, memory streams and the XML document that carry scripts
//   and their intermediate code.
#pragma once

#include "engine/classes/class_library.h"
#include "engine/items/caller.h"
#include "engine/items/host_class.h"
#include "engine/items/objects.h"
#include "engine/program/execution_lock.h"
#include "engine/program/program.h"
#include "engine/syslib/sys_library.h"
#include "engine/translate/source_lines.h"
#include "engine/value/value.h"
#include "engine/value/value_ops.h"
#include "engine/xml/stream.h"
#include "engine/xml/xml.h"
#include "support/errors.h"

namespace qv {

// The engine's version text, the project's version ("0.1.0").
const char* EngineVersion();

}  // namespace qv
