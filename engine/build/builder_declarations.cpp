// The builder's declarations: variables (with arrays and initial values),
// constants, and the name and type rules every element relies on.
#include <vector>

#include "engine/build/builder.h"
#include "engine/program/program.h"
#include "engine/value/value_ops.h"
#include "engine/xml/il_names.h"
#include "engine/xml/xml.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv {

namespace {

std::u16string TextOf(const TfsXMLItem& xml) { return xml.Prop(il::kAttrText); }

std::u16string Quoted(std::u16string_view prefix, const std::u16string& name) {
  return std::u16string(prefix) + u"'" + name + u"'";
}

Value InitialValue(TfsVarType typ) {
  switch (typ) {
    case fvtInt:
    case fvtFloat:
    case fvtClass:
      return Value::Int(0);
    case fvtBool:
      return Value::Bool(false);
    case fvtChar:
    case fvtString:
      return Value::Text(u"");
    default:
      return Value::Null();
  }
}

const TfsXMLItem* Alias(const TfsXMLItem* types, const std::u16string& name) {
  if (types == nullptr) return nullptr;
  for (const auto& c : types->Children())
    if (c->NameIs(name)) return c.get();
  return nullptr;
}

const TfsXMLItem* TypesOf(const TfsXMLItem* program) {
  if (program == nullptr) return nullptr;
  for (const auto& c : program->Children())
    if (c->NameIs(il::kTypes)) return c.get();
  return nullptr;
}

}  // namespace

std::unique_ptr<TfsDesignator> MakeItemDesignator(TfsScript& prog, TfsCustomVariable* item,
                                                  const std::u16string& sourcePos) {
  auto d = std::make_unique<TfsDesignator>(&prog);
  d->AddStep(item, sourcePos);
  d->Finalize();
  if (d->Kind() != dkVariable) return d;
  auto v = std::make_unique<TfsVariableDesignator>(&prog);
  v->Borrow(*d);
  return v;
}

// ---- names and types ------------------------------------------------------

// Aliases come from the program element being built, then the grammar,
// then the main program element (stored code built without a grammar
// carries them only there).
const TfsXMLItem* TfsBuilder::CachedTypesOf(const TfsXMLItem* program) {
  if (program == nullptr) return nullptr;
  for (const TypesEntry& e : typesCache_)
    if (e.program == program) return e.types;
  typesCache_[1] = typesCache_[0];
  typesCache_[0] = {program, TypesOf(program)};
  return typesCache_[0].types;
}

TfsVarType TfsBuilder::ResolveTypeName(const std::u16string& name) {
  const TfsXMLItem* alias = Alias(CachedTypesOf(progRoot_), name);
  if (alias == nullptr) alias = Alias(grammarTypes_, name);
  if (alias == nullptr && ilRoot_ != progRoot_) alias = Alias(CachedTypesOf(ilRoot_), name);
  const std::u16string resolved = alias != nullptr ? alias->Prop(il::kAttrType) : name;
  TfsVarType typ = program_.KindOfTypeName(resolved);
  if (typ == fvtClass) FindClassType(resolved);
  return typ;
}

TfsCustomVariable* TfsBuilder::FindVariable(TfsScript& prog, const std::u16string& name) {
  if (TfsCustomVariable* v = prog.Find(name)) return v;
  if (needDeclareVars_) throw ScriptError(Quoted(msg::kUndeclaredIdentifier, name));
  // Grammars without declarations: the name becomes a global variant.
  TfsVariable* v = program_.AddItem(name, std::make_unique<TfsVariable>(name, fvtVariant, u""));
  implicit_[v].unit = unitName_;
  implicitOrder_.push_back(v);
  return v;
}

TfsClassVariable* TfsBuilder::FindClassType(const std::u16string& name) {
  TfsClassVariable* cls = program_.FindClass(name);
  if (cls == nullptr) throw ScriptError(Quoted(msg::kUnknownType, name));
  return cls;
}

void TfsBuilder::CheckNewName(TfsScript& prog, const std::u16string& name) {
  if (prog.FindLocal(name) != nullptr) throw ScriptError(Quoted(msg::kIdentifierRedeclared, name));
}

void TfsBuilder::CheckTypes(const TfsCustomVariable& target, const TfsCustomVariable& source) {
  if (AssignCompatible(target, source, &program_)) return;
  throw ScriptError(std::u16string(msg::kIncompatibleTypes) + u": '" + target.GetFullTypeName() + u"', '" +
                    source.GetFullTypeName() + u"'");
}

std::u16string TfsBuilder::NewWithName(TfsScript& prog) const {
  for (long long n = 0;; ++n) {
    std::u16string name = u"_WithList_" + IntToText(n);
    if (prog.FindLocal(name) != nullptr) continue;
    bool used = false;
    for (const WithEntry& e : withList_) used = used || SameText(e.name, name);
    if (!used) return name;
  }
}

// ---- variables ------------------------------------------------------------

void TfsBuilder::BuildVariables(const TfsXMLItem& xml, TfsScript& prog, TfsStatement& list) {
  for (const auto& c : xml.Children()) {
    SetErrorPos(*c);
    if (!c->NameIs(il::kIdent)) continue;
    const std::u16string name = TextOf(*c);
    CheckNewName(prog, name);
    prog.Add(name, CreateVariable(xml, prog, false, false, &list, name));
  }
}

