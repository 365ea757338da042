#include "engine/classes/string_list.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/classes/list.h"
#include "engine/xml/stream.h"
#include "support/codepage.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv {
namespace {

std::vector<std::u16string> Entries(const TStrings& s) {
  std::vector<std::u16string> out;
  for (int i = 0; i < s.Count(); ++i) out.push_back(s.Get(i));
  return out;
}

using Lines = std::vector<std::u16string>;

TEST(StringListTest, SortedInsertionAndFindPosition) {
  TStringList list;
  list.Add(u"pear");
  list.Add(u"Apple");
  EXPECT_EQ(Entries(list), (Lines{u"pear", u"Apple"}));
  list.SetSorted(true);
  EXPECT_EQ(Entries(list), (Lines{u"Apple", u"pear"}));
  EXPECT_EQ(list.Add(u"fig"), 1);
  EXPECT_EQ(list.Add(u"zucchini"), 3);
  EXPECT_EQ(Entries(list), (Lines{u"Apple", u"fig", u"pear", u"zucchini"}));

  struct Row {
    std::u16string key;
    bool found;
    int index;
  } rows[] = {
      {u"apple", true, 0},  // case does not matter by default
      {u"FIG", true, 1},   {u"banana", false, 1}, {u"", false, 0}, {u"zz", false, 4}, {u"pea", false, 2},
  };
  for (const auto& r : rows) {
    int index = -7;
    EXPECT_EQ(list.Find(r.key, index), r.found) << ToUtf8(r.key);
    EXPECT_EQ(index, r.index) << ToUtf8(r.key);
  }

  // Put, Insert and Move would break the order.
  EXPECT_THROW(list.Insert(0, u"x"), ScriptError);
  EXPECT_THROW(list.Put(0, u"x"), ScriptError);
  EXPECT_THROW(list.Move(0, 2), ScriptError);

  list.SetCaseSensitive(true);
  int index;
  EXPECT_FALSE(list.Find(u"apple", index));
}

TEST(StringListTest, FindInUnsortedListIsLinear) {
  TStringList list;
  list.SetCommaText(u"c,a,b");
  int index = -1;
  EXPECT_TRUE(list.Find(u"A", index));
  EXPECT_EQ(index, 1);
  EXPECT_FALSE(list.Find(u"d", index));
  EXPECT_EQ(index, 3);
}

TEST(StringListTest, Duplicates) {
  struct Row {
    int32_t mode;
    bool throws;
    int addResult;
    int count;
  } rows[] = {
      {static_cast<int32_t>(TDuplicates::dupIgnore), false, 0, 2},
      {static_cast<int32_t>(TDuplicates::dupAccept), false, 0, 3},
      {static_cast<int32_t>(TDuplicates::dupError), true, -1, 2},
      {7, false, 0, 3},  // unknown values accept
  };
  for (const auto& r : rows) {
    TStringList list;
    list.SetSorted(true);
    list.SetDuplicates(r.mode);
    list.Add(u"b");
    list.Add(u"c");
    if (r.throws) {
      try {
        list.Add(u"B");
        ADD_FAILURE() << "no error for mode " << r.mode;
      } catch (const ScriptError& e) {
        EXPECT_EQ(e.message(), u"String list does not allow duplicates");
      }
    } else {
      EXPECT_EQ(list.Add(u"B"), r.addResult) << r.mode;
    }
    EXPECT_EQ(list.Count(), r.count) << r.mode;
    EXPECT_EQ(list.Duplicates(), r.mode);
  }
  // An unsorted list takes everything.
  TStringList plain;
  plain.SetDuplicates(static_cast<int32_t>(TDuplicates::dupError));
  plain.Add(u"a");
  EXPECT_NO_THROW(plain.Add(u"a"));
}

TEST(StringListTest, CommaTextBothWays) {
  struct Row {
    Lines entries;
    std::u16string text;
  } rows[] = {
      {{u"a", u"b", u"c"}, u"a,b,c"},
      {{u"a b", u"c"}, u"\"a b\",c"},
      {{u"x,y"}, u"\"x,y\""},
      {{u"say \"hi\""}, u"\"say \"\"hi\"\"\""},
      {{u""}, u"\"\""},
      {{u"a", u"", u"b"}, u"a,,b"},
      {{u"", u"a"}, u",a"},
      {{u"tab\there"}, u"\"tab\there\""},
      {{}, u""},
  };
  for (const auto& r : rows) {
    TStringList list;
    for (const auto& e : r.entries) list.Add(e);
    EXPECT_EQ(list.CommaText(), r.text) << ToUtf8(r.text);
    TStringList back;
    back.SetCommaText(r.text);
    EXPECT_EQ(Entries(back), r.entries) << ToUtf8(r.text);
  }
}

TEST(StringListTest, CommaTextReading) {
  struct Row {
    std::u16string text;
    Lines entries;
  } rows[] = {
      {u"  a  b ,c", {u"a", u"b", u"c"}},  // blanks separate too
      {u"a,", {u"a", u""}},                // a final comma adds an empty entry
      {u"\"open", {u"open"}},              // unterminated quote runs to the end
      {u"\"ab\"cd", {u"ab", u"cd"}},
      {u"a, ,b", {u"a", u"", u"b"}},
      {std::u16string(u"a\0b", 3), {u"a", u"b"}},  // NUL is a blank, not an end
  };
  for (const auto& r : rows) {
    TStringList list;
    list.SetCommaText(r.text);
    EXPECT_EQ(Entries(list), r.entries) << ToUtf8(r.text);
  }
}

TEST(StringListTest, NamesAndValues) {
  TStringList list;
  list.SetText(u"a=1\r\nB=two=2\r\nplain\r\n=empty");
  EXPECT_EQ(list.Value(u"a"), u"1");
  EXPECT_EQ(list.Value(u"b"), u"two=2");  // first "=" splits, name ignores case
  EXPECT_EQ(list.Value(u"missing"), u"");
  EXPECT_EQ(list.Value(u"plain"), u"");  // no "=": no name
  EXPECT_EQ(list.Value(u""), u"empty");
  EXPECT_EQ(list.Name(1), u"B");
  EXPECT_EQ(list.Name(2), u"");
  EXPECT_EQ(list.IndexOfName(u"B"), 1);

  list.SetValue(u"c", u"3");
  EXPECT_EQ(list.Get(4), u"c=3");
  list.SetValue(u"A", u"9");
  EXPECT_EQ(list.Get(0), u"A=9");
  list.SetValue(u"b", u"");
  EXPECT_EQ(list.IndexOfName(u"b"), -1);
  EXPECT_EQ(list.Count(), 4);

  // Sorted lists keep their order when a value changes.
  TStringList sorted;
  sorted.SetSorted(true);
  sorted.SetValue(u"m", u"1");
  sorted.SetValue(u"b", u"1");
  sorted.SetValue(u"m", u"0");
  sorted.SetValue(u"a", u"5");
  EXPECT_EQ(Entries(sorted), (Lines{u"a=5", u"b=1", u"m=0"}));
}

TEST(StringListTest, TextSplitsAtEveryLineBreak) {
  struct Row {
    std::u16string text;
    Lines entries;
  } rows[] = {
      {u"a\r\nb", {u"a", u"b"}},
      {u"a\nb\rc", {u"a", u"b", u"c"}},
      {u"a\r\n", {u"a"}},
      {u"\r\n", {u""}},
      {u"", {}},
      {u"a\n\rb", {u"a", u"", u"b"}},
      {u"a\r\n\r\nb", {u"a", u"", u"b"}},
  };
  for (const auto& r : rows) {
    TStringList list;
    list.SetText(r.text);
    EXPECT_EQ(Entries(list), r.entries) << ToUtf8(r.text);
  }
  TStringList list;
  list.Add(u"x");
  list.Add(u"y");
  EXPECT_EQ(list.Text(), u"x\r\ny\r\n");
}

TEST(StringListTest, ListOperations) {
  TStringList list;
  list.SetCommaText(u"a,b,c,d");
  list.Move(0, 2);
  EXPECT_EQ(list.CommaText(), u"b,c,a,d");
  list.Move(3, 0);
  EXPECT_EQ(list.CommaText(), u"d,b,c,a");
  list.Exchange(0, 3);
  EXPECT_EQ(list.CommaText(), u"a,b,c,d");
  list.InsertObject(4, u"e", 42);
  EXPECT_EQ(list.IndexOfObject(42), 4);
  EXPECT_EQ(list.IndexOf(u"E"), -1);  // IndexOf wants the exact text
  EXPECT_EQ(list.IndexOf(u"e"), 4);
  list.Delete(0);
  EXPECT_EQ(list.GetObject(3), 42);

  for (int bad : {-1, 4, 100}) {
    try {
      list.Get(bad);
      ADD_FAILURE();
    } catch (const ScriptError& e) {
      EXPECT_EQ(e.message(), u"List index out of bounds (" + IntToText(bad) + u")");
    }
  }
  EXPECT_THROW(list.Insert(5, u"x"), ScriptError);
  EXPECT_THROW(list.Move(0, 4), ScriptError);

  list.AddStrings(list);  // adding to itself doubles it
  EXPECT_EQ(list.Count(), 8);
}

TEST(StringListTest, AssignCopiesEntriesAndSettings) {
  TStringList source;
  source.SetSorted(true);
  source.SetDuplicates(static_cast<int32_t>(TDuplicates::dupError));
  source.AddObject(u"b", 2);
  source.AddObject(u"a", 1);
  TStringList copy;
  copy.Assign(&source);
  EXPECT_EQ(Entries(copy), (Lines{u"a", u"b"}));
  EXPECT_EQ(copy.GetObject(1), 2);
  EXPECT_TRUE(copy.Sorted());
  EXPECT_THROW(copy.Add(u"A"), ScriptError);

  TStrings base;  // a plain TStrings source goes through Add
  base.Add(u"z");
  base.Add(u"y");
  copy.Assign(&base);
  EXPECT_EQ(Entries(copy), (Lines{u"y", u"z"}));

  TList list;
  try {
    copy.Assign(&list);
    ADD_FAILURE();
  } catch (const ScriptError& e) {
    EXPECT_EQ(e.message(), u"Cannot assign a TList to a TStringList");
    EXPECT_EQ(e.className(), u"EConvertError");
  }
}

class StringListFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("qv_strings_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::u16string PathOf(const std::string& name) { return FromUtf8((dir_ / name).string()); }
  void WriteFile(const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
  }
  std::string ReadFile(const std::string& name) {
    std::ifstream in(dir_ / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  std::filesystem::path dir_;
};

TEST_F(StringListFileTest, LoadDetectsByteOrderMarks) {
  SetAnsiCodePage(kCpGbk);
  struct Row {
    std::string bytes;
    TextEncoding encoding;
  } rows[] = {
      {"\xEF\xBB\xBF\xE4\xB8\xAD\r\nb", TextEncoding::Utf8},
      {std::string("\xFF\xFE\x2D\x4E\r\0\n\0b\0", 10), TextEncoding::Utf16LE},
      {std::string("\xFE\xFF\x4E\x2D\0\r\0\n\0b", 10), TextEncoding::Utf16BE},
      {"\xD6\xD0\nb", TextEncoding::Ansi},  // GBK without a mark
  };
  for (const auto& r : rows) {
    WriteFile("in.txt", r.bytes);
    TStringList list;
    list.LoadFromFile(PathOf("in.txt"));
    EXPECT_EQ(Entries(list), (Lines{u"中", u"b"})) << int(r.encoding);
    EXPECT_EQ(list.Encoding(), r.encoding);
    // Saving writes the same encoding back, mark included.
    list.SaveToFile(PathOf("out.txt"));
    std::string expected = r.bytes;
    EXPECT_EQ(ReadFile("out.txt").substr(0, 2), expected.substr(0, 2)) << int(r.encoding);
    TStringList again;
    again.LoadFromFile(PathOf("out.txt"));
    EXPECT_EQ(Entries(again), Entries(list));
  }
  SetAnsiCodePage(kCpAnsi);
}

TEST_F(StringListFileTest, SavingNeverLosesCharacters) {
  SetAnsiCodePage(kCpWestern);
  TStringList list;
  list.Add(u"caf\u00e9");
  list.SaveToFile(PathOf("latin.txt"));
  EXPECT_EQ(ReadFile("latin.txt"), "caf\xE9\r\n");
  list.Add(u"中文");  // not in the code page: written as UTF-8 with its mark
  list.SaveToFile(PathOf("wide.txt"));
  EXPECT_EQ(ReadFile("wide.txt").substr(0, 3), "\xEF\xBB\xBF");
  TStringList back;
  back.LoadFromFile(PathOf("wide.txt"));
  EXPECT_EQ(Entries(back), Entries(list));
  SetAnsiCodePage(kCpAnsi);
}

TEST_F(StringListFileTest, MissingFileAndStreams) {
  TStringList list;
  list.Add(u"keep");
  EXPECT_THROW(list.LoadFromFile(PathOf("nope.txt")), ScriptError);
  EXPECT_EQ(list.Count(), 1);

  MemoryStream stream("skip\xEF\xBB\xBFx\ny");
  stream.SetPosition(4);  // loading reads from the position on
  list.LoadFromStream(stream);
  EXPECT_EQ(Entries(list), (Lines{u"x", u"y"}));
  MemoryStream out;
  list.SaveToStream(out);
  EXPECT_EQ(out.Data(), "\xEF\xBB\xBFx\r\ny\r\n");
}

}  // namespace
}  // namespace qv
