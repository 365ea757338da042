// The reference rows of what a script thread registers (host_registration.cpp
// and the classes and functions it calls) and of the names the thread
// defines when it starts.
#include "host/catalog.h"

namespace qv::host {

namespace {

const NameDescription kDescriptions[] = {
    // ---- log and dialogs
    {"lg", kGroupDialogs, "Writes a line to the log.",
     "The value is converted to text and logged with the time and, for a named thread, its name. In a "
     "template (a file without \"#language\") lg only appends to the template output unless the second "
     "argument is true.",
     "lg(\"hello\");\nlg(1 + 2);", "hello\n3"},
    {"echo", kGroupDialogs, "The same as lg: logs a value, or adds it to a template's output.",
     "In a template, echo(x) appends x to the thread's template output (HTMLOutput) and echo(x, true) logs "
     "it. Outside templates it logs.",
     "echo(\"from echo\");", "from echo"},
    {"print", kGroupDialogs, "The same as lg: logs a value, or adds it to a template's output.",
     "In a template, print(x) appends x to the thread's template output (HTMLOutput) and print(x, true) "
     "logs it. Outside templates it logs.",
     "print(\"from print\");", "from print"},
    {"alert", kGroupDialogs, "Shows a message box and returns the button pressed.",
     "tp chooses the icon (MTError, MTWarning, MTInformation) and mb the buttons (MBOkCancel, MBYesNo, "
     "...); the result is one of the MR constants (MROK is 1). qvrun writes the text to the log and "
     "answers MROK.",
     "if (alert(\"Continue?\", MTInformation, MBOkCancel) == MROK) lg(\"go on\");", "Continue?\ngo on"},
    {"input", kGroupDialogs, "Asks the user for a line of text.",
     "Shows a dialog with a caption, a prompt and an initial value; the result is the entered text, or "
     "false when the user cancels. qvrun answers the initial value.",
     "lg(input(\"Search\", \"Word:\", \"harvest\"));", "harvest"},
    {"debugtime", kGroupDialogs, "Logs the milliseconds since the script started compiling.",
     "The line reads \"usedtime(MSG):N\", without the parentheses when msg is empty. Useful to find the "
     "slow part of a script.",
     "var debug = false;\nif (debug) debugtime(\"after download\");\nlg(\"done\");", "done"},
    {"sleep", kGroupThreads, "Waits the given number of milliseconds.",
     "A stop request (the Stop button, Ctrl+C in qvrun, stop() of a parent) ends the wait at once. Zero "
     "or a negative time returns at once.",
     "sleep(10);\nlg(\"awake\");", "awake"},
    {"stop", kGroupThreads, "Logs an optional message and stops the script and its child threads.",
     "The script ends at its next statement; a script ended by stop has run to its end (qvrun exits "
     "with 0). Child threads started with runthread are stopped too.",
     "lg(\"before\");\nstop(\"done here\");\nlg(\"never\");", "before\ndone here"},

    // ---- web
    {"httpget", kGroupWeb, "Downloads a page with GET and returns its text.",
     "The body is decompressed and decoded from its character set (CharSet 'CHECK' detects it from the "
     "headers and the page, GBK and BIG5 included). SaveFile names a file that receives the body; when it "
     "is \":\" or \":FOLDER\" and CacheTime > 0, the answer is kept in the download cache instead "
     "(data/cache/ beside the script, or its sub-folder FOLDER) and reused for CacheTime seconds. On a "
     "failure the result is the status code as text (\"0\" when no answer came) and _Get.ErrorText says "
     "why.",
     "var page = httpget(site);\nlg(_Get.ResponseCode);\nlg(regmatch(page, \"<h1>(.*?)</h1>\", 1));",
     "200\nDemo site"},
    {"httppost", kGroupWeb, "Sends a POST request with PostPra as its body and returns the answer's text.",
     "PostPra is sent as it is (for a form: \"name=value&name2=value2\", with _Get.ContentType set when "
     "the server needs another type). The answer is treated as by httpget.",
     "var answer = httppost(site, \"CHECK\", \"q=harvest\");\nlg(_Get.ResponseCode);", "501"},
    {"httphead", kGroupWeb, "Sends a HEAD request; the headers are in _Get.ResponseHead.",
     "Nothing but the headers comes back, so the result is empty text on success. Read the status from "
     "_Get.ResponseCode and a header from _Get.ResponseHead[\"Content-Type\"].",
     "httphead(site);\nlg(_Get.ResponseCode);", "200"},
    {"httprequest", kGroupWeb,
     "Sends a request of any method and returns the response body for every status.",
     "The body goes as UTF-8 with ContentType (default application/json for a body starting with { or [, "
     "else application/x-www-form-urlencoded), with the headers set on _Get; 303 turns into GET, 307 and "
     "308 keep the method and body. _Get.ResponseCode, _Get.ResponseHead and _Get.ErrorText tell the rest; "
     "the download cache is never used.",
     "var page = httprequest(\"GET\", site);\nlg(_Get.ResponseCode);\nhttprequest(\"DELETE\", "
     "site);\nlg(_Get.ResponseCode);",
     "200\n501"},
    {"robotsallowed", kGroupWeb, "Whether a site's robots.txt lets a crawler fetch an address.",
     "The robots.txt of the address's scheme, host and port is downloaded once per process and read as RFC "
     "9309 says, for UserAgent (default: the client's User-Agent; its name is the text before \"/\"). A "
     "missing file allows everything; a server error or no answer disallows the whole site for the run.",
     "lg(robotsallowed(site + \"index.html\", \"MyCrawler/1.0\"));", "True"},
    {"queueadd", kGroupThreads, "Adds an item to a work queue unless the queue has seen it before.",
     "Every script thread of the process shares a queue by its name; a name \"redis://HOST:PORT/DB/NAME\" "
     "keeps it in a Redis server, shared by many processes. The queue remembers every item ever added, so "
     "a link found twice is queued once; higher priorities are taken first, then first in, first out.",
     "lg(queueadd(\"doc\", \"a\"));\nlg(queueadd(\"doc\", \"a\"));\nqueueadd(\"doc\", \"b\", 5);\n"
     "lg(queuetake(\"doc\"));\nlg(queueinfo(\"doc\"));",
     "True\nFalse\nb\npending=1 leased=1 done=0 seen=2"},
    {"queuetake", kGroupThreads, "Takes the next item of a work queue and leases it.",
     "With nothing pending it waits up to WaitMs for an item, and gives empty text at once when the queue "
     "is drained (nothing pending or leased) or the script is stopped. An item not finished with queuedone "
     "within LeaseMs (0: no limit) goes back to the queue for another worker.",
     "queueadd(\"jobs\", \"one\");\nvar item = queuetake(\"jobs\");\nwhile (item != \"\") {\n  lg(\"work on "
     "\" + item);\n"
     "  queuedone(\"jobs\", item);\n  item = queuetake(\"jobs\", 1000);\n}\nlg(queueinfo(\"jobs\"));",
     "work on one\npending=0 leased=0 done=1 seen=1"},
    {"queuedone", kGroupThreads, "Finishes an item taken from a work queue.",
     "The item counts as done once and is not taken again; an item whose lease ran out is finished as "
     "well, so work that ended late is not repeated.",
     "queueadd(\"pages\", \"p1\");\nvar item = queuetake(\"pages\");\nqueuedone(\"pages\", item);\n"
     "queuedone(\"pages\", item);\nlg(queueinfo(\"pages\"));",
     "pending=0 leased=0 done=1 seen=1"},
    {"queueinfo", kGroupThreads, "Counts a work queue's items: \"pending=P leased=L done=D seen=S\".",
     "Items waiting, taken but not finished, finished, and ever added; leases that ran out count as "
     "pending again.",
     "queueadd(\"links\", \"a\");\nqueueadd(\"links\", \"b\");\nqueuetake(\"links\");\n"
     "lg(queueinfo(\"links\"));\nlg(queueinfo(\"unused\"));",
     "pending=1 leased=1 done=0 seen=2\npending=0 leased=0 done=0 seen=0"},
    {"down", kGroupWeb, "Downloads with any method: the general form of httpget and httppost.",
     "method is \"GET\", \"POST\" or \"HEAD\"; PostPra is the body of a POST. The other arguments are "
     "those of httpget.",
     "var page = down(site, \"CHECK\", \"GET\");\nlg(Pos(\"Demo site\", page) > 0);", "True"},
    {"setproxy", kGroupWeb, "Sends the thread's downloads through a proxy, or stops doing so.",
     "address is \"host:port\"; an empty address takes the environment's http_proxy. user and pass "
     "are the proxy's credentials when it needs them; setproxy(false) turns the proxy off.",
     "setproxy(false);\nlg(Pos(\"Demo site\", httpget(site)) > 0);", "True"},
    {"cleardowncache", kGroupWeb, "Gives the thread a fresh HTTP client with the default settings.",
     "Cookies, the proxy, request headers and time-outs set before are forgotten. The download cache "
     "on disk stays.",
     "_Get.UserAgent = \"probe\";\ncleardowncache();\nlg(Pos(\"Demo site\", httpget(site)) > 0);", "True"},
    {"getDllMethod", kGroupThreads, "Lists the functions a shared library exports.",
     "Reads the dynamic symbol table of the ELF file and returns the names as an array. A plug-in in "
     "plugin/NAME.so is called as NAME.function(...).",
     "var names = getDllMethod(_AppPath + \"data/none.so\");\nlg(high(names));", "-1"},

    // ---- regular expressions
    {"regmatch", kGroupPatterns, "One group of the first match of a regular expression.",
     "Pattern is a regular expression (in the /body/flags notation, or text that looks like one, which "
     "is then matched case-insensitively). mode is the group number; the default -1 returns the pattern "
     "itself when it matches, which makes regmatch a test. No match gives empty text.",
     "lg(regmatch(\"price: 42 EUR\", \"(\\d+) EUR\", 1));", "42"},
    {"regmatchs", kGroupPatterns,
     "regmatch over several patterns separated by \"||\": the first that matches wins.",
     "Each alternative is tried in turn with the same group number.",
     "lg(regmatchs(\"id=7\", \"name=(\\w+)||id=(\\d+)\", 1));", "7"},
    {"regreplace", kGroupPatterns, "Replaces every match of a regular expression.",
     "In Target, $1 ... $9 stand for groups; \"#13\" and \"#10\" write a carriage return and a line "
     "feed, and \"#space\" is removed. An invalid pattern stops the script with a message naming it.",
     "lg(regreplace(\"a1b22c\", \"\\d+\", \"-\"));", "a-b-c"},
    {"regreplaces", kGroupPatterns,
     "Several replacements in turn: pattern||replacement||pattern||replacement...",
     "Each pair is applied to the result of the previous one.",
     "lg(regreplaces(\"one two\", \"one||1||two||2\"));", "1 2"},
    {"MatchURL", kGroupPatterns, "Fills link templates from a page and makes them absolute.",
     "In APattern, an item {index,regex} is replaced by the text the regular expression picks from "
     "Source; the result is made absolute against AbsUrl.",
     "var page = replace(\"<a href='p2.html'>next</a>\", \"'\", Chr(34));\n"
     "lg(MatchURL(\"http://e.com/list/\", page, \"{1,href=.(.*?).>}\"));",
     "http://e.com/list/p2.html"},
    {"CreateReg", kGroupPatterns, "A new TRegExp object with a pattern and a subject.",
     "The object matches case-insensitively and in multi-line mode. It belongs to the script: Free "
     "releases it, and the thread releases what is left when it ends.",
     "var r = CreateReg(\"(\\d+)\", \"a 12 b 345\");\nlg(r.MatchCount);\nlg(r.Matchs[1]);\nr.Free;",
     "2\n345"},
    {"regpick", kGroupPatterns, "Calls a procedure of the script once per match of a regular expression.",
     "The procedure gets a TRegExp standing on the match, the matched text and, when it has a third "
     "parameter, Para. Matches are found in order from the start of Source.",
     "function onmatch(r, m, p) { lg(p + r.SubMatchs[1]); }\nregpick(\"onmatch\", \"a=1 b=2\", "
     "\"\\w=(\\d)\", \"got \");",
     "got 1\ngot 2"},
    {"regcallback", kGroupPatterns, "The same as regpick.",
     "Calls the procedure once per match of the regular expression, with a TRegExp standing on "
     "the match, the matched text and Para. Matches are found in order from the start of Source.",
     "function onmatch(r, m, p) { lg(p + m); }\n"
     "regcallback(\"onmatch\", \"a1 b22\", \"\\d+\", \"number \");",
     "number 1\nnumber 22"},
    {"splitpick", kGroupPatterns, "Calls a procedure of the script once per piece of a split text.",
     "Source is split at separator (literal text, or a regular expression after the prefix \"(reg)\"); "
     "the procedure gets the piece's index (from 0), the piece and, when it has a third parameter, Para.",
     "function onpiece(i, s) { lg(IntToStr(i) + \": \" + s); }\nsplitpick(\"onpiece\", "
     "\"x||y\");\nsplitpick(\"onpiece\", \"a1b\", \"(reg)\\d\");",
     "0: x\n1: y\n0: a\n1: b"},
    {"splitcallback", kGroupPatterns, "The same as splitpick.",
     "Calls the procedure once per piece of Source split at separator, with the piece's index "
     "(from 0), the piece and Para. A separator after the prefix \"(reg)\" is a regular "
     "expression.",
     "function onpiece(i, s, p) { lg(IntToStr(i) + p + s); }\n"
     "splitcallback(\"onpiece\", \"x,y\", \",\", \": \");",
     "0: x\n1: y"},

    // ---- HTML
    {"html2txt", kGroupHtml, "HTML to plain text.",
     "Tags are removed, block tags (p, div, br, li, tr ...) become line breaks, entities are decoded, and "
     "head, script, style and similar elements disappear with their content. freespace 1 drops lines "
     "that hold only white space; 2 or more also strips white space around line breaks.",
     "lg(html2txt(\"<p>Tom &amp; Jerry</p>\"));", "Tom & Jerry"},

    // ---- threads and scripts
    {"runthread", kGroupThreads, "Starts a script (a file or script text) on a thread of its own.",
     "The child gets the name ThreadName, which its log lines show; CallBackOnStart and CallBackOnOver "
     "name procedures of this script that run when the child starts and ends. The result is the "
     "child's TQuorvinter handle; autoStart false creates it stopped (call Start).",
     "function over(t) { lg(\"ended: \" + t.ThreadName); }\nrunthread(\"#language Pascal\" + Chr(10) + "
     "\"begin lg('child says hi'); end.\", \"worker\", \"\", \"over\");\nwaitthread();",
     "(worker)child says hi\nended: worker"},
    {"waitthread", kGroupThreads, "Waits until a child thread (or, without a name, every child) has ended.",
     "Other threads' callbacks can run while this thread waits. A stop request ends the wait.",
     "runthread(\"#language Pascal\" + Chr(10) + \"begin sleep(50); lg('child done'); end.\", \"slow\");\n"
     "waitthread(\"slow\");\nlg(\"after the child\");",
     "(slow)child done\nafter the child"},
    {"runjs", kGroupThreads, "Runs JavaScript and returns the value of an expression as text.",
     "JsCode runs first, then JsVar is evaluated. Each call runs in the helper qvjs with a 10-second "
     "limit; any error gives empty text.",
     "lg(runjs(\"var a = [1, 2, 3];\", \"a.join('-')\"));", "1-2-3"},
    {"runvb", kGroupThreads, "Kept for old scripts: there is no VBScript engine, the result is empty text.",
     "The function exists so that old scripts still compile; use runjs for script code in "
     "another language.",
     "lg(\"[\" + runvb(\"x = 1\", \"x\") + \"]\");", "[]"},
    {"encryptscript", kGroupThreads, "Compiles every script of a folder into a distributable file.",
     "Each .qvs file of dir (default: the application folder) is written to targetdir as a compiled "
     "script of the given version. A compiled script hides the code from casual readers only.",
     "savefile(_AppPath + \"data/scripts/hello.qvs\", \"#language js\" + Chr(10) + \"lg(1);\");\n"
     "encryptscript(_AppPath + \"data/scripts\", _AppPath + \"data/compiled\");\n"
     "lg(getfiles(_AppPath + \"data/compiled\"));",
     "hello.qvs"},

    // ---- classes
    {"TInfo", kGroupClasses, "A table of text values under text keys, with a cursor.",
     "Create one with TInfo.Create, store with t[\"key\"] = value and read with t[\"key\"] (empty text "
     "for an absent key). ReStart and next walk the items.",
     "var t = TInfo.Create;\nt[\"b\"] = \"2\";\nt[\"a\"] = \"1\";\nlg(t.Count);\nlg(t[\"a\"] + "
     "t[\"zz\"]);\nt.Free;",
     "2\n1"},
    {"TInfo.Count", kGroupClasses, "The number of items."},
    {"TInfo.CurrentKey", kGroupClasses, "The key of the item at the cursor."},
    {"TInfo.Key", kGroupClasses, "The key of the item at the cursor."},
    {"TInfo.Value", kGroupClasses, "The value of the item at the cursor."},
    {"TInfo.next", kGroupClasses, "Moves the cursor to the next item; true while it stands on one."},
    {"TInfo.prev", kGroupClasses, "Moves the cursor to the previous item; true while it stands on one."},
    {"TInfo.Create", kGroupClasses, "A new empty table, owned by the script."},
    {"TInfo.Free", kGroupClasses, "Releases the table."},
    {"TInfo.Clear", kGroupClasses, "Removes every item."},
    {"TInfo.Delete", kGroupClasses, "Removes the item with this key."},
    {"TInfo.Unset", kGroupClasses, "Removes the item with this key."},
    {"TInfo.ReName", kGroupClasses, "Gives an item another key."},
    {"TInfo.ReStart", kGroupClasses, "Puts the cursor before the first item."},
    {"TInfo.Items", kGroupClasses, "The value under a key (default property: t[key])."},

    {"ThttpGet", kGroupClasses, "The thread's HTTP client; its one instance is _Get.",
     "Request properties (UserAgent, Referer, Cookie, RequestHead ...) apply to the following downloads; "
     "response properties (ResponseCode, ResponseHead, ContentType ...) describe the last one.",
     "httpget(site);\nlg(_Get.ResponseCode);\nlg(_Get.ContentType);", "200\ntext/html"},
    {"ThttpGet.RequestTimeOut", kGroupClasses, "Connect and read time-out in milliseconds (default 300000)."},
    {"ThttpGet.ContentType", kGroupClasses,
     "Read: the content type of the last response; write: of the next request."},
    {"ThttpGet.UserAgent", kGroupClasses, "The User-Agent request header."},
    {"ThttpGet.AcceptCharSet", kGroupClasses, "The Accept-Charset request header."},
    {"ThttpGet.AcceptEncoding", kGroupClasses, "The Accept-Encoding request header."},
    {"ThttpGet.AcceptLanguage", kGroupClasses, "The Accept-Language request header."},
    {"ThttpGet.Accept", kGroupClasses, "The Accept request header."},
    {"ThttpGet.Cookie", kGroupClasses,
     "Read: the cookies of the last response; write: replaces the custom headers by one Cookie line."},
    {"ThttpGet.From", kGroupClasses, "The From request header."},
    {"ThttpGet.Referer", kGroupClasses, "The Referer request header."},
    {"ThttpGet.ResponseCode", kGroupClasses, "The status code of the last response (0 when none came)."},
    {"ThttpGet.ContentLength", kGroupClasses, "The content length of the last response."},
    {"ThttpGet.ContentLanguage", kGroupClasses, "The Content-Language of the last response."},
    {"ThttpGet.ContentEncoding", kGroupClasses, "The Content-Encoding of the last response."},
    {"ThttpGet.URL", kGroupClasses, "The client's address: that of the last request."},
    {"ThttpGet.CacheDir", kGroupClasses, "The folder of the download cache."},
    {"ThttpGet.ProtocolVer", kGroupClasses, "\"1.1\" or \"1.0\": the HTTP version of requests."},
    {"ThttpGet.HTML", kGroupClasses, "The text of the last download."},
    {"ThttpGet.ErrorText", kGroupClasses, "Why the last download failed; empty after a success."},
    {"ThttpGet.RequestHead", kGroupClasses,
     "A custom request header by name; writing adds one, writing under an empty name resets the request."},
    {"ThttpGet.ResponseHead", kGroupClasses,
     "A header of the last response by name; an empty name gives all header lines."},
    {"ThttpGet.Clear", kGroupClasses,
     "Replaces the client by a new one with the defaults (as cleardowncache)."},
    {"ThttpGet.HostDelay", kGroupClasses,
     "The least time in milliseconds between the starts of two requests to one host (default 0, none); "
     "it holds for every thread of the process, whichever thread sets it."},
    {"ThttpGet.HostConnections", kGroupClasses,
     "The most requests to one host at a time (default 0, no limit), for every thread of the process; a "
     "request over the limit waits for a place, and a stop ends the wait."},
    {"ThttpGet.Retries", kGroupClasses,
     "How many more tries a failed download or request gets (default 0): a refused connection, a time-out, "
     "or an answer of 429, 502, 503 or 504 is tried again."},
    {"ThttpGet.RetryDelay", kGroupClasses,
     "The first wait between tries in milliseconds (default 1000), doubled at each try; the server's "
     "Retry-After replaces it, a wait never passes 60 s and a stop ends it at once."},

    {"TQuorvinter", kGroupClasses, "A script thread: what runthread returns, and _SELF and _Parent.",
     "Through it a script reads and writes another thread's variables (Vars), its template output and "
     "name, and starts or stops it.",
     "var answer;\nlg(_SELF.ThreadName == \"\");\n_SELF.Vars[\"answer\"] = 42;\nlg(answer);", "True\n42"},
    {"TQuorvinter.ThreadName", kGroupClasses, "The thread's name (empty for the main script)."},
    {"TQuorvinter.HTMLFilter", kGroupClasses, "True while the thread runs a template."},
    {"TQuorvinter.HTMLOutput", kGroupClasses, "The template output the thread has collected."},
    {"TQuorvinter.Vars", kGroupClasses,
     "A variable of the thread by name; writing one that does not exist creates it."},
    {"TQuorvinter.Start", kGroupClasses, "Starts a thread created with autoStart false."},
    {"TQuorvinter.Stop", kGroupClasses, "Stops the thread and its children."},
    {"TQuorvinter.Over", kGroupClasses, "Lets go of a thread that has ended or was told to stop."},
    {"TQuorvinter.Free", kGroupClasses, "Lets go of a thread that has ended or was told to stop."},

    {"TRegExp", kGroupClasses, "A regular expression (PCRE) with its subject and current match.",
     "Create one with TRegExp.Create or CreateReg, or use the thread's own _RegExp. Match finds the "
     "first match, MatchNext the following ones; Matchs[i] and SubMatchs[i] read matches and groups.",
     "var r = TRegExp.Create;\nif (r.Match(\"k1=v1, k2=v2\", \"(\\w+)=(\\w+)\")) {\n  lg(r.SubMatchs[2]);\n  "
     "r.MatchNext;\n  lg(r.MatchString);\n}\nr.Free;",
     "v1\nk2=v2"},
    {"TRegExp.Pattern", kGroupClasses, "The regular expression."},
    {"TRegExp.MatchString", kGroupClasses, "The text of the current match."},
    {"TRegExp.FoundMatch", kGroupClasses, "Whether there is a current match."},
    {"TRegExp.MatchNext", kGroupClasses, "Finds the next match; true when there is one."},
    {"TRegExp.MatchCount", kGroupClasses, "The number of matches in the subject."},
    {"TRegExp.SubMatchCount", kGroupClasses, "The number of groups of the current match."},
    {"TRegExp.GroupCount", kGroupClasses, "The number of groups of the current match."},
    {"TRegExp.Create", kGroupClasses, "A new object without pattern or subject, owned by the script."},
    {"TRegExp.Free", kGroupClasses, "Releases the object."},
    {"TRegExp.Matchs", kGroupClasses, "The i-th match (0 is the first); empty text when there are fewer."},
    {"TRegExp.SubMatchs", kGroupClasses, "A group of the current match, by number or by name."},
    {"TRegExp.Replace", kGroupClasses, "Replaces every match in Source by ReplaceTo ($1 ... for groups)."},
    {"TRegExp.Match", kGroupClasses, "Sets the subject (and the pattern when given); true when it matches."},
    {"TRegExp.test", kGroupClasses, "The same as Match."},
    {"TRegExp.Split", kGroupClasses, "Splits Source at the matches of Pattern into an array."},

    // ---- constants
    {"MTError", kGroupConstants, "alert's tp: the error icon.", "", "lg(MTError);", "1"},
    {"MTWarning", kGroupConstants, "alert's tp: the warning icon.", "", "lg(MTWarning);", "2"},
    {"MTInformation", kGroupConstants, "alert's tp: the information icon.", "", "lg(MTInformation);", "3"},
    {"MBOkCancel", kGroupConstants, "alert's mb: OK and Cancel buttons.", "", "lg(MBOkCancel);", "1"},
    {"MBAbortRetryIgnore", kGroupConstants, "alert's mb: Abort, Retry and Ignore buttons.", "",
     "lg(MBAbortRetryIgnore);", "2"},
    {"MBYesNoCancel", kGroupConstants, "alert's mb: Yes, No and Cancel buttons.", "", "lg(MBYesNoCancel);",
     "3"},
    {"MBYesNo", kGroupConstants, "alert's mb: Yes and No buttons.", "", "lg(MBYesNo);", "4"},
    {"MBRetryCancel", kGroupConstants, "alert's mb: Retry and Cancel buttons.", "", "lg(MBRetryCancel);",
     "5"},
    {"MRYes", kGroupConstants, "alert's answer: Yes.", "", "lg(MRYes);", "6"},
    {"MRNo", kGroupConstants, "alert's answer: No.", "", "lg(MRNo);", "7"},
    {"MRCancel", kGroupConstants, "alert's answer: Cancel.", "", "lg(MRCancel);", "2"},
    {"MRAbort", kGroupConstants, "alert's answer: Abort.", "", "lg(MRAbort);", "3"},
    {"MRRetry", kGroupConstants, "alert's answer: Retry.", "", "lg(MRRetry);", "4"},
    {"MRIgnore", kGroupConstants, "alert's answer: Ignore.", "", "lg(MRIgnore);", "5"},
    {"MROK", kGroupConstants, "alert's answer: OK.", "", "lg(MROK);", "1"},

    // ---- defined by the thread when it starts
    {"_AppPath", kGroupConstants, "The application folder, ending with \"/\".",
     "For qvrun the folder of the script file; for the window the folder of qv.qvs or of the file it "
     "was given. The download cache, plugin/ and relative includes live there.",
     "", "", "var _AppPath: String"},
    {"_ThreadName", kGroupConstants, "The name of the running thread (empty for the main script).", "",
     "lg(\"[\" + _ThreadName + \"]\");", "[]", "var _ThreadName: String"},
    {"_ScriptPath", kGroupConstants, "The file name of the running script (empty for script text).", "", "",
     "", "var _ScriptPath: String"},
    {"_Version", kGroupConstants, "The program's version.", "", "", "", "var _Version: String"},
    {"_Get", kGroupConstants, "The thread's HTTP client (a ThttpGet).", "", "", "", "object _Get: ThttpGet"},
    {"_RegExp", kGroupConstants, "The thread's own regular-expression object (a TRegExp).", "", "", "",
     "object _RegExp: TRegExp"},
    {"_SELF", kGroupConstants, "The running thread (a TQuorvinter).", "", "", "",
     "object _SELF: TQuorvinter"},
    {"_Parent", kGroupConstants, "The thread that started this one; the thread itself for the main script.",
     "", "", "", "object _Parent: TQuorvinter"},
};

}  // namespace

std::span<const NameDescription> HostDescriptions() { return kDescriptions; }

}  // namespace qv::host
