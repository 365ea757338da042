// UiBridge: everything a script thread asks of the user interface. The
// window implements it with blocking calls onto its GUI thread; qvrun
// implements it on the terminal. A script thread blocks until the call is
// handled, and gives up its execution lock meanwhile (BlockingCall).
// Children inherit their parent's bridge and may outlive the parent: a
// bridge must outlive every host thread it was given to
// (WaitForAllThreads).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qv::host {

struct Diagnostic;

class UiBridge {
 public:
  virtual ~UiBridge() = default;

  // One log line of a script; `threadName` is empty for unnamed threads.
  // The bridge adds the time stamp and the "(name)" mark.
  virtual void Log(std::u16string_view threadName, std::u16string_view message) = 0;

  // A modal message box. `type`: 1 error, 2 warning, else information.
  // `buttons`: 1 OK/Cancel, 2 Abort/Retry/Ignore, 3 Yes/No/Cancel, 4 Yes/No,
  // 5 Retry/Cancel, else OK alone. The answer is the pressed button's code
  // (1 OK, 2 Cancel, 3 Abort, 4 Retry, 5 Ignore, 6 Yes, 7 No).
  // `threadName` is the asking thread's (empty for unnamed threads).
  virtual int MessageBox(std::u16string_view threadName, std::u16string_view text, int type, int buttons) = 0;

  // A modal input query; nullopt when the user cancels.
  virtual std::optional<std::u16string> InputQuery(std::u16string_view caption, std::u16string_view prompt,
                                                   std::u16string_view initial) = 0;

  // File and folder choice; empty text when the user cancels.
  virtual std::u16string ChooseFile(std::u16string_view title, std::u16string_view filter,
                                    std::u16string_view folder) = 0;
  virtual std::u16string ChooseFolder(std::u16string_view title, std::u16string_view folder) = 0;

  // Progress of a running download, for a status display; empty url when
  // the download ends. Optional.
  virtual void Progress(std::u16string_view /*threadName*/, std::u16string_view /*url*/, double /*percent*/,
                        std::u16string_view /*speed*/) {}

  // A compile or run-time error or a warning with its place, beside the log
  // line the thread writes for it. Optional.
  virtual void Diagnose(const Diagnostic& /*diagnostic*/) {}
};

}  // namespace qv::host
