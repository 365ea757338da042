// Designators: the run-time form of a name chain such as a.b[1].c(2, x).
//
// The builder resolves a chain into steps (TfsDesignatorItem), each naming
// the item that performs it and carrying its argument expressions. Reading
// walks the steps left to right, feeding each step's value to the next:
//
//   auto d = std::make_unique<TfsDesignator>(&prog);
//   TfsDesignatorItem* step = d->AddStep(listVar);   // list
//   step = d->AddStep(itemsProperty);                // .Items[...]
//   step->AddArg(std::move(indexExpression));
//   d->Finalize();
//   Value v = d->GetValue();
//
// Every step runs through its own call frame (caller.h), so nothing of a call
// is left in a shared item. Three specialised classes skip the walk for the
// most frequent shapes: a plain variable, a character of a string variable
// and an element of an array variable; an element of any other plain
// variable (a variant holding an array) skips the frames. A chain whose tail
// could not be resolved at build time keeps its intermediate code and is
// rebuilt by the builder at its first evaluation (late binding).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/items/items.h"

namespace qv {

class TfsExpression;
class TfsXMLItem;
struct ArrayIndexValues;
class TfsScript;
class TfsDesignator;

// One step of a chain: the item that performs it and its arguments, one per
// parameter of the item.
class TfsDesignatorItem : public TfsObject {
 public:
  explicit TfsDesignatorItem(TfsCustomVariable* ref = nullptr, std::u16string_view sourcePos = u"");
  ~TfsDesignatorItem() override;

  TfsCustomVariable* Ref() const noexcept { return ref_; }
  void SetRef(TfsCustomVariable* ref) noexcept;
  // The step's item when it is itself a designator (a nested chain).
  TfsDesignator* NestedDesignator() const noexcept { return nested_; }
  // The step's item when it is a script procedure.
  TfsProcVariable* Proc() const noexcept { return proc_; }

  // Set by the builder on a step whose index arguments are attached; not
  // used when evaluating.
  bool Flag() const noexcept { return flag_; }
  void SetFlag(bool on) noexcept { flag_ = on; }
  std::u16string SourcePos() const { return sourcePos_.Text(); }
  void SetSourcePos(std::u16string_view pos) { sourcePos_ = PackedPos(pos); }

  TfsExpression* AddArg(std::unique_ptr<TfsExpression> arg);
  int ArgCount() const noexcept { return static_cast<int>(args_.size()); }
  // Argument i; raises "List index out of bounds (i)" outside the list.
  TfsExpression* Arg(int i) const {
    if (static_cast<size_t>(i) >= args_.size()) throw ListIndexError(i);
    return args_[static_cast<size_t>(i)].get();
  }

 private:
  bool flag_ = false;
  TfsCustomVariable* ref_ = nullptr;
  TfsDesignator* nested_ = nullptr;
  TfsProcVariable* proc_ = nullptr;
  PackedPos sourcePos_;
  std::vector<std::unique_ptr<TfsExpression>> args_;
};

enum TfsDesignatorKind : uint8_t { dkOther, dkVariable, dkStringArray, dkArray };

// Rebuilds a late-bound designator from its kept intermediate code in the
// given program; raises the builder's error when a name cannot be resolved.
// The builder installs it once at start-up.
using LateBinder = std::unique_ptr<TfsDesignator> (*)(const TfsXMLItem& xml, TfsScript& prog);
void SetLateBinder(LateBinder binder) noexcept;
LateBinder GetLateBinder() noexcept;

// The general chain. Its kind, type name and read-only flag are those of the
// last step (after Finalize).
class TfsDesignator : public TfsCustomVariable {
 public:
  // Takes `program`'s nearest main program and copies its class
  // late-binding setting into `program`.
  explicit TfsDesignator(TfsScript* program);
  ~TfsDesignator() override;
  TfsDesignator* AsDesignator() noexcept override { return this; }

  TfsDesignatorItem* AddStep(TfsCustomVariable* ref, std::u16string_view sourcePos = u"");
  TfsDesignatorItem* AddStep(std::unique_ptr<TfsDesignatorItem> step);
  // Removes and frees the last step (the builder backs out of a step).
  void RemoveLastStep();
  int StepCount() const noexcept { return static_cast<int>(steps_.size()); }
  // Step i; raises "List index out of bounds (i)" outside the list.
  TfsDesignatorItem* Step(int i) const;

  // Takes kind, type name and read-only flag from the steps and selects the
  // designator kind; call once the steps are complete.
  void Finalize();
  // Exchanges the step lists with `other` and copies its kind, references,
  // type and read-only flag: moves a finished chain into the class of its
  // kind, or adopts a late-bound rebuild.
  void Borrow(TfsDesignator& other);

  Value GetValue() override;
  void SetValue(const Value& v) override;
  bool HasStorage() const noexcept override { return false; }

