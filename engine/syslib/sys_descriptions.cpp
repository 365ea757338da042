// The reference rows of the system library (sys_library.cpp registers the
// names).
#include "engine/program/descriptions.h"

namespace qv {

namespace {

const NameDescription kDescriptions[] = {
    // ---- conversions
    {"IntToStr", kGroupConversion, "An integer as decimal text.",
     "Negative numbers get a leading minus sign and no other characters are added. Use Format "
     "or FormatFloat for padding or thousands separators.",
     "lg(IntToStr(42) + \"!\");", "42!"},
    {"FloatToStr", kGroupConversion, "A number as text, with \".\" as decimal separator.",
     "Up to 15 significant digits are written, without trailing zeros, so whole numbers show no "
     "decimal point. FormatFloat gives a fixed number of decimals.",
     "lg(FloatToStr(2.5));", "2.5"},
    {"DateToStr", kGroupConversion, "A date as \"yyyy-mm-dd\".",
     "The time of day in the value is ignored. FormatDateTime writes other orders and "
     "separators.",
     "lg(DateToStr(EncodeDate(2024, 3, 9)));", "2024-03-09"},
    {"TimeToStr", kGroupConversion, "A time as \"hh:nn:ss\".",
     "The date part of the value is ignored and the seconds are always shown. FormatDateTime "
     "writes other forms, such as milliseconds.",
     "lg(TimeToStr(EncodeTime(8, 5, 0, 0)));", "08:05:00"},
    {"DateTimeToStr", kGroupConversion, "A date and time as \"yyyy-mm-dd hh:nn:ss\".",
     "The date and time are written in local form with 24-hour time. StrToDateTime reads the "
     "same form back.",
     "lg(DateTimeToStr(EncodeDate(2024, 3, 9) + EncodeTime(14, 30, 0, 0)));", "2024-03-09 14:30:00"},
    {"VarToStr", kGroupConversion, "Any value as text (empty text for Null and unset values).",
     "Numbers, dates and Booleans are written as lg would show them (True and False for "
     "Booleans). It never fails, which makes it the safe way to turn a value of unknown type "
     "into text.",
     "lg(\"[\" + VarToStr(Null) + \"]\");", "[]"},
    {"StrToInt", kGroupConversion, "Text as an integer; an error when it is not one.",
     "Leading and trailing spaces are allowed, anything else is not: the error is an "
     "EConvertError, which try/except catches. ValidInt tests first without an error.",
     "lg(StrToInt(\"41\") + 1);", "42"},
    {"StrToInt64", kGroupConversion, "Text as a 64-bit integer.",
     "Use it for counts and identifiers beyond the 32-bit range of StrToInt. Text that is not "
     "an integer is an error (EConvertError), which try/except catches.",
     "lg(StrToInt64(\"9000000000\") + 1);", "9000000001"},
    {"StrToFloat", kGroupConversion, "Text as a floating-point number.",
     "The decimal separator is \".\", and an exponent such as 1e3 is accepted. Text that is not a "
     "number is an EConvertError; ValidFloat tests first.",
     "lg(StrToFloat(\"1.5\") * 2);", "3"},
    {"StrToDate", kGroupConversion, "Text \"yyyy-mm-dd\" (or with \"/\") as a date.",
     "Year, month and day may have one or two digits for month and day. Text that is not a "
     "valid date, such as 2024-02-30, is an EConvertError; ValidDate tests first.",
     "lg(DayOfWeek(StrToDate(\"2024/03/10\")));", "1"},
    {"StrToTime", kGroupConversion, "Text \"hh:nn:ss\" as a time.",
     "The result is a fraction of a day, so it adds to a date and formats with TimeToStr. Text "
     "that is not a time is an error (EConvertError).",
     "lg(TimeToStr(StrToTime(\"13:45:10\") + EncodeTime(0, 15, 0, 0)));", "14:00:10"},
    {"StrToDateTime", kGroupConversion, "Text \"yyyy-mm-dd hh:nn:ss\" as a date and time.",
     "The whole part of the result counts days and the fraction the time of day, so adding 1 "
     "moves to the next day. Text that is not a date and time is an error (EConvertError).",
     "lg(DateTimeToStr(StrToDateTime(\"2024-03-09 14:30:00\") + 1));", "2024-03-10 14:30:00"},
    {"Format", kGroupConversion, "Formats values into text: %d, %s, %f, %x ... with an array of arguments.",
     "Each % directive takes the next element of the array: %d integers, %s text, %f and %n "
     "numbers (with .digits for decimals), %x hexadecimal; a width such as %5d pads on the "
     "left, %-5d on the right. A directive without a matching argument is an error.",
     "lg(Format(\"%s has %d items\", [\"list\", 3]));", "list has 3 items"},
    {"FormatFloat", kGroupConversion, "Formats a number with a picture such as \"0.00\" or \"#,##0\".",
     "In the picture 0 is a digit always written, # a digit written only when needed, \".\" the "
     "decimal point and \",\" asks for thousands separators. The number is rounded to the "
     "decimals the picture shows.",
     "lg(FormatFloat(\"0.00\", 3.14159));", "3.14"},
    {"FormatDateTime", kGroupConversion,
     "Formats a date and time with a picture such as \"yyyy-mm-dd hh:nn\".",
     "In the picture, \"/\" writes the date separator \"-\" and \":\" the time separator; text in quotes is "
     "copied.",
     "lg(FormatDateTime(\"dd.mm.yyyy\", EncodeDate(2024, 1, 2)));", "02.01.2024"},
    {"FormatMaskText", kGroupConversion, "Formats text with an edit mask.",
     "The mask is \"mask;save;blank\": in the mask 0 and 9 are places for digits, L and l for "
     "letters, \\ makes the next character literal and anything else is copied. With save 0 the "
     "value holds only the characters of the places; blank (default _) fills places the value "
     "does not reach.",
     "lg(FormatMaskText(\"(000) 000-0000;0;_\", \"5551234567\"));", "(555) 123-4567"},
    {"EncodeDate", kGroupConversion, "A date from year, month and day.",
     "The result counts days since 1899-12-30, so adding 1 gives the next day. A month or day "
     "out of range, such as 30 February, is an error.",
     "lg(DateToStr(EncodeDate(2025, 12, 31) + 1));", "2026-01-01"},
    {"DecodeDate", kGroupConversion, "Splits a date into year, month and day (by-reference arguments).",
     "Pass three variables: they receive the year, the month (1 to 12) and the day of the "
     "month. The time of day in the value is ignored.",
     "var y, m, d;\nDecodeDate(EncodeDate(2024, 3, 9), y, m, d);\n"
     "lg(IntToStr(d) + \".\" + IntToStr(m) + \".\" + IntToStr(y));",
     "9.3.2024"},
    {"EncodeTime", kGroupConversion, "A time from hour, minute, second and millisecond.",
     "The result is a fraction of a day (noon is 0.5); add it to a date from EncodeDate for a "
     "moment in time. Values out of range, such as hour 25, are an error.",
     "lg(FloatToStr(EncodeTime(12, 0, 0, 0)));\n"
     "lg(DateTimeToStr(EncodeDate(2024, 3, 9) + EncodeTime(8, 5, 30, 0)));",
     "0.5\n2024-03-09 08:05:30"},
    {"DecodeTime", kGroupConversion, "Splits a time into hour, minute, second and millisecond.",
     "Pass four variables: they receive the hour, minute, second and millisecond of the value's "
     "time of day. The date part is ignored.",
     "var h, n, s, ms;\nDecodeTime(EncodeTime(14, 30, 15, 250), h, n, s, ms);\n"
     "lg(IntToStr(h) + \":\" + IntToStr(n) + \" \" + IntToStr(s) + \".\" + IntToStr(ms));",
     "14:30 15.250"},
    {"Date", kGroupConversion, "Today's date.",
     "The whole part of Now: midnight of the current day in local time, counted in days since "
     "1899-12-30. Format it with DateToStr or FormatDateTime.",
     "lg(Frac(Date()));\nlg(DateToStr(Date()) == DateToStr(Now()));", "0\nTrue"},
    {"Time", kGroupConversion, "The current time of day.",
     "The fractional part of Now: the share of the local day that has passed (0.5 at noon). "
     "Format it with TimeToStr.",
     "lg(Int(Time()));\nlg(Time() < 1);", "0\nTrue"},
    {"Now", kGroupConversion, "The current date and time.",
     "Local time counted in days since 1899-12-30, the time of day being the fraction. The "
     "difference of two values is in days: multiply by 86400 for seconds.",
     "lg(Now() > EncodeDate(2024, 1, 1));\nlg(Int(Now()) == Date());", "True\nTrue"},
    {"DayOfWeek", kGroupConversion, "The day of the week, 1 for Sunday to 7 for Saturday.",
     "The time of day in the value does not matter. Saturday is 7, so a week-end test is "
     "DayOfWeek(d) == 1 || DayOfWeek(d) == 7.",
     "lg(DayOfWeek(EncodeDate(2024, 3, 10)));", "1"},
    {"IsLeapYear", kGroupConversion, "Whether a year is a leap year.",
     "A year divisible by 4 is a leap year, except centuries not divisible by 400. February has "
     "29 days in a leap year.",
     "lg(IsLeapYear(2000));\nlg(IsLeapYear(1900));", "True\nFalse"},
    {"DaysInMonth", kGroupConversion, "The number of days of a month.",
     "The month is 1 to 12; leap years are taken into account for February.", "lg(DaysInMonth(2024, 2));",
     "29"},

    // ---- strings
    {"Length", kGroupStrings, "The length of text (in UTF-16 units) or of an array.",
     "Characters beyond the basic plane count as two units. For an array the result is its "
     "number of elements, one more than high.",
     "lg(Length(\"hello\"));", "5"},
    {"Copy", kGroupStrings, "Part of a text: count characters from position from (counted from 1).",
     "A count that runs past the end stops at the end, and a start beyond the end gives empty "
     "text. Positions count from 1.",
     "lg(Copy(\"harvest\", 1, 4));", "harv"},
    {"Pos", kGroupStrings, "The position (from 1) of a text in another, case-sensitive; 0 when absent.",
     "Case matters; instr searches ignoring case and from a given position. Empty text to look "
     "for gives 0.",
     "lg(Pos(\"vest\", \"harvest\"));", "4"},
    {"Delete", kGroupStrings, "Removes count characters from a text variable, from position from.",
     "In the JS-like and C-like syntax delete is an operator; call DeleteStr there.",
     "var s = \"harvest\";\nDeleteStr(s, 1, 3);\nlg(s);", "vest"},
    {"DeleteStr", kGroupStrings, "The same as Delete, under a name every syntax can call.",
     "Removes count characters of a text variable from position from (counted from 1). Use it "
     "in the JS-like and C-like syntax, where delete is an operator.",
     "var s = \"harvest\";\nDeleteStr(s, 4, 4);\nlg(s);", "har"},
    {"Insert", kGroupStrings, "Inserts text into a text variable at a position.",
     "The text goes before the character at that position (counted from 1); a position past the "
     "end appends it. The variable itself is changed.",
     "var s = \"hvest\";\nInsert(\"ar\", s, 2);\nlg(s);", "harvest"},
    {"Uppercase", kGroupStrings, "Text in upper case.",
     "Letters beyond ASCII, such as ä, are converted too. Other characters stay as they are.",
     "lg(Uppercase(\"abc\"));", "ABC"},
    {"Lowercase", kGroupStrings, "Text in lower case.",
     "Letters beyond ASCII, such as Ä, are converted too. Other characters stay as they are.",
     "lg(Lowercase(\"ABC\"));", "abc"},
    {"Trim", kGroupStrings, "Text without leading and trailing spaces and control characters.",
     "Spaces, tabs and line breaks at both ends are removed; those inside the text stay.",
     "lg(\"[\" + Trim(\"  x  \") + \"]\");", "[x]"},
    {"NameCase", kGroupStrings, "Text with the first letter of each word in upper case.",
     "The first letter of each word is made upper case and the other letters lower case. Words "
     "are separated by spaces, so \"a-b\" gives \"A-b\".",
     "lg(NameCase(\"new york\"));", "New York"},
    {"CompareText", kGroupStrings, "Compares texts ignoring case: below 0, 0 or above 0.",
     "Case is ignored, also for letters beyond ASCII; the sign tells the order of the two "
     "texts. Use it to sort or compare without regard to case.",
     "lg(CompareText(\"abc\", \"ABC\"));\nlg(CompareText(\"a\", \"b\") < 0);", "0\nTrue"},
    {"Chr", kGroupStrings, "The character with a code: Chr(10) is a line feed, Chr(34) a double quote.",
     "The code is a Unicode code point, so Chr(20013) is 中. It is the way to put quotes and "
     "line breaks into text, which has no escape sequences.",
     "lg(\"say \" + Chr(34) + \"hi\" + Chr(34));", "say \"hi\""},
    {"Ord", kGroupStrings, "The code of a character.",
     "The result is the Unicode code of the first character. Chr is its inverse.", "lg(Ord(\"A\"));", "65"},
    {"SetLength", kGroupStrings, "Sets the length of a text or array variable.",
     "A longer text is padded with spaces and a shorter one cut. An array keeps its first "
     "elements; new ones are unassigned.",
     "var t = \"abcdef\";\nSetLength(t, 3);\nlg(t);\nvar a = split(\"x||y\");\nSetLength(a, 5);\n"
     "lg(high(a));",
     "abc\n4"},

    // ---- mathematics
    {"Round", kGroupMath, "The nearest integer (halves to the even one).",
     "A value exactly halfway goes to the even neighbour, so 2.5 gives 2 and 3.5 gives 4. Trunc "
     "cuts towards zero instead.",
     "lg(Round(2.5));\nlg(Round(2.6));", "2\n3"},
    {"Trunc", kGroupMath, "The integer part, towards zero.",
     "The fractional part is dropped, so negative numbers go up: -2.7 gives -2. Round rounds to "
     "the nearest instead.",
     "lg(Trunc(-2.7));", "-2"},
    {"Int", kGroupMath, "The integer part as a floating-point number.",
     "Drops the fractional part towards zero but keeps a floating-point value, unlike Trunc "
     "which gives an integer. Int(Now()) is today's date.",
     "lg(Int(2.7));\nlg(Int(-2.7));", "2\n-2"},
    {"Frac", kGroupMath, "The fractional part.",
     "It keeps the sign of the number: Frac(-2.25) is -0.25. For a date and time it gives the "
     "time of day.",
     "lg(Frac(2.25));", "0.25"},
    {"Sqrt", kGroupMath, "The square root.", "The square root of a negative number is an error.",
     "lg(Sqrt(16));", "4"},
    {"Abs", kGroupMath, "The absolute value.",
     "Works for integers and floating-point numbers alike; the type of the result is that of "
     "the argument.",
     "lg(Abs(-3));", "3"},
    {"Sin", kGroupMath, "The sine of an angle in radians.",
     "Multiply degrees by Pi / 180 to get radians. The result lies between -1 and 1.",
     "lg(Sin(0));\nlg(FormatFloat(\"0.000\", Sin(Pi / 6)));", "0\n0.500"},
    {"Cos", kGroupMath, "The cosine of an angle in radians.",
     "Multiply degrees by Pi / 180 to get radians. The result lies between -1 and 1.",
     "lg(Cos(0));\nlg(FormatFloat(\"0.000\", Cos(Pi / 3)));", "1\n0.500"},
    {"ArcTan", kGroupMath, "The arc tangent, in radians.",
     "The result lies between -Pi/2 and Pi/2; ArcTan(1) is a quarter of Pi.",
     "lg(FormatFloat(\"0.0000\", ArcTan(1) * 4));", "3.1416"},
    {"Tan", kGroupMath, "The tangent of an angle in radians.",
     "Multiply degrees by Pi / 180 to get radians. Tan is Sin divided by Cos, so it grows without "
     "bound near Pi / 2.",
     "lg(FormatFloat(\"0.000\", Tan(Pi / 4)));", "1.000"},
    {"Exp", kGroupMath, "e raised to a power.", "Exp(1) is Euler's number e; Ln is its inverse.",
     "lg(FormatFloat(\"0.0000\", Exp(1)));", "2.7183"},
    {"Ln", kGroupMath, "The natural logarithm.",
     "The argument must be above 0. Ln(Exp(x)) is x; divide by Ln(10) for the decimal logarithm.",
     "lg(FormatFloat(\"0.00\", Ln(Exp(2))));\nlg(FormatFloat(\"0.00\", Ln(1000) / Ln(10)));", "2.00\n3.00"},
    {"Pi", kGroupMath, "The number pi.",
     "It is exact to double precision (3.14159265358979...). Angles for Sin, Cos and Tan are in "
     "radians: multiply degrees by Pi / 180.",
     "lg(FormatFloat(\"0.0000\", Pi));", "3.1416"},

    // ---- others
    {"Inc", kGroupSystem, "Adds to a variable (default 1).",
     "The variable itself is changed, so it must be a variable, not a value. A negative step "
     "counts down.",
     "var i = 1;\nInc(i);\nInc(i, 10);\nlg(i);", "12"},
    {"Dec", kGroupSystem, "Subtracts from a variable (default 1).",
     "The variable itself is changed, so it must be a variable, not a value. Without a step it "
     "subtracts 1.",
     "var i = 10;\nDec(i, 3);\nlg(i);", "7"},
    {"RaiseException", kGroupSystem, "Raises a run-time error with a message; try/except catches it.",
     "The error has the class Exception; in an except block ExceptionMessage gives the text. "
     "Uncaught, it stops the script with that message.",
     "try {\n  RaiseException(\"bad input\");\n} except {\n  lg(ExceptionMessage);\n}", "bad input"},
    {"ShowMessage", kGroupDialogs, "Shows a message; in qvrun and the window it is written out.",
     "The text goes to the log as lg would write it, and the script goes on at once. Use alert "
     "when the user must answer.",
     "ShowMessage(\"Download finished\");", "Download finished"},
    {"Randomize", kGroupMath, "Seeds the random numbers from the clock.",
     "Without it every run of the program draws the same sequence from Random and rand. One "
     "call at the start of a script is enough; the generator is shared by all threads.",
     "Randomize();\nvar r = Random();\nlg((r >= 0) && (r < 1));", "True"},
    {"Random", kGroupMath, "A random number from 0 up to (not including) 1.",
     "The generator is shared by all threads and starts from the same seed in every run until "
     "Randomize is called. For a whole number from 1 to 6 use Trunc(Random() * 6) + 1, or rand.",
     "Randomize();\nvar die = Trunc(Random() * 6) + 1;\nlg((die >= 1) && (die <= 6));", "True"},
    {"ValidInt", kGroupConversion, "Whether text reads as an integer.",
     "True when StrToInt would succeed, so the test avoids a conversion error. Surrounding "
     "spaces are allowed.",
     "lg(ValidInt(\"12\"));\nlg(ValidInt(\"1.5\"));", "True\nFalse"},
    {"ValidFloat", kGroupConversion, "Whether text reads as a number.",
     "True when StrToFloat would succeed, exponents included. The decimal separator is \".\".",
     "lg(ValidFloat(\"1.5\"));", "True"},
    {"ValidDate", kGroupConversion, "Whether text reads as a date.",
     "True when StrToDate would succeed: the date must exist, so 2024-02-29 is valid and "
     "2023-02-29 is not.",
     "lg(ValidDate(\"2024-02-30\"));", "False"},
    {"CreateOleObject", kGroupSystem,
     "Kept for old scripts: automation objects are not available on this platform.",
     "Calling it is a run-time error with the message \"Automation objects are not available on "
     "this platform\"; try/except catches it.",
     "try {\n  CreateOleObject(\"Excel.Application\");\n} except {\n  lg(ExceptionMessage);\n}",
     "Automation objects are not available on this platform"},
    {"VarArrayCreate", kGroupStrings,
     "A new array with the given bounds, e.g. VarArrayCreate([0, 9], varVariant).",
     "The bounds [low, high] give the first and last index, and the elements start unassigned. "
     "The type code is usually varVariant; SetLength and arrayadd grow the array later.",
     "var a = VarArrayCreate([0, 2], varVariant);\na[2] = \"last\";\nlg(high(a));\nlg(a[2]);", "2\nlast"},
    {"VarType", kGroupSystem, "The type code of a value (varInteger, varString, ...).",
     "Compare the result with the var constants, such as varString, varInteger or varDouble. An "
     "array has varArray set in its code.",
     "lg(VarType(1) == varInteger);", "True"},

    // ---- constants and variables
    {"True", kGroupConstants, "The Boolean true.", "", "lg(True);", "True"},
    {"False", kGroupConstants, "The Boolean false.", "", "lg(False);", "False"},
    {"nil", kGroupConstants, "No object (0).", "", "lg(nil);", "0"},
    {"Null", kGroupConstants, "The Null value.", "", "lg(VarType(Null) == varNull);", "True"},
    {"ExceptionClassName", kGroupConstants,
     "In an except block: the class of the caught error (\"Exception\", "
     "\"EConvertError\", \"EDivByZero\" ...)."},
    {"ExceptionMessage", kGroupConstants, "In an except block: the message of the caught error."},
    {"varEmpty", kGroupConstants, "VarType code: an unassigned value.", "", "lg(varEmpty);", "0"},
    {"varNull", kGroupConstants, "VarType code: Null.", "", "lg(varNull);", "1"},
    {"varSmallint", kGroupConstants, "VarType code: a 16-bit integer.", "", "lg(varSmallint);", "2"},
    {"varInteger", kGroupConstants, "VarType code: a 32-bit integer.", "", "lg(varInteger);", "3"},
    {"varSingle", kGroupConstants, "VarType code: a single-precision number.", "", "lg(varSingle);", "4"},
    {"varDouble", kGroupConstants, "VarType code: a double-precision number.", "", "lg(varDouble);", "5"},
    {"varCurrency", kGroupConstants, "VarType code: a currency value.", "", "lg(varCurrency);", "6"},
    {"varDate", kGroupConstants, "VarType code: a date and time.", "", "lg(varDate);", "7"},
    {"varOleStr", kGroupConstants, "VarType code: text.", "", "lg(varOleStr);", "8"},
    {"varDispatch", kGroupConstants, "VarType code: an automation object.", "", "lg(varDispatch);", "9"},
    {"varError", kGroupConstants, "VarType code: an error value.", "", "lg(varError);", "10"},
    {"varBoolean", kGroupConstants, "VarType code: a Boolean.", "", "lg(varBoolean);", "11"},
    {"varVariant", kGroupConstants, "VarType code: a value of any type (array elements).", "",
     "lg(varVariant);", "12"},
    {"varUnknown", kGroupConstants, "VarType code: an unknown interface.", "", "lg(varUnknown);", "13"},
    {"varShortInt", kGroupConstants, "VarType code: an 8-bit integer.", "", "lg(varShortInt);", "16"},
    {"varByte", kGroupConstants, "VarType code: a byte.", "", "lg(varByte);", "17"},
    {"varWord", kGroupConstants, "VarType code: a 16-bit unsigned integer.", "", "lg(varWord);", "18"},
    {"varLongWord", kGroupConstants, "VarType code: a 32-bit unsigned integer.", "", "lg(varLongWord);",
     "19"},
    {"varInt64", kGroupConstants, "VarType code: a 64-bit integer.", "", "lg(varInt64);", "20"},
    {"varStrArg", kGroupConstants, "VarType code: a text argument.", "", "lg(varStrArg);", "72"},
    {"varString", kGroupConstants, "VarType code: a byte string.", "", "lg(varString);", "256"},
    {"varAny", kGroupConstants, "VarType code: any.", "", "lg(varAny);", "257"},
    {"varTypeMask", kGroupConstants, "The mask of the type bits of a VarType code.", "", "lg(varTypeMask);",
     "4095"},
    {"varArray", kGroupConstants, "The VarType flag of arrays.", "", "lg(varArray);", "8192"},
    {"varByRef", kGroupConstants, "The VarType flag of references.", "", "lg(varByRef);", "16384"},
};

}  // namespace

std::span<const NameDescription> SysLibraryDescriptions() { return kDescriptions; }

}  // namespace qv
