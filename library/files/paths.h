// Path rules of the file functions: "\" in a name a script passes is read as
// "/", a name is absolute when it begins with "/", and names are UTF-8 on
// disk. Relative names of the writing and INI functions are taken relative
// to the application folder (AppPath), every other relative name to the
// current directory.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace qv::library {

// The application folder, always ending with "/". Until the host sets it,
// it is the current directory at the first call.
std::u16string AppPath();
void SetAppPath(std::u16string_view folder);

// A script's name as a file-system path ("\" read as "/").
std::filesystem::path FsPath(std::u16string_view name);

// A file-system path as script text.
std::u16string PathText(const std::filesystem::path& path);

bool IsAbsoluteName(std::u16string_view name);

// False for a name no file can have: empty, or holding NUL. The system reads
// a name only up to its first NUL, so such a name would act on another file;
// every file function refuses it with its failure result.
bool IsUsableName(std::u16string_view name);
bool IsUsablePath(const std::filesystem::path& path);

// `name` when it is absolute, otherwise AppPath() + joiner + name.
std::u16string InAppFolder(std::u16string_view name, std::u16string_view joiner);

// The full name against the current directory, with "." and ".." resolved
// and doubled separators merged.
std::filesystem::path ExpandName(std::u16string_view name);

// Creates the folder of `path` (isFile) or `path` itself with every missing
// parent. True when the folder exists afterwards; false for an unusable path.
bool ForceFolder(const std::filesystem::path& path, bool isFile);

}  // namespace qv::library
