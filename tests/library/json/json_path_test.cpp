// JSONPath: the examples of RFC 9535 (sections 1.5 and 2.x) with the RFC's
// results, then tables of our own per selector, filter and function, and
// queries that must be refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "library/json/json_document.h"
#include "library/json/json_path.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv::library {
namespace {

struct Row {
  const char* query;
  const char* expected;  // compact JSON of each result, joined by " "
};

std::string Select(const std::string& json, const char* query) {
  const JsonDocument doc = JsonDocument::Parse(json);
  std::string out;
  for (uint32_t n : JsonPath::Compile(FromUtf8(query)).Select(doc)) {
    if (!out.empty()) out += ' ';
    out += doc.Compact(n);
  }
  return out;
}

void CheckRows(const std::string& json, const std::vector<Row>& rows) {
  for (const Row& r : rows) {
    SCOPED_TRACE(r.query);
    try {
      EXPECT_EQ(Select(json, r.query), r.expected);
    } catch (const ScriptError& e) {
      ADD_FAILURE() << e.what();
    }
  }
}

const char* const kBookstore = R"({ "store": {
    "book": [
      { "category": "reference", "author": "Nigel Rees", "title": "Sayings of the Century", "price": 8.95 },
      { "category": "fiction", "author": "Evelyn Waugh", "title": "Sword of Honour", "price": 12.99 },
      { "category": "fiction", "author": "Herman Melville", "title": "Moby Dick", "isbn": "0-553-21311-3",
        "price": 8.99 },
      { "category": "fiction", "author": "J. R. R. Tolkien", "title": "The Lord of the Rings",
        "isbn": "0-395-19395-8", "price": 22.99 }
    ],
    "bicycle": { "color": "red", "price": 399 } } })";

TEST(JsonPathRfc, Overview) {
  const std::string moby =
      R"({"category":"fiction","author":"Herman Melville","title":"Moby Dick","isbn":"0-553-21311-3","price":8.99})";
  const std::string rees =
      R"({"category":"reference","author":"Nigel Rees","title":"Sayings of the Century","price":8.95})";
  const std::string waugh =
      R"({"category":"fiction","author":"Evelyn Waugh","title":"Sword of Honour","price":12.99})";
  const std::string lotr =
      R"({"category":"fiction","author":"J. R. R. Tolkien","title":"The Lord of the Rings","isbn":"0-395-19395-8","price":22.99})";
  const std::string authors = R"("Nigel Rees" "Evelyn Waugh" "Herman Melville" "J. R. R. Tolkien")";
  CheckRows(kBookstore, {
                            {"$.store.book[*].author", authors.c_str()},
                            {"$..author", authors.c_str()},
                            {"$.store..price", "8.95 12.99 8.99 22.99 399"},
                            {"$..book[2]", moby.c_str()},
                            {"$..book[2].author", R"("Herman Melville")"},
                            {"$..book[2].publisher", ""},
                            {"$..book[-1]", lotr.c_str()},
                            {"$..book[?@.isbn]", (moby + " " + lotr).c_str()},
                            {"$..book[?@.price<10]", (rees + " " + moby).c_str()},
                        });
  for (const char* q : {"$..book[0,1]", "$..book[:2]"})
    EXPECT_EQ(Select(kBookstore, q), rees + " " + waugh) << q;
  const std::string store = Select(kBookstore, "$.store.*");
  EXPECT_TRUE(store.ends_with(R"(] {"color":"red","price":399})")) << store;
  const JsonDocument doc = JsonDocument::Parse(kBookstore);
  EXPECT_EQ(JsonPath::Compile(u"$..*").Select(doc).size(), 27u) << "every member value and element once";
}

TEST(JsonPathRfc, RootNameWildcardIndexSlice) {
  CheckRows(R"({"k": "v"})", {{"$", R"({"k":"v"})"}});
  CheckRows(R"({"o": {"j j": {"k.k": 3}}, "'": {"@": 2}})", {
                                                                {"$.o['j j']", R"({"k.k":3})"},
                                                                {"$.o['j j']['k.k']", "3"},
                                                                {R"($.o["j j"]["k.k"])", "3"},
                                                                {R"($["'"]["@"])", "2"},
                                                            });
  CheckRows(R"({"o": {"j": 1, "k": 2}, "a": [5, 3]})", {
                                                           {"$[*]", R"({"j":1,"k":2} [5,3])"},
                                                           {"$.o[*]", "1 2"},
                                                           {"$.o[*, *]", "1 2 1 2"},
                                                           {"$.a[*]", "5 3"},
                                                       });
  CheckRows(R"(["a","b"])", {{"$[1]", R"("b")"}, {"$[0]", R"("a")"}, {"$[-2]", R"("a")"}});
  CheckRows(R"(["a", "b", "c", "d", "e", "f", "g"])", {
                                                          {"$[1:3]", R"("b" "c")"},
                                                          {"$[5:]", R"("f" "g")"},
                                                          {"$[1:5:2]", R"("b" "d")"},
                                                          {"$[5:1:-2]", R"("f" "d")"},
                                                          {"$[::-1]", R"("g" "f" "e" "d" "c" "b" "a")"},
                                                          {"$[0, 3]", R"("a" "d")"},
                                                          {"$[0:2, 5]", R"("a" "b" "f")"},
                                                          {"$[0, 0]", R"("a" "a")"},
                                                      });
}

