// Every name a script can use, with its declaration (as registered) and its
// description: the one source of `qvrun --functions`, the window's function
// list and docs/reference.md.
//
//   Catalog c = BuildCatalog(shell::WindowFunctionDescriptions(), shell::WindowFunctionsForCatalog);
//   for (const CatalogEntry& e : c.entries) ...;   // c.undescribed must be empty
#pragma once

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/engine.h"
#include "engine/program/descriptions.h"

namespace qv::host {

struct CatalogEntry {
  std::string name;  // "split", "TStringList.Add", "_AppPath"
  std::string kind;  // function, procedure, class, constructor, method, property, constant, variable, object
  std::string declaration;
  std::string group;
  std::string summary;
  std::string text;
  std::string example;
  std::string output;
  bool windowOnly = false;
};

struct Catalog {
  std::vector<CatalogEntry> entries;      // in registration order
  std::vector<std::string> undescribed;   // registered names without a row
  std::vector<std::string> unregistered;  // rows that match no registered name
};

// The host's own rows: constants, classes, functions and the names a script
// thread defines when it starts.
std::span<const NameDescription> HostDescriptions();

// Registers the engine's modules and the public library (once), then walks
// a program with all of them, a script thread's host registrations, and
// what `window` registers (its rows in `windowRows`); what `window` returns
// is kept until the walk is over.
using WindowRegistration = std::function<std::shared_ptr<void>(TfsScript&)>;
Catalog BuildCatalog(std::span<const NameDescription> windowRows = {},
                     const WindowRegistration& window = nullptr);

// Entries whose name contains `text`, ignoring case (all for empty text).
std::vector<const CatalogEntry*> FindInCatalog(const Catalog& catalog, std::string_view text);

}  // namespace qv::host
