#include "host/request_functions.h"

#include "host/quorvint.h"
#include "web/http_request.h"

namespace qv::host {

namespace {

const char16_t* const kDeclarations[] = {
    u"function httprequest(Method:string;Url:string;Body:string='';ContentType:string=''):string;",
};

Value HttpRequest(TQuorvint& t, Caller& c) {
  auto text = [&](int i) {
    const Value& v = c.GetParam(i);
    return v.is_null() ? std::u16string() : ToText(v);
  };
  std::u16string method = text(0), url = text(1), body = text(2), type = text(3);
  BlockingCall waiting;
  std::lock_guard client(t.ClientLock());
  std::u16string reply = web::SendHttpRequest(t.HttpGet(), method, url, body, type);
  if (t.Terminated()) reply.clear();
  return Value::Text(std::move(reply));
}

}  // namespace

void RegisterRequestFunctions(TfsScript& prog, TQuorvint& thread) {
  TfsCallMethodNewEvent handler = [&thread](HostObject*, const HostClass*, const std::u16string& name,
                                            Caller& c) {
    if (name == u"HTTPREQUEST") return HttpRequest(thread, c);
    return Value::Text(u"");
  };
  for (const char16_t* declaration : kDeclarations) prog.AddMethod(declaration, handler);
}

}  // namespace qv::host
