#include "engine/statement.h"

#include "engine/program.h"
#include "engine/stack_guard.h"

namespace qv {

TfsStatement::TfsStatement(TfsScript* program, std::u16string unitName, std::u16string sourcePos)
    : program_(program), sourcePos_(std::move(sourcePos)), unitName_(std::move(unitName)) {}

void TfsStatement::Execute() {
  // A program's root list is where every call of a script routine enters:
  // runaway recursion ends here with an error instead of a crash.
  if (this == program_->Statement()) CheckStack();
  for (int i = 0; i < Count(); ++i) {
    if (program_->Terminated()) return;
    TfsStatement* child = Get(i)->AsStatement();
    if (child == nullptr) continue;
    child->Execute();
    if (program_->BreakCalled() || program_->ContinueCalled() || program_->ExitCalled()) return;
  }
}

void TfsStatement::RunLine() {
  for (TfsScript* p = program_; p != nullptr; p = p->Parent())
    if (p->OnRunLine()) {
      p->OnRunLine()(*program_, unitName_, sourcePos_);
      return;
    }
}

}  // namespace qv
