// robots.txt: which paths of a site a crawler may fetch.
//
//   RobotsTxt rules = RobotsTxt::Parse("User-agent: *\nDisallow: /private/\n");
//   rules.Allowed("ExampleBot", "/private/a.html");   // false
//   RobotsAllowed(u"http://example.org/a", u"ExampleBot/1.0", fetch);
//
// The groups of user-agent lines, the longest match between allow and
// disallow rules (allow wins a tie), the wildcards * and $ and the
// percent-encoding of paths follow the robots exclusion protocol.
#pragma once

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "web/proxy_setting.h"

namespace qv::web {

// Only this much of a robots.txt file is read.
inline constexpr size_t kRobotsMaxBytes = 500 * 1024;

class RobotsTxt {
 public:
  static RobotsTxt Parse(std::string_view text);
  static RobotsTxt AllowAll() { return RobotsTxt(); }
  static RobotsTxt DisallowAll();

  // `agent` is a product token ("ExampleBot"), matched without regard to
  // case; `path` is the path and query of the address ("/a/b?c").
  bool Allowed(std::string_view agent, std::string_view path) const;

 private:
  struct Rule {
    std::string pattern;
    bool allow;
  };
  struct Group {
    std::vector<std::string> agents;  // lower case; "*" for any
    std::vector<Rule> rules;
  };
  std::vector<Group> groups_;
  bool disallowAll_ = false;
};

// The form paths are compared in: non-ASCII and control octets
// percent-encoded, encoded unreserved characters decoded, hex digits in
// upper case.
std::string NormalizeRobotsPath(std::string_view path);

// Whether `pattern` (with * for any run of octets and a final $ for the
// end) matches the start of `path`. Both are normalised.
bool RobotsPatternMatches(std::string_view pattern, std::string_view path);

// The product token of a User-Agent value: the text before "/", trimmed.
std::string RobotsProductToken(std::u16string_view userAgent);

// The outcome of downloading one site's robots.txt.
struct RobotsFetch {
  enum Kind { Rules, AllowAll, DisallowAll, Stopped } kind = Stopped;
  std::string body;  // for Rules
};

// Answers for `url` from the robots.txt of its scheme, host and port,
// downloaded once per process through `fetch` (given the robots.txt
// address); threads asking about a site whose file is on its way wait for
// it, or until `stop` turns true. A fetch that was stopped is not
// remembered; a stopped question is not allowed. An address that is not
// http or https is never allowed.
bool RobotsAllowed(std::u16string_view url, std::u16string_view userAgent,
                   const std::function<RobotsFetch(const std::string& robotsUrl)>& fetch,
                   const std::atomic<bool>* stop = nullptr);

// Downloads a robots.txt with its own client: 2xx gives the rules, other
// 4xx allow all, 5xx or no answer disallow all; stopped when `stop` turns
// true; through `proxy` when it names a server.
RobotsFetch DownloadRobots(const std::string& robotsUrl, std::u16string_view userAgent,
                           const std::atomic<bool>* stop, const ProxySetting& proxy = {});

// Forgets every remembered robots.txt (tests).
void ClearRobotsCache();

}  // namespace qv::web
