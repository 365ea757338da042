#include "cli/diagnostics.h"

#include <cstdio>
#include <filesystem>

#include "support/text.h"

namespace qv::cli {

DiagnosticWriter::DiagnosticWriter() {
  std::error_code ec;
  std::filesystem::path cwd = std::filesystem::current_path(ec);
  if (!ec) folder_ = FromUtf8(cwd.string());
}

void DiagnosticWriter::Write(const host::Diagnostic& d) {
  std::string text;
  for (const std::u16string& line : host::FormatDiagnostic(d, folder_, u"<stdin>"))
    text += ToUtf8(line) + "\n";
  std::lock_guard lock(mutex_);
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

}  // namespace qv::cli
