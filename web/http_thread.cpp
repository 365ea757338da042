#include "web/http_thread.h"

#include <filesystem>
#include <optional>
#include <system_error>

#include "library/files/file_write.h"
#include "library/files/paths.h"
#include "support/codepage.h"
#include "support/errors.h"
#include "support/text.h"
#include "web/address_encoding.h"
#include "web/content_decoding.h"
#include "web/download_cache.h"
#include "web/multipart_form.h"
#include "web/page_text.h"
#include "web/retry.h"
#include "web/revalidation.h"
#include "web/transfer_speed.h"

namespace qv::web {

namespace fs = std::filesystem;

namespace {

bool BeginsWithText(std::u16string_view s, std::u16string_view prefix) {
  return s.size() >= prefix.size() && SameText(s.substr(0, prefix.size()), prefix);
}

// Calls f(item) for each "&"-separated item.
template <class F>
void ForEachItem(std::u16string_view s, F&& f) {
  size_t pos = 0;
  for (;;) {
    size_t amp = s.find(u'&', pos);
    f(s.substr(pos, amp == std::u16string_view::npos ? std::u16string_view::npos : amp - pos));
    if (amp == std::u16string_view::npos) return;
    pos = amp + 1;
  }
}

// The raw body saved to a file named by a script: made absolute against the
// current directory, its folder created, the file replaced whole. Errors
// are ignored.
void SaveBody(const std::u16string& saveFile, std::string_view bytes) {
  fs::path path = library::ExpandName(saveFile);
  if (library::ForceFolder(path, true)) library::ReplaceFileContent(path, bytes);
}

}  // namespace

THttpThread::THttpThread() { ReCreateHttpGet(); }

THttpThread::~THttpThread() = default;

THttpGet& THttpThread::ReCreateHttpGet() {
  auto fresh = std::make_unique<THttpGet>();
  WireClient(*fresh);
  std::unique_ptr<THttpGet> old;
  {
    std::lock_guard<std::mutex> lock(clientMutex_);
    if (client_) client_->Disconnect();
    old = std::move(client_);
    client_ = std::move(fresh);
  }
  return *client_;
}

void THttpThread::ReleaseClient() {
  std::unique_ptr<THttpGet> old;
  {
    std::lock_guard<std::mutex> lock(clientMutex_);
    old = std::move(client_);
  }
  old.reset();
  html_ = Value::Text(u"");
}

void THttpThread::WireClient(THttpGet& c) {
  c.SetStopFlag(&terminated_);
  c.onWorkBegin = [this](int64_t expected) { WorkBegin(expected); };
  c.onWork = [this](int64_t bytes) { Work(bytes); };
  c.onWorkEnd = [this] {
    if (onEndWork) onEndWork();
  };
  c.onConnected = [this] {
    if (onConnected) onConnected();
  };
  c.onRedirect = [this](std::u16string& target, HttpMethod& method, int count) {
    bool handled = false;
    if (onRedirectURL) onRedirectURL(target, method, handled, count);
  };
}

void THttpThread::Stop() {
  terminated_.store(true, std::memory_order_release);
  {
    std::lock_guard<std::mutex> lock(clientMutex_);
    if (client_) client_->Disconnect();
  }
  if (onDisconnect) onDisconnect();
}

int64_t THttpThread::MaxWorkCount() const {
  std::lock_guard<std::mutex> lock(progressMutex_);
  return maxWorkCount_;
}
double THttpThread::Progress() const {
  std::lock_guard<std::mutex> lock(progressMutex_);
  return progress_;
}
std::u16string THttpThread::SpeedMsg() const {
  std::lock_guard<std::mutex> lock(progressMutex_);
  return speedMsg_;
}
std::chrono::system_clock::time_point THttpThread::SpeedTime() const {
  std::lock_guard<std::mutex> lock(progressMutex_);
  return speedTime_;
}

void THttpThread::WorkBegin(int64_t expected) {
  {
    std::lock_guard<std::mutex> lock(progressMutex_);
    speedTime_ = std::chrono::system_clock::now();
    speedStart_ = std::chrono::steady_clock::now();
    maxWorkCount_ = expected;
  }
  if (onBeginWork) onBeginWork(expected);
}

void THttpThread::Work(int64_t bytes) {
  if (Terminated()) client_->Disconnect();
  if (onWork) onWork(bytes);
  // The real elapsed time: a clock of the day wrapped at 16 bits would
  // show a wrong speed after 18 hours.
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - speedStart_).count();
  std::lock_guard<std::mutex> lock(progressMutex_);
  speedMsg_ = seconds > 0 ? SpeedText(bytes, seconds) : std::u16string();
  progress_ = ProgressPercent(bytes, maxWorkCount_);
}

