// queueadd, queuetake, queuedone and queueinfo. A call names its queue each
// time; the queue object is found once per name and kept.
#include "host/queue/queue_functions.h"

#include "host/queue/work_queue.h"
#include "host/quorvint.h"

namespace qv::host::queue {

namespace {

constexpr FunctionRow kRows[] = {
    {u"function queueadd(Name:string;Item:string;Priority:integer=0):boolean;",
     u"Adds an item to a work queue unless the queue has seen it before.",
     u"The queue remembers every item ever added to it, so a link found twice is queued once; the "
     u"result is true when Item was added. Higher priorities are taken first, and items of one "
     u"priority in the order they were added.",
     u"if (queueadd(\"pages\", url)) lg(\"queued \" + url);"},
    {u"function queuetake(Name:string;WaitMs:integer=0;LeaseMs:integer=60000):string;",
     u"Takes the next item of a work queue and leases it.",
     u"With nothing pending it waits up to WaitMs for an item, and returns empty text at once when "
     u"the queue is drained (nothing pending or leased) or the script is stopped. An item not "
     u"finished with queuedone within LeaseMs (0: no limit) goes back to the queue for another worker.",
     u"var url = queuetake(\"pages\", 60000);\nwhile (url != \"\") { httpget(url); queuedone(\"pages\", "
     u"url); "
     u"url = queuetake(\"pages\", 60000); }"},
    {u"procedure queuedone(Name:string;Item:string);", u"Finishes an item taken from a work queue.",
     u"The item counts as done once and will not be taken again. An item whose lease ran out is "
     u"finished as well, so work that ended late is not repeated.",
     u"queuedone(\"pages\", url);"},
    {u"function queueinfo(Name:string):string;", u"Counts the items of a work queue.",
     u"The result reads \"pending=P leased=L done=D seen=S\": items waiting, taken but not finished, "
     u"finished, and ever added. Leases that ran out count as pending again.",
     u"lg(queueinfo(\"pages\"));"},
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

std::span<const FunctionRow> QueueFunctionRows() { return kRows; }

void RegisterQueueFunctions(TfsScript& prog, TQuorvint& thread) {
  TfsCallMethodNewEvent handler = [&thread](HostObject*, const HostClass*, const std::u16string& name,
                                            Caller& c) { return Call(thread, name, c); };
  for (const FunctionRow& row : kRows) prog.AddMethod(row.declaration, handler, u"Work queue", row.summary);
}

}  // namespace qv::host::queue
