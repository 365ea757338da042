// The builder's expressions, set constructors and designators, including the
// decisions that make a designator late bound.
#include "engine/build/builder.h"
#include "engine/classes/component.h"
#include "engine/items/declaration.h"
#include "engine/items/objects.h"
#include "engine/program/program.h"
#include "engine/program/stack_guard.h"
#include "engine/translate/tokenizer.h"
#include "engine/value/value_ops.h"
#include "engine/xml/il_names.h"
#include "engine/xml/xml.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv {

namespace {

std::u16string TextOf(const TfsXMLItem& xml) { return xml.Prop(il::kAttrText); }

[[noreturn]] void Fail(std::u16string_view message) { throw ScriptError(std::u16string(message)); }

// "line:col" to a point; false when the text is no position.
bool ParsePoint(std::u16string_view pos, TPoint& point) {
  const size_t colon = pos.find(u':');
  if (colon == std::u16string_view::npos) return false;
  int32_t line = 0;
  int32_t col = 0;
  if (!TextToInt32(pos.substr(0, colon), line) || !TextToInt32(pos.substr(colon + 1), col)) return false;
  point.y = line;
  point.x = col;
  return line > 0 && col > 0;
}

// The value an item holds at build time; items without storage (calls,
// helpers) have none yet.
Value BuildTimeValue(TfsCustomVariable* item) {
  if (item == nullptr || !item->HasStorage()) return Value::Null();
  return item->StoredValue();
}

bool IsNoObject(const Value& v) {
  if (v.is_null() || v.is_empty()) return true;
  if (v.is_int32()) return v.as_int32() == 0;
  return v.is_object() && v.as_object() == 0;
}

}  // namespace

// ---- expressions ----------------------------------------------------------

std::u16string TfsBuilder::SourceText(const TfsXMLItem& xml) const {
  if (parser_ == nullptr) return u"";
  TPoint from;
  TPoint to;
  std::u16string pos;
  xml.PropTo(il::kAttrPos, pos);
  if (!ParsePoint(pos, from)) return u"";
  xml.PropTo(il::kAttrPos1, pos);
  if (!ParsePoint(pos, to)) return u"";
  const int a = parser_->GetPlainPosition(from);
  const int b = parser_->GetPlainPosition(to);
  const std::u16string_view text = parser_->Text();
  if (a < 1 || b < a || static_cast<size_t>(b - 1) > text.size()) return u"";
  return std::u16string(text.substr(static_cast<size_t>(a - 1), static_cast<size_t>(b - a)));
}

std::unique_ptr<TfsExpression> TfsBuilder::BuildExpression(const TfsXMLItem& xml, TfsScript& prog) {
  CheckStack();
  auto e = std::make_unique<TfsExpression>(&program_);
  int items = 0;
  AddExpressionItems(xml, prog, *e, items);
  std::u16string errorPos;
  if (!e->Finalize(errorPos)) {
    errorPos_ = errorPos;
    throw ScriptError(std::u16string(msg::kIncompatibleTypes) + u":" + SourceText(xml));
  }
  return e;
}

void TfsBuilder::AddExpressionItems(const TfsXMLItem& xml, TfsScript& prog, TfsExpression& e, int& items) {
  CheckStack();
  const int n = xml.Count();
  for (int i = 0; i < n; ++i) {
    const TfsXMLItem& c = *xml.Items(i);
    SetErrorPos(c);
    e.SetSourcePos(errorPos_);
    if (++items > kMaxExpressionItems) Fail(msg::kExpressionTooLong);
    if (c.NameIs(il::kOp)) {
      const std::u16string op = LowerCase(TextOf(c));
      // An operator left over from a failed grammar alternative ends the
      // element; it has no right operand.
      if (op != il::kOpClose && i == n - 1) continue;
      e.AddOperator(op);
    } else if (c.NameIs(il::kNumber)) {
      e.AddConst(ParseDefaultLiteral(TextOf(c)));
    } else if (c.NameIs(il::kString)) {
      const std::u16string text = TextOf(c);
      e.AddConst(Value::Text(text.size() >= 2 ? text.substr(1, text.size() - 2) : std::u16string()));
    } else if (c.NameIs(il::kDsgn)) {
      e.AddDesignator(DoDesignator(c, prog, emNone));
    } else if (c.NameIs(il::kSet)) {
      e.AddSet(BuildSet(c, prog));
    } else if (c.NameIs(il::kNew)) {
      e.AddDesignator(DoDesignator(*c.Items(0), prog, emCreate));
    } else if (c.NameIs(il::kExpr)) {
      AddExpressionItems(c, prog, e, items);
    }
  }
}

