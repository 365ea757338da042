// Engine items: everything a script name can denote.
//
// All items derive from TfsCustomVariable, which carries a name, a value
// kind and a stored value, and reads and writes through the virtual GetValue
// and SetValue. Items that act like calls (script procedures, host methods,
// properties, classes and the indexing helpers) are read and written with a
// per-call frame (caller.h):
//
//   CallFrame frame(*item, prog);       // one argument per parameter
//   frame.Arg(0) = index;
//   frame.SetParent(previousItem, previousValue);
//   Value v = item->Read(frame);        // or item->Write(frame, newValue)
//   // by-reference arguments: frame.GetParam(j) after the call
//
// Read and Write keep nothing of the call in the item, which is what lets
// several threads use the items of the shared GlobalProgram at once.
// GetValue and SetValue on such an item run it with its parameter items'
// current values and no context (the single-threaded form).
//
// Ownership: an item owns its parameters (its own list); a class item owns
// its members; a procedure owns its local program.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <typeinfo>
#include <vector>

#include "engine/items/caller.h"
#include "engine/items/host_class.h"
#include "engine/items/source_pos.h"
#include "engine/items/var_type.h"
#include "engine/value/value.h"
#include "support/errors.h"

namespace qv {

class HostObject;
class TfsScript;
class TfsCustomVariable;
class TfsDesignator;
class TfsProcVariable;
class TfsParamItem;
class TfsClassVariable;
class TfsStatement;
class TfsDesignatorItem;

// How an item keeps its value, for the run-time fast paths that bypass the
// virtual GetValue and SetValue.
enum class ItemStorage : uint8_t {
  Computed,   // always through the virtual calls
  Variable,   // PValue() holds the value; writes convert by kind (TfsVariable)
  Parameter,  // PValue() holds the value; writes store it as given (TfsParamItem)
  Text,       // the text lives in Str() (TfsStringVariable)
};

// Root of everything a name table or an item list may own.
class TfsObject {
 public:
  TfsObject() = default;
  TfsObject(const TfsObject&) = delete;
  TfsObject& operator=(const TfsObject&) = delete;
  virtual ~TfsObject() = default;
  // The object as an engine item, or nullptr for other table entries
  // (registration modules, event adapters).
  virtual TfsCustomVariable* AsItem() noexcept { return nullptr; }
  // The object as a statement, or nullptr (defined in statement.h).
  TfsStatement* AsStatement() noexcept;

 protected:
  // Set by TfsStatement: a list finds its statements without a virtual call.
  bool isStatement_ = false;
};

// An ordered list of owned objects.
class TfsItemList : public TfsObject {
 public:
  ~TfsItemList() override;
  void Add(std::unique_ptr<TfsObject> item);
  // Makes room for `n` more elements.
  void Reserve(size_t n) { list_.reserve(list_.size() + n); }
  int Count() const noexcept { return static_cast<int>(list_.size()); }
  // Element i; raises "List index out of bounds (i)" outside the list.
  TfsObject* Get(int i) const {
    if (static_cast<size_t>(i) >= list_.size()) throw ListIndexError(i);
    return list_[static_cast<size_t>(i)].get();
  }
  // Removes the first occurrence without freeing it (ownership returns to
  // the caller); nullptr when absent.
  std::unique_ptr<TfsObject> Remove(TfsObject* item);
  // Frees and removes the elements, first to last.
  virtual void Clear();

 protected:
  const std::vector<std::unique_ptr<TfsObject>>& Objects() const noexcept { return list_; }