TEST(JsonPathRfc, FilterSelector) {
  const char* json = R"({ "a": [3, 5, 1, 2, 4, 6, {"b": "j"}, {"b": "k"}, {"b": {}}, {"b": "kilo"}],
                          "o": {"p": 1, "q": 2, "r": 3, "s": 5, "t": {"u": 6}}, "e": "f" })";
  const std::string a = R"([3,5,1,2,4,6,{"b":"j"},{"b":"k"},{"b":{}},{"b":"kilo"}])";
  const std::string o = R"({"p":1,"q":2,"r":3,"s":5,"t":{"u":6}})";
  CheckRows(json, {
                      {"$.a[?@.b == 'kilo']", R"({"b":"kilo"})"},
                      {"$.a[?(@.b == 'kilo')]", R"({"b":"kilo"})"},
                      {"$.a[?@>3.5]", "5 4 6"},
                      {"$.a[?@.b]", R"({"b":"j"} {"b":"k"} {"b":{}} {"b":"kilo"})"},
                      {"$[?@.*]", (a + " " + o).c_str()},
                      {"$[?@[?@.b]]", a.c_str()},
                      {"$.o[?@<3, ?@<3]", "1 2 1 2"},
                      {R"($.a[?@<2 || @.b == "k"])", R"(1 {"b":"k"})"},
                      {R"($.a[?match(@.b, "[jk]")])", R"({"b":"j"} {"b":"k"})"},
                      {R"($.a[?search(@.b, "[jk]")])", R"({"b":"j"} {"b":"k"} {"b":"kilo"})"},
                      {"$.o[?@>1 && @<4]", "2 3"},
                      {"$.o[?@.u || @.x]", R"({"u":6})"},
                      {"$.a[?@.b == $.x]", "3 5 1 2 4 6"},
                      {"$.a[?@ == @]", R"(3 5 1 2 4 6 {"b":"j"} {"b":"k"} {"b":{}} {"b":"kilo"})"},
                  });
}

// Each comparison of the RFC's table, as a filter that selects both
// children of the root when it holds and none when it does not.
TEST(JsonPathRfc, Comparisons) {
  const char* json = R"({"obj": {"x": "y"}, "arr": [2, 3]})";
  const struct {
    const char* comparison;
    bool result;
  } rows[] = {
      {"$.absent1 == $.absent2", true},
      {"$.absent1 <= $.absent2", true},
      {"$.absent == 'g'", false},
      {"$.absent1 != $.absent2", false},
      {"$.absent != 'g'", true},
      {"1 <= 2", true},
      {"1 > 2", false},
      {"13 == '13'", false},
      {"'a' <= 'b'", true},
      {"'a' > 'b'", false},
      {"$.obj == $.arr", false},
      {"$.obj != $.arr", true},
      {"$.obj == $.obj", true},
      {"$.obj != $.obj", false},
      {"$.arr == $.arr", true},
      {"$.arr != $.arr", false},
      {"$.obj == 17", false},
      {"$.obj != 17", true},
      {"$.obj <= $.arr", false},
      {"$.obj < $.arr", false},
      {"$.obj <= $.obj", true},
      {"$.arr <= $.arr", true},
      {"1 <= $.arr", false},
      {"1 >= $.arr", false},
      {"1 > $.arr", false},
      {"1 < $.arr", false},
      {"true <= true", true},
      {"true > true", false},
  };
  for (const auto& r : rows) {
    const std::string q = std::string("$[?") + r.comparison + "]";
    EXPECT_EQ(Select(json, q.c_str()).empty(), !r.result) << r.comparison;
  }
}

