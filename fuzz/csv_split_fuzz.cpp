// CSV text (UTF-8) split into records and fields: the fields of a record,
// written again as a record, split back to the same fields.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "library/csv/csv.h"
#include "support/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view in(reinterpret_cast<const char*>(data), size);
  // The first byte picks the separator.
  const std::u16string separator =
      size > 0 && data[0] % 3 == 0 ? u";" : (size > 0 && data[0] % 3 == 1 ? u"||" : u",");
  const std::u16string text = qv::FromUtf8(in.empty() ? in : in.substr(1));
  for (const std::u16string& record : qv::library::CsvRecords(text)) {
    const auto fields = qv::library::CsvSplit(record, separator);
    if (fields.empty()) std::abort();
    if (qv::library::CsvSplit(qv::library::CsvLine(fields, separator), separator) != fields) std::abort();
  }
  return 0;
}
