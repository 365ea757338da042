// The work queue's contract, run against the queue in the process and the
// queue on a redis-server the test starts; then what only the Redis queue
// has (addresses, a server that goes away) and queuetake on a script thread.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "host/queue/local_queue.h"
#include "host/queue/redis_queue.h"
#include "host/quorvint.h"
#include "library/functions.h"
#include "support/errors.h"
#include "tests/host/host_test_util.h"
#include "tests/host/redis_server.h"

namespace qv::host::queue {
namespace {

using Clock = std::chrono::steady_clock;
using testing::RedisServerProcess;

int64_t MsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// One redis-server for the whole run.
RedisServerProcess& SharedRedis() {
  static RedisServerProcess server;
  return server;
}

std::string UniqueName() {
  static std::atomic<int> n{0};
  return "t" + std::to_string(getpid()) + "-" + std::to_string(++n);
}

struct InProcess {
  static std::shared_ptr<WorkQueue> Make(std::string*) { return std::make_shared<LocalQueue>(); }
};

struct OnRedis {
  static std::shared_ptr<WorkQueue> Make(std::string* why) {
    RedisServerProcess& server = SharedRedis();
    if (!server.Running()) {
      *why = server.Why();
      return nullptr;
    }
    RedisAddress a;
    a.host = "127.0.0.1";
    a.port = server.Port();
    a.name = UniqueName();
    a.display = u"test";
    return MakeRedisQueue(a);
  }
};

template <typename Kind>
class QueueContract : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string why;
    q_ = Kind::Make(&why);
    if (!q_) GTEST_SKIP() << "Redis queue not tested: " << why;
  }
  std::shared_ptr<WorkQueue> q_;
};

using Kinds = ::testing::Types<InProcess, OnRedis>;
TYPED_TEST_SUITE(QueueContract, Kinds);

TYPED_TEST(QueueContract, PriorityThenFirstInAndEachItemOnce) {
  WorkQueue& q = *this->q_;
  EXPECT_TRUE(q.Add(u"a", 0));
  EXPECT_TRUE(q.Add(u"b", 0));
  EXPECT_TRUE(q.Add(u"urgent", 7));
  EXPECT_TRUE(q.Add(u"later", -2147483647 - 1));
  EXPECT_TRUE(q.Add(u"天气", 0));
  EXPECT_FALSE(q.Add(u"a", 9));  // seen before: neither added nor moved up
  EXPECT_EQ(q.Info().Text(), u"pending=5 leased=0 done=0 seen=5");
  std::vector<std::u16string> order;
  for (int i = 0; i < 5; ++i) order.push_back(q.Take(0, 60000, {}));
  EXPECT_EQ(order, (std::vector<std::u16string>{u"urgent", u"a", u"b", u"天气", u"later"}));
  EXPECT_EQ(q.Info().Text(), u"pending=0 leased=5 done=0 seen=5");
  for (const auto& item : order) q.Done(item);
  q.Done(u"a");                  // twice: counted once
  q.Done(u"unknown");            // never added: nothing
  EXPECT_FALSE(q.Add(u"b", 0));  // done items stay seen
  EXPECT_EQ(q.Info().Text(), u"pending=0 leased=0 done=5 seen=5");
}

TYPED_TEST(QueueContract, DrainedQueueAnswersAtOnceAndLeasedQueueWaits) {
  WorkQueue& q = *this->q_;
  auto start = Clock::now();
  EXPECT_EQ(q.Take(30000, 60000, {}), u"");  // never filled: drained
  EXPECT_LT(MsSince(start), 5000);
  q.Add(u"x", 0);
  EXPECT_EQ(q.Take(0, 60000, {}), u"x");
  start = Clock::now();
  EXPECT_EQ(q.Take(300, 60000, {}), u"");  // x is out: a wait that runs out
  EXPECT_GE(MsSince(start), 250);
  q.Done(u"x");
  start = Clock::now();
  EXPECT_EQ(q.Take(30000, 60000, {}), u"");
  EXPECT_LT(MsSince(start), 5000);
}

TYPED_TEST(QueueContract, ThreadWaitingTakesLaterItemOrEndsWhenLastLeaseIsDone) {
  WorkQueue& q = *this->q_;
  q.Add(u"first", 0);
  ASSERT_EQ(q.Take(0, 60000, {}), u"first");
  std::u16string got;
  std::thread taker([&] { got = q.Take(30000, 60000, {}); });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  q.Add(u"second", 0);
  taker.join();
  EXPECT_EQ(got, u"second");

  // Both leased; a waiting taker ends by itself once both are done.
  auto start = Clock::now();
  std::thread drained([&] { got = q.Take(30000, 60000, {}); });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  q.Done(u"first");
  q.Done(u"second");
  drained.join();
  EXPECT_EQ(got, u"");
  EXPECT_LT(MsSince(start), 5000);
}

