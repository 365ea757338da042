#include "library/files/ini_file.h"

#include "library/files/file_read.h"
#include "library/files/file_write.h"
#include "library/files/paths.h"
#include "support/codepage.h"
#include "support/text.h"

namespace qv::library {

namespace {

constexpr size_t npos = std::u16string::npos;

std::u16string_view Trim(std::u16string_view s) {
  auto space = [](char16_t c) { return c == u' ' || c == u'\t'; };
  while (!s.empty() && space(s.front())) s.remove_prefix(1);
  while (!s.empty() && space(s.back())) s.remove_suffix(1);
  return s;
}

// The name of a "[name]" line, or nothing.
std::optional<std::u16string_view> SectionName(std::u16string_view line) {
  line = Trim(line);
  if (line.empty() || line.front() != u'[') return std::nullopt;
  size_t close = line.find(u']');
  if (close == npos) return std::nullopt;
  return Trim(line.substr(1, close - 1));
}

// The key of a "key=value" line, or nothing.
std::optional<std::u16string_view> KeyName(std::u16string_view line) {
  size_t eq = line.find(u'=');
  if (eq == npos) return std::nullopt;
  return Trim(line.substr(0, eq));
}

std::u16string_view Unquote(std::u16string_view v) {
  if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
    return v.substr(1, v.size() - 2);
  return v;
}

}  // namespace

IniFile::IniFile(std::u16string_view text) {
  if (text.empty()) return;
  size_t firstLf = text.find(u'\n');
  if (firstLf != npos && firstLf > 0 && text[firstLf - 1] == u'\r') lineEnd_ = u"\r\n";
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of(u"\r\n", start);
    if (end == npos) {
      lines_.emplace_back(text.substr(start));
      endsWithLineEnd_ = false;
      break;
    }
    lines_.emplace_back(text.substr(start, end - start));
    start = end + (text[end] == u'\r' && end + 1 < text.size() && text[end + 1] == u'\n' ? 2 : 1);
  }
}

size_t IniFile::FindSection(std::u16string_view section) const {
  std::u16string_view wanted = Trim(section);
  for (size_t i = 0; i < lines_.size(); ++i)
    if (auto name = SectionName(lines_[i]); name && SameText(*name, wanted)) return i;
  return npos;
}

size_t IniFile::SectionEnd(size_t header) const {
  size_t i = header + 1;
  while (i < lines_.size() && !SectionName(lines_[i])) ++i;
  return i;
}

size_t IniFile::FindKey(size_t header, std::u16string_view key) const {
  std::u16string_view wanted = Trim(key);
  size_t end = SectionEnd(header);
  for (size_t i = header + 1; i < end; ++i)
    if (auto name = KeyName(lines_[i]); name && SameText(*name, wanted)) return i;
  return npos;
}

std::optional<std::u16string> IniFile::Get(std::u16string_view section, std::u16string_view key) const {
  size_t header = FindSection(section);
  if (header == npos) return std::nullopt;
  size_t line = FindKey(header, key);
  if (line == npos) return std::nullopt;
  std::u16string_view text = lines_[line];
  return std::u16string(Unquote(Trim(text.substr(text.find(u'=') + 1))));
}

void IniFile::Set(std::u16string_view section, std::u16string_view key, std::u16string_view value) {
  std::u16string entry = std::u16string(Trim(key)) + u"=" + std::u16string(value);
  size_t header = FindSection(section);
  if (header == npos) {
    lines_.push_back(u"[" + std::u16string(Trim(section)) + u"]");
    lines_.push_back(entry);
    return;
  }
  if (size_t line = FindKey(header, key); line != npos) {
    // The key keeps the spelling it had in the file.
    std::u16string_view old = lines_[line];
    lines_[line] = std::u16string(Trim(old.substr(0, old.find(u'=')))) + u"=" + std::u16string(value);
    return;
  }
  // After the section's last non-blank line, so blank separators stay below.
  size_t at = SectionEnd(header);
  while (at > header + 1 && Trim(lines_[at - 1]).empty()) --at;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), entry);
}

std::u16string IniFile::Text() const {
  std::u16string out;
  for (size_t i = 0; i < lines_.size(); ++i) {
    out += lines_[i];
    if (i + 1 < lines_.size() || endsWithLineEnd_) out += lineEnd_;
  }
  return out;
}

std::optional<std::u16string> ReadIniValue(std::u16string_view path, std::u16string_view section,
                                           std::u16string_view key) {
  std::string bytes;
  if (!ReadFileBytes(ExpandName(path), bytes)) return std::nullopt;
  return IniFile(DecodeTextBytes(bytes)).Get(section, key);
}

bool WriteIniValue(std::u16string_view path, std::u16string_view section, std::u16string_view key,
                   std::u16string_view value) {
  auto file = ExpandName(path);
  std::string bytes;
  TextEncoding encoding = TextEncoding::Ansi;
  IniFile ini(ReadFileBytes(file, bytes) ? DecodeTextBytes(bytes, &encoding) : std::u16string());
  ini.Set(section, key, value);
  return ReplaceFileContent(file, EncodeTextBytes(ini.Text(), encoding));
}

}  // namespace qv::library
