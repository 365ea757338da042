// The builder: turns intermediate code into a runnable program.
//
// It walks the intermediate document and creates, inside the program
// object, the variables, constants, routines with their local programs,
// statements, expressions and designators. All static checks happen here:
// name resolution, redeclaration, types of assignments and arguments,
// argument counts, assignability and loop variables. The first error ends
// the build; its message, position ("line:col") and unit land in the program
// object.
//
//   TfsILParser translator(prog);
//   translator.SelectLanguage(u"Pascal");
//   if (translator.MakeILScript(source)) ParseILScript(translator);
//   if (prog.ErrorMsg().empty()) prog.Execute();
//
// Routines are declared in a first pass over each program element, so they
// may be called before their text. Damaged intermediate code (missing
// children, unknown elements, nesting without end) yields an error or is
// ignored; it never crashes the builder.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/run/designator.h"
#include "engine/run/expression.h"
#include "engine/run/set_expression.h"
#include "engine/run/statements.h"

namespace qv {

class TfsILParser;
class TfsParser;
class TfsScript;
class TfsXMLDocument;
class TfsXMLItem;

// What DoDesignator appends to a designator.
enum TfsEmitOp : uint8_t {
  emNone,    // a plain designator
  emCreate,  // object creation: the class's Create member
  emFree     // object release: TObject's Free member
};

// Build-time messages. Those ending in a blank are followed by the name in
// single quotes.
namespace msg {
inline constexpr std::u16string_view kIdentifierRedeclared = u"Identifier redeclared: ";
inline constexpr std::u16string_view kUnknownType = u"Unknown type: ";
inline constexpr std::u16string_view kIncompatibleTypes = u"Incompatible types";
inline constexpr std::u16string_view kUndeclaredIdentifier = u"Undeclared identifier: ";
inline constexpr std::u16string_view kClassTypeRequired = u"Class type required";
inline constexpr std::u16string_view kIndexRequired = u"Index required";
inline constexpr std::u16string_view kStringsNoMembers = u"Strings doesn't have properties or methods";
inline constexpr std::u16string_view kNoDefaultProperty = u"Class %s does not have a default property";
inline constexpr std::u16string_view kArrayTypeRequired = u"Array type required";
inline constexpr std::u16string_view kVariableRequired = u"Variable required";
inline constexpr std::u16string_view kNotEnoughParameters = u"Not enough actual parameters";
inline constexpr std::u16string_view kTooManyParameters = u"Too many actual parameters";
inline constexpr std::u16string_view kLeftSideNotAssignable = u"Left side cannot be assigned to";
inline constexpr std::u16string_view kForLoopVariable = u"For loop variable must be numeric variable";
inline constexpr std::u16string_view kExpressionTooLong = u"Expression too long";
}  // namespace msg

class TfsBuilder {
 public:
  // Expressions with more operands and operators than this are refused:
  // their trees would be deep enough to exhaust the stack when evaluated.
  static constexpr int kMaxExpressionItems = 10000;

  // `translator` supplies the grammar's type aliases, whether names must be
  // declared, and the source text of expressions; without one (a rebuild at
  // run time) names must be declared and expressions have no source text.
  TfsBuilder(TfsScript& program, TfsILParser* translator);

  // Builds the root `program` element into the program object. Never
  // raises: errors are stored in the program object. True on success.
  bool ParseILScript(const TfsXMLItem& root);

  // One designator from a `dsgn` element, in `prog`. Raises on error.
  std::unique_ptr<TfsDesignator> DoDesignator(const TfsXMLItem& xml, TfsScript& prog, TfsEmitOp emitOp);

  const std::u16string& ErrorPos() const noexcept { return errorPos_; }

  // The document being built is not needed afterwards: the contents of the
  // plain statements (assignments, calls, declarations) are freed as soon
  // as each is built, so that a very large script's document and program
  // do not peak together. Elements that hold routines or units stay.
  void SetReleaseBuilt(bool on) noexcept { releaseBuilt_ = on; }

 private:
  struct WithEntry {
    std::u16string name;
    TfsCustomVariable* variable;
  };

  // ---- programs and statements (builder.cpp)
  void BuildProgram(const TfsXMLItem& xml, TfsScript& prog);
  void DeclareRoutines(const TfsXMLItem& xml, TfsScript& prog);
  TfsProcVariable* DeclareRoutine(const TfsXMLItem& xml, TfsScript& prog);
  void BuildParameters(const TfsXMLItem& xml, TfsProcVariable& proc);
  void BuildStatements(const TfsXMLItem& xml, TfsScript& prog, TfsStatement& list);
  void BuildStatement(const TfsXMLItem& xml, TfsScript& prog, TfsStatement& list);
  // With `exitPos`, a plain assignment is made a TfsReturnStmt exiting
  // there; returns whether the exit was taken care of.
  bool BuildAssignment(const TfsXMLItem& xml, const TfsXMLItem& target, const TfsXMLItem* modificator,
                       const TfsXMLItem& source, TfsScript& prog, TfsStatement& list,
                       const std::u16string* exitPos = nullptr);
  void BuildCall(const TfsXMLItem& xml, TfsScript& prog, TfsStatement& list, TfsEmitOp emitOp);
  void BuildIf(const TfsXMLItem& xml, TfsScript& prog, TfsStatement& list);
  void BuildCase(const TfsXMLItem& xml, TfsScript& prog, TfsStatement& list);
  void BuildFor(const TfsXMLItem& xml, TfsScript& prog, TfsStatement& list);
  void BuildVbFor(const TfsXMLItem& xml, TfsScript& prog, TfsStatement& list);
  void BuildCppFor(const TfsXMLItem& xml, TfsScript& prog, TfsStatement& list);
  void BuildWhile(const TfsXMLItem& xml, TfsScript& prog, TfsStatement& list);
  void BuildRepeat(const TfsXMLItem& xml, TfsScript& prog, TfsStatement& list);
  void BuildTry(const TfsXMLItem& xml, TfsScript& prog, TfsStatement& list);
  void BuildReturn(const TfsXMLItem& xml, TfsScript& prog, TfsStatement& list);
  void BuildWith(const TfsXMLItem& xml, TfsScript& prog, TfsStatement& list);
  void BuildUses(const TfsXMLItem& xml, TfsScript& prog);
  void BuildRoutineBody(const TfsXMLItem& xml, TfsScript& prog);
  TfsCustomVariable* LoopVariable(const TfsXMLItem& ident, TfsScript& prog);
  // Appends a finished statement and records its line.
  void Append(TfsStatement& list, std::unique_ptr<TfsStatement> stmt);

