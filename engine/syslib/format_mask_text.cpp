// FormatMaskText: edit masks "mask[;save[;blank]]".
//
// Mask characters: 0 (digit) L (letter) A (letter or digit) C (any
// character) are required places, 9 l a c # their optional forms; "\" makes
// the next character literal; ">" and "<" switch to capitals or small
// letters for the places after them and "<>" switches back; "!" aligns the
// value to the end of the mask; ":" and "/" are the time and date
// separators; "_" is a blank; anything else is a literal. The value is not
// checked against the kinds of places: formatting shows what it is given.
#include <string>
#include <vector>

#include "engine/syslib/format.h"
#include "engine/value/format_settings.h"
#include "support/text.h"

namespace qv {

namespace {

enum class CaseMode { Keep, Upper, Lower };

struct MaskItem {
  bool place;        // a place for a value character, else a literal
  char16_t literal;  // the literal character
  CaseMode mode;     // case of the value character in a place
};

struct Mask {
  std::vector<MaskItem> items;
  bool reverse = false;
  bool saveLiterals = true;
};

bool IsPlace(char16_t c) {
  switch (c) {
    case u'0':
    case u'9':
    case u'#':
    case u'L':
    case u'l':
    case u'A':
    case u'a':
    case u'C':
    case u'c':
      return true;
    default:
      return false;
  }
}

Mask ParseMask(std::u16string_view editMask) {
  const FormatSettings& fs = ProcessFormatSettings();
  Mask mask;
  CaseMode mode = CaseMode::Keep;
  size_t i = 0;
  for (; i < editMask.size(); ++i) {
    char16_t c = editMask[i];
    if (c == u';') break;
    if (c == u'\\' && i + 1 < editMask.size()) {
      mask.items.push_back({false, editMask[++i], mode});
    } else if (c == u'!') {
      mask.reverse = true;
    } else if (c == u'<' && i + 1 < editMask.size() && editMask[i + 1] == u'>') {
      mode = CaseMode::Keep;
      ++i;
    } else if (c == u'<') {
      mode = CaseMode::Lower;
    } else if (c == u'>') {
      mode = CaseMode::Upper;
    } else if (IsPlace(c)) {
      mask.items.push_back({true, 0, mode});
    } else if (c == u':') {
      mask.items.push_back({false, fs.timeSeparator, mode});
    } else if (c == u'/') {
      mask.items.push_back({false, fs.dateSeparator, mode});
    } else if (c == u'_') {
      mask.items.push_back({false, u' ', mode});
    } else {
      mask.items.push_back({false, c, mode});
    }
  }
  // The save field follows the first separator; "0" means the value holds no literals.
  if (i + 1 < editMask.size() && editMask[i + 1] == u'0') mask.saveLiterals = false;
  return mask;
}

char16_t Cased(char16_t c, CaseMode mode) {
  if (mode == CaseMode::Keep) return c;
  std::u16string one(1, c);
  return mode == CaseMode::Upper ? UpperCase(one)[0] : LowerCase(one)[0];
}

// Fits `data` into the places items[from, to): blanks for missing
// characters, at the end of the field when aligned to the end. Characters
// beyond the places are kept, so no data is lost.
void FillField(const Mask& mask, size_t from, size_t to, std::u16string_view data, std::u16string& out) {
  size_t places = to - from;
  size_t blanks = data.size() < places ? places - data.size() : 0;
  CaseMode lastMode = places > 0 ? mask.items[to - 1].mode : CaseMode::Keep;
  size_t d = 0;
  if (mask.reverse) {
    out.append(blanks, u' ');
    // Excess characters come first; they take the first place's case.
    size_t excess = data.size() > places ? data.size() - places : 0;
    for (; d < excess; ++d) out += Cased(data[d], places > 0 ? mask.items[from].mode : CaseMode::Keep);
    for (size_t k = from + blanks; k < to; ++k) out += Cased(data[d++], mask.items[k].mode);
  } else {
    for (size_t k = from; k < to && d < data.size(); ++k) out += Cased(data[d++], mask.items[k].mode);
    out.append(blanks, u' ');
    for (; d < data.size(); ++d) out += Cased(data[d], lastMode);
  }
}

// The value holds only the entered characters: every place takes the next
// one and the literals are put in between.
std::u16string InsertLiterals(const Mask& mask, std::u16string_view value) {
  size_t places = 0;
  for (const MaskItem& item : mask.items) places += item.place;
  std::u16string out;
  size_t excess = value.size() > places ? value.size() - places : 0;
  size_t missing = value.size() < places ? places - value.size() : 0;
  size_t v = 0;
  size_t skip = mask.reverse ? missing : 0;  // places left blank at the front
  CaseMode firstMode = CaseMode::Keep, lastMode = CaseMode::Keep;
  bool first = true;
  for (const MaskItem& item : mask.items) {
    if (!item.place) continue;
    if (first) firstMode = item.mode, first = false;
    lastMode = item.mode;
  }
  if (mask.reverse)
    for (; v < excess; ++v) out += Cased(value[v], firstMode);
  for (const MaskItem& item : mask.items) {
    if (!item.place) {
      out += item.literal;
    } else if (skip > 0) {
      out += u' ';
      --skip;
    } else if (v < value.size()) {
      out += Cased(value[v++], item.mode);
    } else {
      out += u' ';
    }
  }
  for (; v < value.size(); ++v) out += Cased(value[v], lastMode);
  return out;
}

// The value holds the literals too: each part of it up to the next literal
// of the mask fills the field of places before that literal.
std::u16string PadFields(const Mask& mask, std::u16string_view value) {
  std::u16string out;
  size_t v = 0;
  size_t fieldStart = 0;
  for (size_t k = 0; k <= mask.items.size(); ++k) {
    if (k < mask.items.size() && mask.items[k].place) continue;
    std::u16string_view data;
    if (k < mask.items.size()) {
      size_t hit = value.find(mask.items[k].literal, v);
      size_t end = hit == std::u16string_view::npos ? value.size() : hit;
      data = value.substr(v, end - v);
      v = hit == std::u16string_view::npos ? value.size() : hit + 1;
    } else {
      data = value.substr(v);
      v = value.size();
    }
    FillField(mask, fieldStart, k, data, out);
    if (k < mask.items.size()) out += mask.items[k].literal;
    fieldStart = k + 1;
  }
  return out;
}

}  // namespace

std::u16string FormatMaskText(std::u16string_view editMask, std::u16string_view value) {
  Mask mask = ParseMask(editMask);
  return mask.saveLiterals ? PadFields(mask, value) : InsertLiterals(mask, value);
}

}  // namespace qv
