// Real servers for the web tests, all on 127.0.0.1 and a free port:
// an HTTP server (cpp-httplib) with routes the tests add, a raw TCP server
// whose handler writes whatever bytes it likes (for hostile replies), and
// tinyproxy started from a temporary configuration.
#pragma once

#include <httplib.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace qv::web::testing {

// A cpp-httplib server running on its own thread until destroyed.
class HttpServer {
 public:
  explicit HttpServer(std::unique_ptr<httplib::Server> server = std::make_unique<httplib::Server>());
  ~HttpServer();
  // Routes must be added before Start.
  httplib::Server& Routes() { return *server_; }
  void Start();
  int Port() const { return port_; }
  std::string Url(const std::string& path) const;
  // Before Start: count the connections clients open (each keeps serving
  // requests until the client closes it), with `threads` workers so that
  // idle kept-alive connections never starve a new one.
  void CountConnections(int threads = 64);
  // Connections accepted so far (those that carried at least one request).
  int Connections() const;

 private:
  std::unique_ptr<httplib::Server> server_;
  mutable std::mutex connMu_;
  std::set<int> clientPorts_;
  std::thread thread_;
  int port_ = 0;
  std::string scheme_ = "http";
};

// Accepts connections and hands each one, with the request head it sent,
// to `handler` on a thread of its own. The handler writes raw bytes with
// Send and returns; the connection is then closed.
class RawServer {
 public:
  using Handler = std::function<void(int fd, const std::string& requestHead)>;
  explicit RawServer(Handler handler);
  ~RawServer();
  int Port() const { return port_; }
  std::string Url(const std::string& path) const;
  // False once the peer has gone or the server is stopping.
  bool Send(int fd, std::string_view bytes);
  bool Stopping() const { return stopping_.load(); }
  int Connections() const { return connections_.load(); }

 private:
  void AcceptLoop();
  Handler handler_;
  int listenFd_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<int> connections_{0};
  std::thread acceptThread_;
  std::mutex mu_;
  std::vector<std::thread> workers_;
};

// tinyproxy on a free port, logging into `dir`.
class TinyProxy {
 public:
  explicit TinyProxy(const std::filesystem::path& dir);
  ~TinyProxy();
  bool Running() const { return pid_ > 0; }
  int Port() const { return port_; }

 private:
  int pid_ = -1;
  int port_ = 0;
};

// A port nobody listens on (bound once, then released).
int FreePort();

// A fresh empty folder under the system's temporary folder.
std::filesystem::path TempFolder(const std::string& name);

// A certificate authority and a server certificate for 127.0.0.1, made with
// the openssl command. False when that fails.
struct TestPki {
  std::filesystem::path caCert, serverCert, serverKey;
};
bool MakeTestPki(const std::filesystem::path& dir, TestPki& out);

}  // namespace qv::web::testing
