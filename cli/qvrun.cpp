// qvrun: runs a script headless on a host thread, as the window runs
// qv.qvs, and writes its log to standard output.
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/prctl.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/console_ui.h"
#include "cli/usage.h"
#include "engine/engine.h"
#include "host/compiled_script.h"
#include "host/error_messages.h"
#include "host/quorvint.h"
#include "host/template_source.h"
#include "library/files/paths.h"
#include "library/functions.h"
#include "support/errors.h"
#include "support/memory_policy.h"
#include "support/text.h"

namespace {

namespace fs = std::filesystem;

constexpr int kExitOk = 0;
constexpr int kExitCompileError = 1;
constexpr int kExitRunError = 2;
constexpr int kExitCannotRead = 3;
constexpr int kExitUsage = 64;
constexpr int kExitInterrupted = 130;

struct Options {
  bool plain = false;
  bool il = false;
  bool check = false;   // compile only
  bool marked = false;  // the file began with a UTF-8 byte-order mark
  std::string syntax;   // empty: a file without "#language" is a template
  std::vector<std::pair<std::string, std::string>> vars;
  std::string file;
};

void PrintUsage(std::ostream& out) {
  out << "usage: qvrun [--plain] [--il] [--check] [--syntax NAME] [--var NAME=VALUE]... FILE\n"
         "  --plain           log lines without the time stamp\n"
         "  --il              print the intermediate code of FILE and exit\n"
         "  --check           compile FILE without running it; errors and warnings go\n"
         "                    to standard error (exit 1 on an error)\n"
         "  --syntax NAME     run a file without \"#language\" as a plain script of that\n"
         "                    syntax (Pascal, Basic, js, C) instead of a template\n"
         "  --var NAME=VALUE  a start-up variable of the script (repeatable)\n"
         "  FILE              the script to run; - reads it from standard input\n";
  qv::cli::PrintInfoOptions(out);
}

std::optional<Options> ParseArgs(int argc, char** argv) {
  Options o;
  bool haveFile = false;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--plain") {
      o.plain = true;
    } else if (a == "--il") {
      o.il = true;
    } else if (a == "--check") {
      o.check = true;
    } else if (a == "--syntax") {
      if (++i >= argc) return std::nullopt;
      o.syntax = argv[i];
    } else if (a == "--var") {
      if (++i >= argc) return std::nullopt;
      std::string pair = argv[i];
      size_t eq = pair.find('=');
      if (eq == std::string::npos || eq == 0) return std::nullopt;
      o.vars.emplace_back(pair.substr(0, eq), pair.substr(eq + 1));
    } else if (a == "--help" || a == "-h" || (a.size() > 1 && a[0] == '-')) {
      return std::nullopt;
    } else {
      if (haveFile) return std::nullopt;
      o.file = a;
      haveFile = true;
    }
  }
  if (!haveFile) return std::nullopt;
  return o;
}

std::optional<std::string> ReadAll(const std::string& file) {
  if (file == "-") {
    std::ostringstream s;
    s << std::cin.rdbuf();
    return s.str();
  }
  std::error_code ec;
  if (fs::is_directory(file, ec)) return std::nullopt;
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return data;
}

// The folder of FILE with a trailing "/" (the current directory for
// standard input).
fs::path ScriptFolder(const Options& opts) {
  std::error_code ec;
  fs::path dir = opts.file == "-" ? fs::current_path(ec) : fs::absolute(opts.file, ec).parent_path();
  return dir;
}

std::u16string FolderText(const fs::path& dir) {
  std::u16string text = qv::FromUtf8(dir.string());
  if (text.empty() || text.back() != u'/') text += u'/';
  return text;
}

// "--var n=42" gives an integer, true/false a Boolean, anything else text.
qv::Value VarValue(const std::string& text) {
  std::u16string t = qv::FromUtf8(text);
  int32_t n = 0;
  if (!t.empty() && qv::TextToInt32(t, n) && t.find_first_not_of(u"-0123456789") == std::u16string::npos)
    return qv::Value::Int(n);
  if (t == u"true") return qv::Value::Bool(true);
  if (t == u"false") return qv::Value::Bool(false);
  return qv::Value::Text(t);
}

