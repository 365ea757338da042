#include "library/json/json_document.h"

#include <simdjson.h>

#include <algorithm>
#include <memory>
#include <new>

#include "support/errors.h"
#include "support/text.h"

namespace qv::library {

namespace od = simdjson::ondemand;

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::string_view TrimTrailingBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

// Walks simdjson's on-demand iterator once over the whole text and lays the
// values out as nodes. Everything the iterator leaves unchecked (number and
// atom spelling, the depth) is checked here.
class JsonBuilder {
 public:
  JsonBuilder(std::string_view json, JsonDocument& doc) : json_(json), doc_(doc) {}

  void Build(od::parser& parser) {
    simdjson::padded_string_view input(json_.data(), json_.size(), json_.size() + simdjson::SIMDJSON_PADDING);
    doc_.arena_.reserve(json_.size());
    doc_.nodes_.reserve(json_.size() / 8 + 1);
    od::document d;
    Check(parser.iterate(input).get(d), nullptr);
    doc_ptr_ = &d;
    bool scalar = false;
    Check(d.is_scalar().get(scalar));
    // Anything after the root value is an error.
    const char* rest = nullptr;
    if (scalar) {
      rest = ScalarRoot(d);
      while (rest < json_.data() + json_.size() && IsBlank(*rest)) ++rest;
    } else {
      od::value root;
      Check(d.get_value().get(root));
      Value(root, 1);
      if (d.current_location().get(rest)) rest = nullptr;
    }
    if (rest && rest < json_.data() + json_.size()) Fail(rest, "unexpected text after the value");
  }

 private:
  [[noreturn]] void Fail(const char* at, std::string_view reason) {
    size_t offset = at && at >= json_.data() ? static_cast<size_t>(at - json_.data()) : json_.size();
    ThrowInvalidJson(json_, std::min(offset, json_.size()), reason);
  }

  void Check(simdjson::error_code e, const char* at) {
    if (e) Fail(at, simdjson::error_message(e));
  }
  void Check(simdjson::error_code e) {
    if (!e) return;
    const char* at = nullptr;
    if (doc_ptr_ && doc_ptr_->current_location().get(at)) at = nullptr;
    Fail(at, simdjson::error_message(e));
  }

  uint32_t Add(JsonKind kind, std::string_view text = {}) {
    JsonNode n{kind, 0, 0, static_cast<uint32_t>(doc_.arena_.size()), static_cast<uint32_t>(text.size())};
    doc_.arena_.append(text);
    doc_.nodes_.push_back(n);
    const auto i = static_cast<uint32_t>(doc_.nodes_.size() - 1);
    doc_.nodes_[i].end = i + 1;
    return i;
  }

  void Atom(std::string_view raw) {
    std::string_view t = TrimTrailingBlanks(raw);
    if (t == "true") {
      Add(JsonKind::True);
    } else if (t == "false") {
      Add(JsonKind::False);
    } else if (t == "null") {
      Add(JsonKind::Null);
    } else if (IsJsonNumber(t)) {
      Add(JsonKind::Number, t);
    } else {
      Fail(t.data(), "not a value");
    }
  }

  void Container(od::value& v, od::json_type type, int depth) {
    if (depth > kMaxJsonDepth) Fail(v.raw_json_token().data(), "nested deeper than 1024 levels");
    const uint32_t self = Add(type == od::json_type::array ? JsonKind::Array : JsonKind::Object);
    uint32_t count = 0;
    if (type == od::json_type::array) {
      od::array a;
      Check(v.get_array().get(a));
      for (auto element : a) {
        od::value x;
        Check(std::move(element).get(x));
        Value(x, depth + 1);
        ++count;
      }
    } else {
      od::object o;
      Check(v.get_object().get(o));
      for (auto member : o) {
        od::field f;
        Check(std::move(member).get(f));
        std::string_view key;
        Check(f.unescaped_key().get(key));
        Add(JsonKind::String, key);
        Value(f.value(), depth + 1);
        ++count;
      }
    }
    doc_.nodes_[self].count = count;
    doc_.nodes_[self].end = static_cast<uint32_t>(doc_.nodes_.size());
  }

  void Value(od::value v, int depth) {
    od::json_type type;
    Check(v.type().get(type));
    switch (type) {
      case od::json_type::array:
      case od::json_type::object:
        Container(v, type, depth);
        return;
      case od::json_type::string: {
        std::string_view s;
        Check(v.get_string().get(s));
        Add(JsonKind::String, s);
        return;
      }
      default:
        Atom(v.raw_json_token());
    }
  }

  // The root scalar; returns where its text ends.
  const char* ScalarRoot(od::document& d) {
    od::json_type type;
    Check(d.type().get(type));
    std::string_view raw;
    Check(d.raw_json_token().get(raw));
    raw = TrimTrailingBlanks(raw);
    if (type == od::json_type::string) {
      std::string_view s;
      Check(d.get_string().get(s));
      Add(JsonKind::String, s);
    } else {
      Atom(raw);
    }
    return raw.data() + raw.size();
  }

