// Where a redirect leads: its Location made absolute against the address
// that answered.
#pragma once

#include <string>
#include <string_view>

namespace qv::web {

std::u16string RedirectTarget(std::u16string_view base, std::u16string_view location);

}  // namespace qv::web
