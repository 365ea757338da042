// Fuzzes the four format languages with arbitrary pictures. The first byte
// picks the function, the next eight a number; the rest is the picture,
// read as UTF-16 units so that quotes, NULs and lone surrogates appear.
// Errors are fine; crashes, hangs and sanitizer reports are not.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "engine/syslib/format.h"
#include "engine/value/value.h"
#include "support/errors.h"

namespace {

std::u16string Units(const uint8_t* data, size_t size) {
  std::u16string text;
  for (size_t i = 0; i + 1 < size; i += 2) text += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 9) return 0;
  uint8_t which = data[0];
  double number;
  std::memcpy(&number, data + 1, sizeof number);
  std::u16string picture = Units(data + 9, size - 9);
  try {
    switch (which % 4) {
      case 0: {
        std::vector<qv::Value> args = {qv::Value::Double(number), qv::Value::Int(static_cast<int32_t>(which)),
                                       qv::Value::Text(picture.substr(0, 8)), qv::Value::Int64(-7)};
        qv::Format(picture, args);
        break;
      }
      case 1:
        qv::FormatFloat(picture, number);
        break;
      case 2:
        qv::FormatDateTime(picture, number);
        break;
      default:
        qv::FormatMaskText(picture, picture.substr(picture.size() / 2));
        break;
    }
  } catch (const qv::ScriptError&) {
  }
  return 0;
}