TYPED_TEST(QueueContract, ExpiredLeaseGoesBackToItsPlace) {
  WorkQueue& q = *this->q_;
  q.Add(u"a", 0);
  q.Add(u"b", 0);
  ASSERT_EQ(q.Take(0, 150, {}), u"a");  // its worker "dies"
  ASSERT_EQ(q.Take(0, 60000, {}), u"b");
  // A waiting taker gets a again once its lease has run out.
  EXPECT_EQ(q.Take(10000, 60000, {}), u"a");
  q.Done(u"a");
  // Back before items added after it.
  q.Add(u"c", 0);
  q.Add(u"d", 0);
  ASSERT_EQ(q.Take(0, 100, {}), u"c");
  std::this_thread::sleep_for(std::chrono::milliseconds(250));
  EXPECT_EQ(q.Info().Text(), u"pending=2 leased=1 done=1 seen=4");
  EXPECT_EQ(q.Take(0, 60000, {}), u"c");
  EXPECT_EQ(q.Take(0, 60000, {}), u"d");

  // An item finished by a late worker after its lease ran out is not
  // handed out again.
  q.Add(u"e", 0);
  ASSERT_EQ(q.Take(0, 100, {}), u"e");
  std::this_thread::sleep_for(std::chrono::milliseconds(250));
  EXPECT_EQ(q.Info().Text(), u"pending=1 leased=3 done=1 seen=5");
  q.Done(u"e");
  EXPECT_EQ(q.Info().Text(), u"pending=0 leased=3 done=2 seen=5");
}

TYPED_TEST(QueueContract, StopFromAnotherThreadEndsWaitAtOnce) {
  WorkQueue& q = *this->q_;
  q.Add(u"held", 0);
  ASSERT_EQ(q.Take(0, 60000, {}), u"held");  // so the queue is not drained
  std::atomic<bool> flag{false};
  StopWakeups wakeups;
  StopControl stop{&flag, &wakeups};
  Clock::time_point stoppedAt;
  int64_t afterStop = -1;
  std::u16string got = u"unset";
  std::thread taker([&] {
    got = q.Take(60000, 60000, stop);
    afterStop = MsSince(stoppedAt);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  stoppedAt = Clock::now();
  flag.store(true);
  wakeups.WakeAll();
  taker.join();
  EXPECT_EQ(got, u"");
  EXPECT_LT(afterStop, 1000) << "a stop must end the wait at once";
  this->RecordProperty("ms_from_stop_to_return", static_cast<int>(afterStop));
}

// Workers crawl a tree of items: each item taken adds its two children, so
// items appear while others are being worked on, and the workers must end
// by themselves once the last one is done.
TYPED_TEST(QueueContract, ConcurrentWorkersTakeEveryItemExactlyOnce) {
  WorkQueue& q = *this->q_;
  const int items = std::is_same_v<TypeParam, InProcess> ? 4000 : 600;
  constexpr int kWorkers = 8;
  std::vector<std::atomic<int>> taken(items);
  q.Add(u"0", 0);
  auto worker = [&] {
    for (;;) {
      std::u16string item = q.Take(30000, 60000, {});
      if (item.empty()) return;
      int n = std::stoi(ToUtf8(item));
      taken[n].fetch_add(1);
      for (int child : {2 * n + 1, 2 * n + 2, n / 2})  // n / 2: a link back, refused
        if (child < items) q.Add(FromUtf8(std::to_string(child)), child % 3);
      q.Done(item);
    }
  };
  auto start = Clock::now();
  std::vector<std::thread> pool;
  for (int i = 0; i < kWorkers; ++i) pool.emplace_back(worker);
  for (auto& t : pool) t.join();
  this->RecordProperty("ms", static_cast<int>(MsSince(start)));
  for (int i = 0; i < items; ++i) ASSERT_EQ(taken[i].load(), 1) << "item " << i;
  EXPECT_EQ(q.Info().Text(), u"pending=0 leased=0 done=" + IntToText(items) + u" seen=" + IntToText(items));
}

// ---- the Redis queue alone ----------------------------------------------------

TEST(RedisQueueAddress, ParsesTheFormsItAccepts) {
  struct Row {
    const char16_t* text;
    bool ok;
    const char* host = "";
    int port = 0, db = 0;
    const char* name = "";
    const char* password = "";
  };
  const Row rows[] = {
      {u"redis://10.0.0.5:6380/2/pages", true, "10.0.0.5", 6380, 2, "pages", ""},
      {u"REDIS://cache.local/0/a/b", true, "cache.local", 6379, 0, "a/b", ""},
      {u"redis://[::1]:7000/1/q", true, "::1", 7000, 1, "q", ""},
      {u"redis://:s3cret@h:1/0/q", true, "h", 1, 0, "q", "s3cret"},
      {u"redis://h:6379/0/", false},
      {u"redis://h:6379/x/q", false},
      {u"redis://h:99999/0/q", false},
      {u"redis://h:/0/q", false},
      {u"redis:///0/q", false},
      {u"redis://h:6379", false},
      {u"pages", false},
  };
  for (const Row& r : rows) {
    RedisAddress a;
    SCOPED_TRACE(ToUtf8(r.text));
    ASSERT_EQ(ParseRedisAddress(r.text, a), r.ok);
    if (!r.ok) continue;
    EXPECT_EQ(a.host, r.host);
    EXPECT_EQ(a.port, r.port);
    EXPECT_EQ(a.db, r.db);
    EXPECT_EQ(a.name, r.name);
    EXPECT_EQ(a.password, r.password);
    EXPECT_EQ(a.display.find(u"s3cret"), std::u16string::npos);
  }
  EXPECT_THROW(OpenQueue(u""), ScriptError);
  try {
    OpenQueue(u"redis://user:pw@h:1/x/q");
    ADD_FAILURE();
  } catch (const ScriptError& e) {
    EXPECT_EQ(e.message().find(u"pw"), std::u16string::npos) << ToUtf8(e.message());
  }
}

class RedisQueueServer : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!server_.Running()) GTEST_SKIP() << "Redis queue not tested: " << server_.Why();
    saved_ = GetRedisOptions();
  }
  void TearDown() override { SetRedisOptions(saved_); }
  std::shared_ptr<WorkQueue> Queue() {
    RedisAddress a;
    a.host = "127.0.0.1";
    a.port = server_.Port();
    a.name = UniqueName();
    a.display = u"redis://test";
    return MakeRedisQueue(a);
  }
  RedisServerProcess server_;
  RedisOptions saved_;
};

