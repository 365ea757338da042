// Setting a value inside a JSON text at an RFC 6901 JSON Pointer.
//
//   JsonSet(JsonDocument::Parse("{}"), u"/a/b", "1")    // {"a":{"b":1}}
//   JsonSet(JsonDocument::Parse("[1]"), u"/-", "2")     // [1,2]
//
// Missing members are made on the way (as objects); "-" or the array's
// length appends to an array. A pointer that is malformed, steps into a
// number, string, Boolean or null, or names an index past an array's end
// raises a ScriptError. The result is compact JSON text (UTF-8).
#pragma once

#include <string>
#include <string_view>

#include "engine/engine.h"
#include "library/json/json_document.h"

namespace qv::library {

std::string JsonSet(const JsonDocument& doc, std::u16string_view pointer, std::string_view valueJson);

// A script value as JSON text: text as a string, numbers as numbers,
// Booleans, Null as null, arrays element by element.
std::string ValueToJson(const Value& v);

}  // namespace qv::library
