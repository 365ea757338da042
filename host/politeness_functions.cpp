#include "host/politeness_functions.h"

#include "engine/program/execution_lock.h"
#include "host/quorvint.h"
#include "web/robots.h"

namespace qv::host {

namespace {

constexpr const char16_t* kDeclarations[] = {
    u"function robotsallowed(Url:string;UserAgent:string=''):boolean;",
};

Value RobotsAllowed(TQuorvint& thread, Caller& c) {
  std::u16string url = ToText(c.GetParam(0));
  std::u16string agent = c.Count() > 1 ? ToText(c.GetParam(1)) : std::u16string();
  web::ProxySetting proxy;
  {
    std::lock_guard client(thread.ClientLock());
    if (agent.empty()) agent = thread.HttpGet().Request().userAgent;
    proxy = thread.HttpGet().Proxy();  // the file comes the way the pages will
  }
  const std::atomic<bool>* stop = thread.StopFlag();
  BlockingCall waiting;  // the first question about a site downloads its file
  return Value::Bool(web::RobotsAllowed(
      url, agent,
      [&](const std::string& robotsUrl) { return web::DownloadRobots(robotsUrl, agent, stop, proxy); },
      stop));
}

}  // namespace

void RegisterPolitenessFunctions(TfsScript& prog, TQuorvint& thread) {
  TfsCallMethodNewEvent handler = [&thread](HostObject*, const HostClass*, const std::u16string& name,
                                            Caller& c) {
    if (name == u"ROBOTSALLOWED") return RobotsAllowed(thread, c);
    return Value::Bool(false);
  };
  for (const char16_t* declaration : kDeclarations) prog.AddMethod(declaration, handler);
}

std::span<const char16_t* const> PolitenessFunctionDeclarations() { return kDeclarations; }

}  // namespace qv::host
