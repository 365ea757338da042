// Running a compiled query: segments turn a list of nodes into the next
// list; filters evaluate their expression with each child as the current
// node. Comparisons and functions follow the RFC: an empty node list is
// Nothing, which equals only Nothing and is ordered with nothing.
#include <algorithm>
#include <map>
#include <optional>

#include "library/json/i_regexp.h"
#include "library/json/json_path.h"
#include "library/json/json_path_ast.h"
#include "support/errors.h"
#include "support/regex.h"

namespace qv::library {

namespace jsonpath {

namespace {

// A value inside a filter: a node of some document, a number a function
// made, or Nothing.
struct Val {
  const JsonDocument* doc = nullptr;  // null and no `own`: Nothing
  uint32_t node = 0;
  std::optional<JsonDocument> own;

  static Val Nothing() { return {}; }
  static Val Of(const JsonDocument& d, uint32_t n) { return Val{&d, n, std::nullopt}; }
  static Val Number(size_t n) {
    return Val{nullptr, 0, JsonDocument::Scalar(JsonKind::Number, std::to_string(n))};
  }
  bool IsNothing() const { return !doc && !own; }
  const JsonDocument& Doc() const { return own ? *own : *doc; }
  JsonKind Kind() const { return Doc().Kind(node); }
  std::string_view Text() const { return Doc().Text(node); }
};

bool Equal(const Val& a, const Val& b) {
  if (a.IsNothing() || b.IsNothing()) return a.IsNothing() && b.IsNothing();
  return JsonEqual(a.Doc(), a.node, b.Doc(), b.node);
}

// Only numbers with numbers and strings with strings are ordered; strings
// by code points, which UTF-8's byte order keeps.
bool Less(const Val& a, const Val& b) {
  if (a.IsNothing() || b.IsNothing()) return false;
  const JsonKind k = a.Kind();
  if (k != b.Kind()) return false;
  if (k == JsonKind::Number) return CompareJsonNumbers(a.Text(), b.Text()) < 0;
  if (k == JsonKind::String) return a.Text() < b.Text();
  return false;
}

class Evaluator {
 public:
  Evaluator(const JsonDocument& doc, uint32_t root) : doc_(doc), root_(root) {}

  std::vector<uint32_t> Run(const Query& q, uint32_t current) {
    std::vector<uint32_t> nodes{q.relative ? current : root_};
    std::vector<uint32_t> next;
    for (const Segment& seg : q.segments) {
      next.clear();
      for (uint32_t n : nodes) {
        if (seg.descendant) {
          Descend(seg, n, next);
        } else {
          ApplySelectors(seg, n, next);
        }
      }
      nodes.swap(next);
      if (nodes.empty()) break;
    }
    return nodes;
  }

 private:
  // The node itself, then its descendants, each before its own descendants
  // and array elements in order.
  void Descend(const Segment& seg, uint32_t n, std::vector<uint32_t>& out) {
    ApplySelectors(seg, n, out);
    const JsonKind k = doc_.Kind(n);
    if (k == JsonKind::Array || k == JsonKind::Object)
      doc_.ForEachChild(n, [&](uint32_t, uint32_t v) { Descend(seg, v, out); });
  }

  void ApplySelectors(const Segment& seg, uint32_t n, std::vector<uint32_t>& out) {
    for (const Selector& s : seg.selectors) Apply(s, n, out);
  }

  void Apply(const Selector& s, uint32_t n, std::vector<uint32_t>& out) {
    const JsonKind k = doc_.Kind(n);
    switch (s.kind) {
      case SelectorKind::Name:
        if (k == JsonKind::Object)
          if (uint32_t m = doc_.Member(n, s.name)) out.push_back(m);
        return;
      case SelectorKind::Wildcard:
        if (k == JsonKind::Array || k == JsonKind::Object)
          doc_.ForEachChild(n, [&](uint32_t, uint32_t v) { out.push_back(v); });
        return;
      case SelectorKind::Index:
        if (k == JsonKind::Array)
          if (auto e = Element(n, s.index)) out.push_back(*e);
        return;
      case SelectorKind::Slice:
        if (k == JsonKind::Array) Slice(s, n, out);
        return;
      case SelectorKind::Filter:
        if (k == JsonKind::Array || k == JsonKind::Object)
          doc_.ForEachChild(n, [&](uint32_t, uint32_t v) {
            if (Test(*s.filter, v)) out.push_back(v);
          });
        return;
    }
  }