TEST(JsonPathRfc, DescendantSegmentAndNull) {
  CheckRows(
      R"({"o": {"j": 1, "k": 2}, "a": [5, 3, [{"j": 4}, {"k": 6}]]})",
      {
          {"$..j", "1 4"},
          {"$..[0]", R"(5 {"j":4})"},
          {"$..[*]",
           R"({"j":1,"k":2} [5,3,[{"j":4},{"k":6}]] 1 2 5 3 [{"j":4},{"k":6}] {"j":4} {"k":6} 4 6)"},
          {"$..*", R"({"j":1,"k":2} [5,3,[{"j":4},{"k":6}]] 1 2 5 3 [{"j":4},{"k":6}] {"j":4} {"k":6} 4 6)"},
          {"$..o", R"({"j":1,"k":2})"},
          {"$.o..[*, *]", "1 2 1 2"},
          {"$.a..[0, 1]", R"(5 3 {"j":4} {"k":6})"},
      });
  CheckRows(R"({"a": null, "b": [null], "c": [{}], "null": 1})", {
                                                                     {"$.a", "null"},
                                                                     {"$.a[0]", ""},
                                                                     {"$.a.d", ""},
                                                                     {"$.b[0]", "null"},
                                                                     {"$.b[*]", "null"},
                                                                     {"$.b[?@]", "null"},
                                                                     {"$.b[?@==null]", "null"},
                                                                     {"$.c[?@.d==null]", ""},
                                                                     {"$.null", "1"},
                                                                 });
}

TEST(JsonPathRfc, FunctionExamples) {
  CheckRows(R"([{"authors": ["a","b","c","d","e"]}, {"authors": ["a"]}, {"authors": "abcdef"}])",
            {{"$[?length(@.authors) >= 5]", R"({"authors":["a","b","c","d","e"]} {"authors":"abcdef"})"}});
  CheckRows(R"([{"a": {"author": 1}, "b": {"author": 2}}, {"a": {"author": 1}}])",
            {{"$[?count(@.*.author) >= 2]", R"({"a":{"author":1},"b":{"author":2}})"}});
  CheckRows(R"([{"date": "1974-05-11"}, {"date": "1974-05-1"}, {"date": "x1974-05-11"}])",
            {{R"($[?match(@.date, "1974-05-..")])", R"({"date":"1974-05-11"})"}});
  CheckRows(R"([{"author": "Bob"}, {"author": "Robert"}, {"author": "bob"}])",
            {{R"($[?search(@.author, "[BR]ob")])", R"({"author":"Bob"} {"author":"Robert"})"}});
  CheckRows(R"([{"x": {"color": "red"}}, {"x": {"color": "red"}, "y": {"color": "red"}}, {"color": "blue"}])",
            {{R"($[?value(@..color) == "red"])", R"({"x":{"color":"red"}})"}});
}

std::string ErrorOf(const char* query) {
  try {
    JsonPath::Compile(FromUtf8(query));
  } catch (const ScriptError& e) {
    return e.what();
  }
  return "accepted";
}

TEST(JsonPathRfc, WellTypedness) {
  for (const char* q : {"$[?length(@) < 3]", "$[?count(@.*) == 1]", "$[?match(@.timezone, 'Europe/.*')]",
                        "$[?value(@..color) == \"red\"]"})
    EXPECT_EQ(ErrorOf(q), "accepted") << q;
  for (const char* q : {"$[?length(@.*) < 3]", "$[?count(1) == 1]",
                        "$[?match(@.timezone, 'Europe/.*') == true]", "$[?value(@..color)]"})
    EXPECT_NE(ErrorOf(q).find("Invalid JSONPath at "), std::string::npos) << q;
}

TEST(JsonPath, InvalidQueriesAreErrors) {
  const char* const invalid[] = {
      "",
      "$.",
      "$..",
      "$[",
      "$[]",
      "a",
      " $",
      "$ ",
      "$.1a",
      "$[01]",
      "$[-0]",
      "$[1.0]",
      "$['a]",
      "$['\\x']",
      "$['\\ud800']",
      "$[?true]",
      "$[?1]",
      "$[?@.* == 1]",
      "$[?foo(@)]",
      "$[9007199254740992]",
      "$[?@.a=1]",
      "$.a b",
      "$[?(@.a]",
      "$[?@.a == 1 == 2]",
      "$. a",
      "$[?length(@, @)]",
      "$[?!1]",
      "$[?@.a && ]",
      "$..['a' 'b']",
      "$[?count(@.a) == (1)]",
      "$[?'a']",
      "$[?@ == [1]]",
  };
  for (const char* q : invalid)
    EXPECT_EQ(ErrorOf(q).rfind("Invalid JSONPath at ", 0), 0u) << q << ": " << ErrorOf(q);
  EXPECT_EQ(ErrorOf("$.1a"), "Invalid JSONPath at 3: expected a member name");
  const std::string deep = "$[?" + std::string(100000, '(') + "@" + std::string(100000, ')') + "]";
  EXPECT_EQ(ErrorOf(deep.c_str()), "Invalid JSONPath at 260: expression nested too deeply");
  std::string filters = "$";
  for (int i = 0; i < 300; ++i) filters += "[?@";
  EXPECT_EQ(ErrorOf((filters + std::string(300, ']')).c_str()).rfind("Invalid JSONPath at ", 0), 0u);
  EXPECT_EQ(ErrorOf("$[?foo(@)]"), "Invalid JSONPath at 4: unknown function foo()");
  EXPECT_EQ(ErrorOf("$['\xc3\xa9' , 'x' 'y']"), "Invalid JSONPath at 13: expected \",\" or \"]\"");
}

