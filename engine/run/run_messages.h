// Run-time messages of the engine, in one place (the builder's are in
// build/builder.h). Scripts see these texts in ExceptionMessage and may
// compare them, so a text changes here or nowhere. Those ending in a blank,
// a quote or an opening parenthesis are followed by a name or a number.
#pragma once

namespace qv::run_msg {

// values and their conversions
inline constexpr char16_t kArrayOperand[] = u"Invalid variant operation: an array cannot be an operand of ";
inline constexpr char16_t kArrayConversion[] =
    u"Invalid variant type conversion: an array cannot be converted to ";
inline constexpr char16_t kCurrencyOverflow[] = u"Currency overflow";
inline constexpr char16_t kFloatOverflow[] = u"Floating point overflow";
inline constexpr char16_t kIntegerRange[] = u"Value out of range for Integer";
inline constexpr char16_t kInt64Range[] = u"Value out of range for Int64";
inline constexpr char16_t kUInt64Range[] = u"Value out of range for UInt64";
inline constexpr char16_t kIsNotAValid[] = u"' is not a valid ";  // after the quoted text
inline constexpr char16_t kArrayTooLarge[] = u"Array too large";
inline constexpr char16_t kArrayDimensions[] = u"Invalid array dimension count";
inline constexpr char16_t kOutOfMemory[] = u"Out of memory";

// programs
inline constexpr char16_t kOwnAncestor[] = u"A program cannot be its own ancestor";

// XML items and streams
inline constexpr char16_t kAddNilItem[] = u"Cannot add a nil item";
inline constexpr char16_t kAddToDescendant[] = u"Cannot add an item to its own descendant";
inline constexpr char16_t kAddUnownedItem[] = u"Cannot add an item that no list owns";
inline constexpr char16_t kMoveDocumentRoot[] = u"Cannot move the root of a document";
inline constexpr char16_t kStreamPosition[] = u"Invalid stream position";
inline constexpr char16_t kStreamRead[] = u"Stream read error";
inline constexpr char16_t kStreamWrite[] = u"Stream write error";
inline constexpr char16_t kFileSize[] = u"Cannot set the size of file \"";  // then the name and a quote
inline constexpr char16_t kSeekOrigin[] = u"Invalid seek origin (";
inline constexpr char16_t kFileMode[] = u"Invalid file mode (";
inline constexpr char16_t kCreateFile[] = u"Cannot create file \"";  // then the name, a quote and the reason
inline constexpr char16_t kOpenFile[] = u"Cannot open file \"";

// the system library
inline constexpr char16_t kVariantType[] = u"Invalid variant type";
inline constexpr char16_t kNotAnArray[] = u"Variant is not an array";
inline constexpr char16_t kArrayBounds[] = u"Invalid array bounds";
inline constexpr char16_t kInvalidFloatOperation[] = u"Invalid floating point operation";
inline constexpr char16_t kNoAutomation[] = u"Automation objects are not available on this platform";
inline constexpr char16_t kUnknownSystemFunction[] = u"Unknown system function ";
inline constexpr char16_t kRangeCheck[] = u"Range check error";
inline constexpr char16_t kDateEncode[] = u"Invalid argument to date encode";
inline constexpr char16_t kTimeEncode[] = u"Invalid argument to time encode";
inline constexpr char16_t kFormat[] = u"Format '";  // then the format and kFormatIncompatible
inline constexpr char16_t kFormatIncompatible[] = u"' invalid or incompatible with argument";
inline constexpr char16_t kNoFormatArgument[] = u"No argument for format '";

// items, objects and the host bridge
inline constexpr char16_t kInvalidObject[] = u"Invalid object reference";
inline constexpr char16_t kTooManyObjects[] = u"Too many objects";
inline constexpr char16_t kNotAssignable[] = u"Left side cannot be assigned to";
inline constexpr char16_t kArrayRequired[] = u"Array type required";
inline constexpr char16_t kArrayIndex[] = u"Array index out of bounds";
inline constexpr char16_t kStringIndex[] = u"String index out of range (";
inline constexpr char16_t kCannotCreate[] = u"Cannot create an instance of class ";
inline constexpr char16_t kUnknownEvent[] = u"Unknown event: '";
inline constexpr char16_t kEventNeedsProcedure[] = u"Event handler must be a procedure";
inline constexpr char16_t kDirectCallParams[] = u"Too many parameters for a direct call";
inline constexpr char16_t kParamIndex[] = u"Parameter index out of bounds (";
inline constexpr char16_t kInvalidDeclaration[] = u"Invalid declaration: ";
inline constexpr char16_t kCannotRegisterClass[] = u"Cannot register class ";
inline constexpr char16_t kClass[] = u"Class ";  // then the name and one of the two below
inline constexpr char16_t kHasNoProgram[] = u" has no program";
inline constexpr char16_t kNotBuiltinClass[] = u" is not a built-in class";

// built-in classes
inline constexpr char16_t kAbstract[] = u"Abstract error";
inline constexpr char16_t kCannotAssign[] = u"Cannot assign a ";      // then "X to a Y"
inline constexpr char16_t kComponentNamed[] = u"A component named ";  // then the name and kAlreadyExists
inline constexpr char16_t kAlreadyExists[] = u" already exists";
inline constexpr char16_t kComponentOwnsItself[] = u"A component cannot own itself";
inline constexpr char16_t kComponentName[] = u"' is not a valid component name";  // after the quoted name
inline constexpr char16_t kListCapacity[] = u"List capacity out of bounds (";
inline constexpr char16_t kSortedList[] = u"Operation not allowed on sorted list";
inline constexpr char16_t kDuplicateString[] = u"String list does not allow duplicates";

// expressions and designators
inline constexpr char16_t kExpressionComplete[] = u"Expression is already complete";
inline constexpr char16_t kMissingOperator[] = u"Missing operator";
inline constexpr char16_t kInvalidOperator[] = u"Invalid operator";
inline constexpr char16_t kMissingBracket[] = u"Missing '('";
inline constexpr char16_t kExpressionExpected[] = u"Expression expected";
inline constexpr char16_t kInvalidExpression[] = u"Invalid expression";
inline constexpr char16_t kExpressionTooDeep[] = u"Expression too deeply nested";
inline constexpr char16_t kDesignatorRequired[] = u"Designator required";
inline constexpr char16_t kSetRequired[] = u"Set required";
inline constexpr char16_t kClassRequired[] = u"Class type required";
inline constexpr char16_t kNoLateBinding[] = u"Late binding is not available";
inline constexpr char16_t kLateBindingProgram[] = u"Late binding needs a program";
inline constexpr char16_t kLateBindingFailed[] = u"Late binding failed";
inline constexpr char16_t kUnresolvedStep[] = u"Unresolved designator step";

// the program object
inline constexpr char16_t kTooManySetMembers[] = u"Too many members in set ";

}  // namespace qv::run_msg
