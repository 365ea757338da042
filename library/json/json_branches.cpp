// The JSON functions: their declarations and the dispatcher's branches.
#include "library/branches.h"
#include "library/json/json_document.h"
#include "library/json/json_path.h"
#include "library/json/json_pointer.h"
#include "library/strings/array_values.h"
#include "support/text.h"

namespace qv::library {

namespace {

constexpr Declaration kDeclarations[] = {
    {u"function jsonpath(Json:string;Query:string;AsJson:boolean=false):ArrayString;",
     u"Every value a JSONPath query selects in a JSON text.",
     u"Runs an RFC 9535 JSONPath query and returns the selected values in the query's order: a string as its "
     u"text and any other value as compact JSON, or, with AsJson true, every value as compact JSON. An invalid "
     u"query raises \"Invalid JSONPath at N: ...\" and invalid JSON \"Invalid JSON at N: ...\"; numbers keep the "
     u"text they were written with.",
     u"jsonpath('{\"a\":[1,2.50,{\"b\":\"x\"}]}', '$.a[*]')  // [\"1\", \"2.50\", \"{\\\"b\\\":\\\"x\\\"}\"]"},
    {u"function jsonget(Json:string;Query:string;Default:string=''):string;",
     u"The first value a JSONPath query selects, or a default.",
     u"Gives the first value jsonpath would give, a string as its text and anything else as compact JSON. When "
     u"the query selects nothing the result is Default.",
     u"jsonget('{\"user\":{\"name\":\"Ann\"}}', '$.user.name')  // Ann"},
    {u"function jsonset(Json:string;Pointer:string;Value:variant;AsJson:boolean=false):string;",
     u"A JSON text with one value set at a JSON Pointer.",
     u"Sets the value at an RFC 6901 JSON Pointer, making objects for missing members on the way; \"-\" appends "
     u"to an array. The value is written by its script type (text as a string, numbers, Booleans, Null as null, "
     u"arrays element by element) or parsed as JSON when AsJson is true; an empty Json counts as \"{}\".",
     u"jsonset('{}', '/q', 'x')  // {\"q\":\"x\"}"},
    {u"function jsonquote(Text:string):string;", u"A text as a JSON string literal.",
     u"Puts the text in double quotes with quotes, backslashes and control characters escaped. The result can "
     u"be put into JSON text as it is.",
     u"jsonquote('say \"hi\"')  // \"say \\\"hi\\\"\""},
};

std::u16string Text(Caller& c, int i) { return ToText(c.GetParam(i)); }

JsonDocument ParseText(std::u16string_view json) { return JsonDocument::Parse(ToUtf8(json)); }

struct Selection {
  JsonDocument doc;
  std::vector<uint32_t> nodes;
};

// The query first: a broken query is reported whatever the document.
Selection Select(Caller& c) {
  const JsonPath query = JsonPath::Compile(Text(c, 1));
  Selection s{ParseText(Text(c, 0)), {}};
  s.nodes = query.Select(s.doc);
  return s;
}

std::u16string ResultText(const JsonDocument& doc, uint32_t n, bool asJson) {
  if (!asJson && doc.Kind(n) == JsonKind::String) return FromUtf8(doc.Text(n));
  return FromUtf8(doc.Compact(n));
}

Value JsonPathBranch(Caller& c) {
  const Selection s = Select(c);
  const bool asJson = ToBool(c.GetParam(2));
  std::vector<std::u16string> out;
  out.reserve(s.nodes.size());
  for (uint32_t n : s.nodes) out.push_back(ResultText(s.doc, n, asJson));
  return TextListValue(std::move(out));
}

Value JsonGetBranch(Caller& c) {
  const Selection s = Select(c);
  if (s.nodes.empty()) return Value::Text(Text(c, 2));
  return Value::Text(ResultText(s.doc, s.nodes[0], false));
}

Value JsonSetBranch(Caller& c) {
  std::u16string json = Text(c, 0);
  if (json.empty()) json = u"{}";
  const JsonDocument doc = ParseText(json);
  std::string value;
  if (ToBool(c.GetParam(3))) {
    const JsonDocument parsed = ParseText(Text(c, 2));
    value = parsed.Compact(parsed.Root());
  } else {
    value = ValueToJson(c.GetParam(2));
  }
  return Value::Text(FromUtf8(JsonSet(doc, Text(c, 1), value)));
}

Value JsonQuoteBranch(Caller& c) { return Value::Text(JsonQuote(Text(c, 0))); }

constexpr Branch kBranches[] = {
    {u"JSONPATH", JsonPathBranch},
    {u"JSONGET", JsonGetBranch},
    {u"JSONSET", JsonSetBranch},
    {u"JSONQUOTE", JsonQuoteBranch},
};

}  // namespace

std::span<const Branch> JsonBranches() { return kBranches; }
std::span<const Declaration> JsonDeclarations() { return kDeclarations; }

}  // namespace qv::library