qv::Value InitVariables(const Options& opts) {
  if (opts.vars.empty()) return qv::Value();
  std::vector<qv::Value> items;
  for (const auto& [name, value] : opts.vars) {
    items.push_back(qv::Value::Text(qv::FromUtf8(name)));
    items.push_back(VarValue(value));
  }
  return qv::Value::Array(std::move(items));
}

// The include path of the window: "include_path.txt" of the current
// directory, then the script's own folder.
void IncludePath(std::vector<std::u16string>& dirs, const std::u16string& scriptFolder) {
  std::ifstream in("include_path.txt", std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) dirs.push_back(qv::FromUtf8(line));
  }
  dirs.push_back(scriptFolder);
}

// --il: the intermediate code the script would run, indented.
int PrintIntermediateCode(const Options& opts, std::u16string text, const std::u16string& folder) {
  qv::TfsScript prog;
  prog.SetSyntaxType(opts.syntax.empty() ? u"js" : qv::FromUtf8(opts.syntax));
  prog.SetExtendedCharset(true);
  if (qv::host::ChooseSourceForm(text) == qv::host::SourceForm::Template && opts.syntax.empty())
    text = qv::host::ConvertTemplate(qv::host::WithCrLf(text));
  prog.Lines() = qv::SplitLines(text);
  prog.IncludePath().push_back(folder);
  prog.IncludePath().push_back(u"");
  qv::MemoryStream code;
  try {
    if (text.rfind(u"<?xml", 0) == 0) {
      std::cout << qv::ToUtf8(text);
      return kExitOk;
    }
    if (!prog.GetILCode(code)) {
      std::cerr << qv::ToUtf8(qv::host::CompileErrorMessage(prog, u"", false)) << "\n";
      return kExitCompileError;
    }
    if (code.Data().empty()) return kExitOk;  // nothing the grammar could translate
    qv::TfsXMLDocument doc;
    doc.LoadFromBytes(code.Data());
    doc.SetAutoIndent(true);
    std::cout << doc.SaveToBytes();
  } catch (const qv::ScriptError& e) {
    std::cerr << "MainProc:" << e.what() << "\n";
    return kExitCompileError;
  }
  return kExitOk;
}

// Blocks SIGINT and SIGTERM in every thread; the main thread takes them
// from a signal descriptor while it waits for the script.
sigset_t StopSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  return set;
}

// What the main thread waits on: a stop signal, or the end of the last
// host thread, which the host reports through an event descriptor the
// moment it happens.
class RunWaiter {
 public:
  explicit RunWaiter(const sigset_t& signals)
      : signals_(signalfd(-1, &signals, SFD_CLOEXEC)), ended_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    const int ended = ended_;
    qv::host::OnAllThreadsEnded([ended] {
      const uint64_t one = 1;
      [[maybe_unused]] ssize_t n = write(ended, &one, sizeof one);
    });
  }
  // The descriptors stay open: a thread may still be leaving when the
  // process exits.
  ~RunWaiter() { qv::host::OnAllThreadsEnded(nullptr); }
  RunWaiter(const RunWaiter&) = delete;
  RunWaiter& operator=(const RunWaiter&) = delete;

  bool Usable() const { return signals_ >= 0 && ended_ >= 0; }

  // Waits up to `ms` (-1: no limit); the stop signal that came, else 0.
  int Wait(int ms) {
    pollfd fds[2] = {{signals_, POLLIN, 0}, {ended_, POLLIN, 0}};
    if (poll(fds, 2, ms) <= 0) return 0;
    if (fds[1].revents & POLLIN) {
      uint64_t count = 0;
      [[maybe_unused]] ssize_t n = read(ended_, &count, sizeof count);
    }
    signalfd_siginfo info{};
    if ((fds[0].revents & POLLIN) && read(signals_, &info, sizeof info) == sizeof info)
      return static_cast<int>(info.ssi_signo);
    return 0;
  }

 private:
  int signals_;
  int ended_;
};

