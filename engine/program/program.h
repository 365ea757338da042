// TfsScript: the program object, the unit of registration, compilation and
// execution. One class serves three roles: a registration target (Add...),
// a compiled program (name table plus root statement list), and the local
// scope of a script procedure.
//
// Programs form a tree through Parent(); every lookup climbs it, so a script
// sees its own declarations, then enclosing scopes, then the GlobalProgram
// that every registration module registered into.
//
//   TfsScript prog;
//   prog.SetParent(&GlobalProgram());
//   prog.AddMethod("function twice(x: Integer): Integer",
//                  [](HostObject*, const HostClass*, const std::u16string&, Caller& c) {
//                    return Value::Int(2 * ToInt32(c.GetParam(0)));
//                  });
//   prog.AddVariable(u"limit", u"Integer", Value::Int(10));
//   prog.Find(u"LIMIT");   // the variable; names ignore case
//
// Threads. A program is used by one thread at a time, except that
// Terminate may come from any thread (it only sets atomic flags) and that
// the GlobalProgram is shared by all script threads: its name table is read
// under a shared lock and changed under an exclusive one, and the values of
// its variables are read and written under a lock. Host calls keep their
// arguments in per-call frames (caller.h), never in the shared items.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "engine/items/items.h"
#include "engine/items/objects.h"
#include "engine/items/var_type.h"
#include "engine/program/name_index.h"
#include "engine/value/value.h"

namespace qv {

class Stream;
class TfsScript;
class TfsStatement;

// Request for the text of an included unit.
using TfsGetUnitEvent =
    std::function<void(TfsScript& sender, const std::u16string& unitName, std::u16string& unitText)>;
// Called before each statement with the statement's program, unit and
// position ("line:col").
using TfsRunLineEvent =
    std::function<void(TfsScript& sender, const std::u16string& unitName, const std::u16string& sourcePos)>;

// Base of registration modules: a descendant registers its items into the
// program in its constructor.
class TfsRTTIModule : public TfsObject {
 public:
  explicit TfsRTTIModule(TfsScript& script) : script_(script) {}
  TfsScript& Script() const noexcept { return script_; }

 private:
  TfsScript& script_;
};

// The process-wide ordered list of registration modules. Modules are
// created in ascending `order`, equal orders in the order they were added.
class ModuleRegistry {
 public:
  using Factory = std::function<std::unique_ptr<TfsRTTIModule>(TfsScript&)>;

  static constexpr int kSystemLibraryOrder = 100;
  static constexpr int kBuiltinClassesOrder = 200;
  static constexpr int kPublicLibraryOrder = 300;

  static ModuleRegistry& Instance();

  void Add(std::u16string name, int order, Factory factory);
  void Remove(std::u16string_view name);
  // A snapshot, in creation order.
  std::vector<Factory> Factories() const;
  std::vector<std::u16string> Names() const;

 private:
  struct Entry {
    std::u16string name;
    int order;
    Factory factory;
  };
  mutable std::mutex mutex_;
  std::vector<Entry> entries_;
};

// A name the builder declared as a variable by itself although the script
// calls it like a routine or reads it before anything is assigned to it:
// most often a misspelt name. Kept for diagnostics only.
struct ImplicitName {
  std::u16string name;
  std::u16string unit;  // empty: the main script
  std::u16string pos;   // "line:col" where the name begins
};

class TfsScript {
 public:
  TfsScript();
  virtual ~TfsScript();
  TfsScript(const TfsScript&) = delete;
  TfsScript& operator=(const TfsScript&) = delete;

  // ---- translation ------------------------------------------------------
  // Source text, translation settings and the compile error; Compile,
  // ComplieScript and GetILCode translate the source (see the translator).
  bool Compile();
  bool ComplieScript(std::u16string& code);
  bool GetILCode(Stream& stream);

