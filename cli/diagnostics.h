// qvrun's diagnostics on standard error, and --check.
#pragma once

#include <mutex>
#include <string>

#include "host/diagnostics.h"

namespace qv::cli {

// Writes each diagnostic as FormatDiagnostic's lines; files under the
// current directory are shown relative to it, script text from standard
// input as "<stdin>".
class DiagnosticWriter {
 public:
  DiagnosticWriter();
  void Write(const host::Diagnostic& d);

 private:
  std::mutex mutex_;
  std::u16string folder_;
};

}  // namespace qv::cli
