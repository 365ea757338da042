// The CSV functions: their declarations and the dispatcher's branches.
#include "library/branches.h"
#include "library/csv/csv.h"
#include "library/strings/array_values.h"

namespace qv::library {

namespace {

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

}  // namespace qv::library
