// The reference rows of the system library (sys_library.cpp registers the
// names).
#include "engine/program/descriptions.h"

namespace qv {

namespace {

const NameDescription kDescriptions[] = {
    // ---- conversions
    {"IntToStr", kGroupConversion, "An integer as decimal text.", "", "lg(IntToStr(42) + \"!\");", "42!"},
    {"FloatToStr", kGroupConversion, "A number as text, with \".\" as decimal separator.", "", "lg(FloatToStr(2.5));", "2.5"},
    {"DateToStr", kGroupConversion, "A date as \"yyyy-mm-dd\".", "", "lg(DateToStr(EncodeDate(2024, 3, 9)));", "2024-03-09"},
    {"TimeToStr", kGroupConversion, "A time as \"hh:nn:ss\".", "", "lg(TimeToStr(EncodeTime(8, 5, 0, 0)));", "08:05:00"},
    {"DateTimeToStr", kGroupConversion, "A date and time as \"yyyy-mm-dd hh:nn:ss\"."},
    {"VarToStr", kGroupConversion, "Any value as text (empty text for Null and unset values).", "",
     "lg(\"[\" + VarToStr(Null) + \"]\");", "[]"},
    {"StrToInt", kGroupConversion, "Text as an integer; an error when it is not one.", "", "lg(StrToInt(\"41\") + 1);", "42"},
    {"StrToInt64", kGroupConversion, "Text as a 64-bit integer."},
    {"StrToFloat", kGroupConversion, "Text as a floating-point number.", "", "lg(StrToFloat(\"1.5\") * 2);", "3"},
    {"StrToDate", kGroupConversion, "Text \"yyyy-mm-dd\" (or with \"/\") as a date."},
    {"StrToTime", kGroupConversion, "Text \"hh:nn:ss\" as a time."},
    {"StrToDateTime", kGroupConversion, "Text \"yyyy-mm-dd hh:nn:ss\" as a date and time."},
    {"Format", kGroupConversion, "Formats values into text: %d, %s, %f, %x ... with an array of arguments.", "",
     "lg(Format(\"%s has %d items\", [\"list\", 3]));", "list has 3 items"},
    {"FormatFloat", kGroupConversion, "Formats a number with a picture such as \"0.00\" or \"#,##0\".", "",
     "lg(FormatFloat(\"0.00\", 3.14159));", "3.14"},
    {"FormatDateTime", kGroupConversion, "Formats a date and time with a picture such as \"yyyy-mm-dd hh:nn\".",
     "In the picture, \"/\" writes the date separator \"-\" and \":\" the time separator; text in quotes is "
     "copied.",
     "lg(FormatDateTime(\"dd.mm.yyyy\", EncodeDate(2024, 1, 2)));", "02.01.2024"},
    {"FormatMaskText", kGroupConversion, "Formats text with an edit mask."},
    {"EncodeDate", kGroupConversion, "A date from year, month and day."},
    {"DecodeDate", kGroupConversion, "Splits a date into year, month and day (by-reference arguments)."},
    {"EncodeTime", kGroupConversion, "A time from hour, minute, second and millisecond."},
    {"DecodeTime", kGroupConversion, "Splits a time into hour, minute, second and millisecond."},
    {"Date", kGroupConversion, "Today's date."},
    {"Time", kGroupConversion, "The current time of day."},
    {"Now", kGroupConversion, "The current date and time."},
    {"DayOfWeek", kGroupConversion, "The day of the week, 1 for Sunday to 7 for Saturday.", "",
     "lg(DayOfWeek(EncodeDate(2024, 3, 10)));", "1"},
    {"IsLeapYear", kGroupConversion, "Whether a year is a leap year."},
    {"DaysInMonth", kGroupConversion, "The number of days of a month.", "", "lg(DaysInMonth(2024, 2));", "29"},

    // ---- strings
    {"Length", kGroupStrings, "The length of text (in UTF-16 units) or of an array.", "", "lg(Length(\"hello\"));", "5"},
    {"Copy", kGroupStrings, "Part of a text: count characters from position from (counted from 1).", "",
     "lg(Copy(\"harvest\", 1, 4));", "harv"},
    {"Pos", kGroupStrings, "The position (from 1) of a text in another, case-sensitive; 0 when absent.", "",
     "lg(Pos(\"vest\", \"harvest\"));", "4"},
    {"Delete", kGroupStrings, "Removes count characters from a text variable, from position from."},
    {"DeleteStr", kGroupStrings, "The same as Delete."},
    {"Insert", kGroupStrings, "Inserts text into a text variable at a position."},
    {"Uppercase", kGroupStrings, "Text in upper case.", "", "lg(Uppercase(\"abc\"));", "ABC"},
    {"Lowercase", kGroupStrings, "Text in lower case."},
    {"Trim", kGroupStrings, "Text without leading and trailing spaces and control characters.", "",
     "lg(\"[\" + Trim(\"  x  \") + \"]\");", "[x]"},
    {"NameCase", kGroupStrings, "Text with the first letter of each word in upper case."},
    {"CompareText", kGroupStrings, "Compares texts ignoring case: below 0, 0 or above 0."},
    {"Chr", kGroupStrings, "The character with a code: Chr(10) is a line feed, Chr(34) a double quote.", "",
     "lg(\"say \" + Chr(34) + \"hi\" + Chr(34));", "say \"hi\""},
    {"Ord", kGroupStrings, "The code of a character.", "", "lg(Ord(\"A\"));", "65"},
    {"SetLength", kGroupStrings, "Sets the length of a text or array variable."},

    // ---- mathematics
    {"Round", kGroupMath, "The nearest integer (halves to the even one).", "", "lg(Round(2.5));\nlg(Round(2.6));", "2\n3"},
    {"Trunc", kGroupMath, "The integer part, towards zero."},
    {"Int", kGroupMath, "The integer part as a floating-point number."},
    {"Frac", kGroupMath, "The fractional part."},
    {"Sqrt", kGroupMath, "The square root.", "", "lg(Sqrt(16));", "4"},
    {"Abs", kGroupMath, "The absolute value."},
    {"Sin", kGroupMath, "The sine of an angle in radians."},
    {"Cos", kGroupMath, "The cosine of an angle in radians."},
    {"ArcTan", kGroupMath, "The arc tangent, in radians."},
    {"Tan", kGroupMath, "The tangent of an angle in radians."},
    {"Exp", kGroupMath, "e raised to a power."},
    {"Ln", kGroupMath, "The natural logarithm."},
    {"Pi", kGroupMath, "The number pi."},

    // ---- others
    {"Inc", kGroupSystem, "Adds to a variable (default 1).", "", "var i = 1;\nInc(i);\nInc(i, 10);\nlg(i);", "12"},
    {"Dec", kGroupSystem, "Subtracts from a variable (default 1)."},
    {"RaiseException", kGroupSystem, "Raises a run-time error with a message; try/except catches it.", "",
     "try {\n  RaiseException(\"bad input\");\n} except {\n  lg(ExceptionMessage);\n}", "bad input"},
    {"ShowMessage", kGroupDialogs, "Shows a message; in qvrun and the window it is written out."},
    {"Randomize", kGroupMath, "Seeds the random numbers from the clock."},
    {"Random", kGroupMath, "A random number from 0 up to (not including) 1."},
    {"ValidInt", kGroupConversion, "Whether text reads as an integer."},
    {"ValidFloat", kGroupConversion, "Whether text reads as a number."},
    {"ValidDate", kGroupConversion, "Whether text reads as a date."},
    {"CreateOleObject", kGroupSystem, "Kept for old scripts: automation objects are not available on this platform.",
     "Calling it is a run-time error."},
    {"VarArrayCreate", kGroupStrings, "A new array with the given bounds, e.g. VarArrayCreate([0, 9], varVariant)."},
    {"VarType", kGroupSystem, "The type code of a value (varInteger, varString, ...).", "",
     "lg(VarType(1) == varInteger);", "True"},

    // ---- constants and variables
    {"True", kGroupConstants, "The Boolean true."},
    {"False", kGroupConstants, "The Boolean false."},
    {"nil", kGroupConstants, "No object (0)."},
    {"Null", kGroupConstants, "The Null value."},
    {"ExceptionClassName", kGroupConstants, "In an except block: the class of the caught error (\"Exception\", "
     "\"EConvertError\", \"EDivByZero\" ...)."},
    {"ExceptionMessage", kGroupConstants, "In an except block: the message of the caught error."},
    {"varEmpty", kGroupConstants, "VarType code: an unassigned value."},
    {"varNull", kGroupConstants, "VarType code: Null."},
    {"varSmallint", kGroupConstants, "VarType code: a 16-bit integer."},
    {"varInteger", kGroupConstants, "VarType code: a 32-bit integer."},
    {"varSingle", kGroupConstants, "VarType code: a single-precision number."},
    {"varDouble", kGroupConstants, "VarType code: a double-precision number."},
    {"varCurrency", kGroupConstants, "VarType code: a currency value."},
    {"varDate", kGroupConstants, "VarType code: a date and time."},
    {"varOleStr", kGroupConstants, "VarType code: text."},
    {"varDispatch", kGroupConstants, "VarType code: an automation object."},
    {"varError", kGroupConstants, "VarType code: an error value."},
    {"varBoolean", kGroupConstants, "VarType code: a Boolean."},
    {"varVariant", kGroupConstants, "VarType code: a value of any type (array elements)."},
    {"varUnknown", kGroupConstants, "VarType code: an unknown interface."},
    {"varShortInt", kGroupConstants, "VarType code: an 8-bit integer."},
    {"varByte", kGroupConstants, "VarType code: a byte."},
    {"varWord", kGroupConstants, "VarType code: a 16-bit unsigned integer."},
    {"varLongWord", kGroupConstants, "VarType code: a 32-bit unsigned integer."},
    {"varInt64", kGroupConstants, "VarType code: a 64-bit integer."},
    {"varStrArg", kGroupConstants, "VarType code: a text argument."},
    {"varString", kGroupConstants, "VarType code: a byte string."},
    {"varAny", kGroupConstants, "VarType code: any."},
    {"varTypeMask", kGroupConstants, "The mask of the type bits of a VarType code."},
    {"varArray", kGroupConstants, "The VarType flag of arrays."},
    {"varByRef", kGroupConstants, "The VarType flag of references."},
};

}  // namespace

std::span<const NameDescription> SysLibraryDescriptions() { return kDescriptions; }

}  // namespace qv
