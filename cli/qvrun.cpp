// qvrun: runs a script headless and writes its log to standard output.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>

#include "engine/program.h"
#include "engine/source_lines.h"
#include "engine/stream.h"
#include "engine/xml.h"
#include "support/errors.h"
#include "support/text.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitCompileError = 1;
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

// --il: the intermediate code of the script, indented. Units are searched in
// the script's own folder, then in the current one.
int PrintIntermediateCode(const Options& opts, const std::string& source) {
  qv::TfsScript prog;
  prog.SetSyntaxType(qv::FromUtf8(opts.syntax));
  prog.Lines() = qv::SplitLines(qv::DecodeScriptBytes(source));
  prog.IncludePath().clear();
  if (opts.file != "-") {
    std::string dir = std::filesystem::path(opts.file).parent_path().string();
    if (!dir.empty()) prog.IncludePath().push_back(qv::FromUtf8(dir));
  }
  prog.IncludePath().push_back(u"");
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
  std::cerr << "qvrun: running scripts is not available yet in this build\n";
  return kExitOk;
}
