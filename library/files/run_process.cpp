#include "library/files/run_process.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/text.h"

extern char** environ;

namespace qv::library {

namespace {

// Spawns /bin/sh with the arguments and waits for it; its wait status, or
// -1 when it could not be started.
int SpawnShell(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  std::string sh = "/bin/sh";
  argv.push_back(sh.data());
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (::posix_spawn(&pid, "/bin/sh", nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return status;
}

bool HasXdgOpen() {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::string dir = dirs.substr(start, end - start);
    if (!dir.empty() && ::access((dir + "/xdg-open").c_str(), X_OK) == 0) return true;
    start = end + 1;
  }
  return false;
}

}  // namespace

int RunAndWait(std::u16string_view commandLine) {
  int status = SpawnShell({"-c", ToUtf8(commandLine)});
  if (status < 0) return -1;
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

bool OpenDetached(std::u16string_view target) {
  // The shell puts the program in the background and ends at once; the
  // program is then a child of init, which reaps it. The target travels as
  // a positional argument, never spliced into shell code.
  std::string script =
      HasXdgOpen() ? "xdg-open \"$1\" </dev/null >/dev/null 2>&1 &" : "eval \"$1\" </dev/null &";
  return SpawnShell({"-c", script, "sh", ToUtf8(target)}) >= 0;
}

}  // namespace qv::library