  const std::u16string& ErrorMsg() const noexcept { return errorMsg_; }
  void SetErrorMsg(std::u16string m) { errorMsg_ = std::move(m); }
  const std::u16string& ErrorPos() const noexcept { return errorPos_; }
  void SetErrorPos(std::u16string p) { errorPos_ = std::move(p); }
  const std::u16string& ErrorUnit() const noexcept { return errorUnit_; }
  void SetErrorUnit(std::u16string u) { errorUnit_ = std::move(u); }
  const std::u16string& SyntaxType() const noexcept { return syntaxType_; }
  void SetSyntaxType(std::u16string s) { syntaxType_ = std::move(s); }
  bool ExtendedCharset() const noexcept { return extendedCharset_; }
  void SetExtendedCharset(bool on) noexcept { extendedCharset_ = on; }
  std::vector<std::u16string>& IncludePath() noexcept { return includePath_; }
  std::vector<std::u16string>& Lines() noexcept { return lines_; }
  // Set by Compile when the grammar ended the program before the end of
  // the source: "line:col" of the first text not translated; else empty.
  const std::u16string& TranslationStop() const noexcept { return translationStop_; }
  // Set by the build (Compile clears them): the suspicious implicit
  // declarations, in the order found; after a failed build, the name the
  // error is about when it is one.
  std::vector<ImplicitName>& ImplicitNames() noexcept { return implicitNames_; }
  // TranslationStop of each unit that stopped short: (unit, "line:col").
  std::vector<std::pair<std::u16string, std::u16string>>& UnitTranslationStops() noexcept {
    return unitTranslationStops_;
  }
  const TfsGetUnitEvent& OnGetUnit() const noexcept { return onGetUnit_; }
  void SetOnGetUnit(TfsGetUnitEvent h) { onGetUnit_ = std::move(h); }

  // ---- building (defined with the builder) ------------------------------
  bool SetILCode(Stream& stream);
  Value Evaluate(const std::u16string& expression);
  std::u16string DoEval(const std::u16string& expression);
  // Keeps a child program compiled by DoEval; lookups search it after the
  // program's own table, the newest child first.
  void AddSonScript(std::unique_ptr<TfsScript> son);

  // ---- name table -------------------------------------------------------
  // Inserts without any check for existing names; the newest of equal
  // names comes first. An engine item's AddedBy becomes AddedBy().
  TfsObject* Add(std::u16string_view name, std::unique_ptr<TfsObject> item);
  template <class T>
  T* AddItem(std::u16string_view name, std::unique_ptr<T> item) {
    T* raw = item.get();
    Add(name, std::move(item));
    return raw;
  }
  // Enters an object that something else owns (a procedure's parameters).
  void AddBorrowed(std::u16string_view name, TfsObject* item);
  // Removes the entry holding `item` without freeing it; the owned object
  // is returned (nullptr for borrowed or absent entries).
  std::unique_ptr<TfsObject> Remove(TfsObject* item);
  int Count() const {
    if (!shared_) return static_cast<int>(items_.size());
    return SharedCount();
  }
  TfsObject* Items(int i) const;
  std::u16string ItemName(int i) const;

  // Frees every entry except registration modules and their items, then
  // clears the root statements, the executable-line index and the errors.
  void Clear();
  // RemoveItems, then clears the root statements and the line index.
  void ClearItems(TfsAddedBy owner);
  // Frees every entry whose AddedBy equals `owner`, last to first.
  void RemoveItems(TfsAddedBy owner);
  // Creates every module of the ModuleRegistry in this program, once.
  void AddRTTI();
  void ClearRTTI();

  // ---- registration -----------------------------------------------------
  // The ones that check visibility keep a visible item of the name and add
  // nothing (AddClass then returns nullptr).
  virtual TfsTypeVariable* AddType(std::u16string_view typeName, TfsVarType parentType);
  virtual TfsClassVariable* AddClass(const HostClass& cls, std::u16string_view ancestor);
  virtual TfsVariable* AddConst(std::u16string_view name, std::u16string_view typ, const Value& value);
  virtual void AddEnum(std::u16string_view typ, std::u16string_view names);
  virtual void AddEnumSet(std::u16string_view typ, std::u16string_view names);
  virtual TfsMethodHelper* AddMethod(std::u16string_view syntax, TfsCallMethodNewEvent handler,
                                     std::u16string_view category = u"",
                                     std::u16string_view description = u"");
  virtual TfsMethodHelper* AddMethod(std::u16string_view syntax, TfsCallMethodEvent handler,
                                     std::u16string_view category = u"",
                                     std::u16string_view description = u"");
  virtual TfsVariable* AddObject(std::u16string_view name, const HostObject& obj);
  virtual TfsVariable* AddVariable(std::u16string_view name, std::u16string_view typ, const Value& value);
  // AddVariable for a variable whose value is per thread (TfsThreadVariable).
  TfsVariable* AddThreadVariable(std::u16string_view name, std::u16string_view typ, const Value& value);