// Only post data the script passes names files to upload; parameters from
// an address's "(POST)" tail are fields whatever they hold, so an address
// taken from a page can never send a local file.
std::string THttpThread::MultipartBody(std::u16string_view scriptPost, std::u16string_view addressPost) {
  MultiPartFormData form;
  auto add = [&](std::u16string_view item, bool mayUpload) {
    size_t eq = item.find(u'=');
    if (eq == std::u16string_view::npos) return;
    std::u16string_view name = item.substr(0, eq), value = item.substr(eq + 1);
    if (mayUpload && BeginsWithText(value, u"file:")) {
      std::u16string path(value.substr(5));
      std::error_code ec;
      if (!fs::exists(library::FsPath(path), ec)) throw ScriptError(u"post error:" + path + u" not exists!");
      form.AddFile(name, path);
    } else {
      form.AddFormField(name, value);
    }
  };
  ForEachItem(scriptPost, [&](std::u16string_view item) { add(item, true); });
  ForEachItem(addressPost, [&](std::u16string_view item) { add(item, false); });
  form.PrepareStreamForDispatch();
  client_->Request().contentType = form.RequestContentType();
  return form.Bytes();
}

const std::u16string& THttpThread::Down(std::u16string aUrl, std::u16string charSet, std::u16string method,
                                        std::u16string postPra, std::u16string saveFile, int64_t cacheTime) {
  THttpGet& http = *client_;
  http.SetURL(u"");
  http.SetIsTimeout(false);
  http.SetErrorText(u"");  // a cache hit is a success too

  aUrl = EncodeAddress(aUrl, charSet);
  const std::u16string scriptPost = postPra;
  std::u16string addressPost;
  if (size_t marker = aUrl.find(u"(POST)"); marker != std::u16string::npos) {
    addressPost = aUrl.substr(marker + 6);
    aUrl.resize(marker);
    postPra = postPra.empty() ? addressPost : postPra + u"&" + addressPost;
    method = u"POST";
  }
  std::u16string result;

  // The cache: look up an entry, or name the one to write.
  std::optional<fs::path> newEntry;
  // An entry kept until the server says whether its page changed.
  std::optional<CacheEntry> stale;
  fs::path stalePath;
  // A save name beginning with ":" names the cache, never a file: with a
  // cache time of 0 nothing is cached and nothing saved (no stray files
  // named ":" or ":news:html" in the current folder).
  const bool cacheSpec = !saveFile.empty() && saveFile[0] == u':';
  std::u16string spec = cacheSpec ? saveFile.substr(1) : std::u16string();
  if (cacheSpec) saveFile.clear();
  if (cacheSpec && cacheTime > 0) {
    if (cacheDir_.empty()) cacheDir_ = library::AppPath() + u"data/cache/";
    size_t colon = spec.find(u':');
    std::u16string ext = colon == std::u16string::npos ? u"dat" : spec.substr(colon + 1);
    if (colon != std::u16string::npos) spec.resize(colon);
    fs::path folder = library::FsPath(cacheDir_ + spec + u"/");
    std::error_code ec;
    if (fs::is_directory(folder, ec))
      PurgeCacheFolder(folder, LocalStamp());
    else
      fs::create_directories(folder, ec);
    std::u16string key = CacheKey(aUrl, charSet, postPra);
    std::optional<fs::path> existing = FindCacheEntry(folder, key, ext);
    newEntry = folder / library::FsPath(CacheFileName({LocalStamp(), cacheTime, key, ext}));
    if (existing) {
      std::optional<CacheEntry> entry = ReadCacheEntry(*existing);
      if (entry) http.SetURL(entry->url);
      if (!entry || !SameText(TrimBlanks(entry->requestHeaders), TrimBlanks(http.CustomHeaderText()))) {
        fs::remove(*existing, ec);
      } else if (SameText(method, u"GET") && ValidatorsOf(entry->statusLine, entry->rawHeaders).Any()) {
        stale = std::move(entry);
        stalePath = *existing;
      } else {
        http.LoadResponse(entry->statusLine, entry->rawHeaders);
        result = std::move(entry->text);
      }
    }
  }

  if (result.empty()) {
    charSet = UpperCase(charSet);
    method = UpperCase(method);
    std::u16string rememberedType = http.Request().contentType;
    http.SetURL(aUrl);
    TransferEnd end;
    if (method == u"HEAD") {
      end = PerformWithRetries(http, HttpMethod::Head, aUrl);
      if (end == TransferEnd::TimedOut) http.SetIsTimeout(true);
      if (end == TransferEnd::Failed && !Terminated()) throw ScriptError(http.ErrorText());
    } else {
      if (method == u"POST") {
        std::string body;
        if (scriptPost.find(u"file:") != std::u16string::npos ||
            LowerCase(http.Request().contentType) == u"multipart/form-data") {
          body = MultipartBody(scriptPost, addressPost);
        } else {
          http.Request().contentType = u"application/x-www-form-urlencoded";
          if (charSet == u"UTF-8") {
            std::u16string rebuilt;
            ForEachItem(postPra, [&](std::u16string_view item) {
              if (item.find(u'=') == std::u16string_view::npos) return;
              rebuilt += item;
              rebuilt += u'&';
            });
            postPra = std::move(rebuilt);
          }
          body = EncodeAnsi(postPra);
        }
        end = PerformWithRetries(http, HttpMethod::Post, aUrl, body);
      } else {
        std::optional<ConditionalRequest> ask;
        if (stale) ask.emplace(http, ValidatorsOf(stale->statusLine, stale->rawHeaders));
        end = PerformWithRetries(http, HttpMethod::Get, aUrl);
      }
      if (end == TransferEnd::TimedOut) http.SetIsTimeout(true);
      http.Request().contentType = rememberedType;
    }
    if (Terminated()) {
      SetHTML(u"");
      return HTML();
    }

    const HttpResponse& response = http.Response();
    int code = response.responseCode;
    // A transfer that did not end whole never passes a cut page off as the
    // page: its result is the status code, as for an HTTP error.
    // Unchanged, or no answer at all: the kept page is still within its
    // cache time, and losing it to a server that is down helps no one.
    if (stale && ((end == TransferEnd::Completed && code == 304) || end == TransferEnd::Failed ||
                  end == TransferEnd::TimedOut)) {
      http.SetErrorText(u"");
      http.SetIsTimeout(false);
      http.SetURL(stale->url);
      http.LoadResponse(stale->statusLine, stale->rawHeaders);
      result = std::move(stale->text);
    } else if (end == TransferEnd::Completed && (code == 200 || code == 201 || code == 206)) {
      // Each stage frees the one before it: the wire bytes once inflated,
      // the bytes once decoded and saved, so that a page takes at most its
      // bytes and its text at any moment.
      BodyBuffer raw = http.TakeBody();
      std::string inflated;
      std::string_view bytes = raw.View();
      std::u16string why;
      switch (DecodeContent(response.contentEncoding, bytes, inflated, http.MaxBodyBytes(), why)) {
        case Decoding::Decoded:
          raw.Clear();
          bytes = inflated;
          break;
        case Decoding::Failed:
          http.SetErrorText(why);
          break;
        case Decoding::None:
          break;
      }
      result = DecodePage(bytes, charSet, response.charSet);
      if (!saveFile.empty()) SaveBody(saveFile, bytes);
      raw.Clear();
      std::string().swap(inflated);
      if (saveFile.empty() && newEntry) {
        CacheEntry entry{http.URL(), http.CustomHeaderText(), response.statusLine, response.rawHeaders,
                         std::move(result)};
        // The page changed: its new entry replaces the one kept.
        std::error_code ec;
        if (WriteCacheEntry(*newEntry, entry) && stale && stalePath != *newEntry) fs::remove(stalePath, ec);
        result = std::move(entry.text);
      }
    } else {
      result = IntToText(code);
    }
  }
  SetHTML(std::move(result));
  return HTML();
}

}  // namespace qv::web