  std::optional<uint32_t> Element(uint32_t array, int64_t index) {
    const int64_t len = doc_.Node(array).count;
    if (index < 0) index += len;
    if (index < 0 || index >= len) return std::nullopt;
    uint32_t c = array + 1;
    for (int64_t i = 0; i < index; ++i) c = doc_.Node(c).end;
    return c;
  }

  void Slice(const Selector& s, uint32_t array, std::vector<uint32_t>& out) {
    if (s.step == 0) return;
    const std::vector<uint32_t> elements = doc_.Elements(array);
    const int64_t len = static_cast<int64_t>(elements.size());
    auto normalize = [len](int64_t i) { return i >= 0 ? i : len + i; };
    if (s.step > 0) {
      const int64_t lower = std::clamp<int64_t>(normalize(s.start.value_or(0)), 0, len);
      const int64_t upper = std::clamp<int64_t>(normalize(s.end.value_or(len)), 0, len);
      for (int64_t i = lower; i < upper; i += s.step) out.push_back(elements[i]);
    } else {
      const int64_t upper = std::clamp<int64_t>(normalize(s.start.value_or(len - 1)), -1, len - 1);
      const int64_t lower = std::clamp<int64_t>(normalize(s.end.value_or(-len - 1)), -1, len - 1);
      for (int64_t i = upper; lower < i; i += s.step) out.push_back(elements[i]);
    }
  }

  // A singular query walked without lists: the node, or nothing.
  std::optional<uint32_t> Singular(const Query& q, uint32_t current) {
    uint32_t n = q.relative ? current : root_;
    for (const Segment& seg : q.segments) {
      const Selector& s = seg.selectors[0];
      if (s.kind == SelectorKind::Name) {
        if (doc_.Kind(n) != JsonKind::Object) return std::nullopt;
        n = doc_.Member(n, s.name);
        if (n == 0) return std::nullopt;
      } else {
        if (doc_.Kind(n) != JsonKind::Array) return std::nullopt;
        auto e = Element(n, s.index);
        if (!e) return std::nullopt;
        n = *e;
      }
    }
    return n;
  }

  bool Test(const Expr& e, uint32_t current) {
    switch (e.kind) {
      case ExprKind::Or:
        for (const auto& o : e.operands)
          if (Test(*o, current)) return true;
        return false;
      case ExprKind::And:
        for (const auto& o : e.operands)
          if (!Test(*o, current)) return false;
        return true;
      case ExprKind::Not:
        return !Test(*e.operands[0], current);
      case ExprKind::Compare:
        return Compare(e.op, ValueOf(*e.operands[0], current), ValueOf(*e.operands[1], current));
      case ExprKind::Query:
        if (e.query->Singular()) return Singular(*e.query, current).has_value();
        return !Run(*e.query, current).empty();
      case ExprKind::Function:
        return LogicalFunction(e, current);
      case ExprKind::Literal:
        break;
    }
    return false;
  }

  static bool Compare(CompareOp op, const Val& a, const Val& b) {
    switch (op) {
      case CompareOp::Eq:
        return Equal(a, b);
      case CompareOp::Ne:
        return !Equal(a, b);
      case CompareOp::Lt:
        return Less(a, b);
      case CompareOp::Le:
        return Less(a, b) || Equal(a, b);
      case CompareOp::Gt:
        return Less(b, a);
      case CompareOp::Ge:
        return Less(b, a) || Equal(a, b);
    }
    return false;
  }

