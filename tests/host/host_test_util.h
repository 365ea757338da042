// Helpers of the host thread tests: a UiBridge that records what scripts
// log and ask, with scripted answers, and a runner that executes a script
// on a real host thread and collects the result.
#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "host/quorvint.h"
#include "host/ui_bridge.h"
#include "support/text.h"

namespace qv::host::testing {

class RecordingUi : public UiBridge {
 public:
  struct Box {
    std::string text;
    int type, buttons;
  };
  struct Query {
    std::string caption, prompt, initial;
  };

  void Log(std::u16string_view threadName, std::u16string_view message) override {
    std::lock_guard lock(mu_);
    std::string line = threadName.empty() ? "" : "(" + ToUtf8(threadName) + ")";
    lines_.push_back(line + ToUtf8(message));
  }
  int MessageBox(std::u16string_view, std::u16string_view text, int type, int buttons) override {
    std::lock_guard lock(mu_);
    boxes_.push_back({ToUtf8(text), type, buttons});
    return boxAnswer_;
  }
  std::optional<std::u16string> InputQuery(std::u16string_view caption, std::u16string_view prompt,
                                           std::u16string_view initial) override {
    std::lock_guard lock(mu_);
    queries_.push_back({ToUtf8(caption), ToUtf8(prompt), ToUtf8(initial)});
    if (answers_.empty()) return std::u16string(initial);
    auto a = answers_.front();
    answers_.pop_front();
    return a;
  }
  std::u16string ChooseFile(std::u16string_view, std::u16string_view, std::u16string_view) override {
    return u"";
  }
  std::u16string ChooseFolder(std::u16string_view, std::u16string_view) override { return u""; }

  void SetBoxAnswer(int a) {
    std::lock_guard lock(mu_);
    boxAnswer_ = a;
  }
  void AddAnswer(std::optional<std::u16string> a) {
    std::lock_guard lock(mu_);
    answers_.push_back(std::move(a));
  }
  std::vector<std::string> Lines() const {
    std::lock_guard lock(mu_);
    return lines_;
  }
  std::vector<Box> Boxes() const {
    std::lock_guard lock(mu_);
    return boxes_;
  }
  std::vector<Query> Queries() const {
    std::lock_guard lock(mu_);
    return queries_;
  }
  // Waits until some line equals `line`; false after `ms`.
  bool WaitForLine(const std::string& line, int ms = 10000) const {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
      for (const std::string& l : Lines())
        if (l == line) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
  }

 private:
  mutable std::mutex mu_;
  std::vector<std::string> lines_;
  std::vector<Box> boxes_;
  std::vector<Query> queries_;
  int boxAnswer_ = 1;
  std::deque<std::optional<std::u16string>> answers_;
};

struct RunResult {
  std::vector<std::string> lines;
  RunOutcome outcome = RunOutcome::NotRun;
  std::string output;  // HTMLOutput
  bool htmlFilter = false;
  bool finished = false;
};

struct RunOptions {
  TQuorvint* parent = nullptr;
  std::u16string threadName;
  std::function<void(TQuorvinter&)> setup;
  RecordingUi* ui = nullptr;  // a fresh one when null
  int timeoutMs = 30000;

  RunOptions& Parent(TQuorvint* p) {
    parent = p;
    return *this;
  }
  RunOptions& Name(std::u16string n) {
    threadName = std::move(n);
    return *this;
  }
  RunOptions& Setup(std::function<void(TQuorvinter&)> f) {
    setup = std::move(f);
    return *this;
  }
  RunOptions& Ui(RecordingUi* u) {
    ui = u;
    return *this;
  }
  RunOptions& Timeout(int ms) {
    timeoutMs = ms;
    return *this;
  }
};

// `source` is a file name when such a file exists, otherwise script text.
inline RunResult RunScript(std::u16string_view source, const RunOptions& opts = {}) {
  RecordingUi own;
  RecordingUi& ui = opts.ui != nullptr ? *opts.ui : own;
  auto t = TQuorvinter::Create(source, opts.parent, u"", u"", opts.threadName);
  t->SetUi(&ui);
  if (opts.setup) opts.setup(*t);
  t->Resume();
  RunResult r;
  r.finished = t->WaitFor(opts.timeoutMs);
  if (!r.finished) {
    t->Stop();
    t->WaitFor();
  }
  // Children may outlive their parent, and they log into `ui` too.
  WaitForAllThreads();
  r.lines = ui.Lines();
  r.outcome = t->Outcome();
  r.output = ToUtf8(t->HTMLOutput());
  r.htmlFilter = t->HTMLFilter();
  return r;
}

inline std::u16string U(const std::string& s) { return FromUtf8(s); }

}  // namespace qv::host::testing
