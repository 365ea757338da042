#include "host/quorvint.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "host/compiled_script.h"
#include "host/error_messages.h"
#include "host/http_get_class.h"
#include "host/regexp_class.h"
#include "host/template_source.h"
#include "host/thread_class.h"
#include "host/ui_bridge.h"
#include "library/files/file_read.h"
#include "library/files/paths.h"
#include "support/codepage.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv::host {

namespace {

// Host threads whose body runs, for WaitForAllThreads. Never destroyed:
// a detached thread may still be leaving while the process exits.
struct RunningThreads {
  std::mutex mutex;
  std::condition_variable cv;
  int count = 0;
  std::function<void()> allEnded;
  // System thread ids of ended host threads that may still be leaving.
  std::vector<pid_t> leaving;
};

bool SystemThreadGone(pid_t tid) {
  char path[64];
  std::snprintf(path, sizeof path, "/proc/self/task/%d", static_cast<int>(tid));
  return access(path, F_OK) != 0;
}
RunningThreads& Running() {
  static RunningThreads* running = new RunningThreads;
  return *running;
}

bool IsExistingFile(std::u16string_view name) {
  if (name.empty()) return false;
  std::error_code ec;
  return std::filesystem::is_regular_file(library::FsPath(name), ec);
}

// `name` itself when it is a file; otherwise the first folder of `dirs`
// that holds it (names that are absolute are not searched); else `name`.
std::u16string ResolveOnPath(std::u16string_view name, const std::vector<std::u16string>& dirs) {
  if (IsExistingFile(name) || library::IsAbsoluteName(name)) return std::u16string(name);
  for (std::u16string dir : dirs) {
    if (!dir.empty() && dir.back() != u'/' && dir.back() != u'\\') dir += u'/';
    std::u16string candidate = dir + std::u16string(name);
    if (IsExistingFile(candidate)) return candidate;
  }
  return std::u16string(name);
}

}  // namespace

std::u16string WithCrLf(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size() + text.size() / 16);
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c == u'\r' || c == u'\n') {
      out += u"\r\n";
      if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    } else {
      out += c;
    }
  }
  return out;
}

uint32_t TQuorvint::TickCount() {
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now().time_since_epoch());
  return static_cast<uint32_t>(ms.count());
}

TQuorvint::TQuorvint(std::u16string_view source, TQuorvint* parent, std::u16string endCallback,
                     std::u16string startCallback, std::u16string threadName)
    : globalScripter_(std::make_shared<TfsScript>()),
      threadName_(std::move(threadName)),
      startCallback_(std::move(startCallback)),
      endCallback_(std::move(endCallback)),
      parent_(parent),
      createdWithParent_(parent != nullptr) {
  globalScripter_->SetExtendedCharset(true);
  if (IsExistingFile(source)) {
    LoadFile(source);
  } else {
    source_ = std::u16string(source);
  }
}

TQuorvint::~TQuorvint() {
  // A thread never started still owns its program and objects.
  if (globalScripter_) ObjectRegistry::Instance().FreeOwnedBy(globalScripter_.get());
}

std::shared_ptr<TQuorvinter> TQuorvinter::Create(std::u16string_view source, TQuorvint* parent,
                                                 std::u16string endCallback, std::u16string startCallback,
                                                 std::u16string threadName) {
  return std::shared_ptr<TQuorvinter>(new TQuorvinter(source, parent, std::move(endCallback),
                                                      std::move(startCallback), std::move(threadName)));
}

void TQuorvint::LoadFile(std::u16string_view fileName) {
  std::u16string resolved = ResolveOnPath(fileName, globalScripter_->IncludePath());
  nowFilePath_ = resolved;
  if (onDecryptScript) {
    onDecryptScript(resolved, source_);
    return;
  }
  std::string bytes;
  if (!library::ReadFileBytes(library::FsPath(resolved), bytes)) {
    source_.clear();
    return;
  }
  sourceMarked_ = bytes.rfind("\xEF\xBB\xBF", 0) == 0;
  try {
    source_ = ScriptFileSource(bytes);
  } catch (const ScriptError& e) {
    // A damaged compiled file: the creator learns which file it was.
    throw ScriptError(resolved + u": " + e.message(), e.className());
  }
}

// ---- the thread ------------------------------------------------------------