 private:
  std::vector<std::unique_ptr<TfsObject>> list_;
};

// Registration tag of items; 1 marks items of registration modules.
using TfsAddedBy = std::uintptr_t;
inline constexpr TfsAddedBy kAddedByModules = 1;

// Host override of a variable's value on read; Null keeps the stored value.
using TfsGetVariableValueEvent =
    std::function<Value(const std::u16string& varName, TfsVarType varTyp, const Value& oldValue)>;

// Host handlers are std::function, so that a module or a host thread can
// bind its own dispatcher object; calling one costs an indirect call, as a
// function pointer with a context would.
//
// Host handlers. `instance` is the object a member is called on (nullptr for
// global methods); `classType` the class the member was registered at;
// `methodName` the upper-case name, with ".GET"/".SET" for indexed
// properties.
using TfsCallMethodNewEvent = std::function<Value(HostObject* instance, const HostClass* classType,
                                                  const std::u16string& methodName, Caller& caller)>;
// The older form: arguments in an array (one more element, the assigned
// value, on ".SET" calls); by-reference results are written into it.
using TfsCallMethodEvent = std::function<Value(HostObject* instance, const HostClass* classType,
                                               const std::u16string& methodName, std::vector<Value>& params)>;
using TfsGetValueEvent =
    std::function<Value(HostObject* instance, const HostClass* classType, const std::u16string& propName)>;
using TfsSetValueEvent = std::function<void(HostObject* instance, const HostClass* classType,
                                            const std::u16string& propName, const Value& value)>;
using TfsGetValueNewEvent = std::function<Value(HostObject* instance, const HostClass* classType,
                                                const std::u16string& propName, Caller& caller)>;
using TfsSetValueNewEvent =
    std::function<void(HostObject* instance, const HostClass* classType, const std::u16string& propName,
                       const Value& value, Caller& caller)>;

// Display name of a kind ("Integer", "Boolean", ...); class and enumeration
// kinds show `typeName`.
std::u16string FullTypeName(TfsVarType typ, const std::u16string& typeName);

class TfsCustomVariable : public TfsItemList {
 public:
  TfsCustomVariable(std::u16string name, TfsVarType typ, std::u16string typeName);
  ~TfsCustomVariable() override;
  TfsCustomVariable* AsItem() noexcept override { return this; }
  // Kind tests for hot paths: a failed dynamic_cast walks the hierarchy
  // comparing type names.
  virtual TfsDesignator* AsDesignator() noexcept { return nullptr; }
  virtual TfsProcVariable* AsProcedure() noexcept { return nullptr; }

  virtual void SetValue(const Value& v);
  virtual Value GetValue();
  // One call of the item with the arguments and context of `call`. Plain
  // storage items ignore the frame.
  virtual Value Read(Caller& call);
  virtual void Write(Caller& call, const Value& v);

  // The stored value, without overrides or conversions. Not synchronised:
  // never use it on an item of a shared program from a script thread.
  Value& PValue() noexcept { return value_; }
  // A copy of the stored value, and replacing it (no conversion, no
  // read-only test): saving and restoring around a recursive call.
  virtual Value StoredValue() const { return LoadValue(); }
  virtual void RestoreStoredValue(Value v) { StoreValue(std::move(v)); }
  // Runs f(storedValue) in place (an element write into a stored array),
  // under the lock for shared items.
  template <class F>
  void ModifyStoredValue(F&& f) {
    if (!shared_) {
      f(value_);
      return;
    }
    std::lock_guard lock(SharedValueMutex());
    f(value_);
  }
  static std::mutex& SharedValueMutex();
  // See ItemStorage. Decided by the item's exact class (the end of this
  // header), so a derived or new item class is Computed until it opts in
  // there.
  ItemStorage Storage() const noexcept;
  // Plain storage: the value is PValue(), read without code of the item's
  // own (an OnGetVarValue override aside).
  bool HasPlainStorage() const noexcept {
    ItemStorage s = Storage();
    return s == ItemStorage::Variable || s == ItemStorage::Parameter;
  }
  // True for items whose value is their storage (variables, parameters),
  // false for computed ones (calls, helpers, classes).
  virtual bool HasStorage() const noexcept { return true; }

