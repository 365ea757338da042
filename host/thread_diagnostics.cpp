// The diagnostics of a host thread: its compile error, its warnings and
// its run-time error, with the file, line and column they concern. They go
// to the UiBridge beside the log lines, which stay as they are.
#include <mutex>
#include <string>

#include "host/diagnostics.h"
#include "host/quorvint.h"
#include "host/ui_bridge.h"
#include "support/text.h"

namespace qv::host {

namespace {

constexpr std::u16string_view kTooManyParameters = u"Too many actual parameters";

}  // namespace

void TQuorvint::Report(const Diagnostic& d) {
  if (ui_ != nullptr) ui_->Diagnose(d);
}

std::u16string TQuorvint::FileOfUnit(const std::u16string& unit) const {
  if (unit.empty()) return nowFilePath_;
  std::lock_guard lock(unitFilesMutex_);
  auto it = unitFiles_.find(UpperCase(unit));
  return it != unitFiles_.end() ? it->second : unit;
}

std::u16string TQuorvint::FilePosition(const std::u16string& unit, const std::u16string& pos) const {
  return unit.empty() ? ShiftLine(pos, templateLineShift_) : pos;
}

Diagnostic TQuorvint::DiagnosticAt(DiagnosticKind kind, const std::u16string& unit, const std::u16string& pos,
                                   std::u16string message) const {
  Diagnostic d;
  d.kind = kind;
  d.file = FileOfUnit(unit);
  d.threadName = threadName_;
  ParsePosition(FilePosition(unit, pos), d.line, d.column);
  d.message = std::move(message);
  return d;
}

// The compile error's position is already a line of the file (CompileSource).
void TQuorvint::ReportCompileError() {
  TfsScript& prog = *globalScripter_;
  Diagnostic d = DiagnosticAt(DiagnosticKind::Error, prog.ErrorUnit(), u"", prog.ErrorMsg());
  ParsePosition(prog.ErrorPos(), d.line, d.column);
  // A call with arguments of a name nobody declared: most often a misspelt
  // function.
  if (prog.ErrorMsg() == kTooManyParameters && !prog.ImplicitNames().empty()) {
    const ImplicitName& name = prog.ImplicitNames().back();
    int32_t line = 0;
    int32_t column = 0;
    ParsePosition(FilePosition(name.unit, name.pos), line, column);
    d.notes.push_back({FileOfUnit(name.unit), line, ImplicitNameMessage(name.name, CallableNames(prog))});
  }
  Report(d);
}

void TQuorvint::ReportCompileWarnings(bool markedTemplate) {
  TfsScript& prog = *globalScripter_;
  if (markedTemplate)
    Report(
        DiagnosticAt(DiagnosticKind::Warning, u"", u"1:1",
                     u"the file begins with a UTF-8 byte-order mark, so \"#language\" is not its first text "
                     u"and it runs as a template; save it as UTF-8 without the mark"));
  auto stopped = [this](const std::u16string& unit, const std::u16string& pos) {
    Report(DiagnosticAt(DiagnosticKind::Warning, unit, pos,
                        u"translation stopped here; the rest of the script was not translated"));
  };
  for (const auto& [unit, pos] : prog.UnitTranslationStops()) stopped(unit, pos);
  if (!prog.TranslationStop().empty()) stopped(u"", prog.TranslationStop());
  if (prog.ImplicitNames().empty()) return;
  const std::vector<std::u16string> known = CallableNames(prog);
  for (const ImplicitName& name : prog.ImplicitNames())
    Report(DiagnosticAt(DiagnosticKind::Warning, name.unit, name.pos, ImplicitNameMessage(name.name, known)));
}

bool TQuorvint::PlaceRunError(const ScriptError& e) {
  const ErrorPlace* place = e.place();
  if (place == nullptr) return false;
  TfsScript& prog = *globalScripter_;
  prog.SetErrorUnit(place->unit);
  prog.SetErrorPos(FilePosition(place->unit, place->pos));
  return true;
}

void TQuorvint::ReportRunError(const ScriptError& e) {
  const ErrorPlace* place = e.place();
  if (place == nullptr) {
    Report(DiagnosticAt(DiagnosticKind::Error, u"", u"", e.message()));
    return;
  }
  Diagnostic d = DiagnosticAt(DiagnosticKind::Error, place->unit, place->pos, e.message());
  for (const ErrorPlace::Call& call : place->calls) {
    if (call.pos.empty()) continue;  // called from outside any statement
    int32_t line = 0;
    int32_t column = 0;
    ParsePosition(FilePosition(call.unit, call.pos), line, column);
    d.notes.push_back({FileOfUnit(call.unit), line, u"called from " + call.routine});
  }
  if (place->omittedCalls > 0)
    d.notes.push_back({u"", 0, u"and " + FromUtf8(std::to_string(place->omittedCalls)) + u" more calls"});
  Report(d);
}

}  // namespace qv::host
