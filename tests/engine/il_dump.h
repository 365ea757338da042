// Test helpers: translate a text and dump the intermediate code compactly,
// so that a change in the output reads as a one-line diff.
//
//   name            a container element
//   name:text       a token element (its decoded `text`)
//   uses[unit]      an included unit
//   @pos, @pos-pos1 positions, when asked for
//   children follow in parentheses, separated by blanks
#pragma once

#include <string>
#include <string_view>

#include "engine/program/program.h"
#include "engine/translate/source_lines.h"
#include "engine/translate/translator.h"
#include "engine/xml/xml.h"
#include "support/text.h"

namespace qv::test {

enum class Positions { kHide, kShow };

inline void DumpItem(const TfsXMLItem& item, Positions positions, std::string& out) {
  out += ToUtf8(item.Name());
  if (item.PropExists(u"unit")) out += "[" + ToUtf8(item.Prop(u"unit")) + "]";
  if (item.PropExists(u"text")) out += ":" + ToUtf8(item.Prop(u"text"));
  if (positions == Positions::kShow && item.PropExists(u"pos")) {
    out += "@" + ToUtf8(item.Prop(u"pos"));
    if (item.PropExists(u"pos1")) out += "-" + ToUtf8(item.Prop(u"pos1"));
  }
  if (item.Count() == 0) return;
  out += "(";
  bool first = true;
  for (const auto& child : item.Children()) {
    if (!first) out += " ";
    first = false;
    DumpItem(*child, positions, out);
  }
  out += ")";
}

// The children of a `program` element without its final `types`.
inline std::string DumpProgram(const TfsXMLItem& program, Positions positions = Positions::kHide) {
  std::string out;
  int n = program.Count();
  if (n > 0 && program.Items(n - 1)->NameIs(u"types")) --n;
  for (int i = 0; i < n; ++i) {
    if (i) out += " ";
    DumpItem(*program.Items(i), positions, out);
  }
  return out;
}

struct Translation {
  bool ok = false;
  std::string il;  // DumpProgram of the result
  std::string msg;
  std::string pos;
  std::string unit;
};

// Translates `source` (UTF-8; its lines are handed over joined with CR LF,
// as the program object does) with a translator set up for `language`.
inline Translation Translate(TfsScript& prog, std::u16string_view language, std::string_view source,
                             Positions positions = Positions::kHide) {
  TfsILParser t(prog);
  t.SelectLanguage(language);
  Translation r;
  r.ok = t.MakeILScript(JoinLines(SplitLines(FromUtf8(source))));
  if (r.ok) r.il = DumpProgram(*t.ILScript().Root(), positions);
  r.msg = ToUtf8(prog.ErrorMsg());
  r.pos = ToUtf8(prog.ErrorPos());
  r.unit = ToUtf8(prog.ErrorUnit());
  return r;
}

inline Translation Translate(std::u16string_view language, std::string_view source,
                             Positions positions = Positions::kHide) {
  TfsScript prog;
  return Translate(prog, language, source, positions);
}

}  // namespace qv::test
