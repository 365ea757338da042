#include "engine/translate/grammars.h"

#include <mutex>

#include "engine/translate/grammar_data.h"
#include "engine/translate/grammar_table.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv {

namespace {

struct LanguageEntry {
  std::u16string name;
  std::u16string grammar;
  std::shared_ptr<const CompiledGrammar> compiled;  // made on first selection
};

class LanguageList {
 public:
  LanguageList() {
    // The built-in names and the files that hold them, in registration order.
    static constexpr std::pair<std::u16string_view, std::string_view> kBuiltIn[] = {
        {u"Pascal", "pascal"}, {u"Basic", "basic"}, {u"js", "js"}, {u"C", "c"}};
    for (const auto& [name, stem] : kBuiltIn) {
      for (const EmbeddedGrammar& g : EmbeddedGrammars()) {
        if (g.stem == stem) Register(name, FromUtf8(g.text));
      }
    }
  }

  void Register(std::u16string_view name, std::u16string_view grammar) {
    std::lock_guard lock(mutex_);
    if (LanguageEntry* e = Find(name)) {
      e->grammar = std::u16string(grammar);
      e->compiled.reset();
      return;
    }
    entries_.push_back(LanguageEntry{std::u16string(name), std::u16string(grammar), nullptr});
  }

  std::u16string Grammar(std::u16string_view name) {
    std::lock_guard lock(mutex_);
    return Get(name).grammar;
  }

  std::shared_ptr<const CompiledGrammar> Compiled(std::u16string_view name) {
    std::lock_guard lock(mutex_);
    LanguageEntry& e = Get(name);
    if (!e.compiled) e.compiled = CompiledGrammar::Compile(ToUtf8(e.grammar));
    return e.compiled;
  }

  std::vector<std::u16string> Names() {
    std::lock_guard lock(mutex_);
    std::vector<std::u16string> names;
    for (const LanguageEntry& e : entries_) names.push_back(e.name);
    return names;
  }

 private:
  LanguageEntry* Find(std::u16string_view name) {
    for (LanguageEntry& e : entries_) {
      if (SameText(e.name, name)) return &e;
    }
    return nullptr;
  }

  LanguageEntry& Get(std::u16string_view name) {
    LanguageEntry* e = Find(name);
    if (!e) throw ScriptError(u"Language '" + std::u16string(name) + u"' not found");
    return *e;
  }

  std::mutex mutex_;
  std::vector<LanguageEntry> entries_;
};

LanguageList& Languages() {
  static LanguageList list;  // thread-safe first use
  return list;
}

}  // namespace

void RegisterLanguage(std::u16string_view name, std::u16string_view grammar) {
  Languages().Register(name, grammar);
}

std::u16string GetLanguage(std::u16string_view name) { return Languages().Grammar(name); }

std::vector<std::u16string> LanguageNames() { return Languages().Names(); }

std::shared_ptr<const CompiledGrammar> GetCompiledLanguage(std::u16string_view name) {
  return Languages().Compiled(name);
}

}  // namespace qv
