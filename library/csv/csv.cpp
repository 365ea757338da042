#include "library/csv/csv.h"

namespace qv::library {

namespace {

std::u16string_view SeparatorOrComma(std::u16string_view separator) {
  return separator.empty() ? std::u16string_view(u",") : separator;
}

// A field that ends with the start of a longer separator must be quoted
// too: "a|" before "||" would otherwise read as "a" and "|...".
bool NeedsQuotes(std::u16string_view field, std::u16string_view separator) {
  if (field.find(separator) != std::u16string_view::npos ||
      field.find_first_of(u"\"\r\n") != std::u16string_view::npos)
    return true;
  for (size_t k = 1; k < separator.size(); ++k)
    if (field.ends_with(separator.substr(0, k))) return true;
  return false;
}

}  // namespace

std::u16string CsvLine(const std::vector<std::u16string>& fields, std::u16string_view separator) {
  separator = SeparatorOrComma(separator);
  if (fields.size() == 1 && fields[0].empty()) return u"\"\"";
  std::u16string out;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) out += separator;
    const std::u16string& f = fields[i];
    if (!NeedsQuotes(f, separator)) {
      out += f;
      continue;
    }
    out += u'"';
    for (char16_t c : f) {
      if (c == u'"') out += u'"';
      out += c;
    }
    out += u'"';
  }
  return out;
}

std::vector<std::u16string> CsvSplit(std::u16string_view record, std::u16string_view separator) {
  separator = SeparatorOrComma(separator);
  std::vector<std::u16string> fields;
  size_t i = 0;
  const size_t n = record.size();
  for (;;) {
    std::u16string field;
    if (i < n && record[i] == u'"') {
      // A quoted field: "" is one quote, the next lone quote closes it.
      for (++i; i < n; ++i) {
        if (record[i] != u'"') {
          field += record[i];
        } else if (i + 1 < n && record[i + 1] == u'"') {
          field += u'"';
          ++i;
        } else {
          ++i;
          break;
        }
      }
    }
    const size_t next = record.find(separator, i);
    const size_t stop = next == std::u16string_view::npos ? n : next;
    field.append(record.substr(i, stop - i));
    fields.push_back(std::move(field));
    if (next == std::u16string_view::npos) return fields;
    i = next + separator.size();
  }
}

std::vector<std::u16string> CsvRecords(std::u16string_view text) {
  std::vector<std::u16string> records;
  bool quoted = false;
  size_t start = 0;
  size_t i = 0;
  while (i < text.size()) {
    const char16_t c = text[i];
    if (c == u'"') {
      quoted = !quoted;
    } else if (!quoted && (c == u'\r' || c == u'\n')) {
      records.emplace_back(text.substr(start, i - start));
      i += (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ? 2 : 1;
      start = i;
      continue;
    }
    ++i;
  }
  if (start < text.size()) records.emplace_back(text.substr(start));
  return records;
}

}  // namespace qv::library
