// A parsed JSON text, kept so that nothing of the source is lost: numbers
// keep the text they were written with (1.0 stays 1.0, a 40-digit integer
// stays exact), object members keep their order (and duplicates).
//
//   JsonDocument doc = JsonDocument::Parse(R"({"a":[1.0,"x"]})");
//   uint32_t a = doc.Member(doc.Root(), "a");      // the array
//   doc.Compact(a);                                // [1.0,"x"]
//
// Invalid input raises the ScriptError "Invalid JSON at N: reason", N the
// 1-based position of the fault in UTF-16 units of the text. Nesting deeper
// than 1024 arrays and objects is invalid too.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv::library {

enum class JsonKind : uint8_t { Null, False, True, Number, String, Array, Object };

// One value in document order. A container is followed by its subtree and
// knows where it ends, so siblings are reached by skipping; an object's
// members are a key node (kind String) each, followed by the value.
struct JsonNode {
  JsonKind kind;
  uint32_t count;   // elements or members of a container
  uint32_t end;     // index past the subtree
  uint32_t offset;  // number text or unescaped string (UTF-8) in the arena
  uint32_t length;
};

constexpr int kMaxJsonDepth = 1024;

class JsonDocument {
 public:
  // `json` is UTF-8; it is padded in place for the parser.
  static JsonDocument Parse(std::string json);
  // A one-value document (a literal of a query, a computed number).
  static JsonDocument Scalar(JsonKind kind, std::string_view text = {});

  uint32_t Root() const { return 0; }
  const JsonNode& Node(uint32_t i) const { return nodes_[i]; }
  JsonKind Kind(uint32_t i) const { return nodes_[i].kind; }
  // Number text or string value.
  std::string_view Text(uint32_t i) const { return {arena_.data() + nodes_[i].offset, nodes_[i].length}; }
  uint32_t Size() const { return static_cast<uint32_t>(nodes_.size()); }

  // Calls f(key node or 0, value node) for each element or member of a
  // container, in order; a key node's Text is the member name.
  template <typename F>
  void ForEachChild(uint32_t n, F&& f) const {
    const JsonNode& node = nodes_[n];
    const bool object = node.kind == JsonKind::Object;
    uint32_t c = n + 1;
    for (uint32_t k = 0; k < node.count; ++k) {
      if (object) {
        f(c, c + 1);
        c = nodes_[c + 1].end;
      } else {
        f(0u, c);
        c = nodes_[c].end;
      }
    }
  }
  // The value of the first member named `name`; 0 when none (0 is always
  // the root, never a member).
  uint32_t Member(uint32_t object, std::string_view name) const;
  // The element nodes of an array.
  std::vector<uint32_t> Elements(uint32_t array) const;

  // Compact JSON text of a value, appended to `out` (UTF-8).
  void AppendCompact(uint32_t n, std::string& out) const;
  std::string Compact(uint32_t n) const {
    std::string out;
    AppendCompact(n, out);
    return out;
  }

 private:
  friend class JsonBuilder;
  std::vector<JsonNode> nodes_;
  std::string arena_;
};

// Deep equality of two values (numbers by value, so 1.0 equals 1).
bool JsonEqual(const JsonDocument& a, uint32_t na, const JsonDocument& b, uint32_t nb);

// <0, 0 or >0 for two JSON number texts, compared exactly by value.
int CompareJsonNumbers(std::string_view a, std::string_view b);
// True when `text` is a number as JSON writes it.
bool IsJsonNumber(std::string_view text);

// A JSON string literal of UTF-8 text: quotes, backslashes and control
// characters escaped, everything else as it is.
void AppendJsonString(std::string_view utf8, std::string& out);
// The same for UTF-16 text; a lone surrogate is kept as a \u escape.
std::u16string JsonQuote(std::u16string_view text);

// The "Invalid JSON at N: reason" error for a fault at byte `offset` of the
// UTF-8 text `json`.
[[noreturn]] void ThrowInvalidJson(std::string_view json, size_t offset, std::string_view reason);

}  // namespace qv::library
