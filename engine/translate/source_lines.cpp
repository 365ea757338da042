#include "engine/translate/source_lines.h"

#include "support/text.h"

namespace qv {

std::vector<std::u16string> SplitLines(std::u16string_view text) {
  std::vector<std::u16string> lines;
  // Counted first: a script of a million lines would otherwise hold up to
  // twice the room while the list grows.
  size_t breaks = 0;
  for (size_t i = 0; i < text.size(); ++i)
    if (text[i] == u'\n' || (text[i] == u'\r' && (i + 1 == text.size() || text[i + 1] != u'\n'))) ++breaks;
  lines.reserve(breaks + 1);
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c != u'\r' && c != u'\n') continue;
    lines.emplace_back(text.substr(start, i - start));
    if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

std::u16string JoinLines(const std::vector<std::u16string>& lines) {
  size_t size = 0;
  for (const std::u16string& l : lines) size += l.size() + 2;
  std::u16string text;
  text.reserve(size + 1);  // the tokenizer's terminator fits without a copy
  for (const std::u16string& l : lines) {
    text += l;
    text += u"\r\n";
  }
  return text;
}

std::u16string DecodeScriptBytes(std::string_view bytes) {
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  return FromUtf8(bytes);
}

}  // namespace qv
