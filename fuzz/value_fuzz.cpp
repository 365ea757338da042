// Fuzzes the value rules: the number and date parsers on arbitrary text, and
// every operator on values of every kind built from the input. Script errors
// are expected; anything else (a crash, a sanitizer report, a broken round
// trip) is a fault.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/value/date_time.h"
#include "engine/value/value_ops.h"
#include "support/errors.h"
#include "support/text.h"

namespace {

void Require(bool ok) {
  if (!ok) abort();
}

class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  uint64_t Word() {
    uint64_t w = 0;
    for (int i = 0; i < 8; ++i) w = (w << 8) | Byte();
    return w;
  }
  std::u16string Text(size_t maxUnits) {
    std::u16string s;
    while (s.size() < maxUnits && pos_ + 1 < size_) {
      s += static_cast<char16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
      pos_ += 2;
    }
    return s;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

qv::Value MakeValue(Input& in) {
  const uint8_t kind = in.Byte() % 13;
  const uint64_t w = in.Word();
  double d;
  std::memcpy(&d, &w, sizeof d);
  switch (kind) {
    case 0:
      return qv::Value();
    case 1:
      return qv::Value::Null();
    case 2:
      return qv::Value::Int(static_cast<int32_t>(w));
    case 3:
      return qv::Value::Int64(static_cast<int64_t>(w));
    case 4:
      return qv::Value::UInt64(w);
    case 5:
      return qv::Value::Double(d);
    case 6:
      return qv::Value::CurrencyScaled(static_cast<int64_t>(w));
    case 7:
      return qv::Value::Date(d);
    case 8:
      return qv::Value::Bool(w & 1);
    case 9:
      return qv::Value::Text(in.Text(w % 24));
    case 10:
      return qv::Value::Bytes(qv::ToUtf8(in.Text(w % 24)));
    case 11:
      return qv::Value::Array({qv::Value::Int(1)});
    default:
      return qv::Value::Object(static_cast<int32_t>(w));
  }
}

void ParseText(const std::u16string& text) {
  int64_t i;
  if (qv::TextToInt64(text, i)) {
    int64_t back;
    Require(qv::TextToInt64(qv::IntToText(i), back) && back == i);
  }
  double d;
  if (qv::TextToDouble(text, d)) {
    double back;
    Require(qv::TextToDouble(qv::FloatToText(d), back));
  }
  if (qv::TextToDateTime(text, d)) {
    double back;
    Require(qv::TextToDateTime(qv::DateTimeToText(d), back));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input in(data, size);
  const uint8_t op = in.Byte() % (static_cast<int>(qv::BinaryOp::GreatEq) + 1);
  qv::Value left = MakeValue(in), right = MakeValue(in);
  try {
    qv::Value r = qv::Apply(static_cast<qv::BinaryOp>(op), left, right);
    (void)qv::ToText(r);
  } catch (const qv::ScriptError&) {
  }
  try {
    qv::ApplyInPlace(static_cast<qv::BinaryOp>(op), left, right);
    (void)qv::Not(right);
    (void)qv::Negate(right);
    (void)qv::ToText(right);
  } catch (const qv::ScriptError&) {
  }
  ParseText(in.Text(64));
  return 0;
}
