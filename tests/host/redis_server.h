// A redis-server of the tests' own, on 127.0.0.1 and a free port, with its
// files in a fresh temporary folder and nothing saved to disk.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "tests/web/test_servers.h"

namespace qv::host::testing {

class RedisServerProcess {
 public:
  RedisServerProcess() : dir_(web::testing::TempFolder("redis")), port_(web::testing::FreePort()) { Start(); }
  ~RedisServerProcess() { Stop(); }

  // Why it is not running, for a skip message.
  const std::string& Why() const { return why_; }
  bool Running() const { return pid_ > 0; }
  int Port() const { return port_; }

  // Starts it (again, on the same port); false when it cannot run.
  bool Start() {
    if (pid_ > 0) return true;
    std::string port = std::to_string(port_);
    std::string dir = dir_.string();
    std::string log = (dir_ / "redis.log").string();
    pid_t pid = fork();
    if (pid == 0) {
      // Not the test's output: a runner waits for every holder of it.
      int null = open("/dev/null", O_RDWR);
      dup2(null, 1);
      dup2(null, 2);
      execlp("redis-server", "redis-server", "--port", port.c_str(), "--bind", "127.0.0.1", "--dir",
             dir.c_str(), "--save", "", "--appendonly", "no", "--daemonize", "no", "--logfile", log.c_str(),
             nullptr);
      _exit(127);
    }
    if (pid < 0) {
      why_ = "fork failed";
      return false;
    }
    pid_ = pid;
    // Until it accepts connections (at most 10 seconds).
    for (int i = 0; i < 1000; ++i) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        why_ = WIFEXITED(status) && WEXITSTATUS(status) == 127
                   ? "redis-server is not installed (Debian package redis-server)"
                   : "redis-server ended at start; see " + log;
        return false;
      }
      if (Accepts()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    Stop();
    why_ = "redis-server did not accept connections within 10 s";
    return false;
  }

  // Ends it at once, as a crash would.
  void Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  bool Accepts() const {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port_));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool ok = connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    close(fd);
    return ok;
  }

  std::filesystem::path dir_;
  int port_;
  pid_t pid_ = -1;
  std::string why_;
};

}  // namespace qv::host::testing
