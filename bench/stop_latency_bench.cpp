// Time from Terminate (on another thread) to the end of Execute for scripts
// whose routines loop until stopped, in each syntax: the routine entered
// after the stop must not start over. Prints median and worst of 20 runs.
//
//   build/release/bench/stop_latency_bench
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "engine/classes/class_library.h"
#include "engine/program/program.h"
#include "engine/syslib/sys_library.h"
#include "engine/translate/source_lines.h"
#include "support/text.h"

int main() {
  qv::RegisterSysLibraryModule();
  qv::RegisterClassesModule();
  const std::pair<const char16_t*, const char16_t*> shapes[] = {
      {u"Pascal",
       u"function busy: Integer; begin Result := 0; while True do Result := Result + 1; end;\r\n"
       u"function spin: Integer; begin Result := 0; while True do ; end;\r\n"
       u"var x: Integer;\r\nbegin x := busy() + spin(); end."},
      {u"C",
       u"int busy() { int r = 0; while (true) r++; return r; }\r\nint spin() { while (true) { } return 0; "
       u"}\r\n"
       u"int x;\r\n{ x = busy() + spin(); }"},
      {u"JS",
       u"function busy() { var r = 0; while (true) r++; return r; }\r\n"
       u"function spin() { while (true) { } return 0; }\r\nvar x;\r\nx = busy() + spin();"},
      {u"Basic",
       u"Function busy()\r\n  Dim r\r\n  While True\r\n    r = r + 1\r\n  Wend\r\n  Return r\r\nEnd "
       u"Function\r\n"
       u"Function spin()\r\n  While True\r\n  Wend\r\n  Return 0\r\nEnd Function\r\nDim x\r\nx = busy() + "
       u"spin()\r\n"},
  };
  for (const auto& [syntax, source] : shapes) {
    qv::TfsScript prog;
    prog.SetParent(&qv::GlobalProgram());
    prog.SetSyntaxType(syntax);
    prog.Lines() = qv::SplitLines(source);
    if (!prog.Compile()) {
      std::printf("%s: %s\n", qv::ToUtf8(syntax).c_str(), qv::ToUtf8(prog.ErrorMsg()).c_str());
      return 1;
    }
    std::vector<double> micros;
    for (int run = 0; run < 20; ++run) {
      std::atomic<bool> done{false};
      std::chrono::steady_clock::time_point ended;
      std::thread runner([&] {
        prog.Execute();
        ended = std::chrono::steady_clock::now();
        done = true;
      });
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      const auto asked = std::chrono::steady_clock::now();
      prog.Terminate();
      runner.join();
      micros.push_back(std::chrono::duration<double, std::micro>(ended - asked).count());
    }
    std::sort(micros.begin(), micros.end());
    std::printf("%-7s median %8.1f us  worst %8.1f us\n", qv::ToUtf8(syntax).c_str(),
                micros[micros.size() / 2], micros.back());
  }
}
