// Shared pieces of the program, item and bridge tests.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "engine/items/items.h"
#include "engine/program/program.h"
#include "engine/run/statement.h"

namespace qv::testing {

// A statement that runs a function: stands in for real statement kinds.
class FnStatement : public TfsStatement {
 public:
  FnStatement(TfsScript* program, std::function<void()> fn)
      : TfsStatement(program, u"", u"1:1"), fn_(std::move(fn)) {}
  void Execute() override { fn_(); }

 private:
  std::function<void()> fn_;
};

inline void AddStatement(TfsScript& prog, std::function<void()> fn) {
  prog.Statement()->Add(std::make_unique<FnStatement>(&prog, std::move(fn)));
}

// The standard type names the declaration strings of the tests use.
inline void AddBasicTypes(TfsScript& prog) {
  prog.AddType(u"Integer", fvtInt);
  prog.AddType(u"Word", fvtInt);
  prog.AddType(u"Boolean", fvtBool);
  prog.AddType(u"Extended", fvtFloat);
  prog.AddType(u"TDateTime", fvtFloat);
  prog.AddType(u"String", fvtString);
  prog.AddType(u"Variant", fvtVariant);
  prog.AddType(u"Array", fvtArray);
  prog.AddType(u"ArrayString", fvtArray);
  prog.AddType(u"Constructor", fvtConstructor);
  prog.AddConst(u"False", u"Boolean", Value::Bool(false));
  prog.AddConst(u"True", u"Boolean", Value::Bool(true));
  prog.AddConst(u"Null", u"Variant", Value::Null());
}

// A procedure item with a body, entered into `prog`.
inline TfsProcVariable* AddProc(TfsScript& prog, const std::u16string& name, bool isFunc,
                                TfsVarType typ = fvtInt, const std::u16string& typeName = u"Integer") {
  return prog.AddItem(name, std::make_unique<TfsProcVariable>(name, typ, typeName, &prog, isFunc));
}

}  // namespace qv::testing