  // ---- declarations and names (builder_declarations.cpp)
  void BuildVariables(const TfsXMLItem& xml, TfsScript& prog, TfsStatement& list);
  void BuildConstant(const TfsXMLItem& xml, TfsScript& prog);
  std::unique_ptr<TfsCustomVariable> CreateVariable(const TfsXMLItem& xml, TfsScript& prog, bool byRef,
                                                    bool isParam, TfsStatement* list,
                                                    const std::u16string& name);
  Value ArrayValue(const TfsXMLItem& array, TfsScript& prog, int& dims);
  TfsVarType ResolveTypeName(const std::u16string& name);
  TfsCustomVariable* FindVariable(TfsScript& prog, const std::u16string& name);
  TfsClassVariable* FindClassType(const std::u16string& name);
  void CheckNewName(TfsScript& prog, const std::u16string& name);
  void CheckTypes(const TfsCustomVariable& target, const TfsCustomVariable& source);
  std::u16string NewWithName(TfsScript& prog) const;

  // ---- expressions and designators (builder_expression.cpp)
  std::unique_ptr<TfsExpression> BuildExpression(const TfsXMLItem& xml, TfsScript& prog);
  void AddExpressionItems(const TfsXMLItem& xml, TfsScript& prog, TfsExpression& e, int& items);
  std::unique_ptr<TfsSetExpression> BuildSet(const TfsXMLItem& xml, TfsScript& prog);
  std::u16string SourceText(const TfsXMLItem& xml) const;
  // The first step of a designator; false when the designator became late
  // bound and is complete.
  bool FirstStep(const TfsXMLItem& xml, const TfsXMLItem& node, TfsScript& prog, TfsDesignator& d,
                 TfsEmitOp emitOp);
  enum class StepResult : uint8_t { Next, LateBound };
  StepResult NextStep(const TfsXMLItem& xml, const TfsXMLItem& node, TfsScript& prog, TfsDesignator& d);
  void MakeLateBound(TfsDesignator& d, const TfsXMLItem& xml, std::u16string_view prefixNode);
  void CheckArguments(TfsDesignator& d);
  std::unique_ptr<TfsDesignator> Specialise(std::unique_ptr<TfsDesignator> d, TfsScript& prog);

  void SetErrorPos(const TfsXMLItem& xml);

  // ---- names declared implicitly (builder_implicit.cpp)
  enum class NameUse : uint8_t { Read, Write, Call };
  struct ImplicitState {
    std::u16string unit;
    std::u16string firstReadPos;  // a read with no write before it in its scope
    TfsScript* firstReadScope = nullptr;
    std::u16string callPos;  // the first use as a statement of its own
    std::vector<TfsScript*> writeScopes;
  };
  // A first step found or declared `item` for a use of kind `use` in `prog`.
  void NoteNameUse(TfsCustomVariable* item, TfsScript& prog, NameUse use, const std::u16string& pos);
  // The build succeeded: the suspicious names go to the program.
  void ReportImplicitNames();
  // The build fails at `item` (called with arguments it cannot take).
  void ReportImplicitCall(TfsCustomVariable* item, const std::u16string& pos);

  TfsScript& program_;
  TfsILParser* translator_;
  TfsParser* parser_ = nullptr;
  const TfsXMLItem* grammarTypes_ = nullptr;
  const TfsXMLItem* ilRoot_ = nullptr;
  const TfsXMLItem* progRoot_ = nullptr;
  // The types element of the last two program elements asked about: every
  // declaration resolves its type, and a search per declaration would make
  // n declarations cost O(n^2).
  struct TypesEntry {
    const TfsXMLItem* program = nullptr;
    const TfsXMLItem* types = nullptr;
  };
  TypesEntry typesCache_[2];
  const TfsXMLItem* CachedTypesOf(const TfsXMLItem* program);
  std::u16string errorPos_;
  std::u16string unitName_;
  std::vector<WithEntry> withList_;
  bool needDeclareVars_ = true;
  bool releaseBuilt_ = false;
  NameUse nextUse_ = NameUse::Read;  // the use of the next designator built
  // By item, and the items in the order they were declared.
  std::unordered_map<TfsCustomVariable*, ImplicitState> implicit_;
  std::vector<TfsCustomVariable*> implicitOrder_;
};

// Whether a build may consume the translator's document (see
// TfsBuilder::SetReleaseBuilt).
enum class TfsDocumentUse : uint8_t { Keep, Release };

// Builds the translator's intermediate code into its program object.
bool ParseILScript(TfsILParser& translator, TfsDocumentUse use = TfsDocumentUse::Keep);

// A designator wrapping `item` alone, of the class its kind calls for.
std::unique_ptr<TfsDesignator> MakeItemDesignator(TfsScript& prog, TfsCustomVariable* item,
                                                  const std::u16string& sourcePos);

}  // namespace qv
