#include "web/multipart_form.h"

#include <ctime>

#include "library/files/file_read.h"
#include "library/files/paths.h"
#include "support/codepage.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv::web {

namespace {

std::u16string BoundaryAt(std::chrono::system_clock::time_point t) {
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count() % 1000;
  std::time_t secs = std::chrono::system_clock::to_time_t(t);
  std::tm tm{};
  localtime_r(&secs, &tm);
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%02d%02d%02d%02d%02d%02d%03d", tm.tm_mon + 1, tm.tm_mday,
                tm.tm_year % 100, tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(ms));
  return u"---------------------------" + FromAscii(stamp);
}

}  // namespace

MultiPartFormData::MultiPartFormData() : MultiPartFormData(std::chrono::system_clock::now()) {}

MultiPartFormData::MultiPartFormData(std::chrono::system_clock::time_point created)
    : boundary_(BoundaryAt(created)), requestContentType_(u"multipart/form-data; boundary=" + boundary_) {}

void MultiPartFormData::AddFormField(std::u16string_view fieldName, std::u16string_view fieldValue) {
  std::u16string head = initial_ ? std::u16string() : u"\r\n";
  head += u"--" + boundary_ + u"\r\nContent-Disposition: form-data; name=\"";
  head += fieldName;
  head += u"\"\r\n\r\n";
  head += fieldValue;
  bytes_ += EncodeAnsi(head);
  initial_ = false;
}

// Only a regular file is uploaded: a FIFO or a device would block or never
// end, and a name holding NUL would name another file.
void MultiPartFormData::AddFile(std::u16string_view fieldName, std::u16string_view fileName) {
  std::string data;
  if (!library::IsUsableName(fileName) || !library::ReadFileBytes(library::FsPath(fileName), data))
    throw ScriptError(u"Cannot open file \"" + std::u16string(fileName) + u"\"");
  AddFileData(fieldName, fileName, data);
}

void MultiPartFormData::AddFileData(std::u16string_view fieldName, std::u16string_view fileName,
                                    std::string_view data) {
  // A file part always opens with a line break, even as the first part.
  std::u16string head = u"\r\n--" + boundary_ + u"\r\nContent-Disposition: form-data; name=\"";
  head += fieldName;
  head += u"\"; filename=\"";
  head += fileName;
  head += u"\"\r\nContent-Type: " + MimeTypeOfFile(fileName) + u"\r\n\r\n";
  bytes_ += EncodeAnsi(head);
  bytes_ += data;
  initial_ = false;
}

void MultiPartFormData::PrepareStreamForDispatch() {
  bytes_ += EncodeAnsi(u"\r\n--" + boundary_ + u"--\r\n");
  initial_ = true;
}

}  // namespace qv::web
