// Declaration strings of registered methods:
//
//   "function split(Source:string;SplitStr:string='||'):ArrayString"
//   "procedure DecodeDate(Date: TDateTime; var Year, Month, Day: Word)"
//   "macrofunction trace(e: Variant): Variant"   (arguments arrive as text)
//
// The result type of a function is the identifier after the last ':' of the
// whole string. A parameter group is "[var|const] a, b: Type [= default]";
// only the last name of a group takes the default, and a parameter is
// optional exactly when it has a default that is not Null. A default is a
// number, a quoted string, or a name whose item (found from `script`)
// supplies its current value.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/items/items.h"
#include "engine/items/var_type.h"
#include "engine/value/value.h"

namespace qv {

class TfsScript;

struct TfsDeclaration {
  std::u16string name;
  bool isFunc = false;
  bool isMacro = false;
  std::u16string typeName;  // result type; empty for procedures
  TfsVarType typ = fvtClass;
  std::vector<std::unique_ptr<TfsParamItem>> params;
};

// Raises ScriptError "Invalid declaration: ..." when no name can be read.
TfsDeclaration ParseDeclarationSyntax(std::u16string_view syntax, const TfsScript& script);

// Literal text to a value: a quoted text becomes the text between its first
// and last character; a whole number an integer (64-bit beyond the 32-bit
// range); anything else a floating-point number with "." as the decimal
// point (ConvertError when it is none).
Value ParseDefaultLiteral(std::u16string_view text);

}  // namespace qv
