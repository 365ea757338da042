// Diagnostics: compile errors, run-time errors and warnings of a script
// with the file, line and column they concern, for runners and editors
// (qvrun writes them to standard error, the window marks them in its log).
// They go beside the log lines a thread writes, never in their place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv {
class TfsScript;
}

namespace qv::host {

enum class DiagnosticKind : uint8_t { Warning, Error };

struct DiagnosticNote {
  std::u16string file;
  int32_t line = 0;
  std::u16string text;
};

struct Diagnostic {
  DiagnosticKind kind = DiagnosticKind::Error;
  std::u16string file;        // the script's or unit's path; empty for script text
  std::u16string threadName;  // empty for unnamed threads
  int32_t line = 0;           // 0: unknown
  int32_t column = 0;         // 0: unknown
  std::u16string message;
  std::vector<DiagnosticNote> notes;  // "called from" levels, innermost first
};

// The diagnostic as the lines editors and CI parse:
//   FILE:LINE:COL: error: MESSAGE     (warning: for warnings)
//   FILE:LINE: note: called from ROUTINE
// A file under `folder` is shown relative to it; a diagnostic without a
// file shows `unnamed` (script text), or "(thread name)" for a named thread.
std::vector<std::u16string> FormatDiagnostic(const Diagnostic& d, std::u16string_view folder,
                                             std::u16string_view unnamed);

// "12:5" -> 12, 5; false (both 0) for any other text.
bool ParsePosition(std::u16string_view pos, int32_t& line, int32_t& column);

// "line:col" with the line moved up by `shift` (never above line 1).
std::u16string ShiftLine(const std::u16string& pos, ptrdiff_t shift);

// Edit distance between two names, ignoring case; swapping two neighbouring
// characters counts as one edit.
size_t NameDistance(std::u16string_view a, std::u16string_view b);

// The candidate closest to `name` if it is close enough to be a likely
// misspelling (at most one edit for names up to four characters, two up to
// eight, three beyond); empty when none is.
std::u16string ClosestName(std::u16string_view name, const std::vector<std::u16string>& candidates);

// Every registered function, class and constant and every script routine
// visible from `prog` (its own table and its parents').
std::vector<std::u16string> CallableNames(const TfsScript& prog);

// "'name' is not declared; it is taken as a new variable", with
// " (did you mean 'x'?)" when a known name is close.
std::u16string ImplicitNameMessage(std::u16string_view name, const std::vector<std::u16string>& known);

}  // namespace qv::host
