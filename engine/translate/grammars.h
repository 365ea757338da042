// The language registry: every script syntax is a grammar held as data.
//
// The registry maps a language name (matched without regard to case) to the
// text of its grammar document. The four built-in grammars are registered on
// first use of the registry, in the order "Pascal", "Basic", "js", "C".
//
//   RegisterLanguage(u"Mini", grammarText);   // adds or replaces "Mini"
//   std::u16string g = GetLanguage(u"pascal"); // the built-in Pascal grammar
//   GetLanguage(u"Cobol");                     // ScriptError "Language 'Cobol' not found"
//
// All functions may be called from any thread.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

class CompiledGrammar;

// Adds an entry, or replaces the grammar of the entry that has this name
// (the entry keeps its place and its first spelling).
void RegisterLanguage(std::u16string_view name, std::u16string_view grammar);

// The grammar text registered under `name`; raises ScriptError
// "Language '<name>' not found" when there is none.
std::u16string GetLanguage(std::u16string_view name);

// The registered names, in registration order.
std::vector<std::u16string> LanguageNames();

// The grammar registered under `name`, loaded and compiled into the form the
// translator interprets. Compiled once per registered text and shared; a
// later RegisterLanguage of the name does not affect translators that hold
// the old one. Raises like GetLanguage, and "Invalid file format" for a
// grammar text that is not well-formed XML.
std::shared_ptr<const CompiledGrammar> GetCompiledLanguage(std::u16string_view name);

}  // namespace qv