  // A resolved chain that is one call of a script procedure; CallSole reads
  // it as GetValue would.
  bool IsSoleCall() const noexcept { return soleProc_ != nullptr && !lateBindingXmlSource_; }
  Value CallSole() { return CallProc(*steps_[0], *soleProc_); }

  TfsDesignatorKind Kind() const noexcept { return kind_; }
  TfsScript* Prog() const noexcept { return program_; }
  TfsScript* MainProg() const noexcept { return mainProg_; }
  // dkStringArray: the index expression; dkArray: the array helper.
  TfsCustomVariable* Ref1() const noexcept { return ref1_; }
  // dkArray: the step with the index expressions.
  TfsDesignatorItem* Ref2() const noexcept { return ref2_; }

  TfsXMLItem* LateBindingXmlSource() const noexcept { return lateBindingXmlSource_.get(); }
  void SetLateBindingXmlSource(std::unique_ptr<TfsXMLItem> xml);

 protected:
  // The general walk; stores `*store` into the last step when given.
  Value Walk(const Value* store);
  // Called at the end of Borrow: a specialised class prepares its shape.
  virtual void Adopted() {}

 private:
  void CompleteLateBinding();
  Value RunStep(TfsDesignatorItem& step, TfsCustomVariable* previous, Value running, bool last,
                const Value* store);
  // A read of a script procedure's step, without a frame (inline: every
  // script call comes here).
  Value CallProc(TfsDesignatorItem& step, TfsProcVariable& proc) {
    if (proc.ParamCount() > CallFrame::kInlineArgs || proc.IsMacro()) return CallFramed(step);
    return proc.CallStep(step);
  }
  // The procedure's step through a frame (many parameters, macros).
  Value CallFramed(TfsDesignatorItem& step);
  bool WalkElement(const Value* store, Value& out);

  TfsDesignatorKind kind_ = dkOther;
  // dkArray built with the specialised paths: the walk may be skipped.
  bool elementInPlace_ = false;
  // The procedure of a chain that is a single call of a script procedure.
  TfsProcVariable* soleProc_ = nullptr;
  TfsScript* mainProg_ = nullptr;
  TfsScript* program_;
  TfsCustomVariable* ref1_ = nullptr;
  TfsDesignatorItem* ref2_ = nullptr;
  std::unique_ptr<TfsXMLItem> lateBindingXmlSource_;
  std::vector<std::unique_ptr<TfsDesignatorItem>> steps_;
};

// A single variable: reads and writes it directly.
class TfsVariableDesignator : public TfsDesignator {
 public:
  using TfsDesignator::TfsDesignator;
  Value GetValue() override;
  void SetValue(const Value& v) override;
};

// s[i] on a string variable. An index outside 1..length raises "String
// index out of range (i)".
class TfsStringDesignator : public TfsDesignator {
 public:
  using TfsDesignator::TfsDesignator;
  Value GetValue() override;
  void SetValue(const Value& v) override;

 private:
  size_t Index(const std::u16string& text);
};

// a[i, j] on an array variable, through the variable's array helper: a read
// outside the bounds gives Null, a write there raises.
//
// With the specialised paths on, an element of a script's own array
// variable (exactly a TfsVariable, not shared) is read and written in place:
// the index expressions are evaluated in order as the helper's frame would
// be filled, then converted, checked and applied to the stored array by the
// helper's rules (array_index.h). Anything else goes through the helper.
class TfsArrayDesignator : public TfsDesignator {
 public:
  using TfsDesignator::TfsDesignator;
  Value GetValue() override;
  void SetValue(const Value& v) override;

 protected:
  void Adopted() override;

 private:
  // Indexes that are not all plain integer variables, or the general path.
  [[gnu::noinline]] Value GetEvaluated();
  [[gnu::noinline]] void SetEvaluated(const Value& v);
  void FillIndexes(CallFrame& frame);
  void EvalIndexes(ArrayIndexValues& values);
  bool PlainIndexes(int32_t* index) const noexcept;
  long long PlainOffset(const ArrayBlock& a, const int32_t* index) const noexcept;
  // Whether this access may use the stored array in place.
  bool InPlace() const noexcept { return inPlace_ && !RefItem()->IsShared(); }

  bool inPlace_ = false;
  // The variable is a declared array with this helper; any other chain of
  // this kind is the general walk's.
  bool declared_ = false;
  // Every declared index is given as one plain variable.
  bool plainIndexes_ = false;
  // The helper's parameters (declared dimensions) and the index
  // expressions evaluated: one per parameter, at most.
  int8_t params_ = 0;
  int8_t evaluated_ = 0;
  TfsExpression* index_[ArrayBlock::kMaxDims] = {nullptr, nullptr, nullptr};
  // The variable of an index expression that is one plain variable (read
  // in place as its expression node would), else nullptr.
  TfsCustomVariable* indexVar_[ArrayBlock::kMaxDims] = {nullptr, nullptr, nullptr};
};

}  // namespace qv
