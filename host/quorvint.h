// TQuorvint: one running script on its own thread. It owns the script's
// program object and HTTP client (from THttpThread), loads the source,
// registers the host's constants, classes and functions, compiles and runs
// the script, reports errors through the UiBridge and ends by itself.
//
//   auto t = TQuorvinter::Create(u"/srv/qv.qvs", nullptr, u"", u"", u"");
//   t->SetUi(&ui);
//   t->Resume();          // the thread body runs
//   t->WaitFor();         // or: t->Stop() from any thread
//
// Lifetime: threads are shared objects. A running thread holds itself, so
// it lives until its body has returned; whoever else keeps a reference
// (the creator, a parent's registry, a script's handle) keeps the object,
// not the thread. Scripts see a thread through a ThreadRef handle
// (thread_class.h), never the thread itself, so a thread that lets go of
// itself is never freed under a script's call. When the body ends (after
// the end callback) the thread releases its program, HTTP client, page and
// source; the object then answers only its name, template output and
// outcome, so ended threads cost little however long handles keep them.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "engine/engine.h"
#include "host/diagnostics.h"
#include "host/stop_wakeups.h"
#include "web/http_thread.h"

namespace qv::host {

class UiBridge;
class RegExpObject;
class HttpGetObject;
class TQuorvinter;

// How a thread's run ended, for runners that report it.
enum class RunOutcome { NotRun, Completed, CompileError, RunError };

class TQuorvint : public web::THttpThread, public std::enable_shared_from_this<TQuorvint> {
 public:
  using OnAddMethod = std::function<void(TfsScript& prog)>;
  using OnIncludePath = std::function<void(std::vector<std::u16string>& dirs)>;
  using OnDecryptScript = std::function<void(std::u16string& fileName, std::u16string& source)>;
  using OnTerminate = std::function<void(TQuorvint& thread)>;
  using OnCreateScript = std::function<std::shared_ptr<TQuorvinter>(
      const std::u16string& source, const std::u16string& threadName, TQuorvint* parent,
      const std::u16string& endCallback, const std::u16string& startCallback)>;

  ~TQuorvint() override;

  // Reads a script file (the include path is searched for a name that is
  // not an existing file) and remembers its path. A damaged compiled file
  // raises ScriptError naming the file (so does Create with such a file).
  void LoadFile(std::u16string_view fileName);
  // Starts the thread body once; later calls do nothing.
  void Resume();
  // Waits until the thread body has returned (at once for a thread never
  // started); false when `ms` (negative: no limit) ran out first.
  bool WaitFor(int ms = -1);
  bool Finished() const { return finished_.load(std::memory_order_acquire); }
  bool Started() const { return started_.load(std::memory_order_acquire); }
  // Valid once Finished(). A script ended by a stop has completed.
  RunOutcome Outcome() const { return outcome_.load(std::memory_order_acquire); }
  // The program's error message and position ("line:col") as the run left
  // them; the program itself is cleared when the thread ends. Valid in
  // onTerminate and once Finished().
  const std::u16string& ErrorMsgAtEnd() const { return errorMsgAtEnd_; }
  const std::u16string& ErrorPosAtEnd() const { return errorPosAtEnd_; }

  // Any thread: tells the program to terminate, sets the stop flag, cuts a
  // transfer, wakes a sleep or wait, and stops every child it started that
  // is still alive, also after this thread's own script has ended.
  void Stop() override;
  // Set once Stop was called; for waits outside the engine (runjs).
  const std::atomic<bool>* StopFlag() const { return &terminated_; }
  // Waits outside the thread (the work queue) that Stop must wake.
  StopWakeups& StopWakeupList() { return stopWakeups_; }
  // A log line through the UiBridge; dropped without one.
  void LG(std::u16string_view msg);

  // Start-up variables: the four host variables, then the name/value
  // pairs of `v` (an array: name, value, name, value, ...).
  void SetVariables(const Value& v);

