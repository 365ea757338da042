// queueadd, queuetake, queuedone and queueinfo. A call names its queue each
// time; the queue object is found once per name and kept.
#include "host/queue/queue_functions.h"

#include "host/queue/work_queue.h"
#include "host/quorvint.h"

namespace qv::host::queue {

namespace {

const char16_t* const kDeclarations[] = {
    u"function queueadd(Name:string;Item:string;Priority:integer=0):boolean;",
    u"function queuetake(Name:string;WaitMs:integer=0;LeaseMs:integer=60000):string;",
    u"procedure queuedone(Name:string;Item:string);",
    u"function queueinfo(Name:string):string;",
};

int32_t Int(Caller& c, int i) { return ToInt32(c.GetParam(i)); }
std::u16string Text(Caller& c, int i) { return ToText(c.GetParam(i)); }

Value Call(TQuorvint& thread, const std::u16string& name, Caller& c) {
  std::shared_ptr<WorkQueue> queue = OpenQueue(Text(c, 0));
  // A take may wait, and a Redis queue talks to its server: other threads'
  // callbacks into this script may run meanwhile.
  BlockingCall waiting;
  const StopControl stop{thread.StopFlag(), &thread.StopWakeupList()};
  if (name == u"QUEUEADD") {
    std::u16string item = Text(c, 1);
    // Empty text is what queuetake answers for "no item": it cannot be one.
    return Value::Bool(!item.empty() && queue->Add(item, Int(c, 2), stop));
  }
  if (name == u"QUEUETAKE") return Value::Text(queue->Take(Int(c, 1), Int(c, 2), stop));
  if (name == u"QUEUEDONE") {
    std::u16string item = Text(c, 1);
    if (!item.empty()) queue->Done(item, stop);
    return Value::Text(u"");
  }
  if (name == u"QUEUEINFO") return Value::Text(queue->Info(stop).Text());
  return Value::Text(u"");
}

}  // namespace

void RegisterQueueFunctions(TfsScript& prog, TQuorvint& thread) {
  TfsCallMethodNewEvent handler = [&thread](HostObject*, const HostClass*, const std::u16string& name,
                                            Caller& c) { return Call(thread, name, c); };
  for (const char16_t* declaration : kDeclarations) prog.AddMethod(declaration, handler);
}

}  // namespace qv::host::queue