void TQuorvint::Resume() {
  if (started_.exchange(true)) return;
  {
    std::lock_guard lock(Running().mutex);
    ++Running().count;
  }
  std::shared_ptr<TQuorvint> self = shared_from_this();
  std::thread([self]() mutable {
    const pid_t tid = gettid();
    self->Execute();
    // The thread lets go of itself before it counts as finished: whoever
    // waits for it then holds the last reference, and a process that
    // waited for all threads never races a destructor on its way out.
    std::weak_ptr<TQuorvint> weak = self;
    self.reset();
    if (std::shared_ptr<TQuorvint> still = weak.lock()) still->MarkFinished();
    RunningThreads& running = Running();
    std::lock_guard lock(running.mutex);
    if (running.leaving.size() >= 64) std::erase_if(running.leaving, SystemThreadGone);
    running.leaving.push_back(tid);
    if (--running.count == 0 && running.allEnded) running.allEnded();
    running.cv.notify_all();
  }).detach();
}

bool TQuorvint::WaitFor(int ms) {
  std::unique_lock lock(finishMutex_);
  auto done = [this] { return finished_.load(std::memory_order_acquire) || !started_.load(); };
  if (ms < 0) {
    finishCv_.wait(lock, done);
    return true;
  }
  return finishCv_.wait_for(lock, std::chrono::milliseconds(ms), done);
}

void TQuorvint::Execute() {
  try {
    RunBody();
  } catch (const std::exception& e) {
    // Nothing may escape a thread body: the process would end.
    outcome_.store(RunOutcome::RunError, std::memory_order_release);
    LG(FromUtf8(e.what()));
  }
  Teardown();
  if (onTerminate) onTerminate(*this);
}

void TQuorvint::MarkFinished() {
  {
    std::lock_guard lock(finishMutex_);
    finished_.store(true, std::memory_order_release);
  }
  finishCv_.notify_all();
}

void TQuorvint::RunBody() {
  TfsScript& prog = *globalScripter_;
  regExp_ = NewRegExp(u"", u"", true);
  httpGetObject_ = std::make_unique<HttpGetObject>(*this);

  if (onIncludePath) {
    std::vector<std::u16string> dirs;
    onIncludePath(dirs);
    prog.IncludePath().insert(prog.IncludePath().end(), dirs.begin(), dirs.end());
  }
  prog.SetOnGetUnit([this](TfsScript& sender, const std::u16string& unit, std::u16string& text) {
    LoadUnit(sender, unit, text);
  });
  prog.SetParent(&GlobalProgram());
  SetVariables(initVariable_);

  RegisterHost(prog);
  if (onAddMethod) onAddMethod(prog);
  prog.AddObject(u"_Get", *httpGetObject_);
  prog.AddObject(u"_RegExp", *regExp_);
  selfHandle_ = std::make_unique<ThreadRef>(*this);
  std::shared_ptr<TQuorvint> parent = LockParent();
  if (parent) parentHandle_ = std::make_unique<ThreadRef>(parent);
  prog.AddObject(u"_SELF", *selfHandle_);
  prog.AddObject(u"_Parent", parentHandle_ ? *parentHandle_ : *selfHandle_);

  RunStartCallback();

  if (!CompileSource()) {
    outcome_.store(RunOutcome::CompileError, std::memory_order_release);
    return;
  }
  if (checkOnly_) {
    outcome_.store(RunOutcome::Completed, std::memory_order_release);
    return;
  }
  try {
    ExecutionLockHolder running(prog);
    // Once the script has ended, a callback still inside its code (woken
    // by a stop, say) runs no further statement: the end of a run clears
    // the program's stop, so it is set again before the lock is given up.
    struct EndOfRun {
      TfsScript& prog;
      ~EndOfRun() { prog.Terminate(); }
    } endOfRun{prog};
    prog.Execute();
    outcome_.store(RunOutcome::Completed, std::memory_order_release);
  } catch (const ScriptError& e) {
    outcome_.store(RunOutcome::RunError, std::memory_order_release);
    if (PlaceRunError(e) && !prog.ErrorPos().empty()) {
      LG(RunErrorMessage(prog, e.message(), threadName_, createdWithParent_));
    } else {
      LG(e.message());
    }
    ReportRunError(e);
  }
}

