#include "engine/run/statement.h"

#include "engine/program/program.h"

namespace qv {

TfsStatement::TfsStatement(TfsScript* program, std::u16string unitName, std::u16string sourcePos)
    : program_(program), sourcePos_(sourcePos), unitName_(std::move(unitName)) {
  isStatement_ = true;
}

void TfsStatement::Execute() { RunChildren(); }

void TfsStatement::RunChildList(size_t from) {
  TfsScript& prog = *program_;
  // By index, and the size read each time: a child may change the list.
  for (size_t i = from; i < Objects().size(); ++i) {
    if (prog.Terminated()) return;
    TfsStatement* child = Objects()[i]->AsStatement();
    if (child == nullptr) continue;
    RunOne(*child);
    if (prog.BreakCalled() || prog.ContinueCalled() || prog.ExitCalled()) return;
  }
}

void TfsStatement::NoteError(ScriptError& e) const { e.NoteStatement(unitName_, sourcePos_.Text()); }

void TfsStatement::Notify(TfsScript& owner) { owner.OnRunLine()(*program_, unitName_, sourcePos_.Text()); }

}  // namespace qv
