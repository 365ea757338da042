// Script run fuzz target: the first byte picks the syntax, the rest is the
// script (UTF-8). It is compiled and, when that succeeds, run under a
// statement budget: the run-line handler stops the program after a fixed
// number of statements, and a watchdog stops it after a second, since a loop
// with an empty body runs no statements at all. Either way scripts that
// loop for ever end. Texts are capped
// low so that runaway growth ends quickly with "Out of memory". Run it in an
// empty scratch folder: scripts may write files.
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "engine/classes/class_library.h"
#include "engine/items/objects.h"
#include "engine/program/program.h"
#include "engine/syslib/sys_library.h"
#include "engine/translate/source_lines.h"
#include "support/errors.h"
#include "support/size_limit.h"
#include "support/text.h"

namespace {

constexpr int kStatementBudget = 20000;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > 1 << 14) return 0;
  static constexpr std::u16string_view kSyntaxes[] = {u"Pascal", u"Basic", u"js", u"C"};
  static qv::TfsScript& global = []() -> qv::TfsScript& {
    qv::RegisterSysLibraryModule();
    qv::RegisterClassesModule();
    qv::SetSizeLimit(1 << 20);
    return qv::GlobalProgram();
  }();
  qv::TfsScript prog;
  prog.SetParent(&global);
  prog.SetSyntaxType(std::u16string(kSyntaxes[data[0] % 4]));
  prog.AddMethod(u"procedure lg(const msg:variant='';ouput:boolean=false);",
                 [](qv::HostObject*, const qv::HostClass*, const std::u16string&, qv::Caller&) {
                   return qv::Value::Null();
                 });
  int statements = 0;
  prog.SetOnRunLine([&](qv::TfsScript&, const std::u16string&, const std::u16string&) {
    if (++statements == kStatementBudget) prog.Terminate();
  });
  prog.Lines() =
      qv::SplitLines(qv::FromUtf8(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1)));
  std::mutex mutex;
  std::condition_variable ended;
  bool done = false;
  std::thread watchdog([&] {
    std::unique_lock<std::mutex> lock(mutex);
    if (!ended.wait_for(lock, std::chrono::seconds(1), [&] { return done; })) prog.Terminate();
  });
  try {
    if (prog.Compile()) prog.Execute();
  } catch (const qv::ScriptError&) {
    // A run-time error of the script, or an unknown language directive.
  }
  {
    std::lock_guard<std::mutex> lock(mutex);
    done = true;
  }
  ended.notify_one();
  watchdog.join();
  qv::ObjectRegistry::Instance().FreeOwnedBy(prog.ObjectOwner());
  return 0;
}
