#include "support/han_script.h"

#include <unicode/translit.h>
#include <unicode/unistr.h>

#include <memory>

namespace qv {

namespace {

// Transliterators are not safe to share between threads: one per thread.
std::u16string Apply(std::u16string_view text, const char* id, std::unique_ptr<icu::Transliterator>& slot) {
  if (!slot) {
    UErrorCode err = U_ZERO_ERROR;
    slot.reset(icu::Transliterator::createInstance(id, UTRANS_FORWARD, err));
    if (U_FAILURE(err)) slot.reset();
    if (!slot) return std::u16string(text);
  }
  icu::UnicodeString s(text.data(), static_cast<int32_t>(text.size()));
  slot->transliterate(s);
  return std::u16string(s.getBuffer(), static_cast<size_t>(s.length()));
}

}  // namespace

std::u16string TraditionalToSimplified(std::u16string_view text) {
  thread_local std::unique_ptr<icu::Transliterator> t;
  return Apply(text, "Hant-Hans", t);
}

std::u16string SimplifiedToTraditional(std::u16string_view text) {
  thread_local std::unique_ptr<icu::Transliterator> t;
  return Apply(text, "Hans-Hant", t);
}

}  // namespace qv
