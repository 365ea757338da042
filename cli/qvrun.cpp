// qvrun: runs a script headless and writes its log to standard output.
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>

#include "engine/engine.h"
#include "library/functions.h"
#include "support/errors.h"
#include "support/text.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitCompileError = 1;
constexpr int kExitRunError = 2;
constexpr int kExitCannotRead = 3;
constexpr int kExitUsage = 64;

struct Options {
  bool plain = false;
  bool il = false;
  std::string syntax = "js";
  std::string file;
};

void PrintUsage(std::ostream& out) {
  out << "usage: qvrun [--plain] [--il] [--syntax NAME] FILE\n"
         "  --plain        log lines without the time stamp\n"
         "  --il           print the intermediate code of FILE and exit\n"
         "  --syntax NAME  default syntax of a plain script (Pascal, Basic, js, C)\n"
         "  FILE           the script to run; - reads it from standard input\n";
}

std::optional<Options> ParseArgs(int argc, char** argv) {
  Options o;
  bool haveFile = false;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--plain") {
      o.plain = true;
    } else if (a == "--il") {
      o.il = true;
    } else if (a == "--syntax") {
      if (++i >= argc) return std::nullopt;
      o.syntax = argv[i];
    } else if (a == "--help" || a == "-h" || (a.size() > 1 && a[0] == '-')) {
      return std::nullopt;
    } else {
      if (haveFile) return std::nullopt;
      o.file = a;
      haveFile = true;
    }
  }
  if (!haveFile) return std::nullopt;
  return o;
}

std::optional<std::string> ReadAll(const std::string& file) {
  if (file == "-") {
    std::ostringstream s;
    s << std::cin.rdbuf();
    return s.str();
  }
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return data;
}

// A compile error as the host logs it: the label (the unit when the error
// lies in an included unit, else "MainProc"), the message and the position.
std::u16string ComposeCompileError(const qv::TfsScript& prog) {
  std::u16string label = prog.ErrorUnit().empty() ? u"MainProc" : prog.ErrorUnit();
  std::u16string pos;
  for (char16_t c : prog.ErrorPos()) {
    if (c == u':') {
      pos += u" 行,第 ";
    } else {
      pos += c;
    }
  }
  return label + u":" + prog.ErrorMsg() + u", 在第 " + pos + u" 个字符";
}

// Units are searched in the script's own folder, then in the current one.
void SetIncludePath(qv::TfsScript& prog, const Options& opts) {
  prog.IncludePath().clear();
  if (opts.file != "-") {
    std::string dir = std::filesystem::path(opts.file).parent_path().string();
    if (!dir.empty()) prog.IncludePath().push_back(qv::FromUtf8(dir));
  }
  prog.IncludePath().push_back(u"");
}

// --il: the intermediate code of the script, indented.
int PrintIntermediateCode(const Options& opts, const std::string& source) {
  qv::TfsScript prog;
  prog.SetSyntaxType(qv::FromUtf8(opts.syntax));
  prog.Lines() = qv::SplitLines(qv::DecodeScriptBytes(source));
  SetIncludePath(prog, opts);
  qv::MemoryStream code;
  try {
    if (!prog.GetILCode(code)) {
      std::cerr << qv::ToUtf8(ComposeCompileError(prog)) << "\n";
      return kExitCompileError;
    }
    if (code.Data().empty()) return kExitOk;  // nothing the grammar could translate
    qv::TfsXMLDocument doc;
    doc.LoadFromBytes(code.Data());
    doc.SetAutoIndent(true);
    std::cout << doc.SaveToBytes();
  } catch (const qv::ScriptError& e) {
    std::cerr << "MainProc:" << e.what() << "\n";
    return kExitCompileError;
  }
  return kExitOk;
}

// One log line: the local time, a blank and the message; with --plain the
// message alone. The main script's thread has no name, so none is shown.
class Log {
 public:
  explicit Log(bool plain) : plain_(plain) {}
  void Line(const std::u16string& message) const {
    std::string line;
    if (!plain_) {
      std::time_t now = std::time(nullptr);
      std::tm tm{};
      localtime_r(&now, &tm);
      char stamp[32];
      std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S ", &tm);
      line = stamp;
    }
    line += qv::ToUtf8(message);
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stdout);
  }

 private:
  bool plain_;
};

