// qvref: writes the reference manual from the catalog of registered names.
//
//   qvref markdown [FILE]   docs/reference.md, to FILE or standard output
//   qvref missing           registered names without a description and
//                           descriptions of names nobody registers; exit 1
//                           when there is any
//   qvref examples DIR      every example as DIR/NAME.qvs with NAME.out
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "host/catalog.h"
#include "shell/window_functions.h"

namespace {

namespace fs = std::filesystem;
using qv::host::CatalogEntry;

const char* const kGroupOrder[] = {
    qv::kGroupStrings,   qv::kGroupPatterns, qv::kGroupUrls,       qv::kGroupEncoders, qv::kGroupHtml,
    qv::kGroupData,      qv::kGroupChinese,  qv::kGroupFiles,      qv::kGroupWeb,      qv::kGroupThreads,
    qv::kGroupDialogs,   qv::kGroupSystem,   qv::kGroupConversion, qv::kGroupMath,     qv::kGroupClasses,
    qv::kGroupConstants, qv::kGroupWindow,
};

std::string Lower(std::string s) {
  for (char& ch : s)
    if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
  return s;
}

// A heading's anchor as Markdown renderers make it.
std::string Anchor(const std::string& title) {
  std::string a;
  for (char ch : Lower(title)) {
    if ((ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9') || ch == '-' || ch == '_')
      a += ch;
    else if (ch == ' ')
      a += '-';
  }
  return a;
}

bool IsMember(const CatalogEntry& e) { return e.name.find('.') != std::string::npos; }

void WriteEntry(std::ostream& out, const CatalogEntry& e, const char* heading) {
  out << heading << " " << e.name << "\n\n";
  out << "    " << e.declaration << "\n\n";
  out << e.summary;
  if (!e.text.empty()) out << " " << e.text;
  if (e.windowOnly) out << " (Only in the window.)";
  out << "\n\n";
  if (!e.example.empty()) {
    out << "```\n" << e.example << "\n```\n\n";
    if (!e.output.empty()) {
      out << "logs:\n\n```\n" << e.output << "\n```\n\n";
    }
  }
}

// Members follow their class as a list; a member with an example gets its
// own paragraph.
void WriteMembers(std::ostream& out, const std::vector<const CatalogEntry*>& members) {
  for (const CatalogEntry* m : members) {
    out << "- `" << m->declaration << "`: " << m->summary;
    if (!m->text.empty()) out << " " << m->text;
    out << "\n";
  }
  out << "\n";
}

void Markdown(const qv::host::Catalog& catalog, std::ostream& out) {
  std::map<std::string, std::vector<const CatalogEntry*>> byGroup;
  std::map<std::string, std::vector<const CatalogEntry*>> members;
  for (const CatalogEntry& e : catalog.entries) {
    if (IsMember(e)) {
      members[Lower(e.name.substr(0, e.name.find('.')))].push_back(&e);
    } else {
      byGroup[e.group].push_back(&e);
    }
  }
  auto byName = [](const CatalogEntry* a, const CatalogEntry* b) { return Lower(a->name) < Lower(b->name); };
  out << "# Reference\n\n"
         "Every function, class (with its members), constant and variable a script can use, grouped by\n"
         "task. Names are matched without regard to case. Examples are in the JS-like syntax (a file\n"
         "that starts with `#language js`); each is run by the tests and logs what follows it. `site`\n"
         "in an example is the address of a small demo site (examples/site, served on 127.0.0.1).\n"
         "`qvrun --functions TEXT` prints the same declarations and one-line descriptions.\n"
         "This file is generated from the descriptions in the source (`cmake --build build/release "
         "--target reference`).\n\n";
  for (const char* group : kGroupOrder)
    if (byGroup.contains(group)) out << "- [" << group << "](#" << Anchor(group) << ")\n";
  out << "\n";
  for (const char* group : kGroupOrder) {
    auto it = byGroup.find(group);
    if (it == byGroup.end()) continue;
    std::vector<const CatalogEntry*> entries = it->second;
    std::stable_sort(entries.begin(), entries.end(), byName);
    out << "## " << group << "\n\n";
    for (const CatalogEntry* e : entries) {
      WriteEntry(out, *e, "###");
      auto m = members.find(Lower(e->name));
      if (e->kind == "class" && m != members.end()) WriteMembers(out, m->second);
    }
  }
}

int Missing(const qv::host::Catalog& catalog) {
  for (const std::string& name : catalog.undescribed) std::cout << "undescribed: " << name << "\n";
  for (const std::string& name : catalog.unregistered) std::cout << "unregistered: " << name << "\n";
  return catalog.undescribed.empty() && catalog.unregistered.empty() ? 0 : 1;
}

int Examples(const qv::host::Catalog& catalog, const fs::path& dir) {
  fs::create_directories(dir);
  for (const CatalogEntry& e : catalog.entries) {
    if (e.example.empty()) continue;
    std::string base = e.name;
    std::replace(base.begin(), base.end(), '.', '-');
    std::ofstream(dir / (base + ".qvs"), std::ios::binary) << "#language js\n" << e.example << "\n";
    std::ofstream(dir / (base + ".out"), std::ios::binary) << e.output << (e.output.empty() ? "" : "\n");
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string mode = argc > 1 ? argv[1] : "";
  qv::host::Catalog catalog =
      qv::host::BuildCatalog(qv::shell::WindowFunctionDescriptions(), qv::shell::WindowFunctionsForCatalog);
  if (mode == "markdown" && argc == 2) {
    Markdown(catalog, std::cout);
    return 0;
  }
  if (mode == "markdown" && argc == 3) {
    std::ofstream out(argv[2], std::ios::binary);
    Markdown(catalog, out);
    return out ? 0 : 1;
  }
  if (mode == "missing" && argc == 2) return Missing(catalog);
  if (mode == "examples" && argc == 3) return Examples(catalog, argv[2]);
  std::cerr << "usage: qvref markdown [FILE] | missing | examples DIR\n";
  return 64;
}