std::unique_ptr<TfsSetExpression> TfsBuilder::BuildSet(const TfsXMLItem& xml, TfsScript& prog) {
  CheckStack();
  auto set = std::make_unique<TfsSetExpression>();
  for (const auto& c : xml.Children()) {
    if (c->NameIs(il::kExpr)) {
      set->AddExpression(BuildExpression(*c, prog));
    } else if (c->NameIs(il::kRange)) {
      set->AddRange();
    }
  }
  return set;
}

// ---- designators ----------------------------------------------------------

// Keeps a deep copy of the element (with a first node naming `prefixNode`
// when given) for the rebuild at the first evaluation.
void TfsBuilder::MakeLateBound(TfsDesignator& d, const TfsXMLItem& xml, std::u16string_view prefixNode) {
  auto copy = std::make_unique<TfsXMLItem>();
  copy->Assign(&xml);
  if (!prefixNode.empty()) {
    auto node = std::make_unique<TfsXMLItem>();
    node->SetName(il::kNode);
    node->SetProp(il::kAttrText, prefixNode);
    node->SetProp(il::kAttrPos, xml.Count() > 0 ? xml.Items(0)->Prop(il::kAttrPos) : xml.Prop(il::kAttrPos));
    if (copy->Count() > 0) {
      copy->InsertItem(0, std::move(node));
    } else {
      copy->AddItem(std::move(node));
    }
  }
  d.Finalize();
  d.SetTyp(fvtVariant);
  d.SetLateBindingXmlSource(std::move(copy));
}

bool TfsBuilder::FirstStep(const TfsXMLItem& xml, const TfsXMLItem& node, TfsScript& prog, TfsDesignator& d,
                           TfsEmitOp emitOp) {
  const std::u16string name = TextOf(node);
  const std::u16string pos = errorPos_;
  TfsCustomVariable* withVariable = nullptr;
  TfsCustomVariable* member = nullptr;
  for (auto it = withList_.rbegin(); it != withList_.rend(); ++it) {
    if (prog.FindLocal(it->name) == nullptr) continue;
    TfsCustomVariable* wv = it->variable;
    if (wv->Typ() == fvtVariant) {
      if (prog.Find(name) != nullptr) break;
      d.AddStep(wv, pos);
      MakeLateBound(d, xml, wv->Name());
      return false;
    }
    if (TfsCustomVariable* m = FindClassType(wv->TypeName())->Find(name)) {
      withVariable = wv;
      member = m;
      break;
    }
  }
  if (member != nullptr) {
    d.AddStep(withVariable, pos);
    d.AddStep(member, pos);
  } else {
    d.AddStep(FindVariable(prog, name), pos);
  }
  if (emitOp == emCreate) {
    auto* cls = dynamic_cast<TfsClassVariable*>(d.Step(d.StepCount() - 1)->Ref());
    if (cls == nullptr) Fail(msg::kClassTypeRequired);
    TfsCustomVariable* create = cls->Find(u"Create");
    if (create == nullptr) throw ScriptError(std::u16string(msg::kUndeclaredIdentifier) + u"'Create'");
    d.AddStep(create, pos);
  }
  return true;
}