TEST_F(RedisQueueServer, ServerAwayIsRetriedThenARunTimeError) {
  auto q = Queue();
  ASSERT_TRUE(q->Add(u"a", 0));
  // Away for a moment: the next call reconnects with back-off and succeeds.
  server_.Stop();
  std::thread comeBack([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    server_.Start();
  });
  EXPECT_TRUE(q->Add(u"b", 0));  // the restarted server kept nothing
  comeBack.join();

  // Away for good: a clear error once the retries are spent.
  server_.Stop();
  SetRedisOptions({.connectTimeoutMs = 500, .commandTimeoutMs = 500, .retryForMs = 300});
  try {
    q->Info();
    ADD_FAILURE() << "no error";
  } catch (const ScriptError& e) {
    EXPECT_NE(e.message().find(u"does not answer"), std::u16string::npos) << ToUtf8(e.message());
  }
  // A stop ends the retrying at once, without an error.
  SetRedisOptions({.retryForMs = 60000});
  std::atomic<bool> flag{false};
  StopWakeups wakeups;
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    flag.store(true);
    wakeups.WakeAll();
  });
  auto start = Clock::now();
  EXPECT_EQ(q->Take(60000, 60000, StopControl{&flag, &wakeups}), u"");
  stopper.join();
  EXPECT_LT(MsSince(start), 3000);
}

// ---- on a script thread ------------------------------------------------------

class QueueScript : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    RegisterSysLibraryModule();
    RegisterClassesModule();
    RegisterFunctionsModule();
  }
  void TearDown() override { WaitForAllThreads(); }
};

TEST_F(QueueScript, ThreadStopEndsQueueTakeAtOnce) {
  testing::RecordingUi ui;
  std::string q = "\"" + UniqueName() + "\"";
  auto t = TQuorvinter::Create(
      testing::U("#language js\r\nqueueadd(" + q + ", \"x\");\r\nqueuetake(" + q +
                 ");\r\nlg(\"waiting\");\r\nqueuetake(" + q + ", 60000);\r\nlg(\"not reached\");"),
      nullptr, u"", u"", u"");
  t->SetUi(&ui);
  t->Resume();
  ASSERT_TRUE(ui.WaitForLine("waiting"));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  auto start = Clock::now();
  t->Stop();
  EXPECT_TRUE(t->WaitFor(5000));
  // The thread's whole ending, not only the wait: generous for loaded machines.
  EXPECT_LT(MsSince(start), 3000);
  EXPECT_EQ(ui.Lines(), std::vector<std::string>{"waiting"});
}

}  // namespace
}  // namespace qv::host::queue
