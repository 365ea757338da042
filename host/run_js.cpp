#include "host/run_js.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <system_error>

#include "host/js_wire.h"

extern char** environ;

namespace qv::host {

namespace {

constexpr int kPollMs = 10;

// qvjs beside the running executable (a build tree), or in lib/quorvint/
// of the installation the executable belongs to (bin/qvrun finds
// lib/quorvint/qvjs); else the build's own copy, so that tests that live in
// other folders find it.
std::string HelperPath() {
  std::error_code ec;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    for (const std::filesystem::path& candidate :
         {self.parent_path() / "qvjs", self.parent_path().parent_path() / "lib" / "quorvint" / "qvjs"}) {
      if (access(candidate.c_str(), X_OK) == 0) return candidate.string();
    }
  }
#ifdef QV_QVJS_FALLBACK
  if (access(QV_QVJS_FALLBACK, X_OK) == 0) return QV_QVJS_FALLBACK;
#endif
  return {};
}

class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() { Close(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  void Close() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }

 private:
  int fd_;
};

// The helper process: started with one end of a socket pair as its
// standard input and output, standard error on /dev/null. Killed and
// reaped when it goes out of scope unless Wait reaped it already.
class Helper {
 public:
  bool Start(const std::string& path, int childEnd) {
    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0) return false;
    bool ok = posix_spawn_file_actions_adddup2(&actions, childEnd, STDIN_FILENO) == 0 &&
              posix_spawn_file_actions_adddup2(&actions, childEnd, STDOUT_FILENO) == 0 &&
              posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0) == 0;
    // The helper starts with no blocked signals and default actions, whatever
    // the spawning thread had (runners block SIGINT in their threads).
    posix_spawnattr_t attr;
    if (posix_spawnattr_init(&attr) != 0) {
      posix_spawn_file_actions_destroy(&actions);
      return false;
    }
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    for (int sig : {SIGINT, SIGTERM, SIGPIPE, SIGHUP}) sigaddset(&defaults, sig);
    ok = ok && posix_spawnattr_setsigmask(&attr, &none) == 0 &&
         posix_spawnattr_setsigdefault(&attr, &defaults) == 0 &&
         posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF) == 0;
    if (ok) {
      std::string host = std::to_string(getpid());
      char* argv[] = {const_cast<char*>(path.c_str()), host.data(), nullptr};
      ok = posix_spawn(&pid_, path.c_str(), &actions, &attr, argv, environ) == 0;
      if (!ok) pid_ = -1;
    }
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    return ok;
  }
  ~Helper() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      Reap();
    }
  }
  // True when the helper exited by itself with status 0.
  bool Wait() {
    int status = Reap();
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }

 private:
  int Reap() {
    int status = -1;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    return status;
  }
  pid_t pid_ = -1;
};

// Sends the request and collects the reply until the helper closes its
// end. False when `stop` became true, `limit` passed or the socket failed.
bool Exchange(int fd, const std::string& request, std::string& reply, const std::atomic<bool>* stop,
              std::chrono::steady_clock::time_point deadline) {
  size_t sent = 0;
  char buffer[65536];
  for (;;) {
    if (stop != nullptr && stop->load(std::memory_order_acquire)) return false;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    pollfd p{fd, static_cast<short>(POLLIN | (sent < request.size() ? POLLOUT : 0)), 0};
    int ready = poll(&p, 1, kPollMs);
    if (ready < 0 && errno != EINTR) return false;
    if (ready <= 0) continue;
    if (sent < request.size() && (p.revents & POLLOUT)) {
      ssize_t put = send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (put < 0 && errno != EAGAIN && errno != EINTR) return false;
      if (put > 0) sent += static_cast<size_t>(put);
      if (sent == request.size()) shutdown(fd, SHUT_WR);
    }
    if (p.revents & (POLLIN | POLLHUP | POLLERR)) {
      ssize_t got = recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
      if (got == 0) return true;
      if (got < 0 && errno != EAGAIN && errno != EINTR) return false;
      if (got > 0) reply.append(buffer, static_cast<size_t>(got));
    }
  }
}

}  // namespace

std::u16string RunJs(std::u16string_view code, std::u16string_view expression, const std::atomic<bool>* stop,
                     std::chrono::milliseconds limit) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  if (stop != nullptr && stop->load(std::memory_order_acquire)) return {};
  std::string path = HelperPath();
  if (path.empty()) return {};
  int ends[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return {};
  Fd ours(ends[0]), theirs(ends[1]);

  std::string request;
  AppendField(request, EncodeCesu8(code));
  AppendField(request, EncodeCesu8(expression));

  std::string reply;
  Helper helper;
  if (!helper.Start(path, theirs.get())) return {};
  theirs.Close();
  if (!Exchange(ours.get(), request, reply, stop, deadline)) return {};
  ours.Close();
  if (!helper.Wait() || reply.empty() || static_cast<unsigned char>(reply[0]) != kJsOk) return {};
  return DecodeCesu8(std::string_view(reply).substr(1));
}

}  // namespace qv::host
