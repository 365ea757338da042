// The work queue held in this process (work_queue.h gives the contract).
#pragma once

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string_view>
#include <unordered_map>

#include "host/queue/work_queue.h"

namespace qv::host::queue {

class LocalQueue : public WorkQueue {
 public:
  bool Add(const std::u16string& item, int32_t priority, const StopControl& stop = {}) override;
  std::u16string Take(int waitMs, int leaseMs, const StopControl& stop) override;
  void Done(const std::u16string& item, const StopControl& stop = {}) override;
  QueueCounts Info(const StopControl& stop = {}) override;

 private:
  using Clock = std::chrono::steady_clock;
  // Higher priority first, then the order of adding.
  struct Place {
    int32_t priority;
    uint64_t seq;
    bool operator<(const Place& o) const {
      return priority != o.priority ? priority > o.priority : seq < o.seq;
    }
  };
  enum class State { Pending, Leased, Done };
  struct Item {
    Place place;
    State state = State::Pending;
    Clock::time_point expiry;
  };
  using LeaseKey = std::pair<Clock::time_point, uint64_t>;  // expiry, seq
  struct NameHash {
    using is_transparent = void;
    size_t operator()(std::u16string_view s) const { return std::hash<std::u16string_view>()(s); }
  };

  void ReclaimExpired(Clock::time_point now);
  void WakeAll();

  std::mutex mutex_;
  std::condition_variable cv_;
  uint64_t nextSeq_ = 0;
  int64_t done_ = 0;
  // Every item ever added; the views below point at these keys, which stay
  // where they are as the map grows.
  std::unordered_map<std::u16string, Item, NameHash, std::equal_to<>> items_;
  std::map<Place, std::u16string_view> pending_;
  std::map<LeaseKey, std::u16string_view> leases_;
};

}  // namespace qv::host::queue