  // Parameters, in declaration order.
  int ParamCount() const noexcept { return static_cast<int>(params_.size()); }
  TfsParamItem* Param(int i) const {
    if (static_cast<size_t>(i) >= params_.size()) throw ListIndexError(i);
    return params_[static_cast<size_t>(i)];
  }
  void AddParam(std::unique_ptr<TfsParamItem> param);
  // The parameters as an array of ParamCount() entries.
  TfsParamItem* const* ParamItems() const noexcept { return params_.data(); }
  int GetNumberOfRequiredParams() const;

  std::u16string GetFullTypeName() const { return FullTypeName(typ_, TypeName()); }

  TfsAddedBy AddedBy() const noexcept { return extra_ ? extra_->addedBy : 0; }
  void SetAddedBy(TfsAddedBy tag) {
    if (tag != 0 || extra_) MakeExtra().addedBy = tag;
  }
  bool IsMacro() const noexcept { return isMacro_; }
  void SetIsMacro(bool on) noexcept { isMacro_ = on; }
  bool IsReadOnly() const noexcept { return isReadOnly_; }
  void SetIsReadOnly(bool on) noexcept { isReadOnly_ = on; }
  const std::u16string& Name() const noexcept { return name_; }
  // Made on first use and kept only when it differs from the name: most
  // items (a script's declared variables) never need it, and name tables
  // compare names without it. Safe to call from several threads.
  const std::u16string& UppercaseName() const {
    const std::u16string* upper = upper_.load(std::memory_order_acquire);
    return upper != nullptr ? *upper : MakeUppercaseName();
  }
  bool NeedResult() const noexcept { return needResult_; }
  void SetNeedResult(bool on) noexcept { needResult_ = on; }
  TfsCustomVariable* RefItem() const noexcept { return refItem_; }
  void SetRefItem(TfsCustomVariable* item) noexcept { refItem_ = item; }
  std::u16string SourcePos() const { return sourcePos_.Text(); }
  const PackedPos& Pos() const noexcept { return sourcePos_; }
  void SetSourcePos(std::u16string_view pos) { sourcePos_ = PackedPos(pos); }
  void SetPos(const PackedPos& pos) { sourcePos_ = pos; }
  const std::u16string& SourceUnit() const noexcept { return extra_ ? extra_->sourceUnit : EmptyText(); }
  void SetSourceUnit(std::u16string unit) {
    if (!unit.empty() || extra_) MakeExtra().sourceUnit = std::move(unit);
  }
  TfsVarType Typ() const noexcept { return typ_; }
  void SetTyp(TfsVarType typ) noexcept { typ_ = typ; }
  const std::u16string& TypeName() const noexcept { return typeName_; }
  void SetTypeName(std::u16string name) { typeName_ = std::move(name); }
  const TfsGetVariableValueEvent& OnGetVarValue() const noexcept {
    return hasGetOverride_ ? extra_->onGetVarValue : NoGetOverride();
  }
  // Whether OnGetVarValue() is set: the fast paths' test.
  bool HasGetOverride() const noexcept { return hasGetOverride_; }
  void SetOnGetVarValue(TfsGetVariableValueEvent handler) {
    hasGetOverride_ = static_cast<bool>(handler);
    if (hasGetOverride_ || extra_) MakeExtra().onGetVarValue = std::move(handler);
  }

  // Items of a program that several threads use (the GlobalProgram): their
  // value is read and written under a lock.
  bool IsShared() const noexcept { return shared_; }
  void MarkShared() noexcept { shared_ = true; }

 protected:
  // Renames the item (declaration parsing learns the name late); never
  // once the item is in a name table, which reads the item's name.
  void SetName(std::u16string name);
  // A copy of the stored value, locked for shared items.
  Value LoadValue() const {
    if (!shared_ || isReadOnly_) return value_;
    return LoadShared();
  }
  void StoreValue(Value v) {
    if (!shared_)
      value_ = std::move(v);
    else
      StoreShared(std::move(v));
  }