// Chooses the source form, then compiles; logs a compile error.
bool TQuorvint::CompileSource() {
  TfsScript& prog = *globalScripter_;
  std::u16string text = source_;
  ptrdiff_t templateLineShift = 0;
  bool markedTemplate = false;
  switch (ChooseSourceForm(text)) {
    case SourceForm::Intermediate:
    case SourceForm::Language:
      break;
    case SourceForm::Template:
      if (!plainSyntax_.empty()) {
        prog.SetSyntaxType(plainSyntax_);
      } else {
        // Joined lines would end in a line break the template does not
        // have, and it would reach the template output.
        markedTemplate = sourceMarked_ && StartsWithMarkedDirective(text);
        std::u16string joined = WithCrLf(text);
        text = ConvertTemplate(joined);
        // A template without a language line gets one in front: positions
        // are reported as lines of the template.
        templateLineShift =
            std::count(text.begin(), text.end(), u'\n') - std::count(joined.begin(), joined.end(), u'\n');
        SetHTMLFilter(true);
      }
      break;
  }
  prog.Lines() = SplitLines(text);
  // The program holds the lines now; a very large script need not be kept
  // twice more while it compiles.
  std::u16string().swap(text);
  templateLineShift_ = templateLineShift;
  runStartTime_ = TickCount();
  bool ok = false;
  try {
    ok = prog.Compile();
    if (!ok && prog.ErrorUnit().empty()) prog.SetErrorPos(ShiftLine(prog.ErrorPos(), templateLineShift));
    if (!ok) {
      LG(CompileErrorMessage(prog, threadName_, createdWithParent_));
      ReportCompileError();
    }
  } catch (const ScriptError& e) {
    // An unknown language or an unreadable unit: raised, without a position.
    LG(ErrorLabel(threadName_, prog.ErrorUnit(), createdWithParent_) + u":" + e.message());
    Report(DiagnosticAt(DiagnosticKind::Error, prog.ErrorUnit(), u"", e.message()));
  }
  if (!ok) {
    prog.Terminate();
    return false;
  }
  ReportCompileWarnings(markedTemplate);
  return true;
}

void TQuorvint::Teardown() {
  tearingDown_.store(true, std::memory_order_release);
  // The end callback may still read this thread's variables.
  RunEndCallback();
  // No child's callback may run this program's code once it is freed.
  CloseCallbacks();
  CutChildLinks();
  ReleaseResources();
}

void TQuorvint::CutChildLinks() {
  std::vector<std::shared_ptr<TQuorvint>> children;
  {
    // Children outlive this thread on their own; the list of started
    // children stays for a later stop.
    std::lock_guard lock(scriptCs_);
    for (auto& weak : startedChildren_)
      if (auto child = weak.lock()) children.push_back(child);
    allThread_.clear();
  }
  for (auto& child : children) child->ClearParentLink();
}

// What only the running script needed goes now, not when the last handle
// of this thread goes: an ended child keeps no page, client, open files or
// program while its parent holds it.
void TQuorvint::ReleaseResources() {
  std::shared_ptr<TfsScript> prog;
  {
    std::lock_guard lock(programMutex_);
    prog = std::move(globalScripter_);
  }
  {
    // A parent may be reading this program's variables (TQuorvinter.Vars).
    std::lock_guard lock(prog->ExecutionLock());
    programReleased_.store(true, std::memory_order_release);
    errorMsgAtEnd_ = prog->ErrorMsg();
    errorPosAtEnd_ = prog->ErrorPos();
    ObjectRegistry::Instance().FreeOwnedBy(prog.get());
    prog->Clear();
  }
  prog.reset();
  selfHandle_.reset();
  parentHandle_.reset();
  regExp_.reset();
  httpGetObject_.reset();
  ReleaseClient();
  std::u16string().swap(source_);
  initVariable_ = Value();
  onAddMethod = nullptr;
  onIncludePath = nullptr;
  onDecryptScript = nullptr;
  onCreateScript = nullptr;
}

std::shared_ptr<TfsScript> TQuorvint::ProgramRef() const {
  std::lock_guard lock(programMutex_);
  return globalScripter_;
}

// ---- stopping and logging ----------------------------------------------------

void TQuorvint::Stop() {
  // The program is told first: a sleep or a download cut below returns at
  // once, and the script must not get to run its next statement.
  if (std::shared_ptr<TfsScript> prog = ProgramRef()) {
    try {
      prog->Terminate();
    } catch (...) {
    }
  }
  // The flag is set and the children are taken under the registry's lock:
  // a runthread either registers its child before (and it is stopped
  // here) or sees the flag and stops the child itself.
  std::vector<std::shared_ptr<TQuorvint>> children;
  {
    std::lock_guard lock(scriptCs_);
    terminated_.store(true, std::memory_order_release);
    for (auto& weak : startedChildren_)
      if (auto child = weak.lock()) children.push_back(child);
  }
  CutBlockingCalls();
  for (auto& child : children) {
    child->ClearParentLink();
    child->Stop();
  }
}

void TQuorvint::CutBlockingCalls() {
  web::THttpThread::Stop();
  // Under the waiters' mutexes, so a sleep or wait about to block sees it.
  { std::lock_guard lock(sleepMutex_); }
  sleepCv_.notify_all();
  stopWakeups_.WakeAll();
  { std::lock_guard lock(scriptCs_); }
  registryCv_.notify_all();
}

