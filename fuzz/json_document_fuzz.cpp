// JSON text as it comes from the web: it parses or raises the JSON error,
// and the compact text of what parsed parses again to the same text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "library/json/json_document.h"
#include "support/errors.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string json(reinterpret_cast<const char*>(data), size);
  std::string compact;
  try {
    const auto doc = qv::library::JsonDocument::Parse(json);
    compact = doc.Compact(doc.Root());
  } catch (const qv::ScriptError& e) {
    if (std::string(e.what()).rfind("Invalid JSON at ", 0) != 0) std::abort();
    return 0;
  }
  const auto again = qv::library::JsonDocument::Parse(compact);
  if (again.Compact(again.Root()) != compact) std::abort();
  return 0;
}