 private:
  Value LoadShared() const;
  void StoreShared(Value v);

  // What most items (expression nodes, designators) never have: kept out
  // of line, so that a very large script's items stay small.
  struct Extra {
    TfsAddedBy addedBy = 0;
    std::u16string sourceUnit;
    TfsGetVariableValueEvent onGetVarValue;
  };
  Extra& MakeExtra();
  const std::u16string& MakeUppercaseName() const;
  void DropUppercaseName() noexcept;
  static const std::u16string& EmptyText() noexcept;
  static const TfsGetVariableValueEvent& NoGetOverride() noexcept;

  Value value_ = Value::Null();
  std::u16string name_;
  std::u16string typeName_;
  TfsCustomVariable* refItem_ = nullptr;
  std::unique_ptr<Extra> extra_;
  // nullptr until made; &name_ when equal to the name, else owned.
  mutable std::atomic<const std::u16string*> upper_{nullptr};
  PackedPos sourcePos_;
  std::vector<TfsParamItem*> params_;  // owned by the item list
  TfsVarType typ_;
  bool isMacro_ = false;
  bool isReadOnly_ = false;
  bool needResult_ = true;
  bool shared_ = false;
  bool hasGetOverride_ = false;
};

// Variables and constants declared by scripts or registered by hosts.
class TfsVariable : public TfsCustomVariable {
 public:
  using TfsCustomVariable::TfsCustomVariable;
  // Converts by kind: fvtInt to a 32-bit integer, fvtBool to a boolean,
  // fvtFloat to a double, fvtString to a string; others unchanged.
  void SetValue(const Value& v) override;
  Value GetValue() override;

  // Whether `v` needs no conversion to be stored in a variable of kind `typ`.
  static bool Holds(TfsVarType typ, const Value& v) noexcept {
    switch (typ) {
      case fvtInt:
        return v.is_int32();
      case fvtBool:
        return v.is_bool();
      case fvtFloat:
        return v.is_double();
      case fvtString:
        return v.is_string();
      default:
        return true;
    }
  }
};

// A variable of a shared program whose value each thread keeps for itself,
// starting from the registered value: the error variables that a try
// statement fills, so that one script thread's error never shows in
// another's.
class TfsThreadVariable : public TfsVariable {
 public:
  using TfsVariable::TfsVariable;
  void SetValue(const Value& v) override;
  Value GetValue() override;
  Value StoredValue() const override;
  void RestoreStoredValue(Value v) override;

 private:
  Value& Slot() const;

  // Slots are keyed by this number, not by address, so a later variable at
  // the same address never sees an earlier one's value.
  uint64_t serial_ = NextSerial();
  static uint64_t NextSerial();
};

// Script variables of kind fvtChar or fvtString: the value is kept as text.
class TfsStringVariable : public TfsVariable {
 public:
  using TfsVariable::TfsVariable;
  void SetValue(const Value& v) override;
  Value GetValue() override;
  Value StoredValue() const override;
  void RestoreStoredValue(Value v) override;
  // The text itself, for designators that index its characters.
  std::u16string& Str() noexcept { return str_; }

 private:
  std::u16string str_;
};

// A type name registered by AddType.
class TfsTypeVariable : public TfsCustomVariable {
 public:
  using TfsCustomVariable::TfsCustomVariable;
};

class TfsParamItem final : public TfsCustomVariable {
 public:
  TfsParamItem(std::u16string name, TfsVarType typ, std::u16string typeName, bool isOptional,
               bool isVarParam);
  const Value& DefValue() const noexcept { return defValue_; }
  void SetDefValue(Value v) { defValue_ = std::move(v); }
  bool IsOptional() const noexcept { return isOptional_; }
  void SetIsOptional(bool on) noexcept { isOptional_ = on; }
  bool IsVarParam() const noexcept { return isVarParam_; }

