#include "host/thread_class.h"

#include <chrono>
#include <mutex>
#include <thread>
#include <type_traits>

#include "host/quorvint.h"
#include "support/errors.h"

namespace qv::host {

const HostClass kTQuorvinterClass{u"TQuorvinter", nullptr, nullptr, {}};

namespace {

TQuorvint& Self(HostObject* instance) {
  auto* t = dynamic_cast<ThreadRef*>(instance);
  if (t == nullptr) ObjectRegistry::ThrowInvalid();
  return t->Thread();
}

// Another thread's variables are read and written under its execution
// lock, which it gives up only inside blocking calls. The caller gives up
// its own lock meanwhile (two threads reading each other's variables must
// not deadlock) and stops waiting when it is told to stop. A thread that
// has released its program has no variables any more: `ended` answers.
template <class F, class R = std::invoke_result_t<F, TfsScript&>>
R WithProgram(TQuorvint& target, TQuorvint& caller, R ended, F&& f) {
  if (&target == &caller) return f(target.Program());
  std::shared_ptr<TfsScript> prog = target.ProgramRef();
  if (!prog) return ended;
  BlockingCall waiting;
  std::mutex& lock = prog->ExecutionLock();
  while (!lock.try_lock()) {
    if (caller.Terminated()) throw ScriptError(u"Stopped while waiting for thread " + target.ThreadName());
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  std::lock_guard held(lock, std::adopt_lock);
  if (target.ProgramReleased()) return ended;
  return f(*prog);
}

// An ending child's variables still answer in its end callback.
Value ReadVar(TQuorvint& target, TQuorvint& caller, const std::u16string& name) {
  try {
    return WithProgram(target, caller, Value::Text(u""), [&](TfsScript& prog) {
      TfsCustomVariable* item = prog.Find(name);
      return item != nullptr ? item->GetValue() : Value::Text(u"");
    });
  } catch (const ScriptError&) {
    return Value::Text(u"");
  }
}

void WriteVar(TQuorvint& target, TQuorvint& caller, const std::u16string& name, const Value& v) {
  WithProgram(target, caller, 0, [&](TfsScript& prog) {
    if (TfsCustomVariable* item = prog.Find(name)) {
      item->SetValue(v);
      return 0;
    }
    std::u16string_view type = v.is_int32()   ? u"Integer"
                               : v.is_bool()  ? u"Boolean"
                               : v.is_array() ? u"Array"
                                              : u"String";
    prog.AddVariable(name, type, v);
    return 0;
  });
}

}  // namespace

void RegisterThreadClass(TfsScript& prog, TQuorvint& thread) {
  TfsClassVariable* cls = prog.AddClass(kTQuorvinterClass, u"TObject");
  if (cls == nullptr) return;
  auto get = [](HostObject* o, const HostClass*, const std::u16string& name, Caller&) -> Value {
    TQuorvint& t = Self(o);
    if (name == u"THREADNAME") return Value::Text(t.ThreadName());
    if (name == u"HTMLFILTER") return Value::Bool(t.HTMLFilter());
    if (name == u"HTMLOUTPUT") return Value::Text(t.HTMLOutput());
    return Value::Text(u"");
  };
  auto set = [](HostObject* o, const HostClass*, const std::u16string& name, const Value& v, Caller&) {
    TQuorvint& t = Self(o);
    if (name == u"HTMLFILTER") t.SetHTMLFilter(ToBool(v));
    if (name == u"HTMLOUTPUT") t.SetHTMLOutput(ToText(v));
  };
  auto call = [&thread](HostObject* o, const HostClass*, const std::u16string& name, Caller& c) -> Value {
    TQuorvint& t = Self(o);
    if (name == u"VARS.GET") return ReadVar(t, thread, ToText(c.GetParam(0)));
    if (name == u"VARS.SET") {
      WriteVar(t, thread, ToText(c.GetParam(0)), c.AssignedValue());
    } else if (name == u"START") {
      t.Resume();
    } else if (name == u"STOP") {
      t.Stop();
    } else if (name == u"OVER" || name == u"FREE") {
      // Only a thread told to stop (or ended) is let go, and only the
      // script's handle: the thread itself lives until its body has
      // returned. _SELF and _Parent are not the script's to free.
      if (t.Terminated() || t.TearingDown()) ObjectRegistry::Instance().Free(o->ObjectId());
    }
    return Value::Int(0);
  };
  cls->AddPropertyEx(u"ThreadName", u"String", get);
  cls->AddPropertyEx(u"HTMLFilter", u"Boolean", get, set);
  cls->AddPropertyEx(u"HTMLOutput", u"String", get, set);
  cls->AddDefaultProperty(u"Vars", u"string", u"variant", call, false);
  cls->AddMethod(u"procedure Start;", call);
  cls->AddMethod(u"procedure Stop;", call);
  cls->AddMethod(u"procedure Over;", call);
  cls->AddMethod(u"procedure Free;", call);
}

}  // namespace qv::host
