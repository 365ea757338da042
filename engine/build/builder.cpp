// The builder's program and statement elements: the two passes over a
// program element (routines first, then the statements) and one builder
// per statement element.
#include "engine/build/builder.h"

#include <exception>
#include <typeinfo>

#include "engine/program/program.h"
#include "engine/program/stack_guard.h"
#include "engine/translate/translator.h"
#include "engine/xml/il_names.h"
#include "engine/xml/xml.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv {

namespace {

std::u16string TextOf(const TfsXMLItem& xml) { return xml.Prop(il::kAttrText); }

// Child i; a missing child raises the list index error, which the build
// reports like any other error.
const TfsXMLItem& Child(const TfsXMLItem& xml, int i) { return *xml.Items(i); }

const TfsXMLItem* FindChild(const TfsXMLItem& xml, std::u16string_view name) {
  for (const auto& c : xml.Children())
    if (c->NameIs(name)) return c.get();
  return nullptr;
}

[[noreturn]] void Fail(std::u16string_view message) { throw ScriptError(std::u16string(message)); }

// The late-binding rebuild the designators call at their first evaluation.
std::unique_ptr<TfsDesignator> RebuildDesignator(const TfsXMLItem& xml, TfsScript& prog) {
  TfsBuilder builder(prog, nullptr);
  return builder.DoDesignator(xml, prog, emNone);
}

[[maybe_unused]] const bool kLateBinderInstalled = (SetLateBinder(&RebuildDesignator), true);

}  // namespace

TfsBuilder::TfsBuilder(TfsScript& program, TfsILParser* translator)
    : program_(program), translator_(translator) {
  SetLateBinder(&RebuildDesignator);
  if (translator_ != nullptr) {
    parser_ = &translator_->Parser();
    grammarTypes_ = translator_->GrammarTypes();
    needDeclareVars_ = translator_->NeedDeclareVars();
  }
}

void TfsBuilder::SetErrorPos(const TfsXMLItem& xml) { xml.PropTo(il::kAttrPos, errorPos_); }

bool TfsBuilder::ParseILScript(const TfsXMLItem& root) {
  withList_.clear();
  program_.SetErrorUnit(u"");
  unitName_.clear();
  ilRoot_ = &root;
  try {
    BuildProgram(root, program_);
    program_.SetErrorPos(u"");
    ReportImplicitNames();
    return true;
  } catch (const ScriptError& e) {
    program_.SetErrorMsg(e.message());
  } catch (const std::bad_alloc&) {
    program_.SetErrorMsg(u"Out of memory");
  } catch (const std::exception& e) {
    program_.SetErrorMsg(FromUtf8(e.what()));
  }
  if (program_.ErrorMsg().empty()) program_.SetErrorMsg(u"Build failed");
  program_.SetErrorPos(errorPos_);
  program_.SetErrorUnit(unitName_);
  return false;
}

bool ParseILScript(TfsILParser& translator, TfsDocumentUse use) {
  TfsBuilder builder(translator.Program(), &translator);
  builder.SetReleaseBuilt(use == TfsDocumentUse::Release);
  return builder.ParseILScript(*translator.ILScript().Root());
}

void TfsBuilder::BuildProgram(const TfsXMLItem& xml, TfsScript& prog) {
  CheckStack();
  const TfsXMLItem* saved = progRoot_;
  progRoot_ = &xml;
  DeclareRoutines(xml, prog);
  BuildStatements(xml, prog, *prog.Statement());
  progRoot_ = saved;
}

// ---- routines -------------------------------------------------------------

void TfsBuilder::DeclareRoutines(const TfsXMLItem& xml, TfsScript& prog) {
  CheckStack();
  for (const auto& c : xml.Children()) {
    if (c->NameIs(il::kCompoundStmt)) {
      DeclareRoutines(*c, prog);
    } else if (c->NameIs(il::kProcedure) || c->NameIs(il::kFunction)) {
      DeclareRoutine(*c, prog);
    }
  }
}

