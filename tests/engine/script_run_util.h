// Compiling and running small scripts in the tests: a program below the
// GlobalProgram with an `lg` that collects its lines.
#pragma once

#include <string>
#include <vector>

#include "engine/classes/class_library.h"
#include "engine/items/objects.h"
#include "engine/program/program.h"
#include "engine/syslib/sys_library.h"
#include "engine/translate/source_lines.h"
#include "engine/value/value_ops.h"
#include "support/errors.h"

namespace qv::testing {

class ScriptRun {
 public:
  explicit ScriptRun(const std::u16string& syntax = u"js") {
    RegisterSysLibraryModule();
    RegisterClassesModule();
    prog.SetParent(&GlobalProgram());
    prog.SetSyntaxType(syntax);
    prog.AddMethod(u"procedure lg(const msg:variant='';ouput:boolean=false);",
                   [this](HostObject*, const HostClass*, const std::u16string&, Caller& c) {
                     lines.push_back(ToText(c.GetParam(0)));
                     return Value::Null();
                   });
  }
  ~ScriptRun() { ObjectRegistry::Instance().FreeOwnedBy(prog.ObjectOwner()); }

  bool Compile(const std::u16string& source) {
    prog.Lines() = SplitLines(source);
    return prog.Compile();
  }
  // Compiles and runs; the run-time error's message, or empty.
  std::u16string Run(const std::u16string& source) {
    if (!Compile(source)) return u"compile: " + prog.ErrorMsg() + u" at " + prog.ErrorPos();
    try {
      prog.Execute();
    } catch (const ScriptError& e) {
      return e.message();
    }
    return u"";
  }
  std::u16string Output() const {
    std::u16string out;
    for (const auto& l : lines) out += l + u"|";
    return out;
  }

  TfsScript prog;
  std::vector<std::u16string> lines;
};

}  // namespace qv::testing
