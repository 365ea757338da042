// THttpThread: the download side of a script thread. It owns the thread's
// HTTP client and offers Down, the operation behind the script functions
// down, httpget, httppost and httphead: address encoding, the "(POST)"
// marker, the on-disk cache, GET/POST/HEAD, multipart uploads, gzip bodies,
// character sets, saving the body to a file, progress and speed.
//
// The script host thread derives from it; this class holds no std::thread
// of its own. Down runs on the owning thread; Stop may be called from any
// thread and makes a running Down return empty text within 100 ms.
//
//   THttpThread t;
//   std::u16string page = t.Down(u"http://example.org/", u"CHECK", u"GET", u"", u"", 0);
//   std::u16string cached = t.Down(url, u"CHECK", u"GET", u"", u":news:html", 600);
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "engine/engine.h"
#include "web/http_get.h"

namespace qv::web {

class THttpThread {
 public:
  THttpThread();
  virtual ~THttpThread();
  THttpThread(const THttpThread&) = delete;
  THttpThread& operator=(const THttpThread&) = delete;

  // The client; replaced by ReCreateHttpGet (owning thread only), gone
  // after ReleaseClient.
  THttpGet& HttpGet() { return *client_; }
  // Disconnects and frees the client and makes a new one with the
  // defaults: cookies, proxy, headers and time-outs are gone.
  THttpGet& ReCreateHttpGet();
  // Frees the client (its connection and sockets) and the last page for
  // good, once the thread is done downloading. Stop still works after it.
  void ReleaseClient();

  // Sets the stop flag and disconnects the client. Any thread.
  virtual void Stop();
  bool Terminated() const { return terminated_.load(std::memory_order_acquire); }

  // GET, POST or HEAD; see the class comment. SaveFile is a file to save
  // the raw body to, or, beginning with ":", a cache name
  // (":" alone, ":folder" or ":folder:extension") used when CacheTime > 0.
  // Raises ScriptError for a HEAD that fails other than by time-out and
  // for a missing upload file.
  // The result is the text kept as HTML, valid until the next download.
  const std::u16string& Down(std::u16string aUrl, std::u16string charSet, std::u16string method,
                             std::u16string postPra, std::u16string saveFile, int64_t cacheTime);

  const std::u16string& HTML() const { return html_.as_text(); }
  // The same text as a value that shares it: a page handed to a script
  // and kept as HTML is held once.
  const Value& HTMLValue() const { return html_; }
  void SetHTML(std::u16string html) { html_ = Value::Text(std::move(html)); }
  // The cache root; AppPath + "data/cache/" when empty at first use.
  const std::u16string& CacheDir() const { return cacheDir_; }
  void SetCacheDir(std::u16string dir) { cacheDir_ = std::move(dir); }

  // Progress of the running transfer (readable from any thread).
  int64_t MaxWorkCount() const;
  double Progress() const;
  std::u16string SpeedMsg() const;
  std::chrono::system_clock::time_point SpeedTime() const;

  std::function<void(int64_t bytesSoFar)> onWork;
  std::function<void(int64_t expected)> onBeginWork;
  std::function<void()> onEndWork;
  std::function<void()> onDisconnect;
  std::function<void()> onConnected;
  std::function<void(std::u16string& target, HttpMethod& method, bool& handled, int count)> onRedirectURL;

 protected:
  std::atomic<bool> terminated_{false};

 private:
  void WireClient(THttpGet& client);
  void WorkBegin(int64_t expected);
  void Work(int64_t bytesSoFar);
  std::string MultipartBody(std::u16string_view scriptPost, std::u16string_view addressPost);

  std::mutex clientMutex_;  // Stop against ReCreateHttpGet
  std::unique_ptr<THttpGet> client_;
  Value html_ = Value::Text(u"");
  std::u16string cacheDir_;

  mutable std::mutex progressMutex_;
  int64_t maxWorkCount_ = 0;
  double progress_ = 0;
  std::u16string speedMsg_;
  std::chrono::system_clock::time_point speedTime_;
  std::chrono::steady_clock::time_point speedStart_;
};

}  // namespace qv::web