TfsProcVariable* TfsBuilder::DeclareRoutine(const TfsXMLItem& xml, TfsScript& prog) {
  std::u16string name;
  std::u16string typeName;
  TfsVarType typ = fvtInt;
  bool isFunc = false;
  if (xml.NameIs(il::kProcedure)) {
    const TfsXMLItem& first = Child(xml, 0);
    SetErrorPos(first);
    name = TextOf(first);
    CheckNewName(prog, name);
  } else {
    typ = fvtVariant;
    bool haveName = false;
    for (const auto& c : xml.Children()) {
      if (c->NameIs(il::kType)) {
        SetErrorPos(*c);
        typeName = TextOf(*c);
        typ = ResolveTypeName(typeName);
      } else if (c->NameIs(il::kName)) {
        SetErrorPos(*c);
        name = TextOf(*c);
        CheckNewName(prog, name);
        haveName = true;
      }
    }
    if (!haveName) Fail(u"Identifier expected");
    isFunc = !SameText(typeName, il::kVoidType);
  }
  auto proc = std::make_unique<TfsProcVariable>(name, typ, typeName, &prog, isFunc);
  proc->SetSourcePos(xml.Prop(il::kAttrPos));
  proc->SetSourceUnit(unitName_);
  TfsProcVariable* raw = prog.AddItem(name, std::move(proc));
  for (const auto& c : xml.Children())
    if (c->NameIs(il::kParameters)) BuildParameters(*c, *raw);
  return raw;
}

void TfsBuilder::BuildParameters(const TfsXMLItem& xml, TfsProcVariable& proc) {
  TfsScript& local = *proc.Prog();
  bool groupByRef = false;
  for (const auto& group : xml.Children()) {
    if (group->NameIs(il::kVarParams)) {
      groupByRef = true;
      continue;
    }
    if (!group->NameIs(il::kVar)) continue;
    bool nextByRef = false;
    for (const auto& c : group->Children()) {
      SetErrorPos(*c);
      if (c->NameIs(il::kVarParam)) {
        nextByRef = true;
      } else if (c->NameIs(il::kIdent)) {
        const std::u16string name = TextOf(*c);
        CheckNewName(local, name);
        std::unique_ptr<TfsCustomVariable> item =
            CreateVariable(*group, local, groupByRef || nextByRef, true, nullptr, name);
        std::unique_ptr<TfsParamItem> param(static_cast<TfsParamItem*>(item.release()));
        proc.AddParameter(std::move(param));
        nextByRef = false;
      }
    }
    groupByRef = false;
  }
}

// The body of a routine declared in the first pass. A routine the first
// pass could not see (declared inside a branch) is declared now.
void TfsBuilder::BuildRoutineBody(const TfsXMLItem& xml, TfsScript& prog) {
  const TfsXMLItem* nameItem = xml.NameIs(il::kProcedure) ? &Child(xml, 0) : FindChild(xml, il::kName);
  if (nameItem == nullptr) Fail(u"Identifier expected");
  SetErrorPos(*nameItem);
  auto* proc = dynamic_cast<TfsProcVariable*>(prog.FindLocal(TextOf(*nameItem)));
  if (proc == nullptr || proc->SourcePos() != xml.Prop(il::kAttrPos) || proc->SourceUnit() != unitName_)
    proc = DeclareRoutine(xml, prog);
  BuildProgram(xml, *proc->Prog());
}

// ---- statements -----------------------------------------------------------

void TfsBuilder::Append(TfsStatement& list, std::unique_ptr<TfsStatement> stmt) {
  program_.AddCodeLine(unitName_, stmt->Pos());
  list.Add(std::move(stmt));
}

namespace {

// Statements whose elements nothing refers to once they are built (routines,
// units and the types are looked up by address while building).
bool IsPlainStatement(const TfsXMLItem& xml) {
  return xml.NameIs(il::kAssignStmt) || xml.NameIs(il::kCallStmt) || xml.NameIs(il::kVar) ||
         xml.NameIs(il::kConst);
}

}  // namespace

void TfsBuilder::BuildStatements(const TfsXMLItem& xml, TfsScript& prog, TfsStatement& list) {
  // Most elements become one statement; a long list grown by doubling
  // would hold up to twice the room.
  if (list.Count() == 0) list.Reserve(static_cast<size_t>(xml.Count()));
  for (const auto& c : xml.Children()) {
    BuildStatement(*c, prog, list);
    if (releaseBuilt_ && IsPlainStatement(*c)) c->Clear();
  }
}

