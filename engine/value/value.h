// The engine's dynamic value: what every script variable, parameter,
// constant and result holds.
//
// A Value is 16 bytes: an 8-byte payload and a kind tag. Integers, doubles,
// currency, dates and booleans live in the payload. Text, byte strings and
// arrays live in a reference-counted block that copies share; writing through
// a value that shares its block copies it first (copy on write), so values
// behave as if copied while copying stays cheap. Object references are
// integer identities (0 is no object).
//
// The operator and conversion rules live in value_ops.h; this header only
// holds the representation.
#pragma once

#include <atomic>
#include <bit>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "support/verify.h"

namespace qv {

enum class ValueKind : uint8_t {
  Empty,
  Null,
  Int32,
  Int64,
  UInt64,
  Double,
  Currency,  // 64-bit fixed point with four decimals (payload is value * 10000)
  Date,      // days since 1899-12-30, fraction is the time of day
  Boolean,
  Object,  // integer identity of a host object
  // The kinds with a shared block, last: one comparison tells them.
  Text,   // UTF-16 text
  Bytes,  // 8-bit byte string without a declared character set
  Array   // 1 to 3 dimensions with bounds
};

class Value;

// Shared block of a text value.
struct TextBlock {
  std::atomic<int32_t> refs{1};
  std::u16string text;
};

// Shared block of a byte-string value.
struct BytesBlock {
  std::atomic<int32_t> refs{1};
  std::string bytes;
};

// Shared block of an array value. Elements are stored row-major with the
// last index varying fastest.
struct ArrayBlock {
  static constexpr int kMaxDims = 3;
  std::atomic<int32_t> refs{1};
  int dims = 0;
  int32_t low[kMaxDims] = {0, 0, 0};
  int32_t high[kMaxDims] = {-1, -1, -1};
  std::vector<Value> items;
};

class Value {
 public:
  Value() noexcept : i64_(0), kind_(ValueKind::Empty) {}
  Value(const Value& other) noexcept : i64_(other.i64_), kind_(other.kind_) { Retain(); }
  Value(Value&& other) noexcept : i64_(other.i64_), kind_(other.kind_) {
    other.kind_ = ValueKind::Empty;
    other.i64_ = 0;
  }
  Value& operator=(const Value& other) noexcept {
    if (this != &other) {
      other.Retain();
      Release();
      i64_ = other.i64_;
      kind_ = other.kind_;
    }
    return *this;
  }
  Value& operator=(Value&& other) noexcept {
    if (this != &other) {
      Release();
      i64_ = other.i64_;
      kind_ = other.kind_;
      other.kind_ = ValueKind::Empty;
      other.i64_ = 0;
    }
    return *this;
  }
  ~Value() { Release(); }

  // Construction by kind. Implicit constructors are avoided on purpose: a
  // literal 1 must not silently become a boolean or a double.
  static Value Null() noexcept {
    Value v;
    v.kind_ = ValueKind::Null;
    return v;
  }
  // The 32-bit payloads below are written as the whole 8-byte word they
  // occupy: a 4-byte store followed by the 8-byte read of a copy cannot be
  // forwarded, and the processor waits for the store to retire.
  static Value Int(int32_t i) noexcept {
    Value v;
    v.kind_ = ValueKind::Int32;
    v.i64_ = Word32(i);
    return v;
  }
  static Value Int64(int64_t i) noexcept {
    Value v;
    v.kind_ = ValueKind::Int64;
    v.i64_ = i;
    return v;
  }
  static Value UInt64(uint64_t u) noexcept {
    Value v;
    v.kind_ = ValueKind::UInt64;
    v.u64_ = u;
    return v;
  }
  static Value Double(double d) noexcept {
    Value v;
    v.kind_ = ValueKind::Double;
    v.d_ = d;
    return v;
  }
  // `scaled` is the amount times 10000.
  static Value CurrencyScaled(int64_t scaled) noexcept {
    Value v;
    v.kind_ = ValueKind::Currency;
    v.i64_ = scaled;
    return v;
  }
  static Value Date(double days) noexcept {
    Value v;
    v.kind_ = ValueKind::Date;
    v.d_ = days;
    return v;
  }
  static Value Bool(bool b) noexcept {
    Value v;
    v.kind_ = ValueKind::Boolean;
    v.i64_ = b ? 1 : 0;
    return v;
  }
  static Value Text(std::u16string text);
  static Value Text(std::u16string_view text) { return Text(std::u16string(text)); }
  static Value Text(const char16_t* text) { return Text(std::u16string(text)); }
  static Value Bytes(std::string bytes);
  static Value Object(int32_t id) noexcept {
    Value v;
    v.kind_ = ValueKind::Object;
    v.i64_ = Word32(id);
    return v;
  }
  // An array with `dims` dimensions (1..3) and the given inclusive bounds;
  // every element starts empty. Throws ScriptError on bad shapes.
  static Value Array(int dims, const int32_t* low, const int32_t* high);
  // A one-dimensional array 0..items.size()-1.
  static Value Array(std::vector<Value> items);

