// The JSON functions: their declarations and the dispatcher's branches.
#include "library/branches.h"
#include "library/json/json_document.h"
#include "library/json/json_path.h"
#include "library/json/json_pointer.h"
#include "library/strings/array_values.h"
#include "support/text.h"

namespace qv::library {

namespace {

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

}  // namespace qv::library