void TQuorvint::SleepFor(int ms) {
  if (ms <= 0) return;
  BlockingCall waiting;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  std::unique_lock lock(sleepMutex_);
  sleepCv_.wait_until(lock, deadline, [this] { return Terminated(); });
}

void TQuorvint::LG(std::u16string_view msg) {
  if (ui_ != nullptr) ui_->Log(threadName_, msg);
}

// ---- template output ---------------------------------------------------------

std::u16string TQuorvint::HTMLOutput() const {
  std::lock_guard lock(outputMutex_);
  return htmlOutput_;
}

void TQuorvint::SetHTMLOutput(std::u16string text) {
  std::lock_guard lock(outputMutex_);
  htmlOutput_ = std::move(text);
}

void TQuorvint::AppendOutput(const Value& v) {
  std::u16string piece;
  switch (v.kind()) {
    case ValueKind::Empty:
    case ValueKind::Null:
      return;
    case ValueKind::Boolean:
      piece = v.as_bool() ? u"True" : u"False";
      break;
    case ValueKind::Int32:
    case ValueKind::Int64:
    case ValueKind::UInt64:
    case ValueKind::Double:
    case ValueKind::Currency:
    case ValueKind::Text:
    case ValueKind::Bytes:
      // Numbers are appended as their text, never added to the output.
      piece = ToText(v);
      break;
    default: {
      // Dates, arrays and objects: the value rules of "+" decide.
      std::lock_guard lock(outputMutex_);
      htmlOutput_ = ToText(Add(Value::Text(htmlOutput_), v));
      return;
    }
  }
  std::lock_guard lock(outputMutex_);
  htmlOutput_ += piece;
}

// ---- start-up variables --------------------------------------------------------

void TQuorvint::SetVariables(const Value& v) {
  TfsScript& prog = *globalScripter_;
  prog.SetSyntaxType(u"js");
  auto set = [&prog](std::u16string_view name, std::u16string value) {
    if (TfsCustomVariable* item = prog.FindLocal(name)) {
      item->SetValue(Value::Text(std::move(value)));
    } else {
      prog.AddVariable(name, u"Variant", Value::Text(std::move(value)));
    }
  };
  set(u"_AppPath", library::AppPath());
  set(u"_ThreadName", threadName_);
  set(u"_ScriptPath", nowFilePath_);
  set(u"_Version", FromAscii(EngineVersion()));
  if (!v.is_array()) return;
  const ArrayBlock& pairs = v.as_array();
  if (pairs.dims != 1) return;
  const int64_t low = pairs.low[0];
  for (int64_t i = low; i <= pairs.high[0]; i += 2) {
    // A name without a value is skipped alone.
    if (i + 1 > pairs.high[0]) break;
    try {
      std::u16string name = ToText(pairs.items[static_cast<size_t>(i - low)]);
      const Value& value = pairs.items[static_cast<size_t>(i + 1 - low)];
      std::u16string_view type = value.is_int32()   ? u"integer"
                                 : value.is_bool()  ? u"boolean"
                                 : value.is_array() ? u"array"
                                                    : u"string";
      prog.AddVariable(name, type, value);
    } catch (const ScriptError&) {
      // A pair that cannot be defined is skipped alone.
    }
  }
}

// ---- units ---------------------------------------------------------------------

void TQuorvint::LoadUnit(TfsScript& sender, const std::u16string& unitName, std::u16string& unitText) {
  std::u16string path = ResolveOnPath(unitName, sender.IncludePath());
  std::string bytes;
  if (!library::ReadFileBytes(library::FsPath(path), bytes)) {
    LG(path + u"：file not exists");
    Stop();
    return;
  }
  {
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(library::FsPath(path), ec);
    std::lock_guard lock(unitFilesMutex_);
    unitFiles_[UpperCase(unitName)] = ec ? path : FromUtf8(absolute.string());
  }
  unitText = DecodeTextBytes(bytes);
}

// ---- the process's threads ----------------------------------------------------------

void WaitForAllThreads() {
  RunningThreads& running = Running();
  std::unique_lock lock(running.mutex);
  running.cv.wait(lock, [&running] { return running.count == 0; });
}

void WaitForEndedThreadsToLeave(int ms) {
  std::vector<pid_t> leaving;
  {
    std::lock_guard lock(Running().mutex);
    leaving.swap(Running().leaving);
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  for (pid_t tid : leaving) {
    while (!SystemThreadGone(tid) && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::microseconds(50));
  }
}

void OnAllThreadsEnded(std::function<void()> wake) {
  std::lock_guard lock(Running().mutex);
  Running().allEnded = std::move(wake);
}

int RunningThreadCount() {
  std::lock_guard lock(Running().mutex);
  return Running().count;
}

}  // namespace qv::host
