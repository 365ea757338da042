// A JSONPath query and a JSON text, separated by a NUL byte (UTF-8): the
// query compiles or raises the query error, the text parses or raises the
// JSON error, and every selected node lies inside the document.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "library/json/json_document.h"
#include "library/json/json_path.h"
#include "support/errors.h"
#include "support/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view in(reinterpret_cast<const char*>(data), size);
  const size_t cut = in.find('\0');
  const std::u16string query = qv::FromUtf8(in.substr(0, cut));
  const std::string json = cut == std::string_view::npos ? std::string("{\"a\":[1,{\"b\":\"c\"}]}")
                                                         : std::string(in.substr(cut + 1));
  try {
    const auto path = qv::library::JsonPath::Compile(query);
    const auto doc = qv::library::JsonDocument::Parse(json);
    for (uint32_t n : path.Select(doc))
      if (n >= doc.Size()) std::abort();
  } catch (const qv::ScriptError& e) {
    const std::string_view m = e.what();
    if (m.rfind("Invalid JSONPath at ", 0) != 0 && m.rfind("Invalid JSON at ", 0) != 0) std::abort();
  }
  return 0;
}