 private:
  Value defValue_ = Value::Null();
  bool isOptional_;
  bool isVarParam_;
};

// A script procedure or function with its local program.
class TfsProcVariable final : public TfsCustomVariable {
 public:
  TfsProcVariable(std::u16string name, TfsVarType typ, std::u16string typeName, TfsScript* parent,
                  bool isFunc);
  TfsProcVariable* AsProcedure() noexcept override { return this; }
  ~TfsProcVariable() override;

  // Calls the procedure with the values its parameters hold now; the value
  // is Result's for a function, Null for a procedure.
  Value GetValue() override;
  // Assigns the frame's arguments to the parameters, calls, and copies
  // by-reference parameters back into the frame; the other arguments may be
  // moved out of the frame. A recursive call (one made while the procedure
  // runs) keeps the local variables and parameters of the calling level
  // aside and puts them back before the frame is read back.
  Value Read(Caller& call) override;
  // Read with `n` arguments in `args`, one per parameter: by-reference
  // parameters leave their final values there; other arguments may be
  // moved from.
  Value Invoke(Value* args, int n);
  // Invoke with the arguments of a designator step (its expressions, the
  // defaults for the rest); by-reference results are written back into the
  // argument expressions. At most CallFrame::kInlineArgs parameters.
  Value CallStep(TfsDesignatorItem& step);
  void SetValue(const Value&) override {}
  bool HasStorage() const noexcept override { return false; }

  // Enters a parameter into the item's list and into the local program.
  TfsParamItem* AddParameter(std::unique_ptr<TfsParamItem> param);

  bool Executing() const noexcept { return executing_; }
  bool IsFunc() const noexcept { return isFunc_; }
  TfsScript* Prog() const noexcept { return program_.get(); }
  TfsVariable* ResultVariable() const noexcept { return result_; }

 private:
  friend class SavedLocals;

  // A storage item of the local program; `plain` when its stored value may
  // be saved and restored directly.
  struct Local {
    TfsCustomVariable* item;
    bool plain;
  };
  // The local program's storage items, refreshed when its table grew.
  const std::vector<Local>& Locals();
  // The storage items other than the parameters and Result.
  const std::vector<Local>& OtherLocals();
  const std::vector<Local>& RefreshLocals();
  class Trade;
  class OneTrade;
  // A call with one parameter and its argument given, the most frequent.
  Value CallOne(TfsDesignatorItem& step);
  // The calls with more or fewer arguments or parameters.
  Value CallMany(TfsDesignatorItem& step);
  // Whether a call made now may take the lean nested path: the routine
  // runs, its parameters are plain and by value, it has no locals besides
  // them and Result, and Result is plain storage.
  bool NestedLean() const;
  Value InvokeNested(Value* args, int n);
  Value InvokeNestedSaving(Value* args, int n);
  const Value& ResultInit();
  Value InvokeInline(Value* args, int n);
  Value InvokeGeneral(Value* args, int n);
  // kNested: called while the routine runs; kMoveResult: the caller puts
  // the calling level's Result back, so this call's may be taken.
  // kResultSet: the caller has set Result to its starting value.
  template <bool kNested, bool kMoveResult, bool kResultSet = false>
  Value Run();

  // The nearest main program.
  TfsScript* MainProgram();
  [[gnu::cold, gnu::noinline]] void NoteErrorLeaving(ScriptError& e) const;

