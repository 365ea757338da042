// Event members and adapters, component members, automation members.
#include <algorithm>

#include "engine/items/items.h"
#include "engine/items/objects.h"
#include "engine/program/program.h"
#include "engine/run/run_messages.h"
#include "engine/value/value_ops.h"
#include "support/errors.h"

namespace qv {

// ---- TfsCustomEvent -------------------------------------------------------

TfsCustomEvent::TfsCustomEvent(HostObject& instance, TfsProcVariable& handler)
    : handler_(&handler), instanceId_(instance.ObjectId()) {}

TfsEventMethod TfsCustomEvent::GetMethod() {
  return [this](std::vector<Value>& args) {
    TfsProcVariable& proc = *handler_;
    CallFrame frame(proc, proc.Prog());
    int n = std::min(frame.Count(), static_cast<int>(args.size()));
    for (int j = 0; j < n; ++j) frame.Arg(j) = args[static_cast<size_t>(j)];
    Value result = proc.Read(frame);
    for (int j = 0; j < n; ++j)
      if (proc.Param(j)->IsVarParam()) args[static_cast<size_t>(j)] = frame.GetParam(j);
    return result;
  };
}

// ---- TfsEventHelper -------------------------------------------------------

TfsEventHelper::TfsEventHelper(std::u16string name, TfsEventClass event)
    : TfsCustomHelper(std::move(name), fvtString, u""), event_(std::move(event)) {}

Value TfsEventHelper::Read(Caller&) { return Value::Text(u""); }

void TfsEventHelper::Write(Caller& call, const Value& v) {
  HostObject& instance = ObjectRegistry::Instance().Get(call.ParentValue());
  const HostProperty* event = instance.Class().FindProperty(Name());
  if (event == nullptr || event->kind != PropertyKind::Event || !event->setEvent)
    throw ScriptError(run_msg::kUnknownEvent + Name() + u"'");
  std::u16string procName = ToText(v);
  if (procName == u"0") {
    event->setEvent(instance, nullptr);
    return;
  }
  TfsScript* prog = call.Prog();
  TfsProcVariable* proc = prog != nullptr ? dynamic_cast<TfsProcVariable*>(prog->Find(procName)) : nullptr;
  if (proc == nullptr) throw ScriptError(run_msg::kEventNeedsProcedure);
  std::unique_ptr<TfsCustomEvent> adapter =
      event_ ? event_(instance, *proc) : std::make_unique<TfsCustomEvent>(instance, *proc);
  if (!adapter) throw ScriptError(run_msg::kEventNeedsProcedure);
  TfsEventMethod method = adapter->GetMethod();
  prog->Add(u"", std::move(adapter));  // lives as long as the calling scope
  event->setEvent(instance, std::move(method));
}

// ---- TfsComponentHelper ---------------------------------------------------

TfsComponentHelper::TfsComponentHelper(std::u16string name, std::u16string className, int32_t componentId)
    : TfsCustomHelper(std::move(name), fvtClass, std::move(className)), component_(componentId) {}

Value TfsComponentHelper::Read(Caller&) { return Value::Object(component_); }

// ---- TfsOLEHelper ---------------------------------------------------------

namespace {

[[noreturn]] void ThrowNoAutomation() { throw ScriptError(run_msg::kNoAutomation); }

}  // namespace

TfsOLEHelper::TfsOLEHelper(std::u16string name) : TfsCustomHelper(std::move(name), fvtVariant, u"") {}

Value TfsOLEHelper::Read(Caller&) { ThrowNoAutomation(); }

void TfsOLEHelper::Write(Caller&, const Value&) { ThrowNoAutomation(); }

}  // namespace qv
