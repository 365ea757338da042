// Where the time and memory of a very large script go: generated scripts of
// N lines (simple statements, JS declarations, Pascal declarations) through
// translation, build, run and release, each phase timed in CPU seconds
// with the process's resident and peak memory after it.
//
//   build/release/bench/compile_phases [N [statements|declarations|declarations_pas]]
//   (N defaults to 1000000; without a name all three run)
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <memory>
#include <string>

#include "engine/build/builder.h"
#include "engine/program/program.h"
#include "engine/syslib/sys_library.h"
#include "engine/translate/source_lines.h"
#include "engine/translate/translator.h"
#include "support/memory_policy.h"
#include "support/text.h"

namespace {

double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// Resident and peak resident megabytes, from /proc.
void Memory(long& rss, long& hwm) {
  rss = hwm = 0;
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) rss = std::atol(line.c_str() + 6) / 1024;
    if (line.rfind("VmHWM:", 0) == 0) hwm = std::atol(line.c_str() + 6) / 1024;
  }
}

std::u16string Source(const std::string& kind, int n) {
  std::u16string s;
  if (kind == "statements") {
    s = u"#language js\r\nvar x = 0;\r\n";
    for (int i = 0; i < n; ++i) s += u"x = x + 1;\r\n";
  } else if (kind == "declarations") {
    s = u"#language js\r\n";
    char line[32];
    for (int i = 0; i < n; ++i) {
      std::snprintf(line, sizeof line, "var v%07d;\r\n", i);
      s += qv::FromUtf8(line);
    }
  } else {
    s = u"#language Pascal\r\nvar\r\n";
    char line[48];
    for (int i = 0; i < n; ++i) {
      std::snprintf(line, sizeof line, "  v%07d_%d: Integer;\r\n", static_cast<int>((i * 7919LL) % n), i);
      s += qv::FromUtf8(line);
    }
    s += u"begin\r\nend.\r\n";
  }
  return s;
}

class Phases {
 public:
  explicit Phases(const std::string& kind) : kind_(kind), last_(CpuSeconds()) {}
  void Mark(const char* phase) {
    const double now = CpuSeconds();
    long rss = 0, hwm = 0;
    Memory(rss, hwm);
    std::printf("%-17s %-10s %7.2f %8ld %8ld\n", kind_.c_str(), phase, now - last_, rss, hwm);
    std::fflush(stdout);
    total_ += now - last_;
    last_ = now;
  }
  double Total() const { return total_; }

 private:
  std::string kind_;
  double last_;
  double total_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  qv::ApplyMemoryPolicy();
  const int n = argc > 1 ? std::atoi(argv[1]) : 1000000;
  const char* only = argc > 2 ? argv[2] : nullptr;
  qv::RegisterSysLibraryModule();
  std::printf("%-17s %-10s %7s %8s %8s\n", "script", "phase", "cpu_s", "rss_MB", "peak_MB");
  for (const std::string kind : {"statements", "declarations", "declarations_pas"}) {
    if (only != nullptr && kind != only) continue;
    std::u16string text = Source(kind, n);
    Phases phases(kind);
    auto prog = std::make_unique<qv::TfsScript>();
    prog->AddRTTI();
    prog->Lines() = qv::SplitLines(text);
    std::u16string().swap(text);
    phases.Mark("source");
    {
      qv::TfsILParser translator(*prog);
      translator.SelectLanguage(prog->SyntaxType());
      std::u16string joined = qv::JoinLines(prog->Lines());
      if (!translator.MakeILScript(joined)) {
        std::printf("translation failed: %s\n", qv::ToUtf8(prog->ErrorMsg()).c_str());
        return 1;
      }
      std::u16string().swap(joined);
      phases.Mark("translate");
      if (!qv::ParseILScript(translator, qv::TfsDocumentUse::Release)) {
        std::printf("build failed: %s\n", qv::ToUtf8(prog->ErrorMsg()).c_str());
        return 1;
      }
      phases.Mark("build");
    }
    phases.Mark("document");
    prog->Execute();
    phases.Mark("run");
    prog.reset();
    phases.Mark("release");
    std::printf("%-17s %-10s %7.2f\n", kind.c_str(), "total", phases.Total());
  }
  return 0;
}
