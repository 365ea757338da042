// getDllMethod: the names of the functions a shared library exports, read
// from the dynamic symbol table of the ELF file, in table order.
//
//   GetDllMethods(u"/usr/lib/x86_64-linux-gnu/libelf.so.1");  // {u"elf_begin", ...}
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qv::host {

// `file` is taken relative to the current directory ("\" reads as "/").
// Empty for a missing, unreadable or non-ELF file; a damaged table gives
// the names read before the damage.
std::vector<std::u16string> GetDllMethods(std::u16string_view file);

// The same for an image in memory (the fuzz target's entry).
std::vector<std::u16string> GetDllMethodsOfImage(std::string_view image);

}  // namespace qv::host
