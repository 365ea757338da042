// Statements: the executable tree of a program. TfsStatement itself is a
// statement list (a compound statement, a branch, a program's root list);
// the statement kinds derive from it and override Execute.
#pragma once

#include <memory>
#include <string>

#include "engine/items/items.h"
#include "engine/program/program.h"

namespace qv {

class TfsScript;

class TfsStatement : public TfsItemList {
 public:
  TfsStatement(TfsScript* program, std::u16string unitName, std::u16string sourcePos);

  // A statement list runs its children in order; it stops before a child
  // once the program is terminated and after one that set break, continue
  // or exit.
  virtual void Execute();
  // Runs the children as a list, whatever this statement's kind: what
  // Execute does for a plain list, and the branch or body of the others.
  // Inline for the most frequent cases, a list of one statement (a branch,
  // a loop body, a routine's body) and an empty one (a missing else).
  void RunChildren() {
    const size_t n = Objects().size();
    if (n != 1) {
      if (n != 0) RunChildList();
      return;
    }
    if (program_->Terminated()) return;
    if (TfsStatement* only = Objects()[0]->AsStatement()) RunOne(*only);
  }

  // RunChildren for a routine's body, which often holds two statements
  // (a guard and a return).
  void RunBody() {
    if (Objects().size() == 2) return RunTwo();
    RunChildren();
  }

  // Runs `s`; an error leaving it notes where it was raised (the first
  // statement it leaves) or the call site of a routine it left.
  static void RunOne(TfsStatement& s) {
    RunOneAs(s, [&s] { s.Execute(); });
  }

  // RunOne with `run` as the statement's work: for a statement of a known
  // class, inline instead of called through the table. The handler costs
  // nothing until something is thrown.
  template <class F>
  [[gnu::always_inline]] static void RunOneAs(TfsStatement& s, F&& run) {
    try {
      run();
    } catch (ScriptError& e) {
      s.NoteError(e);
      throw;
    }
  }

  // Tells the nearest program up the tree that has a run-line handler that
  // this statement is about to run.
  void RunLine() {
    if (TfsScript* owner = program_->RunLineOwner()) Notify(*owner);
  }

  // The list's child when it holds exactly one, else nullptr.
  TfsObject* OnlyChild() const noexcept { return Objects().size() == 1 ? Objects()[0].get() : nullptr; }

  TfsScript* Prog() const noexcept { return program_; }
  std::u16string SourcePos() const { return sourcePos_.Text(); }
  const PackedPos& Pos() const noexcept { return sourcePos_; }
  const std::u16string& UnitName() const noexcept { return unitName_; }

 private:
  void Notify(TfsScript& owner);
  [[gnu::cold, gnu::noinline]] void NoteError(ScriptError& e) const;
  // The general list loop, from child `from` on.
  void RunChildList(size_t from = 0);
  void RunTwo() {
    TfsScript& prog = *program_;
    if (prog.Terminated()) return;
    if (TfsStatement* first = Objects()[0]->AsStatement()) {
      RunOne(*first);
      if (prog.BreakCalled() || prog.ContinueCalled() || prog.ExitCalled()) return;
    }
    // The first may have changed the list.
    if (Objects().size() != 2) return RunChildList(1);
    if (prog.Terminated()) return;
    if (TfsStatement* second = Objects()[1]->AsStatement()) RunOne(*second);
  }

  TfsScript* program_;
  PackedPos sourcePos_;
  std::u16string unitName_;
};

inline TfsStatement* TfsObject::AsStatement() noexcept {
  return isStatement_ ? static_cast<TfsStatement*>(this) : nullptr;
}

}  // namespace qv
