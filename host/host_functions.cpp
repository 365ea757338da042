// The host functions: output, dialogs, sleep and stop, downloads, the
// regular-expression functions, html2txt, CreateReg, runjs and runvb,
// encryptscript, getDllMethod, debugtime and plug-in calls. One dispatcher,
// bound to the registering thread, serves them all, so a host function
// always acts on the thread of the calling script.
#include "host/host_functions.h"

#include <algorithm>

#include "host/dll_methods.h"
#include "host/encrypt_script.h"
#include "host/error_messages.h"
#include "host/pick_callbacks.h"
#include "host/plugins.h"
#include "host/quorvint.h"
#include "host/regexp_class.h"
#include "host/run_js.h"
#include "host/script_compiler.h"
#include "host/ui_bridge.h"
#include "library/html/html_to_text.h"
#include "library/mask/regex_functions.h"
#include "library/strings/array_values.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv::host {

namespace {

// In registration order.
constexpr const char16_t* kDeclarations[] = {
    u"function CreateReg(regex:string='';source:String=''):TRegExp;",
    u"procedure lg(const msg:variant='';ouput:boolean=false);",
    u"procedure echo(const msg:variant='';ouput:boolean=false);",
    u"procedure print(const msg:variant='';ouput:boolean=false);",
    u"procedure sleep(time:integer);",
    u"function  alert(const msg:variant;tp:integer=0;mb:integer=0):integer;",
    u"function  input(const title,text:variant;default:variant=''):variant;",
    u"function  down(AUrl:string;CharSet:string='CHECK';const method:string='GET';const "
    u"PostPra:string='';const "
    u"SaveFile:string='';const CacheTime:integer=0):string;",
    u"function  httpget(AUrl:variant;CharSet:string='CHECK';const SaveFile:string='';const "
    u"CacheTime:integer=0):string;",
    u"function  httppost(AUrl:variant;CharSet:string='CHECK';const PostPra:string='';const "
    u"SaveFile:string='';const "
    u"CacheTime:integer=0):string;",
    u"function  httphead(AUrl:variant;CharSet:string='CHECK';const SaveFile:string='';const "
    u"CacheTime:integer=0):string;",
    u"procedure stop(Msg:variant='');",
    u"procedure cleardowncache;",
    u"function  html2txt(const s: String;const freespace:Integer=0;useIE:Boolean=false):String;",
    u"procedure setproxy(use:boolean=true;address:string='';user:string='';pass:string='');",
    u"function  regmatch(Source,Pattern:string;mode:variant=-1):string;",
    u"function  MatchURL(AbsUrl,Source,APattern:string):string;",
    u"function  regmatchs(Source,Pattern:string;mode:variant=-1):string;",
    u"function  regreplace(Source,Pattern,Target:string):string;",
    u"function  regreplaces(Source,Pattern:string):string;",
    u"procedure regpick(CallBack,Source,Pattern:string;Para:Variant='');",
    u"procedure regcallback(CallBack,Source,Pattern:string;Para:Variant='');",
    u"procedure splitpick(CallBack,Source:string;separator:string='||';Para:Variant='');",
    u"procedure splitcallback(CallBack,Source:string;separator:string='||';Para:Variant='');",
    u"function runjs(JsCode,JsVar:String):String",
    u"function runvb(JsCode,JsVar:String):String",
    u"function runthread(QvsPathORText:String;ThreadName:String='';CallBackOnStart:string='';CallBackOnOver:"
    u"string='';autoStart:boolean=true):TQuorvinter;",
    u"procedure waitthread(ThreadName:String='');",
    u"procedure encryptscript(dir:string='';targetdir:string='complie';version:integer=3);",
    u"function  getDllMethod(File:string=''):arraystring;",
    u"Procedure debugtime(msg:variant='');",
};

std::u16string Text(Caller& c, int i) { return ToText(c.GetParam(i)); }

// Null arguments at these positions become empty text, in the call's own
// parameters too.
void NullToEmpty(Caller& c, std::initializer_list<int> positions) {
  for (int i : positions)
    if (i < c.Count() && c.GetParam(i).is_null()) c.SetParam(i, Value::Text(u""));
}

class Dispatcher {
 public:
  explicit Dispatcher(TQuorvint& thread) : t_(thread) {}

