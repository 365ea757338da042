// JSON documents: what parsing keeps, what it refuses and where, and the
// values jsonset and jsonquote write.
#include <gtest/gtest.h>

#include <string>

#include "library/json/json_document.h"
#include "library/json/json_pointer.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv::library {
namespace {

std::string Roundtrip(const std::string& json) {
  const JsonDocument doc = JsonDocument::Parse(json);
  return doc.Compact(doc.Root());
}

std::string ErrorOf(const std::string& json) {
  try {
    JsonDocument::Parse(json);
  } catch (const ScriptError& e) {
    return e.what();
  }
  return "accepted";
}

TEST(JsonDocument, KeepsNumberTextOrderAndDuplicates) {
  EXPECT_EQ(Roundtrip(R"( [1.0, -0, 1E+2, 123456789012345678901234567890, 0.1e-7] )"),
            "[1.0,-0,1E+2,123456789012345678901234567890,0.1e-7]");
  EXPECT_EQ(Roundtrip(R"({"z":1,"a":{"y":[],"x":{}},"z":2})"), R"({"z":1,"a":{"y":[],"x":{}},"z":2})");
  EXPECT_EQ(Roundtrip(R"("a\"b\\c\/d\u00e9\ud83d\ude00\n\u0001")"),
            "\"a\\\"b\\\\c/d\xc3\xa9\xf0\x9f\x98\x80\\n\\u0001\"");
  EXPECT_EQ(Roundtrip(" true "), "true");
  EXPECT_EQ(Roundtrip("null"), "null");
  EXPECT_EQ(Roundtrip("-5"), "-5");
}

TEST(JsonDocument, InvalidTextIsAnErrorWithItsPosition) {
  for (const char* bad :
       {"",      " ",          "[",       "[1,]", "{\"a\" 1}", "01",           "[1 2]",   "tru",   "\"a",
        "[1] x", "{\"a\":1,}", "[-]",     "[1.]", "[.5]",      "[+1]",         "[1e]",    "[NaN]", "{a:1}",
        "['a']", "[\"\t\"]",   "\"\\x\"", "[1]]", "}",         "[true false]", "\"\xff\""})
    EXPECT_EQ(ErrorOf(bad).rfind("Invalid JSON at ", 0), 0u) << bad << ": " << ErrorOf(bad);
  EXPECT_EQ(ErrorOf("[1, 2, 01]").rfind("Invalid JSON at 8: ", 0), 0u) << ErrorOf("[1, 2, 01]");
  // Positions count UTF-16 units: "é" is one, the emoji two.
  EXPECT_EQ(ErrorOf("[\"\xc3\xa9\xf0\x9f\x98\x80\", tru]").rfind("Invalid JSON at 9: ", 0), 0u)
      << ErrorOf("[\"\xc3\xa9\xf0\x9f\x98\x80\", tru]");
}

TEST(JsonDocument, NestingDeeperThan1024IsAnError) {
  const std::string ok = std::string(1024, '[') + std::string(1024, ']');
  EXPECT_EQ(ErrorOf(ok), "accepted");
  const std::string deep = std::string(1025, '[') + std::string(1025, ']');
  EXPECT_EQ(ErrorOf(deep).rfind("Invalid JSON at ", 0), 0u);
  std::string objects;
  for (int i = 0; i < 100000; ++i) objects += "{\"a\":";
  EXPECT_EQ(ErrorOf(objects + "1" + std::string(100000, '}')).rfind("Invalid JSON at ", 0), 0u);
}

TEST(JsonDocument, NumbersCompareExactly) {
  const struct {
    const char *a, *b;
    int c;
  } rows[] = {
      {"1", "1.0", 0},
      {"1e2", "100", 0},
      {"-0", "0", 0},
      {"0.1", "1e-1", 0},
      {"2", "10", -1},
      {"-2", "-10", 1},
      {"-1", "1", -1},
      {"0", "-0.5", 1},
      {"123456789012345678901234567891", "123456789012345678901234567890", 1},
      {"1e999999999999999999", "1e999999999999999998", 0},  // exponents past 10^15 saturate
      {"9.99", "10", -1},
      {"0.001", "0.01", -1},
      {"10.0", "1e1", 0},
      {"0.0010", "1e-3", 0},
      {"-0.0", "0", 0},
      {"100", "99.999", 1},
      {"12.5", "12.50001", -1},
      {"-12.5", "-12.50001", 1},
  };
  for (const auto& r : rows) EXPECT_EQ(CompareJsonNumbers(r.a, r.b), r.c) << r.a << " " << r.b;
}

std::string Set(const char* json, const char16_t* pointer, const char* value) {
  return JsonSet(JsonDocument::Parse(json), pointer, value);
}

TEST(JsonSet, PointersMakeObjectsAndAppend) {
  const struct {
    const char* json;
    const char16_t* pointer;
    const char* value;
    const char* expected;
  } rows[] = {
      {"{}", u"/q", R"("x")", R"({"q":"x"})"},
      {"{}", u"/a/b/c", "1", R"({"a":{"b":{"c":1}}})"},
      {R"({"a":1,"b":2})", u"/a", "[true]", R"({"a":[true],"b":2})"},
      {R"({"a":{"x":1.50}})", u"/a/y", "2", R"({"a":{"x":1.50,"y":2}})"},
      {"[1,2]", u"/-", "3", "[1,2,3]"},
      {"[1,2]", u"/2", "3", "[1,2,3]"},
      {"[1,2]", u"/0", "null", "[null,2]"},
      {"[]", u"/-/a", "1", R"([{"a":1}])"},
      {R"({"a/b":1,"m~n":2})", u"/a~1b", "3", R"({"a/b":3,"m~n":2})"},
      {R"({"a/b":1,"m~n":2})", u"/m~0n", "4", R"({"a/b":1,"m~n":4})"},
      {R"({"":1})", u"/", "2", R"({"":2})"},
      {R"({"a":1})", u"", R"({"new":true})", R"({"new":true})"},
      {R"({"a":[{"b":1}]})", u"/a/0/c", "2", R"({"a":[{"b":1,"c":2}]})"},
  };
  for (const auto& r : rows) EXPECT_EQ(Set(r.json, r.pointer, r.value), r.expected) << r.json;
}

TEST(JsonSet, BadPointersAreErrors) {
  const struct {
    const char* json;
    const char16_t* pointer;
  } rows[] = {
      {"{}", u"a"},    {"{}", u"/a~2"}, {"{}", u"/a~"},          {"[1]", u"/2"},
      {"[1]", u"/01"}, {"[1]", u"/x"},  {R"({"a":1})", u"/a/b"}, {R"({"a":null})", u"/a/b"},
      {"[1]", u"/-1"},
  };
  for (const auto& r : rows) EXPECT_THROW(Set(r.json, r.pointer, "1"), ScriptError) << r.json;
}

TEST(JsonSet, ScriptValuesByType) {
  EXPECT_EQ(ValueToJson(Value::Text(u"a\"\x01\xd800")), R"("a\"\u0001\ud800")");
  EXPECT_EQ(ValueToJson(Value::Int(-3)), "-3");
  EXPECT_EQ(ValueToJson(Value::Int64(9007199254740993)), "9007199254740993");
  EXPECT_EQ(ValueToJson(Value::Double(0.1)), "0.1");
  EXPECT_EQ(ValueToJson(Value::CurrencyScaled(15000)), "1.5");
  EXPECT_EQ(ValueToJson(Value::Bool(false)), "false");
  EXPECT_EQ(ValueToJson(Value::Null()), "null");
  EXPECT_EQ(ValueToJson(Value::Array({Value::Int(1), Value::Text(u"b")})), R"([1,"b"])");
  EXPECT_THROW(ValueToJson(Value::Double(1.0 / 0.0)), ScriptError);
}

TEST(JsonQuote, EscapesWhatJsonRequires) {
  EXPECT_EQ(JsonQuote(u"say \"hi\"\\\n\t\x1f/é😀"), u"\"say \\\"hi\\\"\\\\\\n\\t\\u001f/é😀\"");
  EXPECT_EQ(JsonQuote(std::u16string(1, char16_t(0xDC00))), u"\"\\udc00\"");
}

}  // namespace
}  // namespace qv::library