  bool executing_ = false;
  bool isFunc_;
  bool hasVarParams_ = false;
  bool plainParams_ = true;  // every parameter is a writable TfsParamItem
  bool resultInitMade_ = false;
  // The specialised paths were on when the routine was built.
  bool leanAllowed_;
  std::unique_ptr<TfsScript> program_;
  TfsVariable* result_ = nullptr;  // owned by the local program
  Value resultInit_;
  TfsScript* mainProg_ = nullptr;
  uint64_t mainFor_ = 0;  // the tree generation mainProg_ was found in
  struct SavedLocal {
    Local local{nullptr, false};
    Value value;
  };
  // Entries from `size` on are empty values, so pushing is plain
  // assignment; the room is kept.
  struct SavedStack {
    std::unique_ptr<SavedLocal[]> data;
    size_t size = 0;
    size_t capacity = 0;
    void Grow(size_t needed);
  };
  std::vector<Local> locals_;
  std::vector<Local> others_;
  int localsFor_ = -1;  // the table size locals_ was made for
  // Plain by-value parameters and no other locals, as of localsFor_.
  bool leanShape_ = false;
  // The values of the outer levels of a recursion, innermost last: a stack
  // that keeps its room, so a recursive call allocates nothing.
  SavedStack saved_;
};

// Base of the helper items, which act on the value of a designator's
// previous step (the frame's parent context).
//
// The object a member acts on: the frame's parent value taken as an object
// reference; nullptr for Null (a global call). A stale or freed reference
// raises "Invalid object reference".
HostObject* InstanceOf(const Caller& call);

class TfsCustomHelper : public TfsCustomVariable {
 public:
  using TfsCustomVariable::TfsCustomVariable;
  // Runs the helper with its parameter items' current values and no parent.
  Value GetValue() override;
  void SetValue(const Value& v) override;
  bool HasStorage() const noexcept override { return false; }

 protected:
  // A frame holding the parameter items' current values.
  void FillFromParams(CallFrame& frame) const;
};

// A registered host method: global function, class member, constructor or
// indexed property.
class TfsMethodHelper : public TfsCustomHelper {
 public:
  // Parses the declaration string in `script` (see declaration.h).
  TfsMethodHelper(std::u16string_view syntax, TfsScript& script);

  Value Read(Caller& call) override;
  // Only indexed properties react: the handler gets "NAME.SET" with the
  // assigned value at GetParam(Count()).
  void Write(Caller& call, const Value& v) override;

  void SetOnCall(TfsCallMethodEvent handler) { onCall_ = std::move(handler); }
  void SetOnCallNew(TfsCallMethodNewEvent handler) { onCallNew_ = std::move(handler); }

  const std::u16string& Category() const noexcept { return category_; }
  void SetCategory(std::u16string c) { category_ = std::move(c); }
  const HostClass* ClassRef() const noexcept { return classRef_; }
  void SetClassRef(const HostClass* c) noexcept { classRef_ = c; }
  const std::u16string& Description() const noexcept { return description_; }
  void SetDescription(std::u16string d) { description_ = std::move(d); }
  bool IndexMethod() const noexcept { return indexMethod_; }
  void SetIndexMethod(bool on);
  const std::u16string& Syntax() const noexcept { return syntax_; }

 private:
  Value CallOld(HostObject* instance, const std::u16string& name, Caller& call, const Value* assigned);

  std::u16string category_;
  const HostClass* classRef_ = nullptr;
  std::u16string description_;
  bool indexMethod_ = false;
  TfsCallMethodEvent onCall_;
  TfsCallMethodNewEvent onCallNew_;
  std::u16string syntax_;
  std::u16string getName_;   // name as passed to handlers on reads
  std::u16string setName_;   // "NAME.SET"
  TfsScript* registeredIn_;  // the calling scope of frame-less reads
};

// A property member of a registered class.
class TfsPropertyHelper : public TfsCustomHelper {
 public:
  using TfsCustomHelper::TfsCustomHelper;
  Value Read(Caller& call) override;
  void Write(Caller& call, const Value& v) override;

  const HostClass* ClassRef() const noexcept { return classRef_; }
  void SetClassRef(const HostClass* c) noexcept { classRef_ = c; }
  bool IsPublished() const noexcept { return isPublished_; }
  void SetIsPublished(bool on) noexcept { isPublished_ = on; }
  void SetOnGetValue(TfsGetValueEvent h) { onGetValue_ = std::move(h); }
  void SetOnSetValue(TfsSetValueEvent h) { onSetValue_ = std::move(h); }
  void SetOnGetValueNew(TfsGetValueNewEvent h) { onGetValueNew_ = std::move(h); }
  void SetOnSetValueNew(TfsSetValueNewEvent h) { onSetValueNew_ = std::move(h); }

