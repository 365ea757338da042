// The built-in grammar files, compiled into the program from
// engine/translate/grammars/*.xml at build time.
#pragma once

#include <span>
#include <string_view>

namespace qv {

struct EmbeddedGrammar {
  std::string_view stem;  // file name without ".xml", e.g. "pascal"
  std::string_view text;  // the file's bytes (UTF-8)
};

// In the order of the build's file list.
std::span<const EmbeddedGrammar> EmbeddedGrammars();

}  // namespace qv
