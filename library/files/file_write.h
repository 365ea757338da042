// Writing files without losing data. Replacing a file writes a temporary
// file beside it and renames it over the old one, so a failed write (no
// space, no permission) leaves the previous content intact; appending writes
// the exact bytes at the end in one call.
//
//   WriteFileBytes(WriteMode::Overwrite, u"data/out.txt", bytes);   // in AppPath
//   SaveFileBytes(WriteMode::Append, u"/var/log/x.log", line);       // under GlobalFileLock
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace qv::library {

enum class WriteMode { Overwrite, Append };

// Replaces the file's content with `bytes` (temporary file and rename; the
// file's permission bits are kept, a link is written through). False when
// it cannot be written.
bool ReplaceFileContent(const std::filesystem::path& path, std::string_view bytes);

// Appends `bytes` at the end of the file, creating it when missing. False
// when the bytes could not all be written.
bool AppendFileContent(const std::filesystem::path& path, std::string_view bytes);

// The writer of savefile: a relative name is taken in AppPath (joined
// without a separator, AppPath ends with one), missing folders are created,
// a missing file is created in either mode. No lock is taken.
bool WriteFileBytes(WriteMode mode, std::u16string_view name, std::string_view bytes);

// WriteFileBytes under GlobalFileLock, so that writes from several script
// threads never interleave.
bool SaveFileBytes(WriteMode mode, std::u16string_view name, std::string_view bytes);

}  // namespace qv::library