TfsBuilder::StepResult TfsBuilder::NextStep(const TfsXMLItem& xml, const TfsXMLItem& node, TfsScript& prog,
                                            TfsDesignator& d) {
  const std::u16string text = TextOf(node);
  const bool index = text == il::kIndexOpen;
  TfsDesignatorItem* previous = d.Step(d.StepCount() - 1);
  TfsCustomVariable* p = previous->Ref();
  if (p == nullptr) Fail(msg::kVariableRequired);

  // An indexed property: its index arguments follow on the same step.
  if (auto* method = dynamic_cast<TfsMethodHelper*>(p);
      method != nullptr && method->IndexMethod() && !previous->Flag()) {
    previous->SetFlag(true);
    errorPos_ = previous->SourcePos();
    if (!index) Fail(msg::kIndexRequired);
    return StepResult::Next;
  }

  TfsVarType kind = p->Typ();
  std::u16string typeName = p->TypeName();
  if (kind == fvtVariant) {
    // The value the variant holds now decides what the step means.
    const Value v = BuildTimeValue(p);
    if (v.is_null() || v.is_empty()) {
      MakeLateBound(d, xml, u"");
      return StepResult::LateBound;
    }
    if (v.is_string()) {
      kind = fvtString;
    } else if (v.is_array()) {
      if (!index) Fail(msg::kIndexRequired);
      d.AddStep(FindVariable(prog, u"__ArrayHelper"), errorPos_);
      return StepResult::Next;
    } else {
      // Objects also travel as plain integers; anything that names no live
      // object is refused. An object value whose object is gone says so,
      // as it does through a typed variable.
      HostObject* object = nullptr;
      if (v.is_object() || v.is_int32()) object = ObjectRegistry::Instance().Find(ObjectIdOf(v));
      if (object == nullptr && v.is_object() && ObjectIdOf(v) != 0) ObjectRegistry::ThrowInvalid();
      if (object == nullptr) Fail(msg::kClassTypeRequired);
      kind = fvtClass;
      typeName = object->Class().name;
    }
  }

  if (kind == fvtString) {
    if (!index) Fail(msg::kStringsNoMembers);
    d.AddStep(FindVariable(prog, u"__StringHelper"), errorPos_);
  } else if (kind == fvtClass) {
    TfsClassVariable* cls = FindClassType(typeName);
    if (index) {
      TfsMethodHelper* def = cls->DefProperty();
      if (def == nullptr) {
        std::u16string m(msg::kNoDefaultProperty);
        m.replace(m.find(u"%s"), 2, typeName);
        throw ScriptError(m);
      }
      d.AddStep(def, errorPos_)->SetFlag(true);
      return StepResult::Next;
    }
    if (TfsCustomVariable* member = cls->Find(text)) {
      d.AddStep(member, errorPos_);
      return StepResult::Next;
    }
    const Value v = BuildTimeValue(p);
    if (IsNoObject(v) && !program_.IsRunning() && prog.UseClassLateBinding()) {
      while (d.StepCount() > 1) d.RemoveLastStep();
      MakeLateBound(d, xml, u"");
      return StepResult::LateBound;
    }
    if (v.is_object() || v.is_int32()) {
      auto* component = dynamic_cast<TComponent*>(ObjectRegistry::Instance().Find(ObjectIdOf(v)));
      if (TComponent* owned = component != nullptr ? component->FindComponent(text) : nullptr) {
        auto item = std::make_unique<TfsCustomVariable>(u"", fvtClass, owned->Class().name);
        item->SetValue(Value::Object(owned->ObjectId()));
        d.AddStep(prog.AddItem(u"", std::move(item)), errorPos_);
        return StepResult::Next;
      }
    }
    throw ScriptError(std::u16string(msg::kUndeclaredIdentifier) + u"'" + text + u"'");
  } else if (kind == fvtArray) {
    if (p->RefItem() != nullptr) {
      d.AddStep(p->RefItem(), errorPos_);
    } else {
      // Declared "Array" by the host (start-up variables, a thread's Vars)
      // without a declared shape: indexed like a variant holding an array.
      if (!index) Fail(msg::kIndexRequired);
      d.AddStep(FindVariable(prog, u"__ArrayHelper"), errorPos_);
    }
  } else {
    Fail(msg::kArrayTypeRequired);
  }
  return StepResult::Next;
}

std::unique_ptr<TfsDesignator> TfsBuilder::Specialise(std::unique_ptr<TfsDesignator> d, TfsScript& prog) {
  std::unique_ptr<TfsDesignator> special;
  switch (d->Kind()) {
    case dkVariable:
      special = std::make_unique<TfsVariableDesignator>(&prog);
      break;
    case dkStringArray:
      special = std::make_unique<TfsStringDesignator>(&prog);
      break;
    case dkArray:
      special = std::make_unique<TfsArrayDesignator>(&prog);
      break;
    default:
      return d;
  }
  special->Borrow(*d);
  return special;
}

