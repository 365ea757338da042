// The work queue: named queues of text items that every script thread of
// the process shares, held in the process or on a Redis server. Both kinds
// obey one contract:
//
//   - Add(item, priority) takes an item unless the queue has seen it before
//     (every item ever added is remembered); true when added.
//   - Take(waitMs, leaseMs, stop) gives the pending item of the highest
//     priority, first in first out within a priority, and leases it for
//     leaseMs (<= 0: a lease that never runs out). An item whose lease runs
//     out before Done goes back to its old place among the pending ones.
//     With nothing pending it waits up to waitMs for an item; it returns
//     empty text at once when the queue is drained (nothing pending and
//     nothing leased), when the wait runs out, or when a stop arrives.
//   - Done(item) finishes an item: a leased one, or one that went back to
//     pending after its lease ran out (the work was done all the same).
//     Each item counts as done once.
//   - Info() counts pending, leased, done and seen items.
//
//   auto q = OpenQueue(u"pages");                        // in this process
//   auto r = OpenQueue(u"redis://10.0.0.5:6379/0/pages"); // on a server
//   q->Add(u"http://a/", 0);
//   std::u16string url = q->Take(5000, 60000, {});
//   q->Done(url);
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace qv::host {
class StopWakeups;
}

namespace qv::host::queue {

struct QueueCounts {
  int64_t pending = 0, leased = 0, done = 0, seen = 0;
  // "pending=P leased=L done=D seen=S"
  std::u16string Text() const;
};

// What ends a wait early: the calling thread's stop flag, and the list
// through which its Stop wakes waits (both may be null).
struct StopControl {
  const std::atomic<bool>* flag = nullptr;
  StopWakeups* wakeups = nullptr;

  bool Stopped() const { return flag != nullptr && flag->load(std::memory_order_acquire); }
  // Sleeps `ms` unless a stop comes first; false when stopped.
  bool Sleep(int ms) const;
};

class WorkQueue {
 public:
  virtual ~WorkQueue() = default;
  // `stop` also ends the retries of a queue on a server that is away; the
  // call then does nothing (Add answers false, Info counts nothing).
  virtual bool Add(const std::u16string& item, int32_t priority, const StopControl& stop = {}) = 0;
  virtual std::u16string Take(int waitMs, int leaseMs, const StopControl& stop) = 0;
  virtual void Done(const std::u16string& item, const StopControl& stop = {}) = 0;
  virtual QueueCounts Info(const StopControl& stop = {}) = 0;
};

// The queue of that name, made on first use and kept for the process's
// life: "redis://HOST:PORT/DB/NAME" (or "redis://:PASSWORD@HOST:PORT/DB/NAME")
// lives on that Redis server, any other name in this process. Raises
// ScriptError for an empty name or a malformed Redis address.
std::shared_ptr<WorkQueue> OpenQueue(const std::u16string& name);

}  // namespace qv::host::queue
