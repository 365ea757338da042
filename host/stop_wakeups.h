// Waits that live outside a host thread (the work queue's, a server poll)
// register a wake-up here; Stop runs them, so such a wait ends at once
// instead of at its next time-out.
//
//   auto reg = thread.StopWakeupList().Add([&] { { std::lock_guard l(m); } cv.notify_all(); });
//   std::unique_lock l(m);            // after Add, never before: Stop runs
//   cv.wait(l, [&] { return ... || thread.Terminated(); });
//
// Stop sets the thread's flag before it runs the wake-ups, and a wake-up
// takes the waiter's mutex, so a waiter that checks the flag under that
// mutex never misses a stop. A waiter must not hold its mutex while it
// registers or leaves, since a wake-up running then takes it.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>

namespace qv::host {

class StopWakeups {
 public:
  class Registration {
   public:
    Registration() = default;
    Registration(StopWakeups* list, uint64_t id) : list_(list), id_(id) {}
    Registration(Registration&& o) noexcept : list_(o.list_), id_(o.id_) { o.list_ = nullptr; }
    Registration& operator=(Registration&& o) noexcept {
      if (this != &o) {
        Leave();
        list_ = o.list_;
        id_ = o.id_;
        o.list_ = nullptr;
      }
      return *this;
    }
    Registration(const Registration&) = delete;
    Registration& operator=(const Registration&) = delete;
    ~Registration() { Leave(); }

   private:
    void Leave() {
      if (list_ == nullptr) return;
      std::lock_guard lock(list_->mutex_);
      list_->wakes_.erase(id_);
      list_ = nullptr;
    }
    StopWakeups* list_ = nullptr;
    uint64_t id_ = 0;
  };

  // `wake` runs on every WakeAll while the result lives.
  [[nodiscard]] Registration Add(std::function<void()> wake) {
    std::lock_guard lock(mutex_);
    uint64_t id = ++next_;
    wakes_.emplace(id, std::move(wake));
    return Registration(this, id);
  }

  // Under the list's lock, so a registration that leaves waits until its
  // wake-up has run and the waiter may go away right after.
  void WakeAll() {
    std::lock_guard lock(mutex_);
    for (auto& [id, wake] : wakes_) wake();
  }

 private:
  std::mutex mutex_;
  uint64_t next_ = 0;
  std::map<uint64_t, std::function<void()>> wakes_;
};

}  // namespace qv::host
