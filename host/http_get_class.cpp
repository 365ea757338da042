#include "host/http_get_class.h"

#include <string>

#include "host/quorvint.h"
#include "support/text.h"
#include "web/host_politeness.h"

namespace qv::host {

const HostClass kThttpGetClass{u"ThttpGet", nullptr, nullptr, {}};

namespace {

using web::THttpGet;

// The string-valued request fields, by upper-case property name.
std::u16string* RequestField(THttpGet& http, const std::u16string& name) {
  web::HttpRequest& r = http.Request();
  if (name == u"USERAGENT") return &r.userAgent;
  if (name == u"ACCEPTCHARSET") return &r.acceptCharSet;
  if (name == u"ACCEPTENCODING") return &r.acceptEncoding;
  if (name == u"ACCEPTLANGUAGE") return &r.acceptLanguage;
  if (name == u"ACCEPT") return &r.accept;
  return nullptr;
}

Value IntValue(int64_t n) {
  if (n >= INT32_MIN && n <= INT32_MAX) return Value::Int(static_cast<int32_t>(n));
  return Value::Int64(n);
}

// Members act only on the registering thread's own client: a _Get object
// of another thread that reaches this script reads as empty.
TQuorvint* Own(HostObject* instance, TQuorvint& thread) {
  auto* o = dynamic_cast<HttpGetObject*>(instance);
  return o != nullptr && &o->Thread() == &thread ? &thread : nullptr;
}

Value GetProp(TQuorvint& thread, HostObject* instance, const std::u16string& name) {
  TQuorvint* t = Own(instance, thread);
  if (t == nullptr) return Value::Text(u"");
  THttpGet& http = t->HttpGet();
  const web::HttpResponse& resp = http.Response();
  if (name == u"REQUESTTIMEOUT") return Value::Int(http.ConnectTimeout());
  if (name == u"CONTENTTYPE") return Value::Text(resp.contentType);
  if (std::u16string* field = RequestField(http, name)) return Value::Text(*field);
  if (name == u"COOKIE") return Value::Text(http.Cookie());
  if (name == u"RESPONSECODE") return Value::Int(resp.responseCode);
  if (name == u"CONTENTLENGTH") return IntValue(resp.contentLength);
  if (name == u"CONTENTLANGUAGE") return Value::Text(resp.contentLanguage);
  if (name == u"CONTENTENCODING") return Value::Text(resp.contentEncoding);
  if (name == u"URL") return Value::Text(http.URL());
  if (name == u"CACHEDIR") return Value::Text(t->CacheDir());
  if (name == u"PROTOCOLVER")
    return Value::Text(http.ProtocolVersion() == web::HttpVersion::Http10 ? u"1.0" : u"1.1");
  if (name == u"HTML") return t->HTMLValue();
  if (name == u"ERRORTEXT") return Value::Text(http.ErrorText());
  if (name == u"RETRIES") return Value::Int(http.Retries());
  if (name == u"RETRYDELAY") return Value::Int(http.RetryDelay());
  if (name == u"HOSTDELAY") return Value::Int(web::HostDelayMs());
  if (name == u"HOSTCONNECTIONS") return Value::Int(web::HostConnections());
  // The request's From and Referer are write-only fields.
  return Value::Text(u"");
}

void SetProp(TQuorvint& thread, HostObject* instance, const std::u16string& name, const Value& v) {
  TQuorvint* t = Own(instance, thread);
  if (t == nullptr) return;
  THttpGet& http = t->HttpGet();
  if (name == u"REQUESTTIMEOUT") {
    int ms = ToInt32(v);
    http.SetConnectTimeout(ms);
    http.SetReadTimeout(ms);
  } else if (name == u"CONTENTTYPE") {
    http.Request().contentType = ToText(v);
  } else if (std::u16string* field = RequestField(http, name)) {
    *field = ToText(v);
  } else if (name == u"COOKIE") {
    http.SetCookie(ToText(v));
  } else if (name == u"FROM") {
    http.Request().from = ToText(v);
  } else if (name == u"REFERER") {
    http.Request().referer = ToText(v);
  } else if (name == u"URL") {
    http.SetURL(ToText(v));
  } else if (name == u"CACHEDIR") {
    t->SetCacheDir(ToText(v));
  } else if (name == u"PROTOCOLVER") {
    std::u16string ver = ToText(v);
    if (ver == u"1.0") http.SetProtocolVersion(web::HttpVersion::Http10);
    if (ver == u"1.1") http.SetProtocolVersion(web::HttpVersion::Http11);
  } else if (name == u"HTML") {
    t->SetHTML(ToText(v));
  } else if (name == u"RETRIES") {
    http.SetRetries(ToInt32(v));
  } else if (name == u"RETRYDELAY") {
    http.SetRetryDelay(ToInt32(v));
  } else if (name == u"HOSTDELAY") {
    web::SetHostDelayMs(ToInt32(v));  // for every thread of the process
  } else if (name == u"HOSTCONNECTIONS") {
    web::SetHostConnections(ToInt32(v));
  }
}

Value CallMethod(TQuorvint& thread, HostObject* instance, const std::u16string& name, Caller& c) {
  TQuorvint* t = Own(instance, thread);
  if (t == nullptr) return Value::Text(u"");
  THttpGet& http = t->HttpGet();
  if (name == u"REQUESTHEAD.GET") {
    std::u16string key = ToText(c.GetParam(0));
    return Value::Text(key.empty() ? http.CustomHeaderText() : http.RequestHead(key));
  }
  if (name == u"REQUESTHEAD.SET") {
    std::u16string key = ToText(c.GetParam(0));
    if (key.empty()) {
      http.ResetRequest();
    } else {
      http.AddRequestHead(key, ToText(c.AssignedValue()));
    }
    return Value::Int(0);
  }
  if (name == u"RESPONSEHEAD.GET") {
    std::u16string key = ToText(c.GetParam(0));
    return Value::Text(key.empty() ? http.Response().rawHeaders : http.ResponseHead(key));
  }
  if (name == u"CLEAR") {
    t->ReCreateHttpGet();
    return Value::Int(0);
  }
  return Value::Int(0);
}

}  // namespace

void RegisterHttpGetClass(TfsScript& prog, TQuorvint& thread) {
  TfsClassVariable* cls = prog.AddClass(kThttpGetClass, u"TObject");
  if (cls == nullptr) return;
  // Callbacks run this script's code on other threads: the client is used
  // under its lock.
  auto get = [&thread](HostObject* o, const HostClass*, const std::u16string& name, Caller&) {
    std::lock_guard client(thread.ClientLock());
    return GetProp(thread, o, name);
  };
  auto set = [&thread](HostObject* o, const HostClass*, const std::u16string& name, const Value& v, Caller&) {
    std::lock_guard client(thread.ClientLock());
    SetProp(thread, o, name, v);
  };
  auto call = [&thread](HostObject* o, const HostClass*, const std::u16string& name, Caller& c) {
    std::lock_guard client(thread.ClientLock());
    return CallMethod(thread, o, name, c);
  };
  struct Prop {
    const char16_t* name;
    const char16_t* type;
    bool writable;
  };
  static const Prop kProps[] = {
      {u"RequestTimeOut", u"Integer", true},
      {u"ContentType", u"String", true},
      {u"UserAgent", u"String", true},
      {u"AcceptCharSet", u"String", true},
      {u"AcceptEncoding", u"String", true},
      {u"AcceptLanguage", u"String", true},
      {u"Accept", u"String", true},
      {u"Cookie", u"String", true},
      {u"From", u"String", true},
      {u"Referer", u"String", true},
      {u"ResponseCode", u"Integer", false},
      {u"ContentLength", u"Integer", false},
      // The values are header texts, so scripts get them as strings.
      {u"ContentLanguage", u"String", false},
      {u"ContentEncoding", u"String", false},
      {u"URL", u"String", true},
      {u"CacheDir", u"String", true},
      {u"ProtocolVer", u"String", true},
      {u"HTML", u"String", true},
      {u"ErrorText", u"String", false},
      // Beyond the specified members: retries of refused transfers.
      {u"Retries", u"Integer", true},
      {u"RetryDelay", u"Integer", true},
      // Per host, for all threads of the process.
      {u"HostDelay", u"Integer", true},
      {u"HostConnections", u"Integer", true},
  };
  for (const Prop& p : kProps)
    cls->AddPropertyEx(p.name, p.type, get, p.writable ? TfsSetValueNewEvent(set) : TfsSetValueNewEvent());
  cls->AddDefaultProperty(u"RequestHead", u"variant", u"string", call, false);
  cls->AddIndexProperty(u"ResponseHead", u"variant", u"string", call, true);
  cls->AddMethod(u"procedure Clear;", call);
}

}  // namespace qv::host