void TfsBuilder::BuildStatement(const TfsXMLItem& xml, TfsScript& prog, TfsStatement& list) {
  CheckStack();
  const std::u16string pos = xml.Prop(il::kAttrPos);
  auto make = [&]<class T>(T*) { return std::make_unique<T>(&prog, unitName_, pos); };
  if (xml.NameIs(il::kAssignStmt)) {
    // Basic's `Set x = e` wraps the assignment in a second assignstmt.
    if (xml.Count() == 1 && Child(xml, 0).NameIs(il::kAssignStmt)) {
      BuildStatement(Child(xml, 0), prog, list);
      return;
    }
    const TfsXMLItem& second = Child(xml, 1);
    if (second.NameIs(il::kModificator)) {
      BuildAssignment(xml, Child(xml, 0), &second, Child(xml, 2), prog, list);
    } else {
      BuildAssignment(xml, Child(xml, 0), nullptr, second, prog, list);
    }
  } else if (xml.NameIs(il::kCallStmt)) {
    BuildCall(xml, prog, list, emNone);
  } else if (xml.NameIs(il::kIfStmt)) {
    BuildIf(xml, prog, list);
  } else if (xml.NameIs(il::kCaseStmt)) {
    BuildCase(xml, prog, list);
  } else if (xml.NameIs(il::kForStmt)) {
    BuildFor(xml, prog, list);
  } else if (xml.NameIs(il::kVbForStmt)) {
    BuildVbFor(xml, prog, list);
  } else if (xml.NameIs(il::kCppForStmt)) {
    BuildCppFor(xml, prog, list);
  } else if (xml.NameIs(il::kWhileStmt)) {
    BuildWhile(xml, prog, list);
  } else if (xml.NameIs(il::kRepeatStmt)) {
    BuildRepeat(xml, prog, list);
  } else if (xml.NameIs(il::kTryStmt)) {
    BuildTry(xml, prog, list);
  } else if (xml.NameIs(il::kBreak)) {
    Append(list, make((TfsBreakStmt*)nullptr));
  } else if (xml.NameIs(il::kContinue)) {
    Append(list, make((TfsContinueStmt*)nullptr));
  } else if (xml.NameIs(il::kExit)) {
    Append(list, make((TfsExitStmt*)nullptr));
  } else if (xml.NameIs(il::kReturn)) {
    BuildReturn(xml, prog, list);
  } else if (xml.NameIs(il::kWith)) {
    BuildWith(xml, prog, list);
  } else if (xml.NameIs(il::kDelete)) {
    BuildCall(xml, prog, list, emFree);
  } else if (xml.NameIs(il::kCompoundStmt)) {
    BuildStatements(xml, prog, list);
  } else if (xml.NameIs(il::kUses)) {
    BuildUses(xml, prog);
  } else if (xml.NameIs(il::kVar)) {
    BuildVariables(xml, prog, list);
  } else if (xml.NameIs(il::kConst)) {
    BuildConstant(xml, prog);
  } else if (xml.NameIs(il::kProcedure) || xml.NameIs(il::kFunction)) {
    BuildRoutineBody(xml, prog);
  }
}

