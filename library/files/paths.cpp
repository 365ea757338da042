#include "library/files/paths.h"

#include <mutex>
#include <system_error>

#include "support/text.h"

namespace qv::library {

namespace {

struct AppFolder {
  std::mutex mu;
  std::u16string folder;
};
AppFolder& TheAppFolder() {
  static AppFolder f;
  return f;
}

std::u16string WithSlash(std::u16string folder) {
  for (char16_t& c : folder)
    if (c == u'\\') c = u'/';
  if (folder.empty() || folder.back() != u'/') folder += u'/';
  return folder;
}

}  // namespace

std::u16string AppPath() {
  AppFolder& f = TheAppFolder();
  std::lock_guard<std::mutex> lock(f.mu);
  if (f.folder.empty()) {
    std::error_code ec;
    f.folder = WithSlash(PathText(std::filesystem::current_path(ec)));
  }
  return f.folder;
}

void SetAppPath(std::u16string_view folder) {
  AppFolder& f = TheAppFolder();
  std::lock_guard<std::mutex> lock(f.mu);
  f.folder = folder.empty() ? std::u16string() : WithSlash(std::u16string(folder));
}

std::filesystem::path FsPath(std::u16string_view name) {
  std::u16string s(name);
  for (char16_t& c : s)
    if (c == u'\\') c = u'/';
  return std::filesystem::path(ToUtf8(s));
}

std::u16string PathText(const std::filesystem::path& path) { return FromUtf8(path.native()); }

bool IsAbsoluteName(std::u16string_view name) {
  return !name.empty() && (name[0] == u'/' || name[0] == u'\\');
}

bool IsUsableName(std::u16string_view name) {
  return !name.empty() && name.find(u'\0') == std::u16string_view::npos;
}

bool IsUsablePath(const std::filesystem::path& path) {
  return !path.empty() && path.native().find('\0') == std::string::npos;
}

std::u16string InAppFolder(std::u16string_view name, std::u16string_view joiner) {
  if (IsAbsoluteName(name)) return std::u16string(name);
  std::u16string full = AppPath();
  full += joiner;
  full += name;
  return full;
}

std::filesystem::path ExpandName(std::u16string_view name) {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::absolute(FsPath(name), ec);
  if (ec) p = FsPath(name);
  return p.lexically_normal();
}

bool ForceFolder(const std::filesystem::path& path, bool isFile) {
  if (!IsUsablePath(path)) return false;
  std::filesystem::path folder = isFile ? path.parent_path() : path;
  if (folder.empty()) return true;
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  return std::filesystem::is_directory(folder, ec);
}

}  // namespace qv::library