 private:
  const HostClass* classRef_ = nullptr;
  bool isPublished_ = false;
  TfsGetValueEvent onGetValue_;
  TfsSetValueEvent onSetValue_;
  TfsGetValueNewEvent onGetValueNew_;
  TfsSetValueNewEvent onSetValueNew_;
};

// Indexes an array value. DimCount indexes, all required; DimCount -1 means
// one to three indexes (the run-time "__ArrayHelper").
class TfsArrayHelper : public TfsCustomHelper {
 public:
  TfsArrayHelper(std::u16string name, int dimCount, TfsVarType typ, std::u16string typeName);
  // The element, or Null when the value is not an array of 1 to 3
  // dimensions or any index is bad.
  Value Read(Caller& call) override;
  // Stores into the element in place; errors propagate.
  void Write(Caller& call, const Value& v) override;
};

// Indexes the characters of a string value (index counted from 1). An index
// outside 1..length raises an error.
class TfsStringHelper : public TfsCustomHelper {
 public:
  explicit TfsStringHelper(std::u16string name = u"__StringHelper");
  Value Read(Caller& call) override;
  void Write(Caller& call, const Value& v) override;
};

class TfsCustomEvent;
// Makes an event adapter for (instance, handler procedure).
using TfsEventClass =
    std::function<std::unique_ptr<TfsCustomEvent>(HostObject& instance, TfsProcVariable& handler)>;

// Event adapter: what a host event calls; it calls the script procedure.
class TfsCustomEvent : public TfsObject {
 public:
  TfsCustomEvent(HostObject& instance, TfsProcVariable& handler);
  // The entry point the host event is bound to. The base entry point
  // assigns the arguments to the procedure's parameters, calls it and
  // writes by-reference parameters back into the arguments.
  virtual TfsEventMethod GetMethod();

  TfsProcVariable& Handler() const noexcept { return *handler_; }
  int32_t InstanceId() const noexcept { return instanceId_; }

 private:
  TfsProcVariable* handler_;
  int32_t instanceId_;
};

// An event member: assigning a procedure name binds the host event to it,
// assigning "0" clears it; reading yields the empty string.
class TfsEventHelper : public TfsCustomHelper {
 public:
  TfsEventHelper(std::u16string name, TfsEventClass event);
  Value Read(Caller& call) override;
  void Write(Caller& call, const Value& v) override;

  const HostClass* ClassRef() const noexcept { return classRef_; }
  void SetClassRef(const HostClass* c) noexcept { classRef_ = c; }

 private:
  const HostClass* classRef_ = nullptr;
  TfsEventClass event_;
};

// A component owned by a form, as a member of the form's class item.
class TfsComponentHelper : public TfsCustomHelper {
 public:
  TfsComponentHelper(std::u16string name, std::u16string className, int32_t componentId);
  Value Read(Caller& call) override;
  void SetValue(const Value&) override {}

 private:
  int32_t component_;
};

// A member of an automation object. There are none on this platform: every
// use raises "Automation objects are not available on this platform".
class TfsOLEHelper : public TfsCustomHelper {
 public:
  explicit TfsOLEHelper(std::u16string name);
  Value Read(Caller& call) override;
  void Write(Caller& call, const Value& v) override;
};

// A registered host class. Reading it yields a new, not yet initialised
// instance (which the following constructor member initialises), or, when
// the type-cast argument is given, that argument.
class TfsClassVariable : public TfsCustomVariable {
 public:
  TfsClassVariable(const HostClass& cls, std::u16string ancestor, TfsScript* program);

  Value Read(Caller& call) override;
  Value GetValue() override;
  void SetValue(const Value&) override {}
  bool HasStorage() const noexcept override { return false; }