bool TfsBuilder::BuildAssignment(const TfsXMLItem& xml, const TfsXMLItem& target,
                                 const TfsXMLItem* modificator, const TfsXMLItem& source, TfsScript& prog,
                                 TfsStatement& list, const std::u16string* exitPos) {
  nextUse_ = NameUse::Write;
  std::unique_ptr<TfsDesignator> designator = DoDesignator(target, prog, emNone);
  std::u16string mod = modificator != nullptr ? TextOf(*modificator) : u" ";
  std::unique_ptr<TfsExpression> expression = BuildExpression(source, prog);
  if (designator->IsReadOnly()) Fail(msg::kLeftSideNotAssignable);
  CheckTypes(*designator, *expression);
  if (mod == u" ") expression->Optimize(*designator, mod);
  const std::u16string pos = xml.Prop(il::kAttrPos);
  std::unique_ptr<TfsAssignmentStmt> stmt;
  switch (mod.empty() ? u' ' : mod[0]) {
    case u'+':
      stmt = std::make_unique<TfsAssignPlusStmt>(&prog, unitName_, pos);
      break;
    case u'-':
      stmt = std::make_unique<TfsAssignMinusStmt>(&prog, unitName_, pos);
      break;
    case u'*':
      stmt = std::make_unique<TfsAssignMulStmt>(&prog, unitName_, pos);
      break;
    case u'/':
      stmt = std::make_unique<TfsAssignDivStmt>(&prog, unitName_, pos);
      break;
    default:
      if (exitPos != nullptr)
        stmt = std::make_unique<TfsReturnStmt>(&prog, unitName_, pos, *exitPos);
      else
        stmt = std::make_unique<TfsAssignmentStmt>(&prog, unitName_, pos);
  }
  const TfsAssignmentStmt& built = *stmt;
  const bool exits = exitPos != nullptr && typeid(built) == typeid(TfsReturnStmt);
  stmt->SetDesignator(std::move(designator));
  stmt->SetExpression(std::move(expression));
  stmt->Optimize();
  Append(list, std::move(stmt));
  if (exits) program_.AddCodeLine(unitName_, *exitPos);
  return exits;
}

void TfsBuilder::BuildCall(const TfsXMLItem& xml, TfsScript& prog, TfsStatement& list, TfsEmitOp emitOp) {
  auto stmt = std::make_unique<TfsCallStmt>(&prog, unitName_, xml.Prop(il::kAttrPos));
  // "i++" assigns; a designator on its own calls.
  nextUse_ = emitOp == emNone && xml.Count() > 1 ? NameUse::Write : NameUse::Call;
  stmt->SetDesignator(DoDesignator(Child(xml, 0), prog, emitOp));
  if (emitOp == emNone && xml.Count() > 1) {
    stmt->SetModificator(TextOf(Child(xml, 1)));
    if (stmt->Designator()->IsReadOnly()) Fail(msg::kLeftSideNotAssignable);
  }
  Append(list, std::move(stmt));
}

void TfsBuilder::BuildIf(const TfsXMLItem& xml, TfsScript& prog, TfsStatement& list) {
  auto stmt = std::make_unique<TfsIfStmt>(&prog, unitName_, xml.Prop(il::kAttrPos));
  stmt->SetCondition(BuildExpression(Child(xml, 0), prog));
  // The branches are found by name: a Basic block may have an else part
  // after an empty then part.
  if (const TfsXMLItem* then = FindChild(xml, il::kThenStmt)) BuildStatements(*then, prog, *stmt);
  if (const TfsXMLItem* els = FindChild(xml, il::kElseStmt)) BuildStatements(*els, prog, *stmt->ElseStmt());
  Append(list, std::move(stmt));
}

void TfsBuilder::BuildCase(const TfsXMLItem& xml, TfsScript& prog, TfsStatement& list) {
  auto stmt = std::make_unique<TfsCaseStmt>(&prog, unitName_, xml.Prop(il::kAttrPos));
  stmt->SetCondition(BuildExpression(Child(xml, 0), prog));
  const int n = xml.Count();
  for (int i = 1; i < n; ++i) {
    const TfsXMLItem& c = Child(xml, i);
    if (!c.NameIs(il::kCaseSelector) || c.Count() != 2) continue;
    auto selector = std::make_unique<TfsCaseSelector>(&prog, unitName_, c.Prop(il::kAttrPos));
    selector->SetSetExpression(BuildSet(Child(c, 0), prog));
    BuildStatement(Child(c, 1), prog, *selector);
    program_.AddCodeLine(unitName_, selector->Pos());
    stmt->Add(std::move(selector));
  }
  if (n > 1 && !Child(xml, n - 1).NameIs(il::kCaseSelector))
    BuildStatement(Child(xml, n - 1), prog, *stmt->ElseStmt());
  Append(list, std::move(stmt));
}

TfsCustomVariable* TfsBuilder::LoopVariable(const TfsXMLItem& ident, TfsScript& prog) {
  SetErrorPos(ident);
  TfsCustomVariable* v = FindVariable(prog, TextOf(ident));
  NoteNameUse(v, prog, NameUse::Write, errorPos_);
  const TfsVarType t = v->Typ();
  if (dynamic_cast<TfsVariable*>(v) == nullptr || v->IsReadOnly() ||
      (t != fvtInt && t != fvtFloat && t != fvtVariant))
    Fail(msg::kForLoopVariable);
  return v;
}

