#include "host/queue/work_queue.h"

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>

#include "host/queue/local_queue.h"
#include "host/queue/redis_queue.h"
#include "host/stop_wakeups.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv::host::queue {

namespace {

// A malformed name may still carry a password: it stays out of messages.
std::u16string WithoutPassword(std::u16string name) {
  size_t at = name.find(u'@');
  if (at != std::u16string::npos && at < name.find(u'/', 8)) name.replace(8, at - 8, u"***");
  return name;
}

}  // namespace

std::u16string QueueCounts::Text() const {
  return u"pending=" + IntToText(pending) + u" leased=" + IntToText(leased) + u" done=" + IntToText(done) +
         u" seen=" + IntToText(seen);
}

bool StopControl::Sleep(int ms) const {
  if (Stopped()) return false;
  if (ms <= 0) return true;
  std::mutex mutex;
  std::condition_variable cv;
  StopWakeups::Registration wake;
  if (wakeups != nullptr)
    wake = wakeups->Add([&] {
      { std::lock_guard lock(mutex); }
      cv.notify_all();
    });
  std::unique_lock lock(mutex);
  cv.wait_for(lock, std::chrono::milliseconds(ms), [this] { return Stopped(); });
  lock.unlock();
  return !Stopped();
}

std::shared_ptr<WorkQueue> OpenQueue(const std::u16string& name) {
  if (name.empty()) throw ScriptError(u"Work queue: the queue name is empty");
  // Queues live as long as the process: a worker may take what another
  // thread added long after that thread has ended.
  static std::mutex mutex;
  static auto* queues = new std::map<std::u16string, std::shared_ptr<WorkQueue>>;
  std::lock_guard lock(mutex);
  std::shared_ptr<WorkQueue>& queue = (*queues)[name];
  if (queue) return queue;
  if (IsRedisName(name)) {
    RedisAddress address;
    if (!ParseRedisAddress(name, address)) {
      queues->erase(name);
      throw ScriptError(u"Work queue: " + WithoutPassword(name) +
                        u" is not a Redis queue name (redis://HOST:PORT/DB/NAME)");
    }
    queue = MakeRedisQueue(address);
  } else {
    queue = std::make_shared<LocalQueue>();
  }
  return queue;
}

}  // namespace qv::host::queue