  // The Typ of the item Find returns for `typeName`, fvtClass when none.
  TfsVarType KindOfTypeName(std::u16string_view typeName) const;

  // ---- lookup -----------------------------------------------------------
  // The newest entry of the name if it is an engine item.
  TfsCustomVariable* FindLocal(std::u16string_view name) const;
  // This program, its DoEval children (newest first), then the parent.
  TfsCustomVariable* Find(std::u16string_view name) const;
  TfsClassVariable* FindClass(std::u16string_view name) const;
  TfsProcVariable* FindFunction(std::u16string_view name) const;
  // The value of Find(name), Null when nothing is found.
  Value GetVariable(std::u16string_view name) const;
  // Assigns to Find(name); when nothing is found, adds a Variant variable
  // here.
  void SetVariable(std::u16string_view name, const Value& value);

  // ---- execution --------------------------------------------------------
  // Runs the root statement list. Errors of the script propagate; the run
  // flags are reset on the way out either way. A stop requested before the
  // run starts holds: only the end of a run clears it.
  void Execute();
  // Compile, then Execute when it succeeded; the result of Compile.
  bool Run();
  // Stops this program and every procedure's local program below it before
  // their next statement. Safe to call from any thread. The request holds
  // until the run ends, for every routine entered after it.
  void Terminate();
  // Whether this program or one up its parent chain has a stop request.
  bool StopRequested() const noexcept;
  // The run is over: clears the stop in this program and every local
  // program below it.
  void ClearStop();

  // Calls the procedure `name` of this program (not of its parents) with the
  // elements of the array `params` as arguments; Null when there is none.
  Value CallFunction(std::u16string_view name, const Value& params);
  // As CallFunction, and copies every parameter back into `params`.
  Value CallFunction1(std::u16string_view name, Value& params);
  Value CallFunction2(TfsProcVariable* func, const Value& params);

  // Executable-line index: the builder records the line of every statement
  // ("line:col" positions) per unit (empty for the program's own text).
  void AddCodeLine(std::u16string_view unitName, std::u16string_view pos);
  void AddCodeLine(std::u16string_view unitName, const PackedPos& pos);
  bool IsExecutableLine(int lineN, std::u16string_view unitName = u"") const;