void TfsBuilder::BuildFor(const TfsXMLItem& xml, TfsScript& prog, TfsStatement& list) {
  auto stmt = std::make_unique<TfsForStmt>(&prog, unitName_, xml.Prop(il::kAttrPos));
  TfsCustomVariable* v = LoopVariable(Child(xml, 0), prog);
  stmt->SetVariable(v);
  auto begin = BuildExpression(Child(xml, 1), prog);
  CheckTypes(*v, *begin);
  stmt->SetBeginValue(std::move(begin));
  int i = 2;
  if (Child(xml, i).NameIs(il::kDownto)) {
    stmt->SetDown(true);
    ++i;
  }
  auto end = BuildExpression(Child(xml, i), prog);
  CheckTypes(*v, *end);
  stmt->SetEndValue(std::move(end));
  if (++i < xml.Count()) BuildStatement(Child(xml, i), prog, *stmt);
  Append(list, std::move(stmt));
}

void TfsBuilder::BuildVbFor(const TfsXMLItem& xml, TfsScript& prog, TfsStatement& list) {
  auto stmt = std::make_unique<TfsVbForStmt>(&prog, unitName_, xml.Prop(il::kAttrPos));
  TfsCustomVariable* v = LoopVariable(Child(xml, 0), prog);
  stmt->SetVariable(v);
  auto begin = BuildExpression(Child(xml, 1), prog);
  CheckTypes(*v, *begin);
  stmt->SetBeginValue(std::move(begin));
  auto end = BuildExpression(Child(xml, 2), prog);
  CheckTypes(*v, *end);
  stmt->SetEndValue(std::move(end));
  int i = 3;
  if (i < xml.Count() && Child(xml, i).NameIs(il::kExpr)) {
    auto step = BuildExpression(Child(xml, i), prog);
    CheckTypes(*v, *step);
    stmt->SetStep(std::move(step));
    ++i;
  }
  if (i < xml.Count()) BuildStatement(Child(xml, i), prog, *stmt);
  Append(list, std::move(stmt));
}

// The children are the initialisation, the condition, the iteration and the
// body, but only the condition is sure to be one element: C wraps the
// initialisation and the iteration in a compoundstmt, JS does not, and a JS
// `var a = 1, b = 2` gives one var element per name, in any of the three
// statement places. So the first expr is the condition, everything before it
// the initialisation; the iteration is the next element, together with the
// var elements after a var, short of the last element, which is the body.
void TfsBuilder::BuildCppFor(const TfsXMLItem& xml, TfsScript& prog, TfsStatement& list) {
  auto stmt = std::make_unique<TfsCppForStmt>(&prog, unitName_, xml.Prop(il::kAttrPos));
  const int n = xml.Count();
  int cond = 0;
  while (cond < n && !Child(xml, cond).NameIs(il::kExpr)) ++cond;
  const TfsXMLItem& condition = Child(xml, cond);  // raises when there is none
  for (int i = 0; i < cond; ++i) BuildStatement(Child(xml, i), prog, *stmt->FirstStmt());
  stmt->SetExpression(BuildExpression(condition, prog));
  const int iteration = cond + 1;
  int body = iteration + 1;
  if (Child(xml, iteration).NameIs(il::kVar))
    while (body < n - 1 && Child(xml, body).NameIs(il::kVar)) ++body;
  for (int i = iteration; i < body; ++i) BuildStatement(Child(xml, i), prog, *stmt->SecondStmt());
  for (int i = body; i < n; ++i) BuildStatement(Child(xml, i), prog, *stmt);
  stmt->FindCountingShape();
  Append(list, std::move(stmt));
}

void TfsBuilder::BuildWhile(const TfsXMLItem& xml, TfsScript& prog, TfsStatement& list) {
  auto stmt = std::make_unique<TfsWhileStmt>(&prog, unitName_, xml.Prop(il::kAttrPos));
  stmt->SetCondition(BuildExpression(Child(xml, 0), prog));
  if (xml.Count() > 1) BuildStatement(Child(xml, 1), prog, *stmt);
  Append(list, std::move(stmt));
}