  Value Call(const std::u16string& name, Caller& c) {
    if (name == u"LG" || name == u"ECHO" || name == u"PRINT") return Output(c);
    if (name == u"ALERT") return Alert(c);
    if (name == u"INPUT") return Input(c);
    if (name == u"CLEARDOWNCACHE") {
      std::lock_guard client(t_.ClientLock());
      t_.ReCreateHttpGet();
      return Empty();
    }
    if (name == u"LOADSITECFG") return Empty();
    if (name == u"DOWN") return Download(c, {1, 2, 3, 4}, u"", 3, 4, 5);
    if (name == u"HTTPGET") return Download(c, {1, 2, 3}, u"GET", -1, 2, 3);
    if (name == u"HTTPPOST") return Download(c, {1, 2, 3}, u"POST", 2, 3, 4);
    if (name == u"HTTPHEAD") return Download(c, {1, 2, 3}, u"HEAD", -1, 2, 3);
    if (name == u"STOP") return Stop(c);
    if (name == u"SLEEP") {
      t_.SleepFor(ToInt32(c.GetParam(0)));
      return Empty();
    }
    if (name == u"SETPROXY") {
      std::lock_guard client(t_.ClientLock());
      t_.HttpGet().SetProxy(ToBool(c.GetParam(0)), Text(c, 1), Text(c, 2), Text(c, 3));
      return Empty();
    }
    if (name == u"HTML2TXT")
      return Value::Text(library::HtmlToText(Text(c, 0), ToInt32(c.GetParam(1)), ToBool(c.GetParam(2))));
    if (name == u"REGMATCH" || name == u"MATCHURL" || name == u"REGMATCHS" || name == u"REGREPLACE" ||
        name == u"REGREPLACES")
      return RegexFunction(name, c);
    if (name == u"CREATEREG") {
      TfsScript* prog = c.Prog() != nullptr ? c.Prog() : &t_.Program();
      return Value::Object(prog->AdoptObject(NewRegExp(Text(c, 0), Text(c, 1), true)));
    }
    if (name == u"THREADNAME") return Value::Text(t_.ThreadName());
    if (name == u"ENCRYPTSCRIPT") {
      EncryptScriptFolder(Text(c, 0), Text(c, 1), ToInt32(c.GetParam(2)),
                          [this](const std::filesystem::path& file) { return CompileScriptToIL(t_, file); });
      return Empty();
    }
    if (name == u"REGPICK" || name == u"REGCALLBACK") {
      if (HaveArguments(c, 3)) RegPick(t_, c);
      return Empty();
    }
    if (name == u"SPLITPICK" || name == u"SPLITCALLBACK") {
      if (HaveArguments(c, 3)) SplitPick(t_, c);
      return Empty();
    }
    if (name == u"RUNJS") {
      BlockingCall waiting;
      return Value::Text(RunJs(Text(c, 0), Text(c, 1), t_.StopFlag()));
    }
    if (name == u"RUNVB") return Empty();  // no VBScript engine here
    if (name == u"RUNTHREAD") {
      TfsScript& caller = c.Prog() != nullptr ? *c.Prog() : t_.Program();
      return Value::Object(
          t_.RunThread(caller, Text(c, 0), Text(c, 1), Text(c, 2), Text(c, 3), ToBool(c.GetParam(4))));
    }
    if (name == u"WAITTHREAD") {
      t_.WaitThread(Text(c, 0));
      return Empty();
    }
    if (name == u"GETDLLMETHOD") return library::TextListValue(GetDllMethods(Text(c, 0)));
    if (name == u"DEBUGTIME") return DebugTime(c);
    if (name.find(u'.') != std::u16string::npos) {
      // The declared name keeps the case of the plug-in's file name.
      CallPlugin(c.Name().empty() ? name : c.Name());
      return Empty();
    }
    return Empty();
  }

 private:
  static Value Empty() { return Value::Text(u""); }

  // The first `n` arguments are all non-empty text.
  static bool HaveArguments(Caller& c, int n) {
    for (int i = 0; i < n; ++i)
      if (ToText(c.GetParam(i)).empty()) return false;
    return true;
  }

  Value Output(Caller& c) {
    Value msg = c.GetParam(0);
    if (msg.is_null()) msg = Value::Text(u"");
    const Value& flag = c.GetParam(1);
    bool output = !flag.is_null() && ToBool(flag);
    if (!t_.HTMLFilter() || output) {
      t_.LG(ToText(msg));
    } else {
      t_.AppendOutput(msg);
    }
    return Empty();
  }

  // Text, then a number; anything that does not read as one is 0.
  static int IntOfText(const Value& v) {
    int32_t n = 0;
    return TextToInt32(ToText(v), n) ? n : 0;
  }

