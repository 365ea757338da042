// The compiled form of a JSONPath query: segments of selectors, and filter
// expressions as a small tree. Made by the parser, checked by the type
// pass, read by the evaluator; it does not change after compilation.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "library/json/json_document.h"

namespace qv::library::jsonpath {

struct Expr;

enum class SelectorKind : uint8_t { Name, Wildcard, Index, Slice, Filter };

struct Selector {
  explicit Selector(SelectorKind k) : kind(k) {}
  SelectorKind kind;
  std::string name;  // UTF-8
  int64_t index = 0;
  std::optional<int64_t> start, end;
  int64_t step = 1;
  std::unique_ptr<Expr> filter;
};

struct Segment {
  bool descendant = false;
  std::vector<Selector> selectors;
};

struct Query {
  bool relative = false;  // starts at "@" rather than "$"
  std::vector<Segment> segments;
  // Every segment one name or one index, not descendant.
  bool Singular() const;
};

// The three types of the function extensions.
enum class ExprType : uint8_t { Value, Logical, Nodes };

enum class ExprKind : uint8_t {
  Or,
  And,
  Not,
  Compare,
  Literal,  // a JSON value written in the query
  Query,    // a filter query; in a logical context a test for existence
  Function,
};

enum class CompareOp : uint8_t { Eq, Ne, Lt, Le, Gt, Ge };

enum class FunctionId : uint8_t { Length, Count, Match, Search, Value };

struct Expr {
  ExprKind kind;
  size_t pos = 0;                               // 1-based, for messages
  bool grouped = false;                         // written in parentheses: a logical expression
  std::vector<std::unique_ptr<Expr>> operands;  // Or, And, Not, Compare, Function arguments
  CompareOp op = CompareOp::Eq;
  std::optional<JsonDocument> literal;
  std::unique_ptr<Query> query;
  FunctionId function = FunctionId::Length;
  std::u16string functionName;
};

// Raises the query error at 1-based position `pos`.
[[noreturn]] void Fail(size_t pos, std::u16string_view reason);

std::unique_ptr<Query> Parse(std::u16string_view text);
// The well-typedness rules of the function extensions; raises the query
// error at the first argument or function that breaks them.
// It also binds each function name to its function.
void CheckTypes(Query& query);

// Evaluation of a query against a document: root and current node.
std::vector<uint32_t> Evaluate(const Query& query, const JsonDocument& doc, uint32_t root, uint32_t current);

}  // namespace qv::library::jsonpath