  ValueKind kind() const noexcept { return kind_; }
  bool is_empty() const noexcept { return kind_ == ValueKind::Empty; }
  bool is_null() const noexcept { return kind_ == ValueKind::Null; }
  bool is_int32() const noexcept { return kind_ == ValueKind::Int32; }
  bool is_double() const noexcept { return kind_ == ValueKind::Double; }
  bool is_bool() const noexcept { return kind_ == ValueKind::Boolean; }
  bool is_text() const noexcept { return kind_ == ValueKind::Text; }
  bool is_bytes() const noexcept { return kind_ == ValueKind::Bytes; }
  bool is_string() const noexcept { return kind_ == ValueKind::Text || kind_ == ValueKind::Bytes; }
  bool is_array() const noexcept { return kind_ == ValueKind::Array; }
  bool is_object() const noexcept { return kind_ == ValueKind::Object; }

  // Raw payload access; the kind must match. The engine reads the 32-bit
  // payload of Int32 and Object values with as_int32 and the 64-bit one of
  // Int64, Currency and UInt64 values with as_int64, so only the block
  // accessors check their kind (in debug and sanitizer builds).
  int32_t as_int32() const noexcept { return i32_; }
  int64_t as_int64() const noexcept { return i64_; }
  uint64_t as_uint64() const noexcept { return u64_; }
  double as_double() const noexcept { return d_; }  // Double and Date
  int64_t as_currency_scaled() const noexcept { return i64_; }
  bool as_bool() const noexcept { return b_; }
  int32_t as_object() const noexcept { return i32_; }
  const std::u16string& as_text() const noexcept {
    QV_VERIFY(kind_ == ValueKind::Text);
    return text_->text;
  }
  const std::string& as_bytes() const noexcept {
    QV_VERIFY(kind_ == ValueKind::Bytes);
    return bytes_->bytes;
  }
  const ArrayBlock& as_array() const noexcept {
    QV_VERIFY(kind_ == ValueKind::Array);
    return *array_;
  }

  // Writable access to a shared block: copies it first when another value
  // shares it, so that the other value keeps its content.
  std::u16string& mutable_text() {
    if (kind_ == ValueKind::Text && text_->refs.load(std::memory_order_acquire) == 1) return text_->text;
    return MutableTextSlow();
  }
  std::string& mutable_bytes();
  ArrayBlock& mutable_array() {
    if (kind_ == ValueKind::Array && array_->refs.load(std::memory_order_acquire) == 1) return *array_;
    return MutableArraySlow();
  }

  // True when this value is the only holder of its heap block (or has none).
  bool unshared() const noexcept;

  // Exchanges the two values; no reference count changes.
  void swap(Value& other) noexcept {
    std::swap(i64_, other.i64_);
    std::swap(kind_, other.kind_);
  }

 private:
  // The payload word whose low four bytes hold `i` and the rest zero.
  static int64_t Word32(int32_t i) noexcept { return static_cast<int64_t>(static_cast<uint32_t>(i)); }
  bool on_heap() const noexcept { return kind_ >= ValueKind::Text; }
  void Retain() const noexcept {
    if (on_heap()) counter()->fetch_add(1, std::memory_order_relaxed);
  }
  void Release() noexcept {
    if (on_heap()) ReleaseSlow();
  }
  std::atomic<int32_t>* counter() const noexcept {
    switch (kind_) {
      case ValueKind::Text:
        return &text_->refs;
      case ValueKind::Bytes:
        return &bytes_->refs;
      default:
        return &array_->refs;
    }
  }
  void ReleaseSlow() noexcept;
  std::u16string& MutableTextSlow();
  ArrayBlock& MutableArraySlow();

  union {
    int32_t i32_;
    int64_t i64_;
    uint64_t u64_;
    double d_;
    bool b_;
    TextBlock* text_;
    BytesBlock* bytes_;
    ArrayBlock* array_;
  };
  ValueKind kind_;
};

static_assert(sizeof(Value) <= 16, "Value must stay within 16 bytes");
// The 32-bit and boolean payloads are the low bytes of the 64-bit word.
static_assert(std::endian::native == std::endian::little, "Value assumes a little-endian payload");

}  // namespace qv