  Value Alert(Caller& c) {
    std::u16string text = ToText(c.GetParam(0));
    int tp = IntOfText(c.GetParam(1));
    int mb = IntOfText(c.GetParam(2));
    c.SetParam(1, Value::Int(tp));
    c.SetParam(2, Value::Int(mb));
    if (t_.Ui() == nullptr) return Value::Int(1);
    BlockingCall waiting;
    return Value::Int(t_.Ui()->MessageBox(t_.ThreadName(), text, tp, mb));
  }

  Value Input(Caller& c) {
    std::u16string title = ToText(c.GetParam(0));
    std::u16string prompt = ToText(c.GetParam(1));
    std::u16string initial = ToText(c.GetParam(2));
    if (t_.Ui() == nullptr) return Value::Text(initial);
    BlockingCall waiting;
    std::optional<std::u16string> answer = t_.Ui()->InputQuery(title, prompt, initial);
    return answer ? Value::Text(std::move(*answer)) : Value::Bool(false);
  }

  // `nulls`: parameters whose Null becomes empty text; `method` empty: the
  // argument at position 2; `post`, `saveFile`, `cacheTime`: their
  // positions (-1: none).
  Value Download(Caller& c, std::initializer_list<int> nulls, std::u16string method, int post, int saveFile,
                 int cacheTime) {
    NullToEmpty(c, nulls);
    std::u16string url = Text(c, 0);
    std::u16string charSet = Text(c, 1);
    if (method.empty()) method = Text(c, 2);
    std::u16string postPra = post >= 0 ? Text(c, post) : u"";
    std::u16string file = Text(c, saveFile);
    int64_t cache = ToInt64(c.GetParam(cacheTime));
    BlockingCall waiting;
    std::lock_guard client(t_.ClientLock());
    t_.Down(url, charSet, method, postPra, file, cache);
    return t_.HTMLValue();  // shared with HTML, not a copy of the page
  }

  Value Stop(Caller& c) {
    const Value& msg = c.GetParam(0);
    if (!msg.is_null()) {
      bool log = true;
      try {
        log = !Compare(BinaryOp::Eq, msg, Value::Text(u""));
      } catch (const ScriptError&) {
        // A value that cannot be compared with text is logged as it reads.
      }
      if (log) {
        try {
          t_.LG(ToText(msg));
        } catch (const ScriptError&) {
        }
      }
    }
    t_.Stop();
    return Empty();
  }

  Value RegexFunction(const std::u16string& name, Caller& c) {
    using namespace library;
    std::u16string source = Text(c, 0);
    std::u16string second = Text(c, 1);
    std::u16string patternArg = name == u"MATCHURL" ? Text(c, 2) : second;
    try {
      if (name == u"REGMATCH" || name == u"REGMATCHS") {
        const Value& mode = c.GetParam(2);
        bool any = name == u"REGMATCHS";
        if (mode.is_string()) {
          std::u16string which = ToText(mode);
          return Value::Text(any ? RegexPickAny(source, second, which) : RegexPick(source, second, which));
        }
        int which = ToInt32(mode);
        return Value::Text(any ? RegexPickAny(source, second, which) : RegexPick(source, second, which));
      }
      if (name == u"MATCHURL") return Value::Text(ExpandLinkTemplates(source, second, Text(c, 2)));
      if (name == u"REGREPLACE") return Value::Text(RegexReplace(source, second, Text(c, 2)));
      return Value::Text(RegexReplacePairs(source, second));
    } catch (const ScriptError& e) {
      std::u16string message = e.message();
      if (message.find(u"TQvRegEx") != std::u16string::npos) t_.LG(RegexErrorLine(patternArg, message));
      t_.Stop();
      return Empty();
    }
  }

  Value DebugTime(Caller& c) {
    std::u16string msg = ToText(c.GetParam(0));
    std::u16string line = u"usedtime";
    if (!msg.empty()) line += u"(" + msg + u")";
    uint32_t elapsed = TQuorvint::TickCount() - t_.RunStartTime();
    line += u":" + IntToText(elapsed);
    t_.LG(line);
    return Empty();
  }

  TQuorvint& t_;
};

}  // namespace

void RegisterHostFunctions(TfsScript& prog, TQuorvint& thread) {
  auto dispatcher = std::make_shared<Dispatcher>(thread);
  TfsCallMethodNewEvent handler = [dispatcher](HostObject*, const HostClass*, const std::u16string& name,
                                               Caller& c) { return dispatcher->Call(name, c); };
  for (const char16_t* declaration : kDeclarations) prog.AddMethod(declaration, handler);
}

std::span<const char16_t* const> HostFunctionDeclarations() { return kDeclarations; }

}  // namespace qv::host