  // ---- state ------------------------------------------------------------
  TfsAddedBy AddedBy() const noexcept { return addedBy_; }
  void SetAddedBy(TfsAddedBy tag) noexcept { addedBy_ = tag; }
  bool BreakCalled() const noexcept { return breakCalled_.load(std::memory_order_relaxed); }
  void SetBreakCalled(bool on) noexcept { breakCalled_.store(on, std::memory_order_relaxed); }
  bool ContinueCalled() const noexcept { return continueCalled_.load(std::memory_order_relaxed); }
  void SetContinueCalled(bool on) noexcept { continueCalled_.store(on, std::memory_order_relaxed); }
  bool ExitCalled() const noexcept { return exitCalled_.load(std::memory_order_relaxed); }
  void SetExitCalled(bool on) noexcept { exitCalled_.store(on, std::memory_order_relaxed); }
  bool Terminated() const noexcept { return terminated_.load(std::memory_order_relaxed); }
  void SetTerminated(bool on) noexcept { terminated_.store(on, std::memory_order_relaxed); }
  bool IsRunning() const noexcept { return isRunning_.load(std::memory_order_relaxed); }
  void SetIsRunning(bool on) noexcept { isRunning_.store(on, std::memory_order_relaxed); }
  bool MainProg() const noexcept { return mainProg_; }
  void SetMainProg(bool on) noexcept {
    if (mainProg_ == on) return;
    mainProg_ = on;
    BumpTreeGeneration();
  }
  // Changes whenever a run-line handler, a parent or a main-program flag
  // changes anywhere: what is found by climbing the tree may be cached
  // against it.
  static uint64_t TreeGeneration() noexcept { return treeGeneration_.load(std::memory_order_relaxed); }
  TfsScript* Parent() const noexcept { return parent_; }
  // Raises an error when `parent` is this program or one of its descendants.
  void SetParent(TfsScript* parent);
  TfsScript* ProgRunning() const noexcept { return progRunning_; }
  void SetProgRunning(TfsScript* p) noexcept { progRunning_ = p; }
  bool RTTIAdded() const noexcept { return rttiAdded_; }
  TfsStatement* Statement() const noexcept { return statement_.get(); }
  bool UseClassLateBinding() const noexcept { return useClassLateBinding_; }
  void SetUseClassLateBinding(bool on) noexcept { useClassLateBinding_ = on; }
  bool EvaluteRiseError() const noexcept { return evaluteRiseError_; }
  const TfsRunLineEvent& OnRunLine() const noexcept { return onRunLine_; }
  void SetOnRunLine(TfsRunLineEvent h);
  // The nearest program up the tree (this one first) with a run-line
  // handler; nullptr when none has one. Cached until a handler or a parent
  // changes anywhere.
  TfsScript* RunLineOwner() const {
    // Most runs have no handler anywhere: one load decides.
    if (runLineHandlers_.load(std::memory_order_relaxed) == 0) return nullptr;
    const uint64_t now = TreeGeneration();
    if (runLineFor_ != now) FindRunLineOwner(now);
    return runLineOwner_;
  }
  const TfsGetVariableValueEvent& OnGetVarValue() const noexcept { return onGetVarValue_; }
  void SetOnGetVarValue(TfsGetVariableValueEvent h) { onGetVarValue_ = std::move(h); }
  const TfsGetUnitEvent& OnGetILUnit() const noexcept { return onGetILUnit_; }
  void SetOnGetILUnit(TfsGetUnitEvent h) { onGetILUnit_ = std::move(h); }

  // True for a program several threads use (the GlobalProgram).
  bool IsShared() const noexcept { return shared_; }
  // The program on whose behalf objects created here are kept: the top of
  // the tree below any shared program. Its destruction frees them.
  TfsScript* ObjectOwner();
  // Hands a new host object to ObjectOwner() and returns its id.
  int32_t AdoptObject(std::unique_ptr<HostObject> object);
  // The host's execution lock: held by the thread that runs this program's
  // statements, released around blocking host calls, taken by callbacks of
  // other threads before they run code of this program.
  std::mutex& ExecutionLock() noexcept { return executionLock_; }

 private:
  friend TfsScript& GlobalProgram();
  friend class TfsProcVariable;

  // An entry entered under its item's own name reads the item's name, so a
  // declaration keeps its name once; other entries (another name, or no
  // engine item) keep theirs in `ownName`.
  struct Entry {
    TfsObject* object;
    TfsCustomVariable* item;           // object->AsItem()
    std::unique_ptr<TfsObject> owned;  // empty for borrowed entries
    std::unique_ptr<std::u16string> ownName;
    const std::u16string& Name() const noexcept { return ownName ? *ownName : item->Name(); }
  };

  void MarkShared() noexcept { shared_ = true; }
  void Insert(std::u16string_view name, TfsObject* object, std::unique_ptr<TfsObject> owned);
  // Takes the entries matching `pred` out of the table (last to first);
  // the caller destroys them after the lock is released.
  template <class Pred>
  std::vector<std::unique_ptr<TfsObject>> Extract(Pred pred);
  // Points the index at the newest entry of the name, or drops the name.
  void Reindex(const std::u16string& name);
  // Rebuilds the index from the entries: the newest of each name.
  void RebuildIndex();
  TfsCustomVariable* FindLocalKey(const UpperKey& key) const;
  bool Visible(std::u16string_view name) const { return Find(name) != nullptr; }
  void AddEnumValues(std::u16string_view typ, std::u16string_view names, bool asSet);

