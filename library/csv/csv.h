// CSV records as RFC 4180 writes them: fields separated by a separator
// (commonly ","), a field in double quotes when it holds the separator, a
// quote, CR or LF, quotes inside doubled, records ended by CR LF.
//
//   CsvLine({u"a", u"b,c", u"say \"hi\""}, u",")   // a,"b,c","say ""hi"""
//   CsvSplit(u"a,\"b,c\"", u",")                  // {"a", "b,c"}
//   CsvRecords(u"a,b\r\n\"x\r\ny\",z\r\n")        // {"a,b", "\"x\r\ny\",z"}
//
// Reading is lenient: text after a closing quote belongs to the field, an
// unclosed quote runs to the end, a quote inside an unquoted field is kept.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qv::library {

// An empty separator counts as ",". A record of one empty field is written
// as "" so that it differs from an empty line.
std::u16string CsvLine(const std::vector<std::u16string>& fields, std::u16string_view separator);
// The fields of one record; an empty record is one empty field.
std::vector<std::u16string> CsvSplit(std::u16string_view record, std::u16string_view separator);
// The records of a text, split at CR LF, LF or CR outside quotes; a line
// end after the last record adds no empty record.
std::vector<std::u16string> CsvRecords(std::u16string_view text);

}  // namespace qv::library
