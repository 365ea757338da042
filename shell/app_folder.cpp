#include "shell/app_folder.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "library/files/paths.h"
#include "support/text.h"

namespace qv::shell {

namespace fs = std::filesystem;

namespace {

bool Writable(const fs::path& folder) { return access(folder.c_str(), W_OK) == 0; }

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v != nullptr ? v : "";
}

}  // namespace

fs::path ChooseAppFolder(const fs::path& exeFolder, std::string_view xdgDataHome, std::string_view home) {
  std::error_code ec;
  if (!exeFolder.empty() && fs::is_regular_file(exeFolder / "qv.qvs", ec) && Writable(exeFolder))
    return exeFolder;
  fs::path data;
  if (!xdgDataHome.empty() && fs::path(xdgDataHome).is_absolute()) {
    data = fs::path(xdgDataHome);
  } else if (!home.empty()) {
    data = fs::path(home) / ".local" / "share";
  } else {
    // No home at all (a bare service account): the temporary folder still
    // gives the user a place to keep a script.
    data = fs::temp_directory_path(ec);
  }
  return data / "quorvint";
}

std::u16string InitAppFolder(const fs::path& exeFolder, std::string_view starterScript) {
  fs::path folder = ChooseAppFolder(exeFolder, Env("XDG_DATA_HOME"), Env("HOME"));
  std::error_code ec;
  if (folder != exeFolder) {
    fs::create_directories(folder, ec);
    fs::path script = folder / "qv.qvs";
    if (!fs::exists(script, ec)) {
      std::ofstream out(script, std::ios::binary);
      out.write(starterScript.data(), static_cast<std::streamsize>(starterScript.size()));
    }
  }
  std::u16string text = FromUtf8(folder.lexically_normal().string());
  if (text.empty() || text.back() != u'/') text += u'/';
  library::SetAppPath(text);
  return text;
}

std::u16string InitScriptFolder(const fs::path& file, std::u16string& scriptFile) {
  std::error_code ec;
  fs::path full = fs::absolute(file, ec).lexically_normal();
  scriptFile = FromUtf8(full.string());
  std::u16string folder = FromUtf8(full.parent_path().string());
  if (folder.empty() || folder.back() != u'/') folder += u'/';
  library::SetAppPath(folder);
  return folder;
}

}  // namespace qv::shell
