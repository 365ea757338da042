// How a script's source text reaches its program object: intermediate XML
// and "#language" text as they are, anything else as a template whose
// literal text becomes echo statements around its "<? ... ?>" code blocks.
//
//   ChooseSourceForm(u"<?xml version=...")     == SourceForm::Intermediate
//   ChooseSourceForm(u"  #language pascal...") == SourceForm::Language
//   ConvertTemplate(u"A<?=x;?>B") == u"#language js\r\necho(\"A\");echo(x);echo(\"B\");"
#pragma once

#include <string>
#include <string_view>

namespace qv::host {

enum class SourceForm {
  Intermediate,  // begins with "<?xml" (exact case, first character)
  Language,      // begins with "#language" once blanks and controls are trimmed
  Template,      // everything else
};

SourceForm ChooseSourceForm(std::u16string_view text);

// A text read from a file that began with a UTF-8 byte-order mark, whose
// first line holds "#language" right after the mark: the mark keeps the
// directive from being the text's start, so it is read as a template.
bool StartsWithMarkedDirective(std::u16string_view text);

// The template as a plain script: "#language " + language + CR LF + the
// statements. A first line "<?#language NAME?>" (or "#language NAME")
// selects js, pascal, c or basic and is dropped; the default is js. Every
// CR LF of literal text stays a line break of the output, so the lines of
// code blocks keep their numbers (one later when the template has no
// language line, for the directive line put in front).
//
// The host hands the text with CR LF line ends (WithCrLf in quorvint.h);
// only the first-line rule also ends a line at a lone CR or LF.
std::u16string ConvertTemplate(std::u16string_view text);

}  // namespace qv::host