// Every step gets one argument per parameter of its item: omitted optional
// arguments take the parameter's default.
void TfsBuilder::CheckArguments(TfsDesignator& d) {
  for (int i = 0; i < d.StepCount(); ++i) {
    TfsDesignatorItem* step = d.Step(i);
    TfsCustomVariable* item = step->Ref();
    if (item == nullptr || step->NestedDesignator() != nullptr) continue;
    errorPos_ = step->SourcePos();
    const int given = step->ArgCount();
    const int count = item->ParamCount();
    if (given < item->GetNumberOfRequiredParams()) Fail(msg::kNotEnoughParameters);
    if (given > count) {
      ReportImplicitCall(item, errorPos_);
      Fail(msg::kTooManyParameters);
    }
    for (int j = given; j < count; ++j) {
      auto e = std::make_unique<TfsExpression>(&program_);
      e->AddConst(item->Param(j)->DefValue());
      std::u16string ignored;
      e->Finalize(ignored);
      step->AddArg(std::move(e));
    }
    for (int j = 0; j < count; ++j) {
      errorPos_ = step->Arg(j)->SourcePos();
      CheckTypes(*item->Param(j), *step->Arg(j));
    }
  }
}

std::unique_ptr<TfsDesignator> TfsBuilder::DoDesignator(const TfsXMLItem& xml, TfsScript& prog,
                                                        TfsEmitOp emitOp) {
  CheckStack();
  // Designators built inside this one (its arguments) are read.
  const NameUse use = nextUse_;
  nextUse_ = NameUse::Read;
  auto d = std::make_unique<TfsDesignator>(&prog);
  const int n = xml.Count();
  for (int i = 0; i < n; ++i) {
    const TfsXMLItem& c = *xml.Items(i);
    SetErrorPos(c);
    if (c.NameIs(il::kNode)) {
      if (d->StepCount() == 0) {
        if (!FirstStep(xml, c, prog, *d, emitOp)) return d;
        if (!implicit_.empty()) {
          // A call names the item alone; "x.y;" reads x.
          const bool alone = use == NameUse::Call && (i + 1 == n || !xml.Items(i + 1)->NameIs(il::kNode));
          NoteNameUse(d->Step(0)->Ref(), prog, use == NameUse::Call && !alone ? NameUse::Read : use,
                      errorPos_);
        }
      } else if (NextStep(xml, c, prog, *d) == StepResult::LateBound) {
        return d;
      }
    } else if (c.NameIs(il::kExpr)) {
      if (d->StepCount() == 0) Fail(msg::kVariableRequired);
      // Macro routines receive their arguments as source text.
      std::unique_ptr<TfsExpression> arg = BuildExpression(c, prog);
      arg->SetSource(SourceText(c));
      d->Step(d->StepCount() - 1)->AddArg(std::move(arg));
    } else if (c.NameIs(il::kAddr)) {
      if (n != 2 || i != 0 || !xml.Items(1)->NameIs(il::kNode)) Fail(msg::kVariableRequired);
      // Event handlers are assigned by name: the value is the routine's name.
      auto name = std::make_unique<TfsStringVariable>(u"", fvtString, u"");
      name->SetValue(Value::Text(TextOf(*xml.Items(1))));
      d->AddStep(prog.AddItem(u"", std::move(name)), errorPos_);
      break;
    }
  }
  if (d->StepCount() == 0) Fail(msg::kVariableRequired);
  if (emitOp == emFree) {
    TfsCustomVariable* last = d->Step(d->StepCount() - 1)->Ref();
    if (last == nullptr || (last->Typ() != fvtClass && last->Typ() != fvtVariant))
      Fail(msg::kClassTypeRequired);
    TfsCustomVariable* free = FindClassType(u"TObject")->Find(u"Free");
    if (free == nullptr) throw ScriptError(std::u16string(msg::kUndeclaredIdentifier) + u"'Free'");
    d->AddStep(free, errorPos_);
  }
  d->Finalize();
  d = Specialise(std::move(d), prog);
  CheckArguments(*d);
  return d;
}

}  // namespace qv