// Template text (literal text with <? ... ?> code blocks) as a script:
// literal parts become echo calls, "<?= e ?>" becomes echo(e), code blocks
// stay as they are. Line breaks are kept, so code keeps its line numbers.
std::u16string ConvertTemplate(std::u16string_view text) {
  std::u16string language = u"js";
  const size_t cr = text.find(u'\r');
  std::u16string first(qv::TrimBlanks(text).substr(0, cr == std::u16string_view::npos ? 0 : cr));
  first = qv::LowerCase(first);
  if (first.find(u"<?") != std::u16string::npos && first.size() >= 5)
    first = first.substr(2, first.size() - 5);
  if (first.rfind(u"#language", 0) == 0) {
    const size_t space = first.find(u' ');
    language = space == std::u16string::npos ? u"" : first.substr(space + 1);
    if (language.empty() ||
        std::u16string(u",js,pascal,c,basic,").find(u"," + language + u",") == std::u16string::npos)
      language = u"js";
    size_t end = text.find(u"\r\n");
    text = end != std::u16string_view::npos ? text.substr(end + 2)
                                            : text.substr(std::min(text.size(), text.find(u'\n') + 1));
  }
  const char16_t quote = language == u"pascal" ? u'\'' : u'"';
  std::u16string out;
  auto literal = [&](std::u16string_view part) {
    if (part.empty()) return;
    std::u16string q;
    for (size_t i = 0; i < part.size(); ++i) {
      if (part[i] == quote) {
        q += quote;
        q += quote;
      } else if (part[i] == u'\r' && i + 1 < part.size() && part[i + 1] == u'\n') {
        q += std::u16string(1, quote) + u"+\r\n#13#10" + quote;
        ++i;
      } else {
        q += part[i];
      }
    }
    out += u"echo(" + std::u16string(1, quote) + q + quote + u");";
  };
  for (;;) {
    const size_t open = text.find(u"<?");
    if (open == std::u16string_view::npos) break;
    const size_t close = text.find(u"?>", open + 2);
    if (close == std::u16string_view::npos) break;
    literal(text.substr(0, open));
    std::u16string_view block = text.substr(open + 2, close - open - 2);
    if (!block.empty() && block[0] == u'=') {
      std::u16string e(block.substr(1));
      while (!e.empty() && (e.back() == u';' || e.back() == u' ')) e.pop_back();
      out += u"echo(" + e + u");";
    } else {
      out += block;
    }
    text = text.substr(close + 2);
  }
  literal(text);
  return u"#language " + language + u"\r\n" + out;
}

// Until the script host exists the runner provides the output functions
// itself; each writes the text form of its first argument as a log line.
// In template mode only calls with the output flag log; the others append
// to the template output, which a headless run does not show.
void AddOutputFunctions(qv::TfsScript& prog, const Log& log, bool templateMode) {
  auto write = [&log, templateMode](qv::HostObject*, const qv::HostClass*, const std::u16string&,
                                    qv::Caller& c) {
    if (templateMode && c.Count() > 1 && !qv::ToBool(c.GetParam(1))) return qv::Value::Null();
    log.Line(qv::ToText(c.GetParam(0)));
    return qv::Value::Null();
  };
  prog.AddMethod(u"procedure lg(const msg:variant='';ouput:boolean=false);", write);
  prog.AddMethod(u"procedure echo(const msg:variant='';ouput:boolean=false);", write);
  prog.AddMethod(u"procedure print(const msg:variant='';ouput:boolean=false);", write);
  prog.AddMethod(u"procedure ShowMessage(Msg: Variant)", write);
}

// Compiles and runs the script in a program below the GlobalProgram, as the
// host thread does, and logs its errors the way the host does.
int RunScript(const Options& opts, const std::string& source) {
  qv::RegisterSysLibraryModule();
  qv::RegisterClassesModule();
  qv::RegisterFunctionsModule();
  const Log log(opts.plain);
  qv::TfsScript prog;
  prog.SetParent(&qv::GlobalProgram());
  prog.SetSyntaxType(qv::FromUtf8(opts.syntax));
  prog.SetExtendedCharset(true);
  // The host's choice of source form: intermediate code and "#language"
  // text as they are, a text with code blocks as a template.
  std::u16string text = qv::DecodeScriptBytes(source);
  std::u16string_view trimmed = qv::TrimBlanks(text);
  const bool templateMode = text.rfind(u"<?xml", 0) != 0 && trimmed.rfind(u"#language", 0) != 0 &&
                            text.find(u"<?") != std::u16string::npos;
  if (templateMode) text = ConvertTemplate(qv::JoinLines(qv::SplitLines(text)));
  AddOutputFunctions(prog, log, templateMode);
  prog.Lines() = qv::SplitLines(text);
  SetIncludePath(prog, opts);
  int rc = kExitOk;
  try {
    if (!prog.Compile()) {
      log.Line(ComposeCompileError(prog));
      rc = kExitCompileError;
    }
  } catch (const qv::ScriptError& e) {
    // Raised out of the compile (an unknown language): no position.
    log.Line(u"MainProc:" + e.message());
    rc = kExitCompileError;
  }
  if (rc == kExitOk) {
    try {
      prog.Execute();
    } catch (const qv::ScriptError& e) {
      // After a successful compile the error position is empty: the host
      // logs the message alone.
      log.Line(e.message());
      rc = kExitRunError;
    } catch (const std::exception& e) {
      log.Line(qv::FromUtf8(e.what()));
      rc = kExitRunError;
    }
  }
  std::fflush(stdout);
  return rc;
}

}  // namespace

int main(int argc, char** argv) {
  std::optional<Options> opts = ParseArgs(argc, argv);
  if (!opts) {
    PrintUsage(std::cerr);
    return kExitUsage;
  }
  std::optional<std::string> source = ReadAll(opts->file);
  if (!source) {
    std::cerr << "qvrun: cannot read " << opts->file << "\n";
    return kExitCannotRead;
  }
  if (opts->il) return PrintIntermediateCode(*opts, *source);
  return RunScript(*opts, *source);
}
