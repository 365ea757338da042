// The vocabulary of the intermediate code: every element and
// attribute name that the translator writes and the builder
// reads, in one place. Names are matched without regard to
// case (TfsXMLItem::NameIs), but are written exactly as here.
#pragma once

#include <string_view>

namespace qv::il {

// The header line that starts every document the writer produces.
inline constexpr std::string_view kXmlHeader = "<?xml version=\"1.0\"?>";

// ---- container (node) elements: attribute `pos`; `expr` also `pos1`
inline constexpr std::u16string_view kProgram = u"program";
inline constexpr std::u16string_view kTypes = u"types";
inline constexpr std::u16string_view kCompoundStmt = u"compoundstmt";
inline constexpr std::u16string_view kUses = u"uses";  // attribute `unit` only
inline constexpr std::u16string_view kVar = u"var";
inline constexpr std::u16string_view kConst = u"const";
inline constexpr std::u16string_view kArray = u"array";
inline constexpr std::u16string_view kDim = u"dim";
inline constexpr std::u16string_view kInit = u"init";
inline constexpr std::u16string_view kExpr = u"expr";
inline constexpr std::u16string_view kSet = u"set";
inline constexpr std::u16string_view kDsgn = u"dsgn";
inline constexpr std::u16string_view kNew = u"new";
inline constexpr std::u16string_view kProcedure = u"procedure";
inline constexpr std::u16string_view kFunction = u"function";
inline constexpr std::u16string_view kParameters = u"parameters";
inline constexpr std::u16string_view kVarParams = u"varparams";
inline constexpr std::u16string_view kAssignStmt = u"assignstmt";
inline constexpr std::u16string_view kCallStmt = u"callstmt";
inline constexpr std::u16string_view kIfStmt = u"ifstmt";
inline constexpr std::u16string_view kThenStmt = u"thenstmt";
inline constexpr std::u16string_view kElseStmt = u"elsestmt";
inline constexpr std::u16string_view kCaseStmt = u"casestmt";
inline constexpr std::u16string_view kCaseSelector = u"caseselector";
inline constexpr std::u16string_view kForStmt = u"forstmt";
inline constexpr std::u16string_view kVbForStmt = u"vbforstmt";
inline constexpr std::u16string_view kCppForStmt = u"cppforstmt";
inline constexpr std::u16string_view kWhileStmt = u"whilestmt";
inline constexpr std::u16string_view kRepeatStmt = u"repeatstmt";
inline constexpr std::u16string_view kTryStmt = u"trystmt";
inline constexpr std::u16string_view kExceptStmt = u"exceptstmt";
inline constexpr std::u16string_view kFinallyStmt = u"finallystmt";
inline constexpr std::u16string_view kBreak = u"break";
inline constexpr std::u16string_view kContinue = u"continue";
inline constexpr std::u16string_view kExit = u"exit";
inline constexpr std::u16string_view kReturn = u"return";
inline constexpr std::u16string_view kWith = u"with";
inline constexpr std::u16string_view kDelete = u"delete";
inline constexpr std::u16string_view kEmpty = u"empty";

// ---- token elements: attributes `text` and `pos` (just after the token)
inline constexpr std::u16string_view kIdent = u"ident";
inline constexpr std::u16string_view kName = u"name";
inline constexpr std::u16string_view kType = u"type";
inline constexpr std::u16string_view kNode = u"node";
inline constexpr std::u16string_view kNumber = u"number";
inline constexpr std::u16string_view kString = u"string";
inline constexpr std::u16string_view kOp = u"op";
inline constexpr std::u16string_view kRange = u"range";
inline constexpr std::u16string_view kAddr = u"addr";
inline constexpr std::u16string_view kDownto = u"downto";
inline constexpr std::u16string_view kInverse = u"inverse";
inline constexpr std::u16string_view kModificator = u"modificator";
inline constexpr std::u16string_view kVarParam = u"varparam";
inline constexpr std::u16string_view kFile = u"file";  // transient, inside the translator only

// ---- attributes
inline constexpr std::u16string_view kAttrText = u"text";
inline constexpr std::u16string_view kAttrPos = u"pos";
inline constexpr std::u16string_view kAttrPos1 = u"pos1";
inline constexpr std::u16string_view kAttrUnit = u"unit";
inline constexpr std::u16string_view kAttrType = u"type";  // of a `types` alias: the type it stands for

// ---- fixed texts
inline constexpr std::u16string_view kIndexOpen = u"[";         // `node` text that opens an index
inline constexpr std::u16string_view kVoidType = u"void";       // `type` of a function that is a procedure
inline constexpr std::u16string_view kFrStringMethod = u"Get";  // `node` of an embedded template expression
inline constexpr std::u16string_view kVarParamText = u"&";

// `op` texts.
inline constexpr std::u16string_view kOpOpen = u"(";
inline constexpr std::u16string_view kOpClose = u")";
inline constexpr std::u16string_view kOpPlus = u"+";
inline constexpr std::u16string_view kOpMinus = u"-";
inline constexpr std::u16string_view kOpMul = u"*";
inline constexpr std::u16string_view kOpDivide = u"/";
inline constexpr std::u16string_view kOpUnMinus = u"unminus";
inline constexpr std::u16string_view kOpNot = u"not";
inline constexpr std::u16string_view kOpOr = u"or";
inline constexpr std::u16string_view kOpXor = u"xor";
inline constexpr std::u16string_view kOpAnd = u"and";
inline constexpr std::u16string_view kOpDiv = u"div";
inline constexpr std::u16string_view kOpMod = u"mod";
inline constexpr std::u16string_view kOpShl = u"shl";
inline constexpr std::u16string_view kOpShr = u"shr";
inline constexpr std::u16string_view kOpStrCat = u"strcat";
inline constexpr std::u16string_view kOpEq = u"=";
inline constexpr std::u16string_view kOpNe = u"<>";
inline constexpr std::u16string_view kOpLt = u"<";
inline constexpr std::u16string_view kOpGt = u">";
inline constexpr std::u16string_view kOpLe = u"<=";
inline constexpr std::u16string_view kOpGe = u">=";
inline constexpr std::u16string_view kOpIn = u"in";
inline constexpr std::u16string_view kOpIs = u"is";

inline constexpr std::u16string_view kOperators[] = {
    kOpOpen, kOpClose, kOpPlus, kOpMinus, kOpMul, kOpDivide, kOpUnMinus, kOpNot,
    kOpOr,   kOpXor,   kOpAnd,  kOpDiv,   kOpMod, kOpShl,    kOpShr,     kOpStrCat,
    kOpEq,   kOpNe,    kOpLt,   kOpGt,    kOpLe,  kOpGe,     kOpIn,      kOpIs,
};

// `modificator` texts: "+" and "-" increment and decrement; "*" and "/".
inline constexpr std::u16string_view kModificators[] = {kOpPlus, kOpMinus, kOpMul, kOpDivide};

}  // namespace qv::il