  TfsMethodHelper* AddMethod(std::u16string_view syntax, TfsCallMethodNewEvent handler);
  TfsMethodHelper* AddMethod(std::u16string_view syntax, TfsCallMethodEvent handler);
  // "constructor Create(AOwner: TComponent)" is registered as
  // "function Create(AOwner: TComponent): Constructor".
  TfsMethodHelper* AddConstructor(std::u16string_view syntax, TfsCallMethodNewEvent handler);
  TfsMethodHelper* AddConstructor(std::u16string_view syntax, TfsCallMethodEvent handler);
  // Read only exactly when no setter is given.
  TfsPropertyHelper* AddProperty(std::u16string name, std::u16string typ, TfsGetValueEvent get,
                                 TfsSetValueEvent set = nullptr);
  TfsPropertyHelper* AddPropertyEx(std::u16string name, std::u16string typ, TfsGetValueNewEvent get,
                                   TfsSetValueNewEvent set = nullptr);
  // `params` lists the index types, comma separated: ("Items", "Integer",
  // "String") registers "function Items(p0: Integer): String".
  TfsMethodHelper* AddIndexProperty(std::u16string_view name, std::u16string_view params,
                                    std::u16string_view typ, TfsCallMethodNewEvent handler,
                                    bool readOnly = false);
  TfsMethodHelper* AddIndexProperty(std::u16string_view name, std::u16string_view params,
                                    std::u16string_view typ, TfsCallMethodEvent handler,
                                    bool readOnly = false);
  TfsMethodHelper* AddDefaultProperty(std::u16string_view name, std::u16string_view params,
                                      std::u16string_view typ, TfsCallMethodNewEvent handler,
                                      bool readOnly = false);
  TfsMethodHelper* AddDefaultProperty(std::u16string_view name, std::u16string_view params,
                                      std::u16string_view typ, TfsCallMethodEvent handler,
                                      bool readOnly = false);
  TfsEventHelper* AddEvent(std::u16string name, TfsEventClass event);
  TfsComponentHelper* AddComponent(std::u16string name, std::u16string className, int32_t componentId);

  // The first member of this name in registration order, else the
  // ancestors' (through the class's program); nullptr when none.
  TfsCustomVariable* Find(std::u16string_view name) const;

  const std::u16string& Ancestor() const noexcept { return ancestor_; }
  const HostClass& ClassRef() const noexcept { return *classRef_; }
  TfsMethodHelper* DefProperty() const noexcept { return defProperty_; }
  void SetDefProperty(TfsMethodHelper* p) noexcept { defProperty_ = p; }
  int MembersCount() const noexcept { return members_.Count(); }
  TfsCustomVariable* Member(int i) const;
  TfsScript* Prog() const noexcept { return program_; }
  void SetProg(TfsScript* p) noexcept { program_ = p; }

 private:
  template <class H>
  TfsMethodHelper* AddMethodImpl(std::u16string_view syntax, H handler);
  template <class H>
  TfsMethodHelper* AddIndexImpl(std::u16string_view name, std::u16string_view params, std::u16string_view typ,
                                H handler, bool readOnly);
  void ImportPublished();
  template <class T>
  T* AddMember(std::unique_ptr<T> member);

  std::u16string ancestor_;
  const HostClass* classRef_;
  TfsMethodHelper* defProperty_ = nullptr;
  TfsItemList members_;
  std::vector<TfsCustomVariable*> memberItems_;  // members_, typed
  TfsScript* program_;
};

inline ItemStorage TfsCustomVariable::Storage() const noexcept {
  const std::type_info& cls = typeid(*this);
  if (cls == typeid(TfsVariable)) return ItemStorage::Variable;
  if (cls == typeid(TfsParamItem)) return ItemStorage::Parameter;
  if (cls == typeid(TfsStringVariable)) return ItemStorage::Text;
  return ItemStorage::Computed;
}

}  // namespace qv