void TfsBuilder::BuildRepeat(const TfsXMLItem& xml, TfsScript& prog, TfsStatement& list) {
  auto stmt = std::make_unique<TfsRepeatStmt>(&prog, unitName_, xml.Prop(il::kAttrPos));
  int cond = xml.Count() - 1;
  if (cond >= 0 && Child(xml, cond).NameIs(il::kInverse)) {
    stmt->SetInverseCondition(true);
    --cond;
  }
  for (int i = 0; i < cond; ++i) BuildStatement(Child(xml, i), prog, *stmt);
  stmt->SetCondition(BuildExpression(Child(xml, cond), prog));
  Append(list, std::move(stmt));
}

void TfsBuilder::BuildTry(const TfsXMLItem& xml, TfsScript& prog, TfsStatement& list) {
  auto stmt = std::make_unique<TfsTryStmt>(&prog, unitName_, xml.Prop(il::kAttrPos));
  for (const auto& c : xml.Children()) {
    if (c->NameIs(il::kExceptStmt)) {
      stmt->SetIsExcept(true);
      BuildStatements(*c, prog, *stmt->ExceptStmt());
    } else if (c->NameIs(il::kFinallyStmt)) {
      BuildStatements(*c, prog, *stmt->ExceptStmt());
    } else {
      BuildStatement(*c, prog, *stmt);
    }
  }
  Append(list, std::move(stmt));
}

// return e: Result := e, then exit. The target is a designator element made
// for the purpose, at the position of the expression.
void TfsBuilder::BuildReturn(const TfsXMLItem& xml, TfsScript& prog, TfsStatement& list) {
  if (xml.Count() > 0) {
    const TfsXMLItem& source = Child(xml, 0);
    TfsXMLItem target;
    target.SetName(il::kDsgn);
    TfsXMLItem* node = target.Add();
    node->SetName(il::kNode);
    node->SetProp(il::kAttrText, u"Result");
    node->SetProp(il::kAttrPos, source.Prop(il::kAttrPos));
    const std::u16string exitPos = xml.Prop(il::kAttrPos);
    if (BuildAssignment(xml, target, nullptr, source, prog, list, &exitPos)) return;
  }
  Append(list, std::make_unique<TfsExitStmt>(&prog, unitName_, xml.Prop(il::kAttrPos)));
}

void TfsBuilder::BuildWith(const TfsXMLItem& xml, TfsScript& prog, TfsStatement& list) {
  const int n = xml.Count();
  if (n == 0) return;
  const size_t entries = withList_.size();
  for (int i = 0; i + 1 < n; ++i) {
    std::unique_ptr<TfsDesignator> d = DoDesignator(Child(xml, i), prog, emNone);
    if (d->Typ() != fvtClass && d->Typ() != fvtVariant) Fail(msg::kClassTypeRequired);
    std::u16string name = NewWithName(prog);
    auto variable = std::make_unique<TfsVariable>(name, d->Typ(), d->TypeName());
    TfsVariable* raw = prog.AddItem(name, std::move(variable));
    auto stmt = std::make_unique<TfsWithStmt>(&prog, unitName_, Child(xml, i).Prop(il::kAttrPos));
    stmt->SetVariable(raw);
    stmt->SetDesignator(std::move(d));
    Append(list, std::move(stmt));
    withList_.push_back({std::move(name), raw});
  }
  BuildStatement(Child(xml, n - 1), prog, list);
  withList_.resize(entries);
}

// An included unit: its declarations and main statements land in `prog` at
// the place of the element. On an error the unit's name stays in force, so
// the error is reported in the unit.
void TfsBuilder::BuildUses(const TfsXMLItem& xml, TfsScript& prog) {
  const std::u16string saved = unitName_;
  unitName_ = xml.Prop(il::kAttrUnit);
  std::u16string text;
  if (program_.OnGetILUnit()) program_.OnGetILUnit()(program_, unitName_, text);
  if (!text.empty()) {
    TfsXMLDocument doc;
    doc.LoadFromBytes(ToUtf8(text));
    BuildProgram(*doc.Root(), prog);
  } else {
    for (const auto& c : xml.Children()) BuildProgram(*c, prog);
  }
  unitName_ = saved;
}

}  // namespace qv
