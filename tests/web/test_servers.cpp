#include "tests/web/test_servers.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>

namespace qv::web::testing {

namespace fs = std::filesystem;

HttpServer::HttpServer(std::unique_ptr<httplib::Server> server) : server_(std::move(server)) {
  if (dynamic_cast<httplib::SSLServer*>(server_.get())) scheme_ = "https";
}

HttpServer::~HttpServer() {
  server_->stop();
  if (thread_.joinable()) thread_.join();
}

void HttpServer::Start() {
  server_->set_tcp_nodelay(true);
  port_ = server_->bind_to_any_port("127.0.0.1");
  thread_ = std::thread([this] { server_->listen_after_bind(); });
  while (!server_->is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void HttpServer::CountConnections(int threads) {
  server_->new_task_queue = [threads] { return new httplib::ThreadPool(static_cast<size_t>(threads)); };
  server_->set_keep_alive_max_count(1000000);
  server_->set_keep_alive_timeout(1);
  // A client port names one connection: the loopback test never runs
  // long enough for the kernel to hand the same port out again.
  server_->set_pre_routing_handler([this](const httplib::Request& req, httplib::Response&) {
    std::lock_guard<std::mutex> lock(connMu_);
    clientPorts_.insert(req.remote_port);
    return httplib::Server::HandlerResponse::Unhandled;
  });
}

int HttpServer::Connections() const {
  std::lock_guard<std::mutex> lock(connMu_);
  return static_cast<int>(clientPorts_.size());
}

std::string HttpServer::Url(const std::string& path) const {
  return scheme_ + "://127.0.0.1:" + std::to_string(port_) + path;
}

RawServer::RawServer(Handler handler) : handler_(std::move(handler)) {
  listenFd_ = ::socket(AF_INET, SOCK_STREAM, 0);
  int one = 1;
  ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  ::listen(listenFd_, 64);
  socklen_t len = sizeof addr;
  ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
  port_ = ntohs(addr.sin_port);
  acceptThread_ = std::thread([this] { AcceptLoop(); });
}

RawServer::~RawServer() {
  stopping_ = true;
  ::shutdown(listenFd_, SHUT_RDWR);
  ::close(listenFd_);
  if (acceptThread_.joinable()) acceptThread_.join();
  std::lock_guard<std::mutex> lock(mu_);
  for (auto& t : workers_) t.join();
}

std::string RawServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

bool RawServer::Send(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    if (stopping_) return false;
    ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

void RawServer::AcceptLoop() {
  for (;;) {
    int fd = ::accept(listenFd_, nullptr, nullptr);
    if (fd < 0) return;
    if (stopping_) {
      ::close(fd);
      return;
    }
    ++connections_;
    std::lock_guard<std::mutex> lock(mu_);
    workers_.emplace_back([this, fd] {
      std::string head;
      char buf[4096];
      while (head.find("\r\n\r\n") == std::string::npos && head.size() < (1 << 20)) {
        ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) break;
        head.append(buf, static_cast<size_t>(n));
      }
      handler_(fd, head);
      ::shutdown(fd, SHUT_RDWR);
      ::close(fd);
    });
  }
}

int FreePort() {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  socklen_t len = sizeof addr;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  ::close(fd);
  return ntohs(addr.sin_port);
}

namespace {

bool Accepts(int port) {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  ::close(fd);
  return ok;
}

}  // namespace

TinyProxy::TinyProxy(const fs::path& dir) {
  port_ = FreePort();
  fs::path conf = dir / "tinyproxy.conf";
  {
    std::ofstream out(conf);
    out << "Port " << port_ << "\nListen 127.0.0.1\nTimeout 30\nAllow 127.0.0.1\nMaxClients 20\n"
        << "LogLevel Error\nLogFile \"" << (dir / "tinyproxy.log").string() << "\"\n"
        << "ViaProxyName \"qvtestproxy\"\n";
    if (::geteuid() == 0) out << "User nobody\nGroup nogroup\n";
  }
  pid_t pid = ::fork();
  if (pid == 0) {
    ::execlp("tinyproxy", "tinyproxy", "-d", "-c", conf.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  pid_ = pid;
  for (int i = 0; i < 200 && !Accepts(port_); ++i) {
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (!Accepts(port_)) {
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
}

TinyProxy::~TinyProxy() {
  if (pid_ > 0) {
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
  }
}

fs::path TempFolder(const std::string& name) {
  fs::path dir = fs::temp_directory_path() / ("qv_web_" + name + "_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

bool MakeTestPki(const fs::path& dir, TestPki& out) {
  out.caCert = dir / "ca.pem";
  out.serverCert = dir / "server.pem";
  out.serverKey = dir / "server.key";
  fs::path caKey = dir / "ca.key", csr = dir / "server.csr", ext = dir / "server.ext";
  {
    std::ofstream e(ext);
    e << "subjectAltName=IP:127.0.0.1,DNS:localhost\nbasicConstraints=CA:FALSE\n";
  }
  std::string q = " 2>/dev/null";
  std::string cmds[] = {
      "openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=qv-test-ca -keyout " + caKey.string() +
          " -out " + out.caCert.string() + q,
      "openssl req -newkey rsa:2048 -nodes -subj /CN=127.0.0.1 -keyout " + out.serverKey.string() + " -out " +
          csr.string() + q,
      "openssl x509 -req -in " + csr.string() + " -CA " + out.caCert.string() + " -CAkey " + caKey.string() +
          " -CAcreateserial -days 2 -extfile " + ext.string() + " -out " + out.serverCert.string() + q,
  };
  for (const auto& c : cmds)
    if (std::system(c.c_str()) != 0) return false;
  return true;
}

}  // namespace qv::web::testing