TEST(JsonPath, SelectorsAndWhitespace) {
  CheckRows(R"({"a": [0, 1, 2, 3, 4, 5], "é": 1, "_x9": 2, "b": {"c": {"c": 7}}})",
            {
                {"$.a[-1:]", "5"},
                {"$.a[:-4]", "0 1"},
                {"$.a[::2]", "0 2 4"},
                {"$.a[-1:-4:-1]", "5 4 3"},
                {"$.a[10:]", ""},
                {"$.a[::0]", ""},
                {"$.a[-100:100:3]", "0 3"},
                {"$.a[6]", ""},
                {"$.a[-7]", ""},
                {"$.é", "1"},
                {"$._x9", "2"},
                {"$ [ 'a' , 1 ]", "[0,1,2,3,4,5]"},
                {"$[ 'a' ][ 1 : 3 ]", "1 2"},
                {"$..c", R"({"c":7} 7)"},
                {"$.b..c.c", "7"},
                {"$['\\u00e9']", "1"},
                {"$[?@ == 1, 'a'][0]", "0"},
            });
}

TEST(JsonPath, FiltersCompareByValue) {
  CheckRows(R"([1.0, 1e2, 100.00, 99, 123456789012345678901234567890, "1", -0, 0.5e-1, [1, {"a": 1.0}]])",
            {
                {"$[?@ == 100]", "1e2 100.00"},
                {"$[?@ == 1]", "1.0"},
                {"$[?@ > 123456789012345678901234567889]", "123456789012345678901234567890"},
                {"$[?@ == 0]", "-0"},
                {"$[?@ < 0.1 && @ > 0]", "0.5e-1"},
                {"$[?@ == $[8]]", R"([1,{"a":1.0}])"},
                {"$[?@ == '1']", R"("1")"},
                {"$[?@ >= 'a']", ""},
                {"$[?!(@ < 50)]", R"(1e2 100.00 99 123456789012345678901234567890 "1" [1,{"a":1.0}])"},
            });
}

TEST(JsonPath, Functions) {
  CheckRows(R"(["a\nb", "a\rb", "axb", "a\u00e9b", "AB", "ab", "^a", "12", "", {"k": [1, 2]}])",
            {
                {"$[?match(@, 'a.b')]", R"("axb" "aéb")"},
                {"$[?search(@, '.')]", R"("a\nb" "a\rb" "axb" "aéb" "AB" "ab" "^a" "12")"},
                {"$[?match(@, '\\\\p{Lu}+')]", R"("AB")"},
                {"$[?match(@, '[^a-z]+')]", R"("AB" "12")"},
                {"$[?match(@, '^a')]", R"("^a")"},
                {"$[?match(@, '\\\\d+')]", ""},
                {"$[?match(@, 'a{1')]", ""},
                {"$[?match(@, '\\\\p{\u00cc}+')]", ""},
                {"$[?match(@, '[\\\\p{Nd}x]+')]", R"("12")"},
                {"$[?match(@, '')]", R"("")"},
                {"$[?match(@, 'ab|AB')]", R"("AB" "ab")"},
                {"$[?search(@, 'b$')]", ""},
                {"$[?length(@) == 3]", R"("a\nb" "a\rb" "axb" "aéb")"},
                {"$[?length(@.k) == 2]", R"({"k":[1,2]})"},
                {"$[?count(@.k[*]) == 2]", R"({"k":[1,2]})"},
                {"$[?value(@.k[0]) == 1]", R"({"k":[1,2]})"},
                {"$[?length(1) == 1]", ""},
                {"$[?length('ab') == 2]", R"("a\nb" "a\rb" "axb" "aéb" "AB" "ab" "^a" "12" "" {"k":[1,2]})"},
                {"$[?match(@, $[5])]", R"("ab")"},
            });
}

}  // namespace
}  // namespace qv::library
