#include "engine/value/value.h"

#include "engine/run/run_messages.h"
#include "support/errors.h"

namespace qv {

Value Value::Text(std::u16string text) {
  Value v;
  v.text_ = new TextBlock;
  v.text_->text = std::move(text);
  v.kind_ = ValueKind::Text;
  return v;
}

Value Value::Bytes(std::string bytes) {
  Value v;
  v.bytes_ = new BytesBlock;
  v.bytes_->bytes = std::move(bytes);
  v.kind_ = ValueKind::Bytes;
  return v;
}

Value Value::Array(int dims, const int32_t* low, const int32_t* high) {
  if (dims < 1 || dims > ArrayBlock::kMaxDims) throw ScriptError(run_msg::kArrayDimensions);
  int64_t count = 1;
  for (int d = 0; d < dims; ++d) {
    int64_t n = int64_t(high[d]) - int64_t(low[d]) + 1;
    if (n < 0) n = 0;
    count *= n;
    if (count > (int64_t(1) << 28)) throw ScriptError(run_msg::kArrayTooLarge);
  }
  auto block = new ArrayBlock;
  block->dims = dims;
  for (int d = 0; d < dims; ++d) {
    block->low[d] = low[d];
    block->high[d] = high[d] < low[d] ? low[d] - 1 : high[d];
  }
  block->items.resize(static_cast<size_t>(count));
  Value v;
  v.array_ = block;
  v.kind_ = ValueKind::Array;
  return v;
}

Value Value::Array(std::vector<Value> items) {
  // Bounds are 32-bit; keep the same limit as the shaped constructor.
  if (items.size() > (size_t(1) << 28)) throw ScriptError(run_msg::kArrayTooLarge);
  auto block = new ArrayBlock;
  block->dims = 1;
  block->low[0] = 0;
  block->high[0] = static_cast<int32_t>(items.size()) - 1;
  block->items = std::move(items);
  Value v;
  v.array_ = block;
  v.kind_ = ValueKind::Array;
  return v;
}

void Value::ReleaseSlow() noexcept {
  if (counter()->fetch_sub(1, std::memory_order_acq_rel) != 1) return;
  switch (kind_) {
    case ValueKind::Text:
      delete text_;
      break;
    case ValueKind::Bytes:
      delete bytes_;
      break;
    default:
      delete array_;
      break;
  }
}

bool Value::unshared() const noexcept {
  return !on_heap() || counter()->load(std::memory_order_acquire) == 1;
}

std::u16string& Value::MutableTextSlow() {
  if (!unshared()) {
    auto copy = new TextBlock;
    copy->text = text_->text;
    Release();
    text_ = copy;
  }
  return text_->text;
}

std::string& Value::mutable_bytes() {
  if (!unshared()) {
    auto copy = new BytesBlock;
    copy->bytes = bytes_->bytes;
    Release();
    bytes_ = copy;
  }
  return bytes_->bytes;
}

ArrayBlock& Value::MutableArraySlow() {
  if (!unshared()) {
    auto copy = new ArrayBlock;
    copy->dims = array_->dims;
    for (int d = 0; d < ArrayBlock::kMaxDims; ++d) {
      copy->low[d] = array_->low[d];
      copy->high[d] = array_->high[d];
    }
    copy->items = array_->items;
    Release();
    array_ = copy;
  }
  return *array_;
}

}  // namespace qv
