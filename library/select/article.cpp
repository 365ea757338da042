#include "library/select/select.h"

namespace qv::library {

std::u16string ExtractArticle(std::u16string_view, std::u16string_view, ArticlePart) { return {}; }

}  // namespace qv::library
