#include "library/json/json_pointer.h"

#include <charconv>
#include <cmath>
#include <vector>

#include "support/errors.h"
#include "support/text.h"

namespace qv::library {

namespace {

[[noreturn]] void Fail(std::u16string_view reason) {
  throw ScriptError(u"jsonset: " + std::u16string(reason));
}

// "/a~1b/c~0" gives "a/b" and "c~".
std::vector<std::string> ReferenceTokens(std::u16string_view pointer) {
  std::vector<std::string> tokens;
  if (pointer.empty()) return tokens;
  if (pointer[0] != u'/') Fail(u"a JSON Pointer starts with \"/\"");
  std::u16string token;
  for (size_t i = 1; i <= pointer.size(); ++i) {
    if (i == pointer.size() || pointer[i] == u'/') {
      tokens.push_back(ToUtf8(token));
      token.clear();
    } else if (pointer[i] == u'~') {
      const char16_t next = i + 1 < pointer.size() ? pointer[i + 1] : 0;
      if (next != u'0' && next != u'1') Fail(u"\"~\" must be followed by 0 or 1 in a JSON Pointer");
      token += next == u'0' ? u'~' : u'/';
      ++i;
    } else {
      token += pointer[i];
    }
  }
  return tokens;
}

// An array index as RFC 6901 writes it: "0" or digits without a leading zero.
bool ArrayIndex(std::string_view token, uint64_t& index) {
  if (token.empty() || token.size() > 10 || (token.size() > 1 && token[0] == '0')) return false;
  index = 0;
  for (char c : token) {
    if (c < '0' || c > '9') return false;
    index = index * 10 + static_cast<uint64_t>(c - '0');
  }
  return true;
}

class Setter {
 public:
  Setter(const JsonDocument& doc, std::vector<std::string> tokens, std::string_view value)
      : doc_(doc), tokens_(std::move(tokens)), value_(value) {}

  std::string Run() {
    std::string out;
    Write(doc_.Root(), 0, out);
    return out;
  }

 private:
  // Node `n` with the value set at tokens_[i...].
  void Write(uint32_t n, size_t i, std::string& out) {
    if (i == tokens_.size()) {
      out += value_;
      return;
    }
    const std::string& token = tokens_[i];
    switch (doc_.Kind(n)) {
      case JsonKind::Object: {
        out += '{';
        bool found = false;
        bool first = true;
        doc_.ForEachChild(n, [&](uint32_t key, uint32_t value) {
          if (!first) out += ',';
          first = false;
          AppendJsonString(doc_.Text(key), out);
          out += ':';
          if (!found && doc_.Text(key) == token) {
            found = true;
            Write(value, i + 1, out);
          } else {
            doc_.AppendCompact(value, out);
          }
        });
        if (!found) {
          if (!first) out += ',';
          AppendJsonString(token, out);
          out += ':';
          Made(i + 1, out);
        }
        out += '}';
        return;
      }
      case JsonKind::Array: {
        const uint64_t count = doc_.Node(n).count;
        uint64_t index = count;
        if (token != "-" && !ArrayIndex(token, index))
          Fail(u"\"" + FromUtf8(token) + u"\" is not an array index");
        if (index > count) Fail(u"index " + FromUtf8(token) + u" is past the end of the array");
        out += '[';
        uint64_t k = 0;
        doc_.ForEachChild(n, [&](uint32_t, uint32_t value) {
          if (k > 0) out += ',';
          if (k == index) {
            Write(value, i + 1, out);
          } else {
            doc_.AppendCompact(value, out);
          }
          ++k;
        });
        if (index == count) {
          if (count > 0) out += ',';
          Made(i + 1, out);
        }
        out += ']';
        return;
      }
      default:
        Fail(u"\"" + FromUtf8(token) + u"\" steps into a value that is no object or array");
    }
  }

  // The value at tokens_[i...] inside objects made for them.
  void Made(size_t i, std::string& out) {
    size_t depth = 0;
    for (; i < tokens_.size(); ++i, ++depth) {
      out += '{';
      AppendJsonString(tokens_[i], out);
      out += ':';
    }
    out += value_;
    out.append(depth, '}');
  }

  const JsonDocument& doc_;
  std::vector<std::string> tokens_;
  std::string_view value_;
};

}  // namespace

std::string JsonSet(const JsonDocument& doc, std::u16string_view pointer, std::string_view valueJson) {
  return Setter(doc, ReferenceTokens(pointer), valueJson).Run();
}

std::string ValueToJson(const Value& v) {
  switch (v.kind()) {
    case ValueKind::Null:
      return "null";
    case ValueKind::Boolean:
      return v.as_bool() ? "true" : "false";
    case ValueKind::Int32:
      return std::to_string(v.as_int32());
    case ValueKind::Int64:
      return std::to_string(v.as_int64());
    case ValueKind::UInt64:
      return std::to_string(v.as_uint64());
    case ValueKind::Currency:
      return ToUtf8(CurrencyToText(v.as_currency_scaled()));
    case ValueKind::Double: {
      const double d = v.as_double();
      if (!std::isfinite(d)) Fail(u"JSON has no number " + FloatToText(d));
      char buf[32];
      const auto r = std::to_chars(buf, buf + sizeof buf, d);
      return std::string(buf, r.ptr);
    }
    case ValueKind::Array: {
      std::string out = "[";
      const auto& items = v.as_array().items;
      for (size_t i = 0; i < items.size(); ++i) {
        if (i > 0) out += ',';
        out += ValueToJson(items[i]);
      }
      return out + "]";
    }
    case ValueKind::Object:
      Fail(u"an object has no JSON form");
    default:
      // Text, bytes, dates and empty values: their text as a string.
      return ToUtf8(JsonQuote(ToText(v)));
  }
}

}  // namespace qv::library
