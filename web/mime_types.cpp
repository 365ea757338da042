// File extensions to MIME types for upload parts.
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <unordered_map>

#include "support/text.h"
#include "web/multipart_form.h"

namespace qv::web {

namespace {

struct Entry {
  const char* ext;
  const char* type;
};
constexpr Entry kCommon[] = {
    {"htm", "text/html"},
    {"html", "text/html"},
    {"txt", "text/plain"},
    {"css", "text/css"},
    {"csv", "text/csv"},
    {"xml", "text/xml"},
    {"js", "application/javascript"},
    {"json", "application/json"},
    {"jpg", "image/jpeg"},
    {"jpeg", "image/jpeg"},
    {"jpe", "image/jpeg"},
    {"png", "image/png"},
    {"gif", "image/gif"},
    {"bmp", "image/bmp"},
    {"ico", "image/x-icon"},
    {"svg", "image/svg+xml"},
    {"webp", "image/webp"},
    {"tif", "image/tiff"},
    {"tiff", "image/tiff"},
    {"pdf", "application/pdf"},
    {"zip", "application/zip"},
    {"gz", "application/gzip"},
    {"tar", "application/x-tar"},
    {"rar", "application/vnd.rar"},
    {"7z", "application/x-7z-compressed"},
    {"doc", "application/msword"},
    {"xls", "application/vnd.ms-excel"},
    {"ppt", "application/vnd.ms-powerpoint"},
    {"docx", "application/vnd.openxmlformats-officedocument.wordprocessingml.document"},
    {"xlsx", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"},
    {"pptx", "application/vnd.openxmlformats-officedocument.presentationml.presentation"},
    {"mp3", "audio/mpeg"},
    {"wav", "audio/x-wav"},
    {"mp4", "video/mp4"},
    {"avi", "video/x-msvideo"},
    {"swf", "application/x-shockwave-flash"},
    {"rtf", "application/rtf"},
};

// /etc/mime.types read once: "type ext ext ..." per line.
const std::unordered_map<std::string, std::string>& SystemTable() {
  static std::unordered_map<std::string, std::string> table;
  static std::once_flag once;
  std::call_once(once, [] {
    std::ifstream in("/etc/mime.types");
    std::string line;
    while (std::getline(in, line)) {
      if (line.empty() || line[0] == '#') continue;
      std::istringstream words(line);
      std::string type, ext;
      words >> type;
      while (words >> ext) table.emplace(ext, type);
    }
  });
  return table;
}

}  // namespace

std::u16string MimeTypeOfFile(std::u16string_view fileName) {
  size_t slash = fileName.find_last_of(u"/\\");
  std::u16string_view base = slash == std::u16string_view::npos ? fileName : fileName.substr(slash + 1);
  size_t dot = base.rfind(u'.');
  if (dot != std::u16string_view::npos) {
    std::string ext = ToUtf8(LowerCase(base.substr(dot + 1)));
    for (const Entry& e : kCommon)
      if (ext == e.ext) return FromAscii(e.type);
    const auto& table = SystemTable();
    if (auto it = table.find(ext); it != table.end()) return FromUtf8(it->second);
  }
  return u"application/octet-stream";
}

}  // namespace qv::web