  // ---- settings before Resume (owning thread afterwards) ----------------
  TfsScript& Program() { return *globalScripter_; }
  // The program for another thread: kept alive while the result is held,
  // null once the thread has released it. Use it under the program's
  // execution lock and check ProgramReleased() after taking the lock: from
  // the end of the end callback on, the program no longer answers.
  std::shared_ptr<TfsScript> ProgramRef() const;
  bool ProgramReleased() const { return programReleased_.load(std::memory_order_acquire); }
  const std::u16string& Source() const { return source_; }
  void SetSource(std::u16string source) { source_ = std::move(source); }
  const std::u16string& ThreadName() const { return threadName_; }
  const std::u16string& NowFilePath() const { return nowFilePath_; }
  void SetNowFilePath(std::u16string path) { nowFilePath_ = std::move(path); }
  // The parent thread while the link holds (a stop or the parent's end
  // cuts it); nullptr for a top-level script.
  TQuorvint* Parent() const { return parent_.load(std::memory_order_acquire); }
  // The parent, kept alive for as long as the caller holds the result.
  std::shared_ptr<TQuorvint> LockParent() const;
  bool HasParentAtStart() const { return createdWithParent_; }
  // Set once the thread body has finished running the script.
  bool TearingDown() const { return tearingDown_.load(std::memory_order_acquire); }
  void SetInitVariable(Value v) { initVariable_ = std::move(v); }
  const Value& InitVariable() const { return initVariable_; }
  UiBridge* Ui() const { return ui_; }
  void SetUi(UiBridge* ui) { ui_ = ui; }
  // Forces a syntax for a source without "#language": the text is then a
  // plain script of that syntax instead of a template (qvrun --syntax).
  void SetPlainSyntax(std::u16string syntax) { plainSyntax_ = std::move(syntax); }
  // The file's bytes began with a UTF-8 byte-order mark (set by LoadFile;
  // a runner that sets the source itself says so here).
  void SetSourceMarked(bool marked) { sourceMarked_ = marked; }
  // Compiles without running (qvrun --check): diagnostics and the compile
  // error's log line as a run gives them.
  void SetCheckOnly(bool on) { checkOnly_ = on; }

  OnAddMethod onAddMethod;
  OnIncludePath onIncludePath;
  OnDecryptScript onDecryptScript;
  OnTerminate onTerminate;
  OnCreateScript onCreateScript;

  // ---- template mode ----------------------------------------------------
  bool HTMLFilter() const { return htmlFilter_.load(std::memory_order_acquire); }
  void SetHTMLFilter(bool on) { htmlFilter_.store(on, std::memory_order_release); }
  std::u16string HTMLOutput() const;
  void SetHTMLOutput(std::u16string text);
  // Output of echo/lg/print in template mode.
  void AppendOutput(const Value& v);

  // ---- what the host functions and classes use (owning thread) ----------
  RegExpObject& RegExp() { return *regExp_; }
  uint32_t RunStartTime() const { return runStartTime_; }
  // Reads a unit file for the include loader; logs and stops when missing.
  void LoadUnit(TfsScript& sender, const std::u16string& unitName, std::u16string& unitText);
  // Registers the host's constants, classes and functions on `prog`,
  // dispatching to this thread.
  void RegisterHost(TfsScript& prog);

  // Waits `ms` milliseconds, or less when the thread is told to stop; gives
  // up the execution lock meanwhile. Zero and negative times return at once.
  void SleepFor(int ms);
  // runthread: a child of this thread, registered under its name (or its
  // handle's identity), inheriting the log, include path, factory, start-up
  // variables and add-method event; started when autoStart. The result is
  // the id of the child's handle, which `caller` (the calling script's
  // program) owns; 0 when the factory made no child.
  int32_t RunThread(TfsScript& caller, std::u16string_view source, std::u16string threadName,
                    std::u16string startCallback, std::u16string endCallback, bool autoStart);
  // waitthread: until the named child (every child, for an empty name) has
  // ended, or this thread is told to stop.
  void WaitThread(std::u16string_view threadName);
  // Serialises uses of the HTTP client between the thread and callbacks
  // that run its script's code on other threads.
  std::mutex& ClientLock() { return clientLock_; }

  // Millisecond tick count (steady clock, wraps as 32-bit).
  static uint32_t TickCount();

 protected:
  TQuorvint(std::u16string_view source, TQuorvint* parent, std::u16string endCallback,
            std::u16string startCallback, std::u16string threadName);

 private:
  void Execute();
  void MarkFinished();
  void RunBody();
  void Teardown();
  void RunStartCallback();
  void RunEndCallback();
  void ClearParentLink();
  // Runs `callback` of the parent's script with this thread as argument,
  // under the parent's execution lock; errors are swallowed.
  void CallParent(TQuorvint& parent, const std::u16string& callback);
  // The gate of callbacks into this thread's program: a callback enters
  // only while the gate is open; closing it cuts the ones running (as a
  // stop does) and waits until they have left.
  bool EnterCallback();
  void LeaveCallback();
  void CloseCallbacks();
  // Sets the stop flag, cuts a transfer and wakes a sleep or waitthread of
  // this thread, on whichever thread they run (a callback's too).
  void CutBlockingCalls();
  void CutChildLinks();
  void ReleaseResources();
  std::shared_ptr<TQuorvint> ChildOf(std::u16string_view key);
  bool CompileSource();
  // Diagnostics (thread_diagnostics.cpp): through the UiBridge.
  void Report(const Diagnostic& d);
  std::u16string FileOfUnit(const std::u16string& unit) const;
  // A position of the main script's text as a line of the file.
  std::u16string FilePosition(const std::u16string& unit, const std::u16string& pos) const;
  Diagnostic DiagnosticAt(DiagnosticKind kind, const std::u16string& unit, const std::u16string& pos,
                          std::u16string message) const;
  void ReportCompileError();
  void ReportCompileWarnings(bool markedTemplate);
  // Places a run-time error in the program's error fields; false when the
  // error left no statement.
  bool PlaceRunError(const ScriptError& e);
  void ReportRunError(const ScriptError& e);

