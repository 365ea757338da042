#include "host/template_source.h"

#include "support/text.h"

namespace qv::host {

namespace {

constexpr std::u16string_view kDirective = u"#language";
constexpr std::u16string_view kNames[] = {u"js", u"pascal", u"c", u"basic"};

// The language of a template and the text that follows its language line.
struct Head {
  std::u16string language = u"js";
  std::u16string_view body;
};

// The first line as the template rule reads it: taken from the trimmed
// text, as long as the 1-based position of the first line end in the
// untrimmed text, so it holds that line end when nothing was trimmed in
// front; wrapped in "<?" and "?>" it loses those and the line end.
std::u16string FirstLine(std::u16string_view text, size_t lineEnd) {
  if (lineEnd == std::u16string_view::npos) return {};
  std::u16string line = LowerCase(TrimBlanks(text).substr(0, lineEnd + 1));
  if (line.find(u"<?") != std::u16string::npos)
    line = line.size() > 5 ? line.substr(2, line.size() - 5) : u"";
  return line;
}

// A language named after the first space of the directive line; any
// other name, an empty one included, gives js.
std::u16string DirectiveLanguage(std::u16string_view line) {
  size_t space = line.find(u' ');
  std::u16string_view name = space == std::u16string_view::npos ? u"" : line.substr(space + 1);
  for (std::u16string_view known : kNames)
    if (name == known) return std::u16string(known);
  return u"js";
}

Head ReadHead(std::u16string_view text) {
  Head head{u"js", text};
  size_t lineEnd = text.find_first_of(u"\r\n");
  std::u16string line = FirstLine(text, lineEnd);
  if (!line.starts_with(kDirective)) return head;
  head.language = DirectiveLanguage(line);
  size_t next = lineEnd + 1;
  if (text[lineEnd] == u'\r' && next < text.size() && text[next] == u'\n') ++next;
  head.body = text.substr(next);
  return head;
}

// Writes template pieces as statements of the target language.
class Emitter {
 public:
  explicit Emitter(char16_t quote) : quote_(quote) {}

  // echo of the quoted text: quotes doubled, each CR LF closing the string
  // and reopening it on the next line after "#13#10".
  void Literal(std::u16string_view text) {
    if (text.empty()) return;
    out_ += u"echo(";
    out_ += quote_;
    for (size_t i = 0; i < text.size(); ++i) {
      char16_t c = text[i];
      if (c == quote_) {
        out_ += quote_;
        out_ += quote_;
      } else if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
        out_ += quote_;
        out_ += u"+\r\n#13#10";
        out_ += quote_;
        ++i;
      } else {
        out_ += c;
      }
    }
    out_ += quote_;
    out_ += u");";
  }

  // "<?=expr;?>": echo of the expression without its trailing ";" and spaces.
  void Expression(std::u16string_view expr) {
    size_t end = expr.find_last_not_of(u"; ");
    expr = end == std::u16string_view::npos ? u"" : expr.substr(0, end + 1);
    out_ += u"echo(";
    out_ += expr;
    out_ += u");";
  }

  void Code(std::u16string_view code) { out_ += code; }

  std::u16string& Output() { return out_; }

 private:
  char16_t quote_;
  std::u16string out_;
};

}  // namespace

bool StartsWithMarkedDirective(std::u16string_view text) {
  // The mark decodes to one to three units, whatever the ANSI code page.
  const size_t at = text.substr(0, 16).find(u"#language");
  return at != std::u16string_view::npos && at >= 1 && at <= 3;
}

SourceForm ChooseSourceForm(std::u16string_view text) {
  if (text.starts_with(u"<?xml")) return SourceForm::Intermediate;
  if (TrimBlanks(text).starts_with(kDirective)) return SourceForm::Language;
  return SourceForm::Template;
}

std::u16string ConvertTemplate(std::u16string_view text) {
  Head head = ReadHead(text);
  Emitter emit(head.language == u"pascal" ? u'\'' : u'"');
  std::u16string_view rest = head.body;
  for (;;) {
    size_t open = rest.find(u"<?");
    if (open == std::u16string_view::npos) break;
    size_t close = rest.find(u"?>", open + 2);
    // An unterminated block is literal text, like everything after it.
    if (close == std::u16string_view::npos) break;
    emit.Literal(rest.substr(0, open));
    std::u16string_view block = rest.substr(open + 2, close - open - 2);
    if (block.starts_with(u'='))
      emit.Expression(block.substr(1));
    else
      emit.Code(block);
    rest = rest.substr(close + 2);
  }
  emit.Literal(rest);
  std::u16string result = u"#language " + head.language + u"\r\n";
  return result + emit.Output();
}

}  // namespace qv::host
