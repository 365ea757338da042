// The body of a "multipart/form-data" POST, built in memory: form fields
// and files in the order they are added, then the closing boundary.
//
//   MultiPartFormData body;                 // boundary from the clock
//   body.AddFormField(u"a", u"1");
//   body.AddFile(u"f", u"/tmp/x.png");      // "Content-Type: image/png"
//   body.PrepareStreamForDispatch();
//   post(body.Bytes(), body.RequestContentType());
#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace qv::web {

class MultiPartFormData {
 public:
  // The boundary is 27 hyphens and the local time as mmddyyhhnnsszzz.
  MultiPartFormData();
  explicit MultiPartFormData(std::chrono::system_clock::time_point created);

  const std::u16string& Boundary() const { return boundary_; }
  const std::u16string& RequestContentType() const { return requestContentType_; }

  void AddFormField(std::u16string_view fieldName, std::u16string_view fieldValue);
  // Reads the whole file; raises ScriptError when it cannot be opened. The
  // part's content type comes from the file name's extension.
  void AddFile(std::u16string_view fieldName, std::u16string_view fileName);
  // The same with the file's bytes given.
  void AddFileData(std::u16string_view fieldName, std::u16string_view fileName, std::string_view data);
  void PrepareStreamForDispatch();

  const std::string& Bytes() const { return bytes_; }

 private:
  std::u16string boundary_;
  std::u16string requestContentType_;
  bool initial_ = true;
  std::string bytes_;
};

// The MIME type for a file name's extension ("a.JPG" -> "image/jpeg"):
// a built-in table of common types, then /etc/mime.types, else
// "application/octet-stream".
std::u16string MimeTypeOfFile(std::u16string_view fileName);

}  // namespace qv::web
