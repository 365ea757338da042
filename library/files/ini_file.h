// INI files: sections in "[name]" lines, "key=value" lines below them.
// Sections and keys are matched without regard to case and with the spaces
// around them ignored; a value loses its surrounding spaces and one pair of
// matching quotes. Writing changes or adds one line and keeps every other
// line, its order and the file's encoding.
//
//   IniFile ini(u"[Main]\r\nName = x\r\n");
//   ini.Get(u"main", u"NAME")          -> u"x"
//   ini.Set(u"Other", u"Key", u"v");   // appends "[Other]" and "Key=v"
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv::library {

class IniFile {
 public:
  explicit IniFile(std::u16string_view text = {});

  std::optional<std::u16string> Get(std::u16string_view section, std::u16string_view key) const;
  void Set(std::u16string_view section, std::u16string_view key, std::u16string_view value);

  // The lines joined with the line end the text had (LF for a new file).
  std::u16string Text() const;

 private:
  // Index of the section's header line, or npos.
  size_t FindSection(std::u16string_view section) const;
  // Index of the key's line within the section starting after `header`.
  size_t FindKey(size_t header, std::u16string_view key) const;
  size_t SectionEnd(size_t header) const;

  std::vector<std::u16string> lines_;
  std::u16string lineEnd_ = u"\n";
  bool endsWithLineEnd_ = true;
};

// readini and saveini on a file: the text decoded by the byte-order-mark
// rule, written back in the same encoding (a new file in the ANSI code
// page). WriteIniValue is false when the file cannot be written.
std::optional<std::u16string> ReadIniValue(std::u16string_view path, std::u16string_view section,
                                           std::u16string_view key);
bool WriteIniValue(std::u16string_view path, std::u16string_view section, std::u16string_view key,
                   std::u16string_view value);

}  // namespace qv::library