  std::string_view json_;
  JsonDocument& doc_;
  od::document* doc_ptr_ = nullptr;
};

JsonDocument JsonDocument::Parse(std::string json) {
  const size_t length = json.size();
  // Node offsets are 32-bit, as are the parser's own.
  if (length > 0xFFFFFFFFu - simdjson::SIMDJSON_PADDING) ThrowInvalidJson(json, 0, "text longer than 4 GB");
  json.append(simdjson::SIMDJSON_PADDING, ' ');
  std::string_view text(json.data(), length);
  JsonDocument doc;
  JsonBuilder builder(text, doc);
  // A parser keeps buffers sized for the largest text it has seen: reuse
  // one per thread for ordinary texts, and let a large one go afterwards.
  // The parser's own depth bound lies beyond ours, so ours reports first.
  constexpr size_t kKeptParser = 4 << 20;
  constexpr size_t kParserDepth = kMaxJsonDepth + 8;
  auto make = [](size_t capacity, size_t maxCapacity) {
    auto p = std::make_unique<od::parser>(maxCapacity);
    if (p->allocate(capacity, kParserDepth)) throw std::bad_alloc();
    return p;
  };
  if (length <= kKeptParser) {
    thread_local const std::unique_ptr<od::parser> parser = make(64 << 10, kKeptParser);
    builder.Build(*parser);
  } else {
    builder.Build(*make(length, length));
  }
  return doc;
}

JsonDocument JsonDocument::Scalar(JsonKind kind, std::string_view text) {
  JsonDocument doc;
  doc.arena_ = text;
  doc.nodes_.push_back(JsonNode{kind, 0, 1, 0, static_cast<uint32_t>(text.size())});
  return doc;
}

uint32_t JsonDocument::Member(uint32_t object, std::string_view name) const {
  if (nodes_[object].kind != JsonKind::Object) return 0;
  uint32_t c = object + 1;
  for (uint32_t k = 0; k < nodes_[object].count; ++k) {
    if (Text(c) == name) return c + 1;
    c = nodes_[c + 1].end;
  }
  return 0;
}

std::vector<uint32_t> JsonDocument::Elements(uint32_t array) const {
  std::vector<uint32_t> out;
  out.reserve(nodes_[array].count);
  ForEachChild(array, [&](uint32_t, uint32_t v) { out.push_back(v); });
  return out;
}

void JsonDocument::AppendCompact(uint32_t n, std::string& out) const {
  const JsonNode& node = nodes_[n];
  switch (node.kind) {
    case JsonKind::Null:
      out += "null";
      return;
    case JsonKind::False:
      out += "false";
      return;
    case JsonKind::True:
      out += "true";
      return;
    case JsonKind::Number:
      out += Text(n);
      return;
    case JsonKind::String:
      AppendJsonString(Text(n), out);
      return;
    case JsonKind::Array:
    case JsonKind::Object: {
      const bool object = node.kind == JsonKind::Object;
      out += object ? '{' : '[';
      bool first = true;
      ForEachChild(n, [&](uint32_t key, uint32_t value) {
        if (!first) out += ',';
        first = false;
        if (object) {
          AppendJsonString(Text(key), out);
          out += ':';
        }
        AppendCompact(value, out);
      });
      out += object ? '}' : ']';
      return;
    }
  }
}

bool JsonEqual(const JsonDocument& a, uint32_t na, const JsonDocument& b, uint32_t nb) {
  const JsonKind kind = a.Kind(na);
  if (kind != b.Kind(nb)) return false;
  switch (kind) {
    case JsonKind::Number:
      return CompareJsonNumbers(a.Text(na), b.Text(nb)) == 0;
    case JsonKind::String:
      return a.Text(na) == b.Text(nb);
    case JsonKind::Array: {
      if (a.Node(na).count != b.Node(nb).count) return false;
      const auto ea = a.Elements(na);
      const auto eb = b.Elements(nb);
      for (size_t i = 0; i < ea.size(); ++i)
        if (!JsonEqual(a, ea[i], b, eb[i])) return false;
      return true;
    }
    case JsonKind::Object: {
      if (a.Node(na).count != b.Node(nb).count) return false;
      bool same = true;
      a.ForEachChild(na, [&](uint32_t key, uint32_t value) {
        if (!same) return;
        const uint32_t other = b.Member(nb, a.Text(key));
        same = other != 0 && JsonEqual(a, value, b, other);
      });
      return same;
    }
    default:
      return true;
  }
}

bool IsJsonNumber(std::string_view t) {
  size_t i = 0;
  const size_t n = t.size();
  if (i < n && t[i] == '-') ++i;
  if (i >= n || !IsDigit(t[i])) return false;
  if (t[i] == '0') {
    ++i;
  } else {
    while (i < n && IsDigit(t[i])) ++i;
  }
  if (i < n && t[i] == '.') {
    ++i;
    if (i >= n || !IsDigit(t[i])) return false;
    while (i < n && IsDigit(t[i])) ++i;
  }
  if (i < n && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < n && (t[i] == '+' || t[i] == '-')) ++i;
    if (i >= n || !IsDigit(t[i])) return false;
    while (i < n && IsDigit(t[i])) ++i;
  }
  return i == n;
}

