// CSV records: tables of our own, and round trips against Python's csv
// module on random fields, both ways.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "library/csv/csv.h"
#include "library/json/json_document.h"
#include "support/text.h"

namespace qv::library {
namespace {

using Fields = std::vector<std::u16string>;

TEST(Csv, LineQuotesOnlyWhatNeedsIt) {
  EXPECT_EQ(CsvLine({u"a", u"b c", u"d,e", u"say \"hi\"", u"x\r\ny", u""}, u","),
            u"a,b c,\"d,e\",\"say \"\"hi\"\"\",\"x\r\ny\",");
  EXPECT_EQ(CsvLine({u"a;b", u"c,d"}, u";"), u"\"a;b\";c,d");
  EXPECT_EQ(CsvLine({u""}, u","), u"\"\"");
  EXPECT_EQ(CsvLine({}, u","), u"");
  EXPECT_EQ(CsvLine({u"a", u"b"}, u""), u"a,b");
  EXPECT_EQ(CsvLine({u"a||b", u"c"}, u"||"), u"\"a||b\"||c");
  EXPECT_EQ(CsvLine({u"a|", u"|b"}, u"||"), u"\"a|\"|||b");
  EXPECT_EQ(CsvSplit(CsvLine({u"a|", u"|b"}, u"||"), u"||"), (Fields{u"a|", u"|b"}));
}

TEST(Csv, SplitReadsQuotedFieldsLeniently) {
  const struct {
    const char16_t* record;
    const char16_t* separator;
    Fields fields;
  } rows[] = {
      {u"a,b,c", u",", {u"a", u"b", u"c"}},
      {u"", u",", {u""}},
      {u",", u",", {u"", u""}},
      {u"\"\"", u",", {u""}},
      {u"\"a,b\",\"c\"\"d\",\"x\r\ny\"", u",", {u"a,b", u"c\"d", u"x\r\ny"}},
      {u"\"ab\"cd,e", u",", {u"abcd", u"e"}},
      {u"a\"b,c", u",", {u"a\"b", u"c"}},
      {u"\"open,end", u",", {u"open,end"}},
      {u"a\tb", u"\t", {u"a", u"b"}},
      {u"a||\"b||c\"||", u"||", {u"a", u"b||c", u""}},
  };
  for (const auto& r : rows) EXPECT_EQ(CsvSplit(r.record, r.separator), r.fields) << ToUtf8(r.record);
}

TEST(Csv, RecordsSplitAtLineEndsOutsideQuotes) {
  EXPECT_EQ(CsvRecords(u"a,b\r\n\"x\r\ny\",z\r\n"), (Fields{u"a,b", u"\"x\r\ny\",z"}));
  EXPECT_EQ(CsvRecords(u"a\nb\rc\r\n\r\nd"), (Fields{u"a", u"b", u"c", u"", u"d"}));
  EXPECT_EQ(CsvRecords(u""), Fields{});
  EXPECT_EQ(CsvRecords(u"\"a\"\"\nb\"\n"), Fields{u"\"a\"\"\nb\""});
}

std::string RunCommand(const std::string& command) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (!p) return out;
  char buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  pclose(p);
  return out;
}

std::string ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

// Random rows of fields drawn from characters that matter to CSV.
std::vector<Fields> RandomRows(unsigned seed) {
  std::mt19937 rng(seed);
  const char16_t* const pieces[] = {u"a",    u"Z", u"9", u",",  u"\"", u"\r", u"\n",
                                    u"\r\n", u" ", u"é", u"中", u";",  u"'"};
  std::vector<Fields> rows;
  for (int r = 0; r < 300; ++r) {
    Fields row(1 + rng() % 6);
    for (auto& f : row)
      for (unsigned k = rng() % 7; k > 0; --k) f += pieces[rng() % std::size(pieces)];
    rows.push_back(row);
  }
  return rows;
}

std::string RowsAsJson(const std::vector<Fields>& rows) {
  std::u16string json = u"[";
  for (size_t r = 0; r < rows.size(); ++r) {
    json += r ? u",[" : u"[";
    for (size_t i = 0; i < rows[r].size(); ++i) json += (i ? u"," : u"") + JsonQuote(rows[r][i]);
    json += u"]";
  }
  return ToUtf8(json + u"]");
}

// Python writes the rows as CSV and reads our CSV back into JSON.
TEST(Csv, RoundTripsWithPythonsCsvModule) {
  if (std::system("python3 -c 'import csv' 2>/dev/null") != 0) GTEST_SKIP() << "no python3";
  const std::string dir = testing::TempDir();
  for (unsigned seed : {1u, 2u, 3u}) {
    const auto rows = RandomRows(seed);
    std::u16string ours;
    for (const Fields& row : rows) ours += CsvLine(row, u",") + u"\r\n";
    std::ofstream(dir + "rows.json", std::ios::binary) << RowsAsJson(rows);
    std::ofstream(dir + "ours.csv", std::ios::binary) << ToUtf8(ours);
    const std::string script =
        "import csv, json, sys\n"
        "rows = json.load(open(sys.argv[1], encoding='utf-8'))\n"
        "with open(sys.argv[2], 'w', newline='', encoding='utf-8') as f: csv.writer(f).writerows(rows)\n"
        "with open(sys.argv[3], newline='', encoding='utf-8') as f: back = list(csv.reader(f))\n"
        "print('same' if back == rows else 'differ')\n";
    std::ofstream(dir + "rt.py") << script;
    const std::string verdict =
        RunCommand("python3 " + dir + "rt.py " + dir + "rows.json " + dir + "python.csv " + dir + "ours.csv");
    EXPECT_EQ(verdict, "same\n") << "Python reads our CSV back, seed " << seed;
    const std::u16string python = FromUtf8(ReadFile(dir + "python.csv"));
    EXPECT_EQ(python, ours) << "the same text as Python writes, seed " << seed;
    const auto records = CsvRecords(python);
    ASSERT_EQ(records.size(), rows.size());
    for (size_t r = 0; r < rows.size(); ++r) EXPECT_EQ(CsvSplit(records[r], u","), rows[r]) << "row " << r;
  }
}

}  // namespace
}  // namespace qv::library