  Val ValueOf(const Expr& e, uint32_t current) {
    switch (e.kind) {
      case ExprKind::Literal:
        return Val::Of(*e.literal, 0);
      case ExprKind::Query: {
        auto n = Singular(*e.query, current);
        return n ? Val::Of(doc_, *n) : Val::Nothing();
      }
      case ExprKind::Function:
        return ValueFunction(e, current);
      default:
        return Val::Nothing();
    }
  }

  Val ValueFunction(const Expr& e, uint32_t current) {
    switch (e.function) {
      case FunctionId::Length: {
        const Val v = ValueOf(*e.operands[0], current);
        if (v.IsNothing()) return v;
        switch (v.Kind()) {
          case JsonKind::String: {
            size_t scalars = 0;
            for (char c : v.Text()) scalars += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
            return Val::Number(scalars);
          }
          case JsonKind::Array:
          case JsonKind::Object:
            return Val::Number(v.Doc().Node(v.node).count);
          default:
            return Val::Nothing();
        }
      }
      case FunctionId::Count:
        return Val::Number(Run(*e.operands[0]->query, current).size());
      case FunctionId::Value: {
        const auto nodes = Run(*e.operands[0]->query, current);
        return nodes.size() == 1 ? Val::Of(doc_, nodes[0]) : Val::Nothing();
      }
      default:
        return Val::Nothing();
    }
  }

  bool LogicalFunction(const Expr& e, uint32_t current) {
    const Val subject = ValueOf(*e.operands[0], current);
    const Val pattern = ValueOf(*e.operands[1], current);
    if (subject.IsNothing() || pattern.IsNothing()) return false;
    if (subject.Kind() != JsonKind::String || pattern.Kind() != JsonKind::String) return false;
    TRegExp* rx = Regex(pattern.Text(), e.function == FunctionId::Match);
    if (!rx) return false;
    try {
      rx->SetValidSubject(std::string(subject.Text()));
      return rx->Match();
    } catch (const ScriptError&) {
      return false;  // over the match limits: no match
    }
  }

  // The compiled pattern, made once per evaluation; null when the text is
  // not an I-Regexp.
  TRegExp* Regex(std::string_view pattern, bool whole) {
    std::string key(1, whole ? 'm' : 's');
    key += pattern;
    auto it = regexes_.find(key);
    if (it != regexes_.end()) return it->second.get();
    std::unique_ptr<TRegExp> rx;
    if (auto pcre = IRegexpToPcre(pattern)) {
      rx = CreateRegEx();
      rx->SetOptions({});
      rx->SetState({});
      rx->SetRegEx(whole ? "\\A(?:" + *pcre + ")\\z" : *pcre);
      try {
        rx->Compile();
      } catch (const ScriptError&) {
        rx.reset();
      }
    }
    return regexes_.emplace(std::move(key), std::move(rx)).first->second.get();
  }

  const JsonDocument& doc_;
  uint32_t root_;
  std::map<std::string, std::unique_ptr<TRegExp>> regexes_;
};

}  // namespace

std::vector<uint32_t> Evaluate(const Query& query, const JsonDocument& doc, uint32_t root, uint32_t current) {
  return Evaluator(doc, root).Run(query, current);
}

}  // namespace jsonpath

JsonPath::JsonPath(std::unique_ptr<jsonpath::Query> query) : query_(std::move(query)) {}
JsonPath::JsonPath(JsonPath&&) noexcept = default;
JsonPath& JsonPath::operator=(JsonPath&&) noexcept = default;
JsonPath::~JsonPath() = default;

JsonPath JsonPath::Compile(std::u16string_view query) {
  auto q = jsonpath::Parse(query);
  jsonpath::CheckTypes(*q);
  return JsonPath(std::move(q));
}

std::vector<uint32_t> JsonPath::Select(const JsonDocument& doc) const {
  return jsonpath::Evaluate(*query_, doc, doc.Root(), doc.Root());
}

}  // namespace qv::library
