// robots.txt files from the web: the parser, the matcher and the path
// normalisation. The first line of the input is the path asked about, the
// rest the file.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "web/robots.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view in(reinterpret_cast<const char*>(data), size);
  size_t nl = in.find('\n');
  std::string_view path = nl == std::string_view::npos ? in : in.substr(0, nl);
  std::string_view file = nl == std::string_view::npos ? std::string_view() : in.substr(nl + 1);
  qv::web::RobotsTxt rules = qv::web::RobotsTxt::Parse(file);
  static const char* const kAgents[] = {"foobot", "*", "", "FOO-bot"};
  for (const char* agent : kAgents) rules.Allowed(agent, path);
  qv::web::RobotsPatternMatches(qv::web::NormalizeRobotsPath(path), qv::web::NormalizeRobotsPath(file));
  return 0;
}
