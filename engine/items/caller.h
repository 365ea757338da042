// The host bridge's per-call frame.
//
// A call of a registered host method, property, class or indexing helper
// carries its arguments, by-reference results, the value being assigned in a
// ".SET" call and the designator context (parent item, parent value, calling
// program) in a frame that the caller allocates on its stack. Handlers read
// it through Caller. Shared items (those of the GlobalProgram) keep nothing
// of a call, so several threads may call the same item at once.
//
//   CallFrame frame(*method, callingProgram);  // Count() == parameter count
//   frame.Arg(0) = Value::Int(2);
//   frame.Arg(1) = Value::Int(3);
//   Value r = method->Read(frame);              // the handler runs
//   Value byRef = frame.GetParam(1);            // what SetParam(1, ...) left
//
// Arguments live in an inline array for up to kInlineArgs parameters, so a
// call with few arguments allocates nothing.
#pragma once

#include <memory>
#include <string>

#include "engine/value/value.h"

namespace qv {

class TfsCustomVariable;
class TfsScript;

class Caller {
 public:
  Caller(const Caller&) = delete;
  Caller& operator=(const Caller&) = delete;

  // Number of declared parameters (the arguments of this call).
  int Count() const noexcept { return count_; }
  // Argument i; GetParam(Count()) is the value being assigned in a ".SET"
  // call (Null otherwise). Other indexes raise an error.
  const Value& GetParam(int i) const {
    if (static_cast<unsigned>(i) < static_cast<unsigned>(count_)) return args_[i];
    return ParamOutside(i);
  }
  // Writes argument i; the caller copies by-reference arguments back to its
  // variables after the call.
  void SetParam(int i, Value v);
  // The calling scope: names are looked up and evaluated there.
  TfsScript* Prog() const noexcept { return prog_; }
  // Whether the caller uses the result.
  bool NeedResult() const noexcept { return needResult_; }
  // The called item's name as declared.
  const std::u16string& Name() const noexcept;
  // The called item (a method or property helper, a class, ...).
  TfsCustomVariable* Item() const noexcept { return item_; }

  // Designator context: the item that produced the value this step acts on
  // (none for a first step) and that value (Null for a first step).
  TfsCustomVariable* ParentRef() const noexcept { return parentRef_; }
  const Value& ParentValue() const noexcept { return parentValue_; }
  // The value being assigned in a ".SET" call; Null otherwise.
  const Value& AssignedValue() const noexcept { return setValue_; }

  void SetParent(TfsCustomVariable* ref, Value value) {
    parentRef_ = ref;
    parentValue_ = std::move(value);
  }
  void SetNeedResult(bool need) noexcept { needResult_ = need; }
  void SetProg(TfsScript* prog) noexcept { prog_ = prog; }

 protected:
  Caller(TfsCustomVariable* item, TfsScript* prog, Value* args, int count) noexcept
      : item_(item), prog_(prog), args_(args), count_(count) {}
  ~Caller() = default;
  void SetArgs(Value* args) noexcept { args_ = args; }

 private:
  friend class TfsMethodHelper;
  friend class TfsProcVariable;
  friend class AssignedValueScope;

  const Value& ParamOutside(int i) const;

  TfsCustomVariable* item_;
  TfsScript* prog_;
  TfsCustomVariable* parentRef_ = nullptr;
  Value parentValue_ = Value::Null();
  Value setValue_ = Value::Null();
  Value* args_;
  int count_;
  bool needResult_ = true;
};

// A Caller with its own argument storage. Not movable: the base points into
// the inline array.
class CallFrame : public Caller {
 public:
  static constexpr int kInlineArgs = 6;

  // A frame for a call of `item` with one argument per declared parameter,
  // each empty until set.
  CallFrame(TfsCustomVariable& item, TfsScript* prog);
  // A frame with `count` arguments (item may be null for ad-hoc frames).
  CallFrame(TfsCustomVariable* item, TfsScript* prog, int count);

  // Argument i for the caller to fill; raises outside 0..Count()-1.
  Value& Arg(int i);

 private:
  Value inline_[kInlineArgs];
  std::unique_ptr<Value[]> heap_;
};

}  // namespace qv
