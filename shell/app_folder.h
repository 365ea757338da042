// The window's application folder (_AppPath): the executable's folder when
// it holds qv.qvs and may be written to (a portable install), otherwise
// $XDG_DATA_HOME/quorvint/ (default ~/.local/share/quorvint/), created
// with a starter qv.qvs. Always ends with "/".
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace qv::shell {

// The folder to use, without touching the disk beyond looking.
// `xdgDataHome` and `home` are the environment's values (empty when unset);
// a relative XDG_DATA_HOME is ignored, as the base-directory rules say.
std::filesystem::path ChooseAppFolder(const std::filesystem::path& exeFolder, std::string_view xdgDataHome,
                                      std::string_view home);

// Chooses the folder for this process, creates it with `starterScript` as
// its qv.qvs when it has none (never in the executable's folder), and makes
// it the library's AppPath. Returns the folder text with a trailing "/".
std::u16string InitAppFolder(const std::filesystem::path& exeFolder, std::string_view starterScript);

// For a window started with a script file: the file's full name goes to
// `scriptFile`, its folder becomes the library's AppPath and is returned
// (with a trailing "/").
std::u16string InitScriptFolder(const std::filesystem::path& file, std::u16string& scriptFile);

}  // namespace qv::shell
