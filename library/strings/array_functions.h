// The array functions of the library on lists of values. The branches
// convert the script's array to a list, call these, and write it back.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "engine/engine.h"
#include "library/strings/text_functions.h"

namespace qv::library {

// Index of the first element whose text equals `text` (A-Z without regard
// to case), -1 when none; elements without a text form are skipped.
int32_t IndexInList(const std::vector<Value>& list, std::u16string_view text);

// Replaces a lone unassigned element by `item`, else appends it.
void AddToList(std::vector<Value>& list, const Value& item);

// Removes the element at `index`; an index outside the list changes nothing.
void DeleteAt(std::vector<Value>& list, int64_t index);

// Removes the elements at the listed indexes, each once, whatever their
// order; indexes outside the list are ignored.
void DeleteIndexes(std::vector<Value>& list, const std::vector<int32_t>& indexes);

// For each element i and each later element j with the same text, j; in
// that order.
std::vector<int32_t> DuplicateIndexes(const std::vector<Value>& list, CaseMode mode);

// The sort key of a text: its value when it reads as a 32-bit integer,
// otherwise the sum of its UTF-16 code units.
int64_t SortKey(std::u16string_view text);

// Stable order of the keys: for each position of the sorted list, the index
// it came from.
std::vector<int32_t> StableOrder(const std::vector<int64_t>& keys);

// The elements at the listed positions, in that order; false (and the list
// unchanged) when the counts differ or an index lies outside the list.
bool Reorder(std::vector<Value>& list, const std::vector<int32_t>& indexes);

}  // namespace qv::library
