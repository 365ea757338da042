#include "host/plugins.h"

#include <dlfcn.h>

#include <filesystem>
#include <string>

#include "library/files/paths.h"

namespace qv::host {

void CallPlugin(std::u16string_view name) {
  std::u16string_view part = name.substr(0, name.find(u'.'));
  if (part.find_first_of(u"/\\") != std::u16string_view::npos || part.find(u'\0') != std::u16string_view::npos)
    return;
  std::filesystem::path file = library::FsPath(library::AppPath() + u"plugin/" + std::u16string(part) + u".so");
  if (void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL)) dlclose(handle);
}

}  // namespace qv::host
