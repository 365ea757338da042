#include "web/robots.h"

#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>

#include "support/text.h"
#include "web/address_encoding.h"
#include "web/curl_library.h"
#include "web/http_get.h"

namespace qv::web {

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

std::string LowerText(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = Lower(c);
  return out;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool Unreserved(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
         c == '_' || c == '~';
}

// The leading product token of a user-agent line's value: letters, "-"
// and "_" ("*" alone stands for every crawler).
std::string AgentOfLine(std::string_view value) {
  if (!value.empty() && value.front() == '*') return "*";
  size_t n = 0;
  while (n < value.size() && ((value[n] >= 'a' && value[n] <= 'z') || (value[n] >= 'A' && value[n] <= 'Z') ||
                              value[n] == '-' || value[n] == '_'))
    ++n;
  return LowerText(value.substr(0, n));
}

}  // namespace

std::string NormalizeRobotsPath(std::string_view path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(path.size());
  for (size_t i = 0; i < path.size(); ++i) {
    auto c = static_cast<unsigned char>(path[i]);
    if (c == '%' && i + 2 < path.size() && HexValue(path[i + 1]) >= 0 && HexValue(path[i + 2]) >= 0) {
      auto v = static_cast<unsigned char>(HexValue(path[i + 1]) * 16 + HexValue(path[i + 2]));
      if (Unreserved(v)) {
        out += static_cast<char>(v);
      } else {
        out += '%';
        out += kHex[v >> 4];
        out += kHex[v & 15];
      }
      i += 2;
    } else if (c >= 0x80 || c <= 0x20 || c == 0x7F) {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

bool RobotsPatternMatches(std::string_view pattern, std::string_view path) {
  bool anchored = !pattern.empty() && pattern.back() == '$';
  if (anchored) pattern.remove_suffix(1);
  // The pieces between stars, each placed as far left as it fits: that
  // leaves the most room for the rest.
  size_t pos = 0;
  bool first = true;
  for (;;) {
    size_t star = pattern.find('*');
    std::string_view piece = pattern.substr(0, star);
    bool last = star == std::string_view::npos;
    if (first) {
      if (path.substr(0, piece.size()) != piece) return false;
      pos = piece.size();
      first = false;
      if (last) return !anchored || pos == path.size();
    } else if (last && anchored) {
      // The last piece must end the path, after what came before.
      return path.size() >= pos + piece.size() && path.substr(path.size() - piece.size()) == piece;
    } else {
      size_t at = path.find(piece, pos);
      if (at == std::string_view::npos) return false;
      pos = at + piece.size();
      if (last) return true;
    }
    pattern.remove_prefix(star + 1);
  }
}

RobotsTxt RobotsTxt::DisallowAll() {
  RobotsTxt r;
  r.disallowAll_ = true;
  return r;
}

RobotsTxt RobotsTxt::Parse(std::string_view text) {
  RobotsTxt r;
  if (text.size() > kRobotsMaxBytes) text = text.substr(0, kRobotsMaxBytes);
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  bool inAgents = false;  // the last line read was a user-agent line
  while (!text.empty()) {
    size_t end = text.find_first_of("\r\n");
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    size_t hash = line.find('#');
    if (hash != std::string_view::npos) line = line.substr(0, hash);
    size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    std::string key = LowerText(Trim(line.substr(0, colon)));
    std::string_view value = Trim(line.substr(colon + 1));
    if (key == "user-agent") {
      if (!inAgents) r.groups_.emplace_back();
      inAgents = true;
      r.groups_.back().agents.push_back(AgentOfLine(value));
    } else if (key == "allow" || key == "disallow") {
      // Rules before any user-agent line belong to no group.
      if (r.groups_.empty()) continue;
      inAgents = false;
      if (value.empty()) continue;  // "Disallow:" alone allows everything
      r.groups_.back().rules.push_back({NormalizeRobotsPath(value), key == "allow"});
    } else {
      // Other records (sitemap, ...) do not end a run of user-agent lines.
    }
  }
  return r;
}

bool RobotsTxt::Allowed(std::string_view agent, std::string_view path) const {
  if (disallowAll_) return false;
  std::string target = NormalizeRobotsPath(path.empty() ? std::string_view("/") : path);
  if (target == "/robots.txt") return true;
  std::string token = LowerText(agent);
  // Every group naming the crawler counts as one; without one, the groups
  // for "*".
  auto matching = [&](std::string_view name) {
    std::vector<const Group*> out;
    for (const Group& g : groups_)
      for (const std::string& a : g.agents)
        if (a == name && !a.empty()) {
          out.push_back(&g);
          break;
        }
    return out;
  };
  std::vector<const Group*> groups =
      token.empty() || token == "*" ? std::vector<const Group*>() : matching(token);
  if (groups.empty()) groups = matching("*");
  size_t bestLength = 0;
  bool found = false, allowed = true;
  for (const Group* g : groups)
    for (const Rule& rule : g->rules) {
      if (!RobotsPatternMatches(rule.pattern, target)) continue;
      size_t length = rule.pattern.size();
      if (!found || length > bestLength || (length == bestLength && rule.allow && !allowed)) {
        found = true;
        bestLength = length;
        allowed = rule.allow;
      }
    }
  return allowed;
}

std::string RobotsProductToken(std::u16string_view userAgent) {
  std::string ua = ToUtf8(userAgent);
  return std::string(Trim(std::string_view(ua).substr(0, ua.find('/'))));
}

namespace {

struct Site {
  bool ready = false;
  RobotsTxt rules;
};

struct Cache {
  std::mutex mu;
  std::condition_variable cv;
  std::map<std::string, std::shared_ptr<Site>> sites;  // by scheme://host:port
};

Cache& Sites() {
  static auto* cache = new Cache;
  return *cache;
}

// scheme://host:port and the path with its query, or false.
bool SplitUrl(const std::string& wire, std::string& site, std::string& path) {
  const CurlLibrary& lib = LibCurl();
  CURLU* u = lib.url();
  char *scheme = nullptr, *host = nullptr, *port = nullptr, *p = nullptr, *query = nullptr;
  bool ok = lib.url_set(u, CURLUPART_URL, wire.c_str(), CURLU_NON_SUPPORT_SCHEME) == CURLUE_OK &&
            lib.url_get(u, CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK &&
            lib.url_get(u, CURLUPART_HOST, &host, 0) == CURLUE_OK &&
            lib.url_get(u, CURLUPART_PORT, &port, CURLU_DEFAULT_PORT) == CURLUE_OK &&
            lib.url_get(u, CURLUPART_PATH, &p, 0) == CURLUE_OK;
  if (ok) {
    std::string s = LowerText(scheme);
    ok = s == "http" || s == "https";
    site = s + "://" + LowerText(host) + ":" + port;
    path = p;
    if (lib.url_get(u, CURLUPART_QUERY, &query, 0) == CURLUE_OK && query != nullptr)
      path += "?" + std::string(query);
  }
  lib.free(scheme);
  lib.free(host);
  lib.free(port);
  lib.free(p);
  lib.free(query);
  lib.url_cleanup(u);
  return ok;
}

}  // namespace

bool RobotsAllowed(std::u16string_view url, std::u16string_view userAgent,
                   const std::function<RobotsFetch(const std::string& robotsUrl)>& fetch,
                   const std::atomic<bool>* stop) {
  std::string site, path;
  if (!SplitUrl(WireUrl(url), site, path)) return false;
  std::string agent = RobotsProductToken(userAgent);
  Cache& c = Sites();
  std::shared_ptr<Site> entry;
  {
    std::unique_lock lock(c.mu);
    for (;;) {
      auto it = c.sites.find(site);
      if (it == c.sites.end()) break;  // nobody has it: this thread fetches it
      entry = it->second;
      if (entry->ready) return entry->rules.Allowed(agent, path);
      // Another thread is fetching it.
      if (stop != nullptr && stop->load()) return false;
      c.cv.wait_for(lock, std::chrono::milliseconds(20));
      entry.reset();
    }
    entry = std::make_shared<Site>();
    c.sites[site] = entry;
  }
  RobotsFetch got = fetch(site + "/robots.txt");
  std::unique_lock lock(c.mu);
  if (got.kind == RobotsFetch::Stopped) {
    c.sites.erase(site);
    c.cv.notify_all();
    return false;
  }
  entry->rules = got.kind == RobotsFetch::Rules      ? RobotsTxt::Parse(got.body)
                 : got.kind == RobotsFetch::AllowAll ? RobotsTxt::AllowAll()
                                                     : RobotsTxt::DisallowAll();
  entry->ready = true;
  c.cv.notify_all();
  return entry->rules.Allowed(agent, path);
}

void ClearRobotsCache() {
  Cache& c = Sites();
  std::lock_guard lock(c.mu);
  std::erase_if(c.sites, [](const auto& e) { return e.second->ready; });
}

RobotsFetch DownloadRobots(const std::string& robotsUrl, std::u16string_view userAgent,
                           const std::atomic<bool>* stop, const ProxySetting& proxy) {
  THttpGet http;
  if (!proxy.server.empty())
    http.SetProxy(true, proxy.server + u":" + IntToText(proxy.port), proxy.user, proxy.password);
  http.SetStopFlag(stop);
  http.Request().userAgent = std::u16string(userAgent);
  http.Request().acceptEncoding.clear();  // the body is read as it comes
  http.SetMaxBodyBytes(kRobotsMaxBytes);
  http.SetConnectTimeout(30000);
  http.SetReadTimeout(30000);
  TransferEnd end = http.Perform(HttpMethod::Get, FromUtf8(robotsUrl));
  RobotsFetch out;
  if (end == TransferEnd::Stopped) return out;
  int code = http.Response().responseCode;
  // A file cut at the size limit still gives its first part.
  if (code >= 200 && code < 300 && (end == TransferEnd::Completed || !http.Body().empty())) {
    out.kind = RobotsFetch::Rules;
    out.body = std::string(http.Body());
  } else if (end == TransferEnd::Completed && code >= 400 && code < 500) {
    out.kind = RobotsFetch::AllowAll;
  } else {
    out.kind = RobotsFetch::DisallowAll;
  }
  return out;
}

}  // namespace qv::web
