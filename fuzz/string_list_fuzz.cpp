// libFuzzer target for the string lists' text forms: any CommaText or Text
// parses without fault, and what a list writes reads back as the same
// entries (CommaText always; Text when no entry holds a line break).
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/classes/string_list.h"
#include "support/errors.h"

namespace {

bool SameEntries(const qv::TStrings& a, const qv::TStrings& b) {
  if (a.Count() != b.Count()) return false;
  for (int i = 0; i < a.Count(); ++i)
    if (a.Get(i) != b.Get(i)) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::u16string text;
  for (size_t i = 0; i + 1 < size; i += 2) text += static_cast<char16_t>(data[i] | (data[i + 1] << 8));

  qv::TStringList list;
  list.SetCommaText(text);
  qv::TStringList again;
  again.SetCommaText(list.CommaText());
  if (!SameEntries(list, again)) std::abort();

  list.SetText(text);
  again.SetText(list.Text());
  if (!SameEntries(list, again)) std::abort();

  // The sorted form keeps Find consistent with the order.
  list.SetSorted(true);
  for (int i = 0; i < list.Count(); ++i) {
    int at = -1;
    if (!list.Find(list.Get(i), at) || at > i) std::abort();
  }
  (void)list.Value(text.substr(0, 4));
  return 0;
}
