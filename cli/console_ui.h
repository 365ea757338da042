// The terminal's side of the UiBridge for qvrun: log lines to standard
// output (flushed line by line, so nothing is lost when the process is
// interrupted), dialogs answered without asking, and a download status line
// on standard error when it is a terminal.
#pragma once

#include <chrono>
#include <mutex>
#include <string>

#include "cli/diagnostics.h"
#include "host/ui_bridge.h"

namespace qv::cli {

class ConsoleUi : public host::UiBridge {
 public:
  // `plain`: no time stamps. `statusLine`: show download progress.
  ConsoleUi(bool plain, bool statusLine) : plain_(plain), statusLine_(statusLine) {}

  void Log(std::u16string_view threadName, std::u16string_view message) override;
  // The text goes to the log; the answer is OK.
  int MessageBox(std::u16string_view threadName, std::u16string_view text, int type, int buttons) override;
  // The default answer.
  std::optional<std::u16string> InputQuery(std::u16string_view caption, std::u16string_view prompt,
                                           std::u16string_view initial) override;
  std::u16string ChooseFile(std::u16string_view, std::u16string_view, std::u16string_view) override {
    return u"";
  }
  std::u16string ChooseFolder(std::u16string_view, std::u16string_view) override { return u""; }
  void Progress(std::u16string_view threadName, std::u16string_view url, double percent,
                std::u16string_view speed) override;
  // To standard error, after clearing the status line.
  void Diagnose(const host::Diagnostic& d) override;

 private:
  void ClearStatusLocked();

  bool plain_;
  bool statusLine_;
  std::mutex mutex_;
  bool statusShown_ = false;
  std::chrono::steady_clock::time_point lastStatus_;
  DiagnosticWriter diagnostics_;
};

}  // namespace qv::cli
