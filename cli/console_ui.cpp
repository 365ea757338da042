#include "cli/console_ui.h"

#include <chrono>
#include <cstdio>
#include <ctime>

#include "support/text.h"

namespace qv::cli {

void ConsoleUi::Log(std::u16string_view threadName, std::u16string_view message) {
  std::string line;
  if (!plain_) {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S ", &tm);
    line = stamp;
  }
  if (!threadName.empty()) line += "(" + ToUtf8(threadName) + ")";
  line += ToUtf8(message);
  line += '\n';
  std::lock_guard lock(mutex_);
  ClearStatusLocked();
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fflush(stdout);
}

int ConsoleUi::MessageBox(std::u16string_view threadName, std::u16string_view text, int, int) {
  Log(threadName, text);
  return 1;
}

std::optional<std::u16string> ConsoleUi::InputQuery(std::u16string_view, std::u16string_view,
                                                    std::u16string_view initial) {
  return std::u16string(initial);
}

void ConsoleUi::Progress(std::u16string_view, std::u16string_view url, double percent,
                         std::u16string_view speed) {
  if (!statusLine_) return;
  std::lock_guard lock(mutex_);
  if (url.empty()) {
    ClearStatusLocked();
    return;
  }
  // A few updates a second are enough for a person to read.
  auto now = std::chrono::steady_clock::now();
  if (statusShown_ && now - lastStatus_ < std::chrono::milliseconds(100)) return;
  lastStatus_ = now;
  std::string text = ToUtf8(url);
  if (text.size() > 60) text = text.substr(0, 57) + "...";
  if (percent >= 0) {
    char pct[16];
    std::snprintf(pct, sizeof pct, " %3d%%", static_cast<int>(percent));
    text += pct;
  }
  text += " " + ToUtf8(speed);
  std::fprintf(stderr, "\r\033[K%s", text.c_str());
  std::fflush(stderr);
  statusShown_ = true;
}

void ConsoleUi::Diagnose(const host::Diagnostic& d) {
  {
    std::lock_guard lock(mutex_);
    ClearStatusLocked();
  }
  diagnostics_.Write(d);
}

void ConsoleUi::ClearStatusLocked() {
  if (!statusShown_) return;
  std::fputs("\r\033[K", stderr);
  std::fflush(stderr);
  statusShown_ = false;
}

}  // namespace qv::cli
