// JSONPath queries as RFC 9535 defines them: compiled once, then run on any
// number of documents.
//
//   JsonPath q = JsonPath::Compile(u"$.store.book[?@.price < 10].title");
//   for (uint32_t n : q.Select(doc)) Use(doc.Text(n));
//
// A query that breaks the grammar or the typing rules of the function
// extensions raises the ScriptError "Invalid JSONPath at N: reason", N the
// 1-based position in UTF-16 units; a query never gives a partial result.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "library/json/json_document.h"

namespace qv::library {

namespace jsonpath {
struct Query;
}

class JsonPath {
 public:
  static JsonPath Compile(std::u16string_view query);
  JsonPath(JsonPath&&) noexcept;
  JsonPath& operator=(JsonPath&&) noexcept;
  ~JsonPath();

  // The selected nodes, in the order the query gives them (duplicates kept).
  std::vector<uint32_t> Select(const JsonDocument& doc) const;

 private:
  explicit JsonPath(std::unique_ptr<jsonpath::Query> query);
  std::unique_ptr<jsonpath::Query> query_;
};

}  // namespace qv::library
