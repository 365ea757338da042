#include "web/redirect_target.h"

#include "library/url/abspath.h"

namespace qv::web {

std::u16string RedirectTarget(std::u16string_view base, std::u16string_view location) {
  return library::AbsPath(base, location);
}

}  // namespace qv::web