  uint32_t runStartTime_ = 0;
  std::u16string source_;
  std::shared_ptr<TfsScript> globalScripter_;
  mutable std::mutex programMutex_;  // the pointer, for other threads
  std::atomic<bool> programReleased_{false};
  std::unique_ptr<RegExpObject> regExp_;
  std::unique_ptr<HttpGetObject> httpGetObject_;
  UiBridge* ui_ = nullptr;
  std::u16string threadName_;
  std::u16string startCallback_;
  std::u16string endCallback_;
  std::u16string nowFilePath_;
  std::u16string plainSyntax_;
  bool sourceMarked_ = false;
  bool checkOnly_ = false;
  ptrdiff_t templateLineShift_ = 0;
  // Unit name (upper case) -> the file it was read from.
  mutable std::mutex unitFilesMutex_;
  std::map<std::u16string, std::u16string> unitFiles_;
  std::atomic<TQuorvint*> parent_{nullptr};
  mutable std::mutex parentMutex_;
  std::weak_ptr<TQuorvint> parentRef_;
  bool createdWithParent_ = false;
  std::u16string registryKey_;  // the key this thread has in its parent's registry
  std::atomic<bool> tearingDown_{false};
  std::mutex clientLock_;
  Value initVariable_;
  std::atomic<bool> htmlFilter_{false};
  mutable std::mutex outputMutex_;  // HTMLOutput is read by other threads
  std::u16string htmlOutput_;

  // Children by name (runthread). ScriptCs guards the registry only; no
  // script code runs under it.
  std::mutex scriptCs_;
  std::condition_variable registryCv_;  // a child left allThread_, or a stop
  std::map<std::u16string, std::shared_ptr<TQuorvint>> allThread_;
  // Every child started by this thread, for Stop and for cutting their
  // links when this thread ends. Kept after the end, so that a stop still
  // reaches children that outlive this thread; dead entries are pruned.
  std::vector<std::weak_ptr<TQuorvint>> startedChildren_;
  size_t pruneAt_ = 64;
  // Callbacks of children running this thread's script code.
  std::mutex callbackMutex_;
  std::condition_variable callbackCv_;
  int callbacksRunning_ = 0;
  bool callbacksClosed_ = false;
  // The script's handles of this thread: _SELF, _Parent, and the id of the
  // handle its parent's script holds (what callbacks pass).
  std::unique_ptr<HostObject> selfHandle_;
  std::unique_ptr<HostObject> parentHandle_;
  std::atomic<int32_t> parentSideId_{0};

  std::mutex sleepMutex_;
  std::condition_variable sleepCv_;
  StopWakeups stopWakeups_;

  std::atomic<RunOutcome> outcome_{RunOutcome::NotRun};
  std::u16string errorMsgAtEnd_;
  std::u16string errorPosAtEnd_;
  std::atomic<bool> started_{false};
  std::atomic<bool> finished_{false};
  std::mutex finishMutex_;
  std::condition_variable finishCv_;

  friend class TQuorvinter;
};

// The class the window and runthread create; adds nothing.
class TQuorvinter : public TQuorvint {
 public:
  // `source` is a file when a file of that name exists, else script text.
  static std::shared_ptr<TQuorvinter> Create(std::u16string_view source, TQuorvint* parent,
                                             std::u16string endCallback, std::u16string startCallback,
                                             std::u16string threadName);

 private:
  using TQuorvint::TQuorvint;
};

// `text` with every line end (CR LF, LF or CR) as CR LF, and a last line
// ending only when the text has one: the form a template is converted from.
std::u16string WithCrLf(std::u16string_view text);

// Waits until every host thread of the process has ended.
void WaitForAllThreads();
// Number of host threads whose body is running.
int RunningThreadCount();
// `wake` runs each time that number drops to 0, on the thread that ended
// last and under the count's lock: it must be quick and must not wait for
// anything (a write to an event descriptor, a notify). An empty function
// removes it.
void OnAllThreadsEnded(std::function<void()> wake);
// A host thread counts as ended before its system thread has run the
// per-thread clean-up of the libraries it used (OpenSSL's error state, for
// one); a process that exits meanwhile races that clean-up with its own
// exit handlers. Waits, at most `ms`, until the threads that have ended so
// far are gone.
void WaitForEndedThreadsToLeave(int ms);

}  // namespace qv::host