  TfsAddedBy addedBy_ = 0;
  std::atomic<bool> breakCalled_{false};
  std::atomic<bool> continueCalled_{false};
  std::atomic<bool> exitCalled_{false};
  std::u16string errorMsg_;
  std::u16string errorPos_;
  std::u16string errorUnit_;
  bool extendedCharset_ = false;
  // Sorted by upper-case name (CompareUpper), newest first, up to sorted_; entries added
  // since (a private table's declarations) follow in the order added and
  // are merged in when the order is next looked at, so declaring n names
  // costs O(n log n) instead of O(n^2).
  using Entries = std::vector<Entry>;
  mutable Entries items_;
  mutable size_t sorted_ = 0;
  NameIndex index_;
  // Merges the entries added since the last sort; the caller holds the
  // table lock exclusively.
  void SortPendingLocked() const;
  // SortPendingLocked under the lock, when there is anything to merge.
  void EnsureSorted() const;
  std::atomic<bool> isRunning_{false};
  std::u16string translationStop_;
  std::vector<ImplicitName> implicitNames_;
  std::vector<std::pair<std::u16string, std::u16string>> unitTranslationStops_;
  std::vector<std::u16string> lines_;
  bool mainProg_ = false;
  TfsGetUnitEvent onGetILUnit_;
  TfsGetUnitEvent onGetUnit_;
  TfsRunLineEvent onRunLine_;
  static void BumpTreeGeneration() noexcept { treeGeneration_.fetch_add(1, std::memory_order_relaxed); }
  static inline std::atomic<uint64_t> treeGeneration_{1};
  // How many programs have a run-line handler.
  static inline std::atomic<int> runLineHandlers_{0};
  void FindRunLineOwner(uint64_t now) const;
  mutable TfsScript* runLineOwner_ = nullptr;
  mutable uint64_t runLineFor_ = 0;
  int SharedCount() const;
  TfsGetVariableValueEvent onGetVarValue_;
  TfsScript* parent_ = nullptr;
  TfsScript* progRunning_ = nullptr;
  bool rttiAdded_ = false;
  std::unique_ptr<TfsStatement> statement_;
  std::u16string syntaxType_ = u"pascal";
  std::atomic<bool> terminated_{false};
  // Line numbers: a bit per line below kDense (a script's lines), a set
  // for the rest (stored intermediate code may say anything).
  class LineSet {
   public:
    void Insert(int line);
    bool Contains(int line) const;

   private:
    static constexpr int kDense = 1 << 24;
    std::vector<uint64_t> bits_;
    std::unordered_set<int> rest_;
  };
  std::unordered_map<std::u16string, LineSet> unitLines_;  // upper-case unit -> lines
  LineSet& UnitLines(std::u16string_view unitName);
  // The set of the unit named last: statements come unit by unit.
  std::u16string lastLinesUnit_;
  LineSet* lastLines_ = nullptr;
  std::vector<std::u16string> includePath_;
  bool useClassLateBinding_ = false;
  bool evaluteRiseError_ = false;
  std::vector<std::unique_ptr<TfsScript>> sonScripts_;

  bool shared_ = false;
  std::atomic<bool> ownsObjects_{false};
  // Table changes take it exclusively; Terminate, and every lookup in a
  // shared program, take it shared.
  mutable std::shared_mutex tableMutex_;
  // Serialises find-or-add in a shared program (SetVariable, AddVariable).
  std::recursive_mutex additionMutex_;
  std::mutex executionLock_;
};

// The process's shared program: created on first use (thread-safe) with
// every registration module instantiated into it; never destroyed, because
// script threads may outlive static destruction. Module factories register
// into the program they are given and must not call GlobalProgram().
TfsScript& GlobalProgram();

}  // namespace qv
