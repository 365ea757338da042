// Translator fuzz target: the first byte picks the grammar, the rest is the
// script (UTF-8). Every unit the script includes gets the script's own text,
// so inclusion cycles are exercised without touching files.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/program/program.h"
#include "engine/translate/source_lines.h"
#include "engine/translate/translator.h"
#include "engine/xml/xml.h"
#include "support/errors.h"
#include "support/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > 1 << 16) return 0;
  static constexpr std::u16string_view kLanguages[] = {u"Pascal", u"Basic", u"js", u"C"};
  const std::u16string_view language = kLanguages[data[0] % 4];
  const std::u16string text =
      qv::FromUtf8(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1));

  qv::TfsScript prog;
  prog.SetOnGetUnit([&](qv::TfsScript&, const std::u16string&, std::u16string& unit) { unit = text; });
  qv::TfsILParser translator(prog);
  try {
    translator.SelectLanguage(language);
    if (translator.MakeILScript(qv::JoinLines(qv::SplitLines(text)))) {
      qv::TfsXMLItem* root = translator.ILScript().Root();
      if (root->Name() != u"program" || root->Count() == 0 ||
          root->Items(root->Count() - 1)->Name() != u"types") {
        std::abort();
      }
      // What the translator built must survive being stored and read back.
      qv::TfsXMLDocument copy;
      copy.LoadFromBytes(translator.ILScript().SaveToBytes());
    } else if (!prog.ErrorMsg().empty() && prog.ErrorPos().empty()) {
      std::abort();  // every recorded error has a position
    }
  } catch (const qv::ScriptError&) {
    // A directive naming no grammar.
  }
  return 0;
}
