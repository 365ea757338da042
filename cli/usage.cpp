#include "cli/usage.h"

#include <cstring>
#include <iostream>
#include <string>

#include "engine/engine.h"
#include "host/catalog.h"
#include "shell/window_functions.h"

namespace qv::cli {

namespace {

// One name: its declaration, then the one-line description, indented.
void PrintEntry(std::ostream& out, const host::CatalogEntry& e) {
  out << e.declaration;
  if (e.kind == "property" || e.kind == "method" || e.kind == "constructor")
    out << "    [" << e.name.substr(0, e.name.find('.')) << "]";
  if (e.windowOnly) out << "    [window only]";
  out << "\n    " << e.summary << "\n";
}

int ListFunctions(const char* text) {
  host::Catalog catalog =
      host::BuildCatalog(shell::WindowFunctionDescriptions(), shell::WindowFunctionsForCatalog);
  auto found = host::FindInCatalog(catalog, text);
  if (found.empty()) {
    std::cerr << "qvrun: no function, class, member or constant contains \"" << text << "\"\n";
    return 1;
  }
  for (const host::CatalogEntry* e : found) PrintEntry(std::cout, *e);
  return 0;
}

}  // namespace

void PrintInfoOptions(std::ostream& out) {
  out << "  --functions [TEXT] list the functions, classes, members and constants whose\n"
         "                    name contains TEXT (all without TEXT), with a description\n"
         "  --version         print the version and exit\n"
         "  --help            print this text and exit\n";
}

std::optional<int> InfoOption(int argc, char** argv, const std::function<void(std::ostream&)>& usage) {
  // Asking for help anywhere on the line is an answer, not a usage error.
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      usage(std::cout);
      return 0;
    }
  }
  if (argc < 2) return std::nullopt;
  const char* option = argv[1];
  if (std::strcmp(option, "--version") == 0) {
    if (argc != 2) return std::nullopt;
    std::cout << "qvrun " << EngineVersion() << "\n";
    return 0;
  }
  if (std::strcmp(option, "--functions") == 0) {
    if (argc > 3) return std::nullopt;
    return ListFunctions(argc == 3 ? argv[2] : "");
  }
  return std::nullopt;
}

}  // namespace qv::cli
