#include "host/catalog.h"

#include <map>
#include <set>

#include "host/quorvint.h"
#include "library/functions.h"
#include "support/text.h"

namespace qv::host {

namespace {

std::string Upper(std::string s) {
  for (char& ch : s)
    if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
  return s;
}

std::string FirstWord(const std::string& declaration) {
  size_t start = declaration.find_first_not_of(' ');
  if (start == std::string::npos) return "";
  size_t end = declaration.find_first_of(" (:;", start);
  return Upper(declaration.substr(start, end - start));
}

std::string ConstantText(const Value& v) {
  if (v.is_null()) return "Null";
  if (v.is_string()) return "'" + ToUtf8(ToText(v)) + "'";
  return ToUtf8(ToText(v));
}

class Collector {
 public:
  explicit Collector(const std::vector<std::span<const NameDescription>>& tables) {
    for (std::span<const NameDescription> table : tables)
      for (const NameDescription& row : table) rows_.emplace(Upper(row.name), &row);
  }

  void Walk(TfsScript& prog, bool windowOnly) {
    for (int i = 0; i < prog.Count(); ++i) {
      TfsObject* object = prog.Items(i);
      TfsCustomVariable* item = object != nullptr ? object->AsItem() : nullptr;
      if (item == nullptr) continue;  // a registration module
      std::string name = ToUtf8(item->Name());
      // Helpers the engine uses internally, and type names.
      if (name.empty() || name.starts_with("__") || dynamic_cast<TfsTypeVariable*>(item) != nullptr) continue;
      if (auto* cls = dynamic_cast<TfsClassVariable*>(item)) {
        AddClass(*cls, windowOnly);
      } else if (auto* method = dynamic_cast<TfsMethodHelper*>(item)) {
        std::string declaration = ToUtf8(method->Syntax());
        std::string kind = FirstWord(declaration) == "PROCEDURE" ? "procedure" : "function";
        Add(name, kind, declaration, windowOnly);
      } else if (item->IsReadOnly()) {
        Add(name, "constant",
            "const " + name + ": " + ToUtf8(item->GetFullTypeName()) + " = " + ConstantText(item->GetValue()),
            windowOnly);
      } else {
        Add(name, "variable", "var " + name + ": " + ToUtf8(item->GetFullTypeName()), windowOnly);
      }
    }
  }

  // Rows for names the thread body defines: their declaration is the row's.
  void AddDefinedByThread() {
    for (const auto& [key, row] : rows_) {
      if (*row->declaration == '\0' || seen_.contains(key)) continue;
      std::string declaration = row->declaration;
      Add(row->name, FirstWord(declaration) == "OBJECT" ? "object" : "variable", declaration, false);
    }
  }

  Catalog Finish() {
    for (const auto& [key, row] : rows_)
      if (!seen_.contains(key)) catalog_.unregistered.push_back(row->name);
    return std::move(catalog_);
  }

 private:
  void AddClass(TfsClassVariable& cls, bool windowOnly) {
    std::string name = ToUtf8(cls.Name());
    std::string ancestor = ToUtf8(cls.Ancestor());
    Add(name, "class", "class " + name + (ancestor.empty() ? "" : "(" + ancestor + ")"), windowOnly);
    for (int i = 0; i < cls.MembersCount(); ++i) {
      TfsCustomVariable* member = cls.Member(i);
      std::string full = name + "." + ToUtf8(member->Name());
      if (auto* method = dynamic_cast<TfsMethodHelper*>(member)) {
        std::string declaration = ToUtf8(method->Syntax());
        std::string kind = method->IndexMethod()                     ? "property"
                           : FirstWord(declaration) == "CONSTRUCTOR" ? "constructor"
                                                                     : "method";
        if (method->IndexMethod() && method->IsReadOnly()) declaration += " (read-only)";
        Add(full, kind, declaration, windowOnly);
      } else {
        std::string declaration =
            "property " + ToUtf8(member->Name()) + ": " + ToUtf8(member->GetFullTypeName());
        if (member->IsReadOnly()) declaration += " (read-only)";
        Add(full, "property", declaration, windowOnly);
      }
    }
  }

  void Add(const std::string& name, std::string kind, std::string declaration, bool windowOnly) {
    std::string key = Upper(name);
    // A name the thread registers hides the shared program's one.
    if (!seen_.insert(key).second) return;
    auto row = rows_.find(key);
    if (row == rows_.end()) {
      catalog_.undescribed.push_back(name);
      return;
    }
    const NameDescription& d = *row->second;
    catalog_.entries.push_back(CatalogEntry{name, std::move(kind), std::move(declaration), d.group, d.summary,
                                            d.text, d.example, d.output, windowOnly});
  }

  std::map<std::string, const NameDescription*> rows_;
  std::set<std::string> seen_;
  Catalog catalog_;
};

}  // namespace

Catalog BuildCatalog(std::span<const NameDescription> windowRows, const WindowRegistration& window) {
  RegisterSysLibraryModule();
  RegisterClassesModule();
  RegisterFunctionsModule();
  Collector collector({SysLibraryDescriptions(), ClassLibraryDescriptions(), qv::FunctionDescriptions(),
                       HostDescriptions(), windowRows});

  TfsScript global;
  global.AddRTTI();
  TfsScript threadProg;
  threadProg.SetParent(&global);
  auto thread = TQuorvinter::Create(u"", nullptr, u"", u"", u"");
  thread->RegisterHost(threadProg);
  collector.Walk(threadProg, false);
  collector.AddDefinedByThread();
  collector.Walk(global, false);
  if (window) {
    TfsScript windowProg;
    windowProg.SetParent(&global);
    std::shared_ptr<void> registered = window(windowProg);
    collector.Walk(windowProg, true);
  }
  return collector.Finish();
}

std::vector<const CatalogEntry*> FindInCatalog(const Catalog& catalog, std::string_view text) {
  std::string wanted = Upper(std::string(text));
  std::vector<const CatalogEntry*> found;
  for (const CatalogEntry& e : catalog.entries)
    if (Upper(e.name).find(wanted) != std::string::npos) found.push_back(&e);
  return found;
}

}  // namespace qv::host
