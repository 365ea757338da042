#include "host/queue/local_queue.h"

#include <algorithm>

#include "host/stop_wakeups.h"

namespace qv::host::queue {

bool LocalQueue::Add(const std::u16string& item, int32_t priority, const StopControl&) {
  {
    std::lock_guard lock(mutex_);
    auto [it, added] = items_.try_emplace(item);
    if (!added) return false;
    it->second.place = Place{priority, nextSeq_++};
    pending_.emplace(it->second.place, it->first);
  }
  cv_.notify_all();
  return true;
}

// Leases that ran out go back to the place they were taken from.
void LocalQueue::ReclaimExpired(Clock::time_point now) {
  while (!leases_.empty() && leases_.begin()->first.first <= now) {
    auto lease = leases_.begin();
    Item& item = items_.find(lease->second)->second;
    item.state = State::Pending;
    pending_.emplace(item.place, lease->second);
    leases_.erase(lease);
  }
}

std::u16string LocalQueue::Take(int waitMs, int leaseMs, const StopControl& stop) {
  // Registered before the queue's lock is taken: a stop's wake-up takes it.
  StopWakeups::Registration wake;
  if (stop.wakeups != nullptr && waitMs > 0) wake = stop.wakeups->Add([this] { WakeAll(); });
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(std::max(waitMs, 0));
  std::unique_lock lock(mutex_);
  for (;;) {
    Clock::time_point now = Clock::now();
    ReclaimExpired(now);
    if (!pending_.empty()) {
      auto first = pending_.begin();
      std::u16string_view name = first->second;
      Item& item = items_.find(name)->second;
      pending_.erase(first);
      item.state = State::Leased;
      item.expiry = leaseMs > 0 ? now + std::chrono::milliseconds(leaseMs) : Clock::time_point::max();
      leases_.emplace(LeaseKey{item.expiry, item.place.seq}, name);
      return std::u16string(name);
    }
    if (leases_.empty() || stop.Stopped() || now >= deadline) return u"";
    // Until an item comes, the queue drains, a stop, or the first lease
    // runs out (its item is then pending again).
    cv_.wait_until(lock, std::min(deadline, leases_.begin()->first.first));
  }
}

void LocalQueue::Done(const std::u16string& name, const StopControl&) {
  {
    std::lock_guard lock(mutex_);
    auto it = items_.find(name);
    if (it == items_.end()) return;
    Item& item = it->second;
    if (item.state == State::Leased) {
      leases_.erase(LeaseKey{item.expiry, item.place.seq});
    } else if (item.state == State::Pending) {
      pending_.erase(item.place);
    } else {
      return;
    }
    item.state = State::Done;
    ++done_;
  }
  // The last item done drains the queue: waiting takers end.
  cv_.notify_all();
}

QueueCounts LocalQueue::Info(const StopControl&) {
  std::lock_guard lock(mutex_);
  ReclaimExpired(Clock::now());
  return QueueCounts{static_cast<int64_t>(pending_.size()), static_cast<int64_t>(leases_.size()), done_,
                     static_cast<int64_t>(items_.size())};
}

void LocalQueue::WakeAll() {
  { std::lock_guard lock(mutex_); }
  cv_.notify_all();
}

}  // namespace qv::host::queue
