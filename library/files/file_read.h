// Reading files whole, as bytes or as text with the byte-order-mark rule:
// a UTF-8, UTF-16 LE or UTF-16 BE mark selects that encoding and is dropped,
// anything else is read in the ANSI code page.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace qv::library {

// A read-only descriptor of a regular file, or -1. Devices, FIFOs and
// sockets are refused at once: a FIFO without a writer blocks the open, and
// a device such as /dev/zero never ends. The caller closes the descriptor.
int OpenRegularFile(const std::filesystem::path& path);

// False when the file cannot be opened or read (a folder, a device, a FIFO,
// no permission).
bool ReadFileBytes(const std::filesystem::path& path, std::string& out);

// At most `count` leading bytes of the file; false when it cannot be read.
bool ReadFileHead(const std::filesystem::path& path, size_t count, std::string& out);

// The whole file decoded; raises ScriptError when it cannot be read.
std::u16string ReadTextFile(const std::filesystem::path& path);

}  // namespace qv::library