int RunScript(const Options& opts, std::u16string source, const fs::path& folder) {
  const std::u16string folderText = FolderText(folder);
  qv::library::SetAppPath(folderText);
  qv::RegisterSysLibraryModule();
  qv::RegisterClassesModule();
  qv::RegisterFunctionsModule();

  const bool statusLine = isatty(STDERR_FILENO) == 1;
  qv::cli::ConsoleUi ui(opts.plain, statusLine);

  auto thread = qv::host::TQuorvinter::Create(u"", nullptr, u"", u"", u"");
  thread->SetSource(std::move(source));
  if (opts.file != "-") {
    std::error_code ec;
    thread->SetNowFilePath(qv::FromUtf8(fs::absolute(opts.file, ec).string()));
  }
  thread->SetUi(&ui);
  thread->SetInitVariable(InitVariables(opts));
  if (!opts.syntax.empty()) thread->SetPlainSyntax(qv::FromUtf8(opts.syntax));
  thread->onIncludePath = [folderText](std::vector<std::u16string>& dirs) { IncludePath(dirs, folderText); };
  thread->SetSourceMarked(opts.marked);
  thread->SetCheckOnly(opts.check);
  if (statusLine) {
    qv::host::TQuorvint* t = thread.get();
    auto show = [t, &ui](int64_t) {
      ui.Progress(t->ThreadName(), t->HttpGet().URL(), t->Progress(), t->SpeedMsg());
    };
    thread->onBeginWork = show;
    thread->onWork = show;
    thread->onEndWork = [t, &ui] { ui.Progress(t->ThreadName(), u"", 0, u""); };
  }

  const sigset_t signals = StopSignals();
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  RunWaiter waiter(signals);
  if (!waiter.Usable()) {
    std::cerr << "qvrun: cannot wait for the script: " << std::strerror(errno) << "\n";
    return kExitRunError;
  }
  thread->Resume();

  // A thread that does not end within this time after a stop (stuck in a
  // call that cannot be cut) must not keep the process alive.
  constexpr auto kStopGrace = std::chrono::seconds(2);
  bool interrupted = false;
  auto interruptedAt = std::chrono::steady_clock::now();
  while (!thread->Finished() || qv::host::RunningThreadCount() > 0) {
    int waitMs = -1;
    if (interrupted) {
      const auto left = kStopGrace - (std::chrono::steady_clock::now() - interruptedAt);
      waitMs = static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count());
      if (waitMs <= 0) {
        std::fflush(stdout);
        std::_Exit(kExitInterrupted);
      }
    }
    const int sig = waiter.Wait(waitMs);
    if (sig != SIGINT && sig != SIGTERM) continue;
    if (interrupted) {
      // A second interrupt: end at once.
      std::fflush(stdout);
      std::_Exit(kExitInterrupted);
    }
    interrupted = true;
    interruptedAt = std::chrono::steady_clock::now();
    thread->Stop();
  }
  qv::host::WaitForEndedThreadsToLeave(100);
  std::fflush(stdout);
  if (interrupted) return kExitInterrupted;
  switch (thread->Outcome()) {
    case qv::host::RunOutcome::CompileError:
      return kExitCompileError;
    case qv::host::RunOutcome::RunError:
      return kExitRunError;
    default:
      return kExitOk;
  }
}

}  // namespace

int main(int argc, char** argv) {
  // Started by the launcher qvrun as lib/quorvint/qvrun-runner: ps, pgrep
  // and killall keep knowing the process as qvrun.
  prctl(PR_SET_NAME, "qvrun");
  qv::RestartWithHugePageBlocks(argv);
  qv::ApplyMemoryPolicy();
  if (std::optional<int> answered = qv::cli::InfoOption(argc, argv, PrintUsage)) return *answered;
  std::optional<Options> opts = ParseArgs(argc, argv);
  if (!opts) {
    PrintUsage(std::cerr);
    return kExitUsage;
  }
  std::optional<std::string> bytes = ReadAll(opts->file);
  if (!bytes) {
    std::cerr << "qvrun: cannot read " << opts->file << "\n";
    return kExitCannotRead;
  }
  std::u16string source;
  try {
    source = qv::host::ScriptFileSource(*bytes);
  } catch (const qv::ScriptError& e) {
    // A compiled script file that is damaged cannot be read either.
    std::cerr << "qvrun: cannot read " << opts->file << ": " << e.what() << "\n";
    return kExitCannotRead;
  }
  opts->marked = bytes->rfind("\xEF\xBB\xBF", 0) == 0;
  const fs::path folder = ScriptFolder(*opts);
  if (opts->il) return PrintIntermediateCode(*opts, std::move(source), FolderText(folder));
  return RunScript(*opts, std::move(source), folder);
}
