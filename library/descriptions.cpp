// The reference rows of the public library (declarations.cpp registers the
// names).
#include "library/functions.h"

namespace qv {

namespace {

const NameDescription kDescriptions[] = {
    // ---- strings and arrays
    {"split", kGroupStrings, "Splits text at a separator into an array.",
     "The separator is literal text (default \"||\") or a regular expression (the /body/flags notation, "
     "or text that looks like one). Empty pieces are kept; text without the separator gives one piece.",
     "var a = split(\"red||green||blue\");\nlg(high(a));\nlg(a[1]);\nlg(high(split(\"a1b22c\", "
     "\"/\\d+/i\")));",
     "2\ngreen\n2"},
    {"explode", kGroupStrings, "split with the arguments the other way round: separator first.",
     "The separator is literal text; the pieces are returned as an array. Empty text gives an "
     "array with one empty element.",
     "var a = explode(\",\", \"x,y\");\nlg(a[0] + a[1]);", "xy"},
    {"implode", kGroupStrings, "Joins the elements of an array with a separator.",
     "The elements are converted to text and the separator goes only between them. split "
     "reverses it.",
     "var a = split(\"x||y||z\");\nlg(implode(\"-\", a));", "x-y-z"},
    {"join", kGroupStrings, "The same as implode: joins an array's elements with a separator.",
     "Use it to build CSV-like lines or lists for the log; join(\"\", a) concatenates. The "
     "separator goes only between elements.",
     "lg(join(\", \", split(\"1||2\")));", "1, 2"},
    {"replace", kGroupStrings, "Replaces occurrences of a text.",
     "By default the search ignores case and replaces every occurrence; icase false compares exactly, "
     "iglobal false replaces only the first.",
     "lg(replace(\"Tea or TEA\", \"tea\", \"coffee\"));\nlg(replace(\"aaa\", \"a\", \"b\", false, false));",
     "coffee or coffee\nbaa"},
    {"posex", kGroupStrings, "The position (from 1) of a text in another, ignoring case; 0 when absent.",
     "The third argument is accepted and has no effect.", "lg(posex(\"WORLD\", \"hello world\"));", "7"},
    {"instr", kGroupStrings, "The same as posex: the position of a text, ignoring case.",
     "The result counts from 1, and 0 means not found. A start position makes the search begin "
     "there, which finds later occurrences.",
     "lg(instr(\"b\", \"ABC\"));", "2"},
    {"sqlquot", kGroupStrings, "Quotes text for SQL: single quotes around it, inner quotes doubled.",
     "Use it to put text into an SQL statement literally, so a quote in the data cannot end the "
     "string. Other characters are left as they are.",
     "lg(sqlquot(\"it's\"));", "'it''s'"},
    {"bytelength", kGroupStrings, "Twice the number of UTF-16 units of the text.",
     "It is the size of the text in UTF-16, two bytes per unit, not the length of its UTF-8 "
     "form. Length gives the number of units.",
     "lg(bytelength(\"abc\"));", "6"},
    {"high", kGroupStrings, "The highest index of an array (its length minus one).",
     "Loop from low to high to visit every element. An array made by split has at least one "
     "element, so high is 0 or more.",
     "lg(high(split(\"a||b||c\")));", "2"},
    {"low", kGroupStrings, "The lowest index of an array.",
     "Arrays made by split and the other library functions start at 0. Loop from low to high to "
     "visit every element.",
     "lg(low(split(\"a||b\")));", "0"},
    {"getmidstr", kGroupStrings, "The text between two markers, found ignoring case.",
     "With CanSkipOver true and no end marker, the rest of the text except its last character.",
     "lg(getmidstr(\"<b>bold</b>\", \"<b>\", \"</b>\"));", "bold"},
    {"cutstr", kGroupStrings, "The first n characters with a suffix, or the text between two markers.",
     "With an integer second argument, the first n characters, followed by the third argument when the "
     "text was cut; otherwise the text between the two markers (case-sensitive).",
     "lg(cutstr(\"abcdef\", 3, \"...\"));\nlg(cutstr(\"[x]\", \"[\", \"]\"));", "abc...\nx"},
    {"isnumeric", kGroupStrings,
     "Whether text reads as a 32-bit integer (decimal, or hexadecimal with $ or 0x).",
     "Surrounding spaces are allowed; a decimal point or a value beyond the 32-bit range gives "
     "false. Use it before StrToInt to avoid a conversion error.",
     "lg(isnumeric(\"0x1A\"));\nlg(isnumeric(\"1.5\"));", "True\nFalse"},
    {"intsort", kGroupStrings, "Sorts an array of integers in place, ascending.",
     "The elements are read as integers and written back in ascending order. An element that is "
     "not an integer is a conversion error.",
     "var a = split(\"3||1||2\");\nintsort(a);\nlg(join(\",\", a));", "1,2,3"},
    {"inarray", kGroupStrings, "The index of the first element equal to a value (ignoring case), or -1.",
     "Elements are compared as text without regard to case. The index counts from 0.",
     "lg(inarray(\"B\", split(\"a||b\")));", "1"},
    {"arrayadd", kGroupStrings, "Appends a value to an array variable.",
     "The array variable itself grows by one element. Build a list in a loop with it and join "
     "it at the end.",
     "var a = split(\"x\");\narrayadd(a, \"y\");\nlg(join(\",\", a));", "x,y"},
    {"arraydel", kGroupStrings, "Removes the element at an index from an array variable.",
     "The elements after it move down by one. An index outside the array changes nothing.",
     "var a = split(\"x||y||z\");\narraydel(a, 1);\nlg(join(\",\", a));", "x,z"},
    {"arraydelbyindex", kGroupStrings, "Removes the elements at the listed indexes.",
     "The indexes may come in any order; each refers to the array as it was before the call. "
     "The other elements keep their order.",
     "var a = split(\"a||b||c||d||e\");\nvar i = split(\"3||1\");\narraydelbyindex(a, i);\nlg(join(\",\", "
     "a));",
     "a,c,e"},
    {"arraygetdulpicate", kGroupStrings, "The indexes of elements that repeat an earlier one.",
     "Returns the list of later duplicates' indexes; the array is unchanged. Case is ignored unless "
     "ignorecase is false.",
     "var d = arraygetdulpicate(split(\"a||A||b\"));\nlg(join(\",\", d));", "1"},
    {"arraysortbyreg", kGroupStrings, "Sorts an array by a key that a pattern picks from each element.",
     "The key is a number when it reads as one, else the sum of its character codes. The result lists, "
     "for each new position, the element's old index.",
     "var a = split(\"id=3||id=1||id=2\");\nvar o = arraysortbyreg(a, \"id=(*)\");\nlg(join(\",\", "
     "a));\nlg(join(\",\", o));",
     "id=1,id=2,id=3\n1,2,0"},
    {"arraysortbyindex", kGroupStrings, "Reorders an array by a list of old indexes.",
     "The list gives, for each new position, the old index of the element to put there; "
     "arraysortbyreg returns such a list. The array variable itself is reordered.",
     "var a = split(\"x||y||z\");\narraysortbyindex(a, split(\"2||0||1\"));\nlg(join(\",\", a));", "z,x,y"},
    {"num2char", kGroupChinese, "A number written in Chinese numerals.",
     "Writes the number with the Chinese digits and units (十, 百, 千, 万), with 零 for skipped "
     "places. char2num reverses it.",
     "lg(num2char(12));", "十二"},
    {"char2num", kGroupChinese, "The value of a number written in Chinese numerals.",
     "Reads Chinese digits and units such as 十, 百, 千 and 万, with 零 for skipped places. num2char "
     "reverses it.",
     "lg(char2num(\"二十一\"));", "21"},
    {"isset", kGroupSystem, "Whether a name, given as text, is declared: a variable, function or constant.",
     "The name is matched without regard to case, and library functions count too. Use it "
     "before calling a function that only some hosts offer.",
     "var x = 1;\nlg(isset(\"x\"));\nlg(isset(\"nothing\"));", "True\nFalse"},
    {"isnull", kGroupSystem, "Whether a value is Null, or text that names nothing declared.",
     "Text is taken as a name: it gives true unless something of that name is declared, so "
     "empty text gives true. Null always gives true.",
     "lg(isnull(Null));\nlg(isnull(\"split\"));", "True\nFalse"},
    {"rand", kGroupMath, "A random integer: rand(n) from 0 to n-1; rand(low, n) from low to low+n-1.",
     "The generator is the one Random uses; call Randomize once for other numbers in each run. "
     "rand(n) never reaches n.",
     "lg(rand(5, 1));", "5"},
    {"free", kGroupStrings, "Releases an object the script created.",
     "Call it for objects made with Create or CreateReg once they are no longer needed; the "
     "thread releases what is left when it ends. The variable must not be used afterwards.",
     "var sl = TStringList.Create();\nsl.Add(\"x\");\nlg(sl.Count);\nfree(sl);", "1"},
    {"eval", kGroupSystem, "Compiles and runs script text in the calling script's syntax.",
     "The code sees the script's variables. Use it sparingly: errors in the text surface only at run time.",
     "var n = 5;\neval(\"n = n * 2;\");\nlg(n);", "10"},
    {"funexists", kGroupSystem, "Whether the script declares a function or procedure of that name.",
     "Only the script's own routines count, not library functions.",
     "function twice(n) { return n * 2; }\nlg(funexists(\"twice\"));\nlg(funexists(\"split\"));",
     "True\nFalse"},
    {"funcall", kGroupSystem, "Calls a function of the script by its name with up to five arguments.",
     "The arguments go in by reference, so the function's changes to its parameters come back. A name "
     "the script does not declare gives empty text.",
     "function twice(n) { return n * 2; }\nlg(funcall(\"twice\", 21));", "42"},
    {"call", kGroupSystem, "The same as funcall: calls a function of the script by its name.",
     "Up to five arguments go to the function by reference. A name the script does not declare "
     "gives empty text.",
     "function greet(who) { return \"hi \" + who; }\nlg(call(\"greet\", \"you\"));", "hi you"},
    {"createobject", kGroupSystem,
     "Kept for old scripts: automation objects are not available on this platform.",
     "Calling it is a run-time error.",
     "try {\n  createobject(\"Scripting.FileSystemObject\");\n} except {\n  lg(ExceptionMessage);\n}",
     "Automation objects are not available on this platform"},
    {"GetAppVar", kGroupThreads, "Reads a variable shared by every script of the process.",
     "def is returned when no script has set the name.",
     "SetAppVar(\"counter\", 5);\nlg(GetAppVar(\"counter\"));\nlg(GetAppVar(\"none\", \"-\"));", "5\n-"},
    {"SetAppVar", kGroupThreads, "Sets a variable shared by every script of the process.",
     "Other threads, and scripts run later by the window, read it with GetAppVar.",
     "SetAppVar(\"status\", \"busy\");\n"
     "runthread(\"#language js\" + Chr(10) + \"lg(GetAppVar(\" + Chr(34) + \"status\" + Chr(34) + \"));\", "
     "\"reader\");\n"
     "waitthread();",
     "(reader)busy"},
    {"getguid", kGroupStrings,
     "A random identifier: 32 lower-case hexadecimal digits in groups of 8-4-4-4-12.",
     "Each call gives a new value, drawn from a random source, in the 8-4-4-4-12 form with "
     "hyphens. Use it for unique file names or keys.",
     "var g = getguid();\nlg(Length(g));\nlg(g == getguid());", "36\nFalse"},
    {"gettickcount", kGroupSystem, "Milliseconds from a steady clock: for measuring time spans.",
     "The clock is steady: it never jumps with changes of the wall-clock time, so the "
     "difference of two readings is the time that passed. Its starting point has no meaning.",
     "var t = gettickcount();\nlg(gettickcount() - t < 1000);", "True"},
    {"TIMESTAMP", kGroupConversion, "The current Unix time in seconds, shifted by timezone hours.",
     "The default -8 gives the true Unix time on a machine set to UTC+8; TIMESTAMP(0) counts the local "
     "wall-clock time as UTC.",
     "lg(TIMESTAMP(0) > 1700000000);\nlg(Abs(TIMESTAMP() - TIMESTAMP(0) + 28800) <= 1);", "True\nTrue"},
    {"getimagetype", kGroupFiles, "The image type (\"GIF\", \"JPG\", \"PNG\", \"BMP\") of a file or of data.",
     "A text that names an existing file is read from the file; any other value is taken as the "
     "data itself. Data of no known type gives empty text.",
     "lg(getimagetype(\"GIF89a....\"));", "GIF"},

    // ---- patterns
    {"match", kGroupPatterns, "Cuts text with a mask pattern: (*) captures, [*] skips.",
     "Literal text between the masks must occur in order (case is ignored). The captured pieces are "
     "joined with contact (default \"||\"); no match gives empty text.",
     "lg(match(\"<a href=x.html>X</a>\", \"href=(*)>(*)<\"));", "x.html||X"},
    {"matchcontent", kGroupPatterns,
     "The first non-empty extraction among \"||\"-separated masks and regular expressions.",
     "Each alternative is a mask pattern or a regular expression (whose first named group, or group 1, "
     "is taken).",
     "lg(matchcontent(\"id: 42\", \"no(*)match||id: (*)\"));", "42"},
    {"replacecontent", kGroupPatterns, "Replaces what a mask pattern, or a literal text, matches.",
     "With [*] or (*) in the pattern, the first matched span is replaced everywhere, ignoring case, and "
     "the match is repeated on the new text until nothing matches. A pattern without them is replaced as "
     "literal text, also ignoring case.",
     "lg(replacecontent(\"a<b>x</b>c\", \"<b>[*]</b>\", \"-\"));", "a-c"},
    {"url2creg", kGroupPatterns, "The path of a URL as a readable pattern: numbers become 数字.",
     "The host is dropped; runs of percent escapes become 任意字符 (any text) and numbers 数字 (digits). "
     "creg2reg turns the result into a regular expression.",
     "lg(url2creg(\"http://e.com/news/2010/77.html\"));", "/news/数字/数字.html"},
    {"url2reg", kGroupPatterns, "The path of a URL as a regular expression that matches its siblings.",
     "The host is dropped, runs of digits become \\d+ and special characters are escaped. Use "
     "the result to find links of the same kind on a page.",
     "lg(url2reg(\"http://e.com/news/2010/77.html\"));", "/news/\\d+/\\d+\\.html"},
    {"creg2reg", kGroupPatterns,
     "A readable pattern as a regular expression: 数字, 任意字符 and 字符 become \\d+, .*? and \\w+.",
     "Only the three words are translated; the rest of the text is copied as it is. reg2creg "
     "goes the other way.",
     "lg(creg2reg(\"/item/数字.html\"));", "/item/\\d+.html"},
    {"reg2creg", kGroupPatterns,
     "A regular expression back in the readable form (\\d+ becomes 数字, .*? 任意字符, \\w+ 字符).",
     "Only \\d+, .*? and \\w+ are translated; the rest of the text is copied as it is. creg2reg "
     "goes the other way.",
     "lg(reg2creg(\"/item/\\d+\\.html\"));", "/item/数字.html"},
    {"UseRegStr", kGroupConstants, "\"(reg)\": the prefix that marks a text as a regular expression.", "",
     "lg(UseRegStr);", "(reg)"},
    {"SplitStr", kGroupConstants, "\"||\": the default separator of lists.", "", "lg(SplitStr);", "||"},
    {"MAXINT", kGroupConstants, "The largest 32-bit integer, 2147483647.", "", "lg(MAXINT);", "2147483647"},

    // ---- URLs
    {"urlencode", kGroupUrls, "Percent-encodes text for a URL.",
     "Utf8 true encodes the UTF-8 bytes of the text, false its bytes in the system code page.",
     "lg(urlencode(\"a b&c\"));", "a%20b%26c"},
    {"urldecode", kGroupUrls, "Decodes percent-escapes.", "With Utf8 true a \"+\" also becomes a space.",
     "lg(urldecode(\"a%20b+c\", true));", "a b c"},
    {"abspath", kGroupUrls, "Resolves a relative link against a base URL.",
     "A link that is already absolute comes back as it is; one starting with / keeps only the "
     "base's host, and a query such as ?p=2 replaces the base's query. Dot segments are "
     "resolved.",
     "lg(abspath(\"http://e.com/a/b.html\", \"../c.html\"));", "http://e.com/c.html"},
    {"getdomain", kGroupUrls, "The domain of a URL: the registrable name, or the full host with son true.",
     "Without son, a host such as a.b.example.com gives example.com and www.sina.com.cn gives "
     "sina.com.cn. A two-part suffix it does not know is taken as the domain: news.example.co.uk "
     "gives co.uk.",
     "lg(getdomain(\"http://www.example.com/x\"));", "example.com"},
    {"isURL", kGroupUrls, "Whether text looks like a web address (contains http:// or https://).",
     "The test only looks for http:// or https:// anywhere in the text; it does not check the "
     "address further.",
     "lg(isURL(\"https://e.com\"));\nlg(isURL(\"e.com\"));", "True\nFalse"},
    {"getcookie", kGroupUrls,
     "Kept for old scripts: there is no browser cookie store here, the result is empty text.",
     "The function exists so that old scripts still compile. Read the cookies a server sent "
     "from the thread's own client with _Get instead.",
     "lg(\"[\" + getcookie(site) + \"]\");", "[]"},

    // ---- encoders and digests
    {"base64encode", kGroupEncoders, "Base64 of the text's bytes.",
     "Text is turned into bytes through the system code page first; a byte string is encoded as "
     "it is. base64decode reverses it.",
     "lg(base64encode(\"abc\"));", "YWJj"},
    {"base64decode", kGroupEncoders,
     "Decodes Base64; a length that is not a multiple of four gives empty text.",
     "The result is a byte string, so it can hold binary data; base64encode reverses it. "
     "Invalid input gives empty text rather than an error.",
     "lg(base64decode(\"YWJj\"));", "abc"},
    {"base64encodefile", kGroupEncoders, "Base64 of a file's bytes.",
     "The file is read as it is, so it suits images and other binary files. A file that cannot "
     "be opened is a run-time error.",
     "savefile(_AppPath + \"data/abc.txt\", \"abc\");\n"
     "lg(base64encodefile(_AppPath + \"data/abc.txt\"));",
     "YWJj"},
    {"base64decodefile", kGroupEncoders, "Decodes Base64 text into a file (replacing it).",
     "The decoded bytes replace the file's content and the result is their number. A file that "
     "cannot be created is a run-time error.",
     "isdir(_AppPath + \"data/\", true);\n"
     "lg(base64decodefile(_AppPath + \"data/hello.txt\", \"aGVsbG8=\"));\n"
     "lg(readfile(_AppPath + \"data/hello.txt\"));",
     "5\nhello"},
    {"Encrypt", kGroupEncoders,
     "Enciphers text with a key (default \"947\"), for hiding text from casual readers.",
     "It is an obfuscation, not security. Decrypt with the same key gives the text back.",
     "lg(Decrypt(Encrypt(\"secret\", \"k\"), \"k\"));", "secret"},
    {"Decrypt", kGroupEncoders, "Reverses Encrypt with the same key.",
     "The key must be the one Encrypt used (default \"947\"); another key gives other text, not "
     "an error.",
     "var hidden = Encrypt(\"password\", \"k1\");\nlg(Decrypt(hidden, \"k1\"));", "password"},
    {"escape", kGroupEncoders, "Escapes every character except letters and digits as %XX or %uXXXX.",
     "Characters up to 255 become %XX and others %uXXXX, with upper-case hexadecimal digits. "
     "unescape reverses it.",
     "lg(escape(\"a b中\"));", "a%20b%u4E2D"},
    {"unescape", kGroupEncoders, "Reverses escape: %XX, %uXXXX and \\uXXXX become characters.",
     "Escapes may use upper- or lower-case digits; a % not followed by a valid escape stays as "
     "it is.",
     "lg(unescape(\"%u4e2d%41\"));", "中A"},
    {"gzencode", kGroupEncoders, "Compresses bytes with gzip.",
     "The result is a byte string; gzdecode reverses it.",
     "lg(Length(gzencode(\"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\")) < 40);", "True"},
    {"gzdecode", kGroupEncoders, "Decompresses gzip bytes.",
     "Data that is not gzip is an error (\"gzip: data error\"), which try/except catches. "
     "gzencode reverses it.",
     "lg(gzdecode(gzencode(\"same again\")));", "same again"},
    {"gzsavefile", kGroupEncoders, "Writes text to a file, gzip-compressed.",
     "The compressed bytes replace the file's content; gzreadfile reads it back. The result is "
     "true on success; the folder must exist.",
     "isdir(_AppPath + \"data/\", true);\n"
     "lg(gzsavefile(_AppPath + \"data/page.gz\", \"<html>...</html>\"));\n"
     "lg(gzreadfile(_AppPath + \"data/page.gz\"));",
     "True\n<html>...</html>"},
    {"gzreadfile", kGroupEncoders, "Reads a file, decompressing it when it is gzip.",
     "A file that is not gzip is read as it is, and a missing one gives empty text. The content "
     "is read as text in the system code page.",
     "isdir(_AppPath + \"data/\", true);\ngzsavefile(_AppPath + \"data/notes.gz\", \"packed text\");\n"
     "lg(gzreadfile(_AppPath + \"data/notes.gz\"));",
     "packed text"},
    {"gzbase64encode", kGroupEncoders, "Compresses with gzip, then encodes with Base64.",
     "The result is plain ASCII, so compressed data can travel in text, a URL parameter or an "
     "INI file. gzbase64decode reverses it.",
     "var packed = gzbase64encode(\"abc\");\nlg(Copy(packed, 1, 4));\nlg(gzbase64decode(packed));",
     "H4sI\nabc"},
    {"gzbase64decode", kGroupEncoders, "Decodes Base64, then decompresses gzip.",
     "It reverses gzbase64encode. Data that is not Base64 of gzip is an error.",
     "lg(gzbase64decode(gzbase64encode(\"round trip\")));", "round trip"},
    {"md5", kGroupEncoders, "The MD5 digest as hexadecimal digits (Len 16 gives the first 16).",
     "Characters beyond ASCII become \"?\" before hashing.", "lg(md5(\"abc\"));\nlg(md5(\"abc\", 16));",
     "900150983cd24fb0d6963f7d28e17f72\n900150983cd24fb0"},
    {"md5file", kGroupEncoders, "The MD5 digest of a file; empty text when it cannot be read.",
     "The file's bytes are hashed as they are, so the digest equals other tools' MD5 of the "
     "file. Len 16 gives the first 16 digits.",
     "savefile(_AppPath + \"data/abc.txt\", \"abc\");\nlg(md5file(_AppPath + \"data/abc.txt\"));",
     "900150983cd24fb0d6963f7d28e17f72"},
    {"utf8encode", kGroupEncoders, "The UTF-8 bytes of text, as a byte string.",
     "Use it where bytes must be UTF-8, such as a body or digest input; utf8decode reverses it. "
     "Characters beyond ASCII take two to four bytes.",
     "lg(base64encode(utf8encode(\"中\")));\nlg(utf8decode(utf8encode(\"中文\")));", "5Lit\n中文"},
    {"utf8decode", kGroupEncoders, "Text from UTF-8 bytes; malformed UTF-8 gives empty text.",
     "Use it on bytes that arrived as UTF-8, such as a body read as bytes; utf8encode reverses "
     "it. Invalid UTF-8 gives empty text rather than an error.",
     "lg(utf8decode(utf8encode(\"中文\")));", "中文"},
    {"ansistring", kGroupEncoders, "The text's bytes in the system code page, as a byte string.",
     "The text is converted to bytes through the system code page (UTF-8 on most Linux "
     "systems), for functions that work on bytes. Text is unchanged for ASCII.",
     "lg(base64encode(ansistring(\"abc\")));", "YWJj"},

    // ---- HTML
    {"analyzetitle", kGroupHtml,
     "The most plausible title of a page, chosen among its title, h1 and h2 elements.",
     "The result is the chosen element's HTML; html2txt gives its text.",
     "lg(html2txt(analyzetitle(\"<title>News - Site</title><h1>News</h1>\")));", "News"},
    {"analyzecontent", kGroupHtml, "The main text of an article page.",
     "Lines that carry much text against few tags are kept; images become a bracket notation with "
     "absolute addresses (against absurl). Combine with html2txt for plain text.",
     "var p = replace(\"<div class='nav'><a href='/'>Home</a></div><h1>Rain</h1><p>Heavy rain is expected "
     "across the region on Sunday, the weather service said.</p>\", \"'\", Chr(34));\n"
     "var c = analyzecontent(p);\nlg(Pos(\"Heavy rain\", c) > 0);\nlg(Pos(\"Home\", c) > 0);",
     "True\nFalse"},

    // ---- Chinese
    {"gb2big", kGroupChinese, "Simplified Chinese characters to Traditional ones.",
     "Characters without a traditional form, and all other text, are copied unchanged. big2gb "
     "goes the other way.",
     "lg(gb2big(\"汉语\"));", "漢語"},
    {"big2gb", kGroupChinese, "Traditional Chinese characters to Simplified ones.",
     "Characters without a simplified form, and all other text, are copied unchanged. gb2big "
     "goes the other way.",
     "lg(big2gb(\"漢語\"));", "汉语"},
    {"full2half", kGroupChinese, "Full-width letters, digits, punctuation and spaces to their ASCII forms.",
     "The ideographic space becomes an ordinary space. Other characters are copied unchanged.",
     "lg(full2half(\"ＡＢＣ１２３\"));", "ABC123"},

    // ---- files
    {"readfile", kGroupFiles, "Reads a whole text file; empty text when it does not exist.",
     "A byte-order mark selects UTF-8 or UTF-16; otherwise the file is read in the system code page.",
     "savefile(_AppPath + \"data/note.txt\", \"first line\");\n"
     "lg(readfile(_AppPath + \"data/note.txt\"));\n"
     "lg(\"[\" + readfile(_AppPath + \"data/missing.txt\") + \"]\");",
     "first line\n[]"},
    {"savefile", kGroupFiles, "Writes text to a file (append true adds to it); true on success.",
     "Text is written in the system code page, a byte string as it is. Missing folders are created; a "
     "relative name is taken in the application folder. Writes from several threads take turns; a file "
     "that cannot be written gives false.",
     "savefile(_AppPath + \"data/out.txt\", \"one\");\nsavefile(_AppPath + \"data/out.txt\", \"two\", "
     "true);\n"
     "lg(readfile(_AppPath + \"data/out.txt\"));\ndeletefile(_AppPath + \"data/out.txt\");",
     "onetwo"},
    {"save", kGroupFiles, "The same as savefile.",
     "Writes text in the system code page, creates missing folders and gives true on success; "
     "append true adds to the file. A relative name is taken in the application folder.",
     "save(_AppPath + \"data/saved.txt\", \"saved\");\nlg(readfile(_AppPath + \"data/saved.txt\"));",
     "saved"},
    {"savefile2", kGroupFiles,
     "Writes text to a file as UTF-8 without a byte-order mark (append true adds to it).",
     "Missing folders are created and a relative name is taken in the application folder; a file that "
     "cannot be written is a run-time error.",
     "savefile2(_AppPath + \"data/utf8.txt\", \"中\");\nlg(getfilesize(_AppPath + \"data/utf8.txt\"));", "3"},
    {"readini", kGroupFiles, "A value from an INI file (relative names are in the application folder).",
     "Section and key are matched without regard to case. Default is returned when the file, "
     "the section or the key is missing.",
     "saveini(\"data/demo.ini\", \"main\", \"color\", \"blue\");\nlg(readini(\"data/demo.ini\", \"main\", "
     "\"color\"));\n"
     "lg(readini(\"data/demo.ini\", \"main\", \"size\", \"none\"));\ndeletefile(_AppPath + "
     "\"data/demo.ini\");",
     "blue\nnone"},
    {"saveini", kGroupFiles, "Writes a value into an INI file, creating file and section as needed.",
     "Relative names are taken in the application folder. Other keys and sections of the file "
     "are kept; readini reads the value back.",
     "saveini(_AppPath + \"data/settings.ini\", \"main\", \"color\", \"blue\");\n"
     "lg(Trim(readfile(_AppPath + \"data/settings.ini\")));",
     "[main]\ncolor=blue"},
    {"getdirs", kGroupFiles, "The names of a folder's sub-folders, separated by \"||\".",
     "Only the names are given, without the folder in front, and files are left out. An absent "
     "folder gives empty text.",
     "isdir(_AppPath + \"data/dirs/one\", true);\nisdir(_AppPath + \"data/dirs/two\", true);\n"
     "lg(getdirs(_AppPath + \"data/dirs\"));",
     "one||two"},
    {"getfiles", kGroupFiles,
     "The names of a folder's files that match a wildcard such as *.txt (default *), separated by \"||\".",
     "Only the names are given, without the folder in front, and sub-folders are left out. An "
     "absent folder gives empty text.",
     "savefile(_AppPath + \"data/list/a.txt\", \"\");\nsavefile(_AppPath + \"data/list/b.csv\", "
     "\"\");\nlg(getfiles(_AppPath + \"data/list\", \"*.txt\"));",
     "a.txt"},
    {"selfile", kGroupDialogs,
     "Lets the user choose a file (several with Mulit true); qvrun answers empty text.",
     "Several chosen files are separated by \"||\"; a cancelled dialog gives empty text. qvrun "
     "shows no dialog and answers empty text.",
     "var f = selfile(_AppPath, \"*.txt\");\nif (f == \"\") lg(\"nothing chosen\");", "nothing chosen"},
    {"seldir", kGroupDialogs, "Lets the user choose a folder; qvrun answers empty text.",
     "A cancelled dialog gives empty text. qvrun shows no dialog and answers empty text.",
     "var d = seldir(_AppPath);\nif (d == \"\") lg(\"no folder chosen\");", "no folder chosen"},
    {"getfilesize", kGroupFiles, "The size of a file in bytes; -1 when it does not exist.",
     "The size is in bytes, so a UTF-8 character may count several. Use it to check that a "
     "download is complete.",
     "savefile(_AppPath + \"data/five.txt\", \"12345\");\nlg(getfilesize(_AppPath + "
     "\"data/five.txt\"));\nlg(getfilesize(_AppPath + \"data/none.txt\"));",
     "5\n-1"},
    {"replacefilenamechars", kGroupFiles,
     "Removes the characters a file name should not hold: \\ / : * ? \" < > |, line breaks and the "
     "ideographic space.",
     "Use it to turn a page title into a file name. The characters are removed, not replaced.",
     "lg(replacefilenamechars(\"a/b:c?\"));", "abc"},
    {"isdir", kGroupFiles, "Whether a folder exists; CreateDir true creates it with its parents.",
     "With CreateDir true the missing folders are created and the result tells whether the "
     "folder exists afterwards. Files do not count as folders.",
     "var d = _AppPath + \"data/new/deeper\";\nlg(isdir(d));\nisdir(d, true);\nlg(isdir(d));", "False\nTrue"},
    {"isfile", kGroupFiles, "Whether a file exists.",
     "Folders do not count: isdir tests those. A relative name is taken in the application "
     "folder.",
     "savefile(_AppPath + \"data/here.txt\", \"x\");\nlg(isfile(_AppPath + \"data/here.txt\"));\n"
     "lg(isfile(_AppPath + \"data/\"));",
     "True\nFalse"},
    {"fileexists", kGroupFiles, "Whether a file exists.",
     "The same test as isfile: a folder of that name does not count.",
     "savefile(_AppPath + \"data/here.txt\", \"x\");\nlg(fileexists(_AppPath + \"data/here.txt\"));\n"
     "lg(fileexists(_AppPath + \"data/gone.txt\"));",
     "True\nFalse"},
    {"deletefile", kGroupFiles, "Deletes a file; true on success.",
     "A file that does not exist, or cannot be removed, gives false. Folders are not deleted.",
     "savefile(_AppPath + \"data/tmp.txt\", \"x\");\nlg(deletefile(_AppPath + \"data/tmp.txt\"));\n"
     "lg(deletefile(_AppPath + \"data/tmp.txt\"));",
     "True\nFalse"},
    {"renamefile", kGroupFiles, "Renames or moves a file or folder; false when the target exists.",
     "The source may be a file or a folder; an existing target is not replaced. Relative names "
     "are taken in the application folder.",
     "savefile(_AppPath + \"data/old.txt\", \"x\");\nlg(renamefile(_AppPath + \"data/old.txt\", _AppPath + "
     "\"data/new.txt\"));\nlg(fileexists(_AppPath + \"data/new.txt\"));",
     "True\nTrue"},
    {"getfiletime", kGroupFiles,
     "A time of a file in seconds: TimeType 0 created, 1 written, 2 accessed (default).",
     "The local time is counted as seconds since 1970 and shifted by timezone hours (default -8, as "
     "TIMESTAMP does); 0 when the file does not exist.",
     "savefile(_AppPath + \"data/stamp.txt\", \"x\");\n"
     "lg(getfiletime(_AppPath + \"data/stamp.txt\", 1) > 0);\n"
     "lg(getfiletime(_AppPath + \"data/none.txt\", 1));",
     "True\n0"},
    {"getfiledir", kGroupFiles, "The folder part of a file name, with its trailing separator.",
     "A name without a folder gives empty text. The file need not exist.",
     "lg(getfiledir(\"/tmp/x/a.txt\"));", "/tmp/x/"},
    {"getfilePath", kGroupFiles, "The same as getfiledir.",
     "The folder part of a file name with its trailing separator; the file need not exist.",
     "lg(getfilePath(\"/tmp/x/a.txt\"));", "/tmp/x/"},
    {"getfileext", kGroupFiles, "The extension of a file name, dot included.",
     "A name without a dot gives empty text. The file need not exist.", "lg(getfileext(\"/tmp/a.tar.gz\"));",
     ".gz"},
    {"getfilename", kGroupFiles, "The last part of a file name.",
     "The folder part is dropped; a name ending in a separator gives empty text. The file need "
     "not exist.",
     "lg(getfilename(\"/tmp/x/a.txt\"));", "a.txt"},
    {"expandfilename", kGroupFiles, "The full name of a file, relative names against the current folder.",
     "Gives an absolute name: a relative one is joined to the current folder. The file need not "
     "exist.",
     "lg(Copy(expandfilename(\"a.txt\"), 1, 1));\nlg(getfilename(expandfilename(\"a.txt\")));", "/\na.txt"},
    {"run", kGroupFiles, "Runs a command line, or opens a file or address; waitover true waits for its end.",
     "With waiting the command line runs through /bin/sh and the script goes on when it ends; "
     "without, the file or address opens with xdg-open when there is one. The result says "
     "nothing about success: check the command's effect.",
     "isdir(_AppPath + \"data/\", true);\nrun(\"echo hi > data/run.txt\", true);\n"
     "lg(Trim(readfile(_AppPath + \"data/run.txt\")));",
     "hi"},
    // ---- selectors, XPath and articles
    {"htmlselect", kGroupHtml, "Every element a CSS selector matches, in document order.",
     "What chooses each element's value: text (white space collapsed), html (outer), inner, or @NAME for "
     "an attribute (elements without it give nothing). With a base address, @href, @src and @action values "
     "are made absolute. An invalid selector raises \"Invalid selector at N: ...\".",
     "var p = replace(\"<ul><li class='a'>one</li><li>two</li></ul><a href='/x'>x</a>\", \"'\", Chr(34));\n"
     "lg(join(\",\", htmlselect(p, \"li\")));\nlg(htmlselect(p, \"li.a\", \"html\")[0]);\n"
     "lg(htmlselect(p, \"a\", \"@href\", \"http://example.com/d/\")[0]);",
     "one,two\n<li class=\"a\">one</li>\nhttp://example.com/x"},
    {"htmlselectfirst", kGroupHtml, "The first element a CSS selector matches, or empty text.",
     "What and BaseUrl work as in htmlselect; an element without the attribute asked for gives empty text. "
     "A page selected from again and again is parsed once per thread.",
     "var p = \"<div><p>first</p><p>second</p></div>\";\nlg(htmlselectfirst(p, \"div > p:last-child\"));",
     "second"},
    {"xpath", kGroupHtml, "The result of an XPath 1.0 expression on an HTML page.",
     "A node-set gives each node's string-value in document order (attributes their value); a number, "
     "string or Boolean gives one element holding it. An invalid expression raises \"Invalid XPath at N: "
     "...\".",
     "var p = \"<p>a</p><p>b</p>\";\nlg(join(\",\", xpath(p, \"//p\")));\nlg(xpath(p, \"count(//p)\")[0]);",
     "a,b\n2"},
    {"extractarticle", kGroupHtml, "The main content of an article page: its text, cleaned HTML or headline.",
     "What is text (paragraphs separated by CR LF), html (the content elements with absolute links and "
     "images) or title (the headline, not the site name). Blocks are scored by text and link density, tags "
     "and class hints; Chinese text counts by characters.",
     "var p = replace(\"<div class='nav'><a href='/'>Home</a></div><article><h1>Rain expected</h1><p>Heavy "
     "rain is expected across the region on Sunday, the weather service said.</p><p>Rivers may rise quickly; "
     "drivers should avoid flooded roads.</p></article>\", \"'\", Chr(34));\n"
     "lg(extractarticle(p, \"\", \"title\"));\n"
     "var parts = split(extractarticle(p), Chr(13) + Chr(10));\nlg(high(parts) + 1);\n"
     "lg(parts[1]);",
     "Rain expected\n2\nRivers may rise quickly; drivers should avoid flooded roads."},
    // ---- JSON and CSV
    {"jsonpath", kGroupData, "Every value a JSONPath query (RFC 9535) selects in a JSON text.",
     "A string gives its text and any other value its compact JSON; with AsJson true every value is "
     "compact JSON, so results can be fed back. Numbers keep the text they were written with. An invalid "
     "query raises \"Invalid JSONPath at N: ...\", invalid JSON \"Invalid JSON at N: ...\"; try catches "
     "both.",
     "var j = replace(\"{'a':[1,2.50,{'b':'x'}]}\", \"'\", Chr(34));\nvar a = jsonpath(j, \"$.a[*]\");\n"
     "lg(a[1]);\nlg(a[2]);\nlg(join(\",\", jsonpath(\"[3,1,4]\", \"$[?@ > 2]\")));",
     "2.50\n{\"b\":\"x\"}\n3,4"},
    {"jsonget", kGroupData, "The first value a JSONPath query selects, or a default.",
     "Gives the first value jsonpath would give (a string as its text, anything else as compact JSON); "
     "Default when the query selects nothing.",
     "var j = replace(\"{'user':{'name':'Ann'}}\", \"'\", Chr(34));\nlg(jsonget(j, \"$.user.name\"));\n"
     "lg(jsonget(j, \"$.user.age\", \"?\"));",
     "Ann\n?"},
    {"jsonset", kGroupData, "A JSON text with one value set at a JSON Pointer (RFC 6901).",
     "Objects are made for missing members on the way and \"-\" appends to an array. The value is written "
     "by its script type (text as a string, numbers, Booleans) or parsed as JSON when AsJson is true; an "
     "empty Json counts as \"{}\".",
     "lg(jsonset(\"{}\", \"/q\", \"x\"));\nlg(jsonset(replace(\"{'a':[1]}\", \"'\", Chr(34)), \"/a/-\", "
     "2));\n"
     "lg(jsonset(\"\", \"/n/m\", \"[true]\", true));",
     "{\"q\":\"x\"}\n{\"a\":[1,2]}\n{\"n\":{\"m\":[true]}}"},
    {"jsonquote", kGroupData, "A text as a JSON string literal, quotes and control characters escaped.",
     "Quotes, backslashes and control characters are escaped; other characters, also beyond "
     "ASCII, are copied. Use it to build JSON by hand.",
     "lg(jsonquote(\"two\" + Chr(10) + \"lines\"));", "\"two\\nlines\""},
    {"csvline", kGroupData, "One CSV record (RFC 4180) made of an array's values, without a line end.",
     "A value is put in double quotes, its quotes doubled, when it holds the separator, a quote, CR or LF. "
     "Append a row to a file with savefile(name, csvline(row) + #13#10, true).",
     "var row = split(\"a||b,c||d\");\nlg(csvline(row));\nlg(csvline(row, \";\"));", "a,\"b,c\",d\na;b,c;d"},
    {"csvsplit", kGroupData, "The fields of one CSV record.",
     "Splits at the separator outside double quotes and removes the quotes of quoted fields, so a field "
     "may hold separators and line breaks. An empty record is one empty field.",
     "var f = csvsplit(replace(\"a,'b,c',d\", \"'\", Chr(34)));\nlg(high(f));\nlg(f[1]);", "2\nb,c"},
    {"csvrecords", kGroupData, "The records of a CSV text, split at line ends outside double quotes.",
     "A quoted field may span lines; a line end after the last record adds no empty record.",
     "var r = csvrecords(\"a,b\" + Chr(13) + Chr(10) + \"x,z\" + Chr(13) + Chr(10));\nlg(high(r));\n"
     "lg(csvsplit(r[1])[1]);",
     "1\nz"},
};

}  // namespace

std::span<const NameDescription> FunctionDescriptions() { return kDescriptions; }

}  // namespace qv
