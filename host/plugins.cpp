#include "host/plugins.h"

#include <dlfcn.h>

#include <filesystem>
#include <string>
#include <system_error>

#include "library/files/paths.h"
#include "support/text.h"

namespace qv::host {

namespace {

// The plug-in's file: the exact name, else the first entry of the folder
// (in name order) that matches it without regard to case, since script
// names are matched that way and the dispatcher may see them upper-cased.
std::filesystem::path PluginFile(const std::filesystem::path& folder, const std::u16string& fileName) {
  std::filesystem::path exact = folder / library::FsPath(fileName);
  std::error_code ec;
  if (std::filesystem::exists(exact, ec)) return exact;
  std::filesystem::path found;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    const std::filesystem::path& candidate = entry.path();
    if (SameText(library::PathText(candidate.filename()), fileName) && (found.empty() || candidate < found))
      found = candidate;
  }
  return found;
}

}  // namespace

void CallPlugin(std::u16string_view name) {
  std::u16string_view part = name.substr(0, name.find(u'.'));
  if (part.find_first_of(u"/\\") != std::u16string_view::npos ||
      part.find(u'\0') != std::u16string_view::npos)
    return;
  std::filesystem::path folder = library::FsPath(library::AppPath() + u"plugin");
  std::filesystem::path file = PluginFile(folder, std::u16string(part) + u".so");
  if (file.empty()) return;
  if (void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL)) dlclose(handle);
}

}  // namespace qv::host