namespace {

// A number as sign, significant digits without leading or trailing zeros,
// and the position of the decimal point before them: 0.DIGITS × 10^point.
// The digits stay views of the text (integer part, then fraction), so a
// comparison allocates nothing.
struct Decimal {
  bool negative = false;
  std::string_view whole, fraction;
  size_t lead = 0;  // leading zeros of whole + fraction
  size_t size = 0;  // significant digits
  int64_t point = 0;
  char Digit(size_t k) const {
    const size_t i = lead + k;
    return i < whole.size() ? whole[i] : fraction[i - whole.size()];
  }
};

Decimal ToDecimal(std::string_view t) {
  Decimal d;
  size_t i = 0;
  if (i < t.size() && t[i] == '-') {
    d.negative = true;
    ++i;
  }
  size_t begin = i;
  while (i < t.size() && IsDigit(t[i])) ++i;
  d.whole = t.substr(begin, i - begin);
  if (i < t.size() && t[i] == '.') {
    begin = ++i;
    while (i < t.size() && IsDigit(t[i])) ++i;
    d.fraction = t.substr(begin, i - begin);
  }
  int64_t exponent = 0;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    bool minus = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) minus = t[i++] == '-';
    // Past a quadrillion the exponent decides alone.
    for (; i < t.size() && IsDigit(t[i]); ++i)
      if (exponent < 1'000'000'000'000'000) exponent = exponent * 10 + (t[i] - '0');
    if (minus) exponent = -exponent;
  }
  const size_t total = d.whole.size() + d.fraction.size();
  while (d.lead < total && d.Digit(0) == '0') ++d.lead;
  d.size = total - d.lead;
  while (d.size > 0 && d.Digit(d.size - 1) == '0') --d.size;
  d.point = static_cast<int64_t>(d.whole.size()) + exponent - static_cast<int64_t>(d.lead);
  if (d.size == 0) {
    d.negative = false;
    d.point = 0;
  }
  return d;
}

}  // namespace

int CompareJsonNumbers(std::string_view a, std::string_view b) {
  const Decimal x = ToDecimal(a);
  const Decimal y = ToDecimal(b);
  if (x.size == 0 || y.size == 0) {
    if (x.size == 0 && y.size == 0) return 0;
    if (x.size == 0) return y.negative ? 1 : -1;
    return x.negative ? -1 : 1;
  }
  if (x.negative != y.negative) return x.negative ? -1 : 1;
  int magnitude = 0;
  if (x.point != y.point) {
    magnitude = x.point < y.point ? -1 : 1;
  } else {
    const size_t n = std::min(x.size, y.size);
    for (size_t k = 0; k < n && magnitude == 0; ++k)
      if (x.Digit(k) != y.Digit(k)) magnitude = x.Digit(k) < y.Digit(k) ? -1 : 1;
    if (magnitude == 0 && x.size != y.size) magnitude = x.size < y.size ? -1 : 1;
  }
  return x.negative ? -magnitude : magnitude;
}

namespace {

const char kHex[] = "0123456789abcdef";

template <typename Out>
void AppendEscape(Out& out, unsigned c) {
  switch (c) {
    case '"':
      out += '\\';
      out += '"';
      return;
    case '\\':
      out += '\\';
      out += '\\';
      return;
    case '\b':
      out += '\\';
      out += 'b';
      return;
    case '\f':
      out += '\\';
      out += 'f';
      return;
    case '\n':
      out += '\\';
      out += 'n';
      return;
    case '\r':
      out += '\\';
      out += 'r';
      return;
    case '\t':
      out += '\\';
      out += 't';
      return;
    default:
      out += '\\';
      out += 'u';
      for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(c >> shift) & 0xF];
  }
}

}  // namespace

void AppendJsonString(std::string_view utf8, std::string& out) {
  out += '"';
  size_t plain = 0;
  for (size_t i = 0; i < utf8.size(); ++i) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    if (c >= 0x20 && c != '"' && c != '\\') continue;
    out.append(utf8, plain, i - plain);
    AppendEscape(out, c);
    plain = i + 1;
  }
  out.append(utf8, plain, std::string_view::npos);
  out += '"';
}

std::u16string JsonQuote(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size() + 2);
  out += u'"';
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      out += c;
      out += text[++i];
    } else if (c < 0x20 || c == u'"' || c == u'\\' || IsSurrogate(c)) {
      AppendEscape(out, c);
    } else {
      out += c;
    }
  }
  out += u'"';
  return out;
}

void ThrowInvalidJson(std::string_view json, size_t offset, std::string_view reason) {
  // The position in UTF-16 units: a lead byte starts one unit, a four-byte
  // sequence two.
  size_t units = 0;
  for (size_t i = 0; i < offset; ++i) {
    const auto c = static_cast<unsigned char>(json[i]);
    if ((c & 0xC0) != 0x80) units += c >= 0xF0 ? 2 : 1;
  }
  throw ScriptError(u"Invalid JSON at " + IntToText(static_cast<long long>(units + 1)) + u": " +
                    FromUtf8(reason));
}

}  // namespace qv::library