// The bounds of an `array` element, computed now.
Value TfsBuilder::ArrayValue(const TfsXMLItem& array, TfsScript& prog, int& dims) {
  int32_t low[ArrayBlock::kMaxDims] = {0, 0, 0};
  int32_t high[ArrayBlock::kMaxDims] = {0, 0, 0};
  dims = 0;
  for (const auto& dim : array.Children()) {
    if (!dim->NameIs(il::kDim)) continue;
    SetErrorPos(*dim);
    if (dims == ArrayBlock::kMaxDims) throw ScriptError(u"Invalid array dimension count");
    if (dim->Count() >= 2) {
      low[dims] = ToInt32(BuildExpression(*dim->Items(0), prog)->GetValue());
      high[dims] = ToInt32(BuildExpression(*dim->Items(1), prog)->GetValue());
    } else {
      const int32_t count = ToInt32(BuildExpression(*dim->Items(0), prog)->GetValue());
      high[dims] = count - 1;
    }
    ++dims;
  }
  if (dims == 0) dims = 1;  // no dimensions: one element, index 0
  return Value::Array(dims, low, high);
}

std::unique_ptr<TfsCustomVariable> TfsBuilder::CreateVariable(const TfsXMLItem& xml, TfsScript& prog,
                                                              bool byRef, bool isParam, TfsStatement* list,
                                                              const std::u16string& name) {
  const std::u16string entryPos = errorPos_;
  std::u16string typeName = u"Variant";
  int typeIndex = -1;
  const int n = xml.Count();
  for (int i = 0; i < n; ++i) {
    const TfsXMLItem& c = *xml.Items(i);
    if (!c.NameIs(il::kType)) continue;
    SetErrorPos(c);
    typeName = TextOf(c);
    typeIndex = i;
    break;
  }
  const bool typeFirst = typeIndex == 0;
  TfsVarType typ = ResolveTypeName(typeName);
  Value initial = InitialValue(typ);

  int self = -1;
  for (int i = 0; i < n && self < 0; ++i) {
    const TfsXMLItem& c = *xml.Items(i);
    if (c.NameIs(il::kIdent) && SameText(TextOf(c), name)) self = i;
  }
  const TfsXMLItem* init = nullptr;
  TfsArrayHelper* helper = nullptr;
  for (int i = self + 1; self >= 0 && i < n; ++i) {
    const TfsXMLItem& c = *xml.Items(i);
    if (typeFirst && c.NameIs(il::kIdent)) break;
    if (c.NameIs(il::kArray)) {
      int dims = 0;
      initial = ArrayValue(c, prog, dims);
      helper = prog.AddItem(u"", std::make_unique<TfsArrayHelper>(u"", dims, typ, typeName));
    } else if (c.NameIs(il::kInit)) {
      init = &c;
      if (list == nullptr) {
        TfsVariable temp(u"", typ, typeName);
        std::unique_ptr<TfsExpression> e = BuildExpression(*c.Items(0), prog);
        initial = e->GetValue();
        CheckTypes(temp, *e);
      }
    }
  }
  if (helper != nullptr) typ = fvtArray;

  std::unique_ptr<TfsCustomVariable> item;
  if (isParam) {
    auto param = std::make_unique<TfsParamItem>(name, typ, typeName, init != nullptr, byRef);
    if (init != nullptr) param->SetDefValue(initial);
    item = std::move(param);
  } else if (typ == fvtChar || typ == fvtString) {
    item = std::make_unique<TfsStringVariable>(name, typ, typeName);
  } else {
    item = std::make_unique<TfsVariable>(name, typ, typeName);
  }
  item->SetValue(initial);
  item->SetRefItem(helper);
  item->SetSourcePos(entryPos);
  item->SetSourceUnit(unitName_);
  item->SetOnGetVarValue(program_.OnGetVarValue());

  // Initial values of declared variables are assigned when their
  // declaration is reached at run time.
  if (init != nullptr && list != nullptr) {
    auto stmt = std::make_unique<TfsAssignmentStmt>(&prog, unitName_, xml.Prop(il::kAttrPos));
    stmt->SetDesignator(MakeItemDesignator(prog, item.get(), entryPos));
    std::unique_ptr<TfsExpression> e = BuildExpression(*init->Items(0), prog);
    CheckTypes(*item, *e);
    stmt->SetExpression(std::move(e));
    stmt->Optimize();
    Append(*list, std::move(stmt));
  }
  return item;
}

void TfsBuilder::BuildConstant(const TfsXMLItem& xml, TfsScript& prog) {
  const TfsXMLItem& first = *xml.Items(0);
  SetErrorPos(first);
  const std::u16string name = TextOf(first);
  CheckNewName(prog, name);
  std::unique_ptr<TfsExpression> e = BuildExpression(*xml.Items(1), prog);
  Value v = e->GetValue();
  auto constant = std::make_unique<TfsVariable>(name, e->Typ(), e->TypeName());
  constant->SetValue(v);
  constant->SetIsReadOnly(true);
  prog.AddItem(name, std::move(constant));
}

}  // namespace qv
