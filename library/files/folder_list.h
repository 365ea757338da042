// Folder listings: bare names joined with "||", and the wildcard match that
// selects them ("*" any run, "?" one character, letters without regard to
// case, so "*.jpg" finds "A.JPG" as scripts expect).
#pragma once

#include <string>
#include <string_view>

namespace qv::library {

bool WildcardMatch(std::u16string_view pattern, std::u16string_view name);

// The names in `folder` that match `mask`: folders only, or files only
// (links followed). Hidden entries (names beginning with ".") are left out;
// names come sorted. Empty when the folder does not exist.
std::u16string ListFolder(std::u16string_view folder, bool foldersOnly, std::u16string_view mask);

}  // namespace qv::library
