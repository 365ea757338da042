// The CSV functions: their declarations and the dispatcher's branches.
#include "library/branches.h"
#include "library/csv/csv.h"
#include "library/strings/array_values.h"

namespace qv::library {

namespace {

constexpr Declaration kDeclarations[] = {
    {u"function csvline(Values:ArrayString;Separator:string=','):string;", u"One CSV record made of values.",
     u"Joins the values with the separator, putting a value in double quotes (its quotes doubled) when it holds "
     u"the separator, a quote, CR or LF. No line end is added: append #13#10 when writing records to a file.",
     u"savefile('out.csv', csvline(row) + #13#10, true)"},
    {u"function csvsplit(Record:string;Separator:string=','):ArrayString;", u"The fields of one CSV record.",
     u"Splits a record at the separator outside double quotes and removes the quotes of quoted fields, so a "
     u"field may hold separators and line breaks. An empty record is one empty field.",
     u"csvsplit('a,\"b,c\",\"say \"\"hi\"\"\"')  // [\"a\", \"b,c\", \"say \\\"hi\\\"\"]"},
    {u"function csvrecords(Text:string):ArrayString;", u"The records of a CSV text.",
     u"Splits a CSV text at CR LF, LF or CR outside double quotes, so a quoted field may span lines. A line end "
     u"after the last record adds no empty record.",
     u"csvrecords(readfile('data.csv'))"},
};

Value CsvLineBranch(Caller& c) {
  return Value::Text(CsvLine(ToTextList(c.GetParam(0)), TextOf(c.GetParam(1))));
}

Value CsvSplitBranch(Caller& c) {
  return TextListValue(CsvSplit(TextOf(c.GetParam(0)), TextOf(c.GetParam(1))));
}

Value CsvRecordsBranch(Caller& c) { return TextListValue(CsvRecords(TextOf(c.GetParam(0)))); }

constexpr Branch kBranches[] = {
    {u"CSVLINE", CsvLineBranch},
    {u"CSVSPLIT", CsvSplitBranch},
    {u"CSVRECORDS", CsvRecordsBranch},
};

}  // namespace

std::span<const Branch> CsvBranches() { return kBranches; }
std::span<const Declaration> CsvDeclarations() { return kDeclarations; }

}  // namespace qv::library
