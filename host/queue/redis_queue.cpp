#include "host/queue/redis_queue.h"

#include <hiredis/hiredis.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include "support/errors.h"
#include "support/text.h"

namespace qv::host::queue {

namespace {

// ---- the scripts --------------------------------------------------------------
// KEYS[1] is the key prefix of the queue. Leases that ran out go back to
// their old place before a take and before counting.

constexpr const char* kPrelude = R"lua(
local p = KEYS[1]
local function now_ms()
  local t = redis.call('TIME')
  return tonumber(t[1]) * 1000 + math.floor(tonumber(t[2]) / 1000)
end
local function reclaim(now)
  local expired = redis.call('ZRANGEBYSCORE', p .. 'leased', '-inf', now)
  for _, item in ipairs(expired) do
    local place = redis.call('HGET', p .. 'lease', item)
    local prio, seq = string.match(place, '^(%S+) (%S+)$')
    redis.call('ZADD', p .. 'level:' .. prio, seq, item)
    redis.call('ZADD', p .. 'levels', -tonumber(prio), prio)
    redis.call('HDEL', p .. 'lease', item)
  end
  if #expired > 0 then redis.call('ZREMRANGEBYSCORE', p .. 'leased', '-inf', now) end
end
)lua";

// ARGV: item, priority. Returns 1 when added.
constexpr const char* kAdd = R"lua(
if redis.call('SADD', p .. 'seen', ARGV[1]) == 0 then return 0 end
local seq = redis.call('INCR', p .. 'seq')
redis.call('ZADD', p .. 'level:' .. ARGV[2], seq, ARGV[1])
redis.call('ZADD', p .. 'levels', -tonumber(ARGV[2]), ARGV[2])
return 1
)lua";

// ARGV: lease in ms (<= 0: none). Returns {1, item}, {0} when nothing is
// pending but items are leased, {-1} when the queue is drained.
constexpr const char* kTake = R"lua(
local now = now_ms()
reclaim(now)
local top = redis.call('ZRANGE', p .. 'levels', 0, 0)
if #top == 0 then
  if redis.call('ZCARD', p .. 'leased') == 0 then return {-1} end
  return {0}
end
local level = p .. 'level:' .. top[1]
local first = redis.call('ZRANGE', level, 0, 0, 'WITHSCORES')
redis.call('ZREM', level, first[1])
if redis.call('ZCARD', level) == 0 then redis.call('ZREM', p .. 'levels', top[1]) end
local lease = tonumber(ARGV[1])
local expiry = '+inf'
if lease > 0 then expiry = now + lease end
redis.call('ZADD', p .. 'leased', expiry, first[1])
redis.call('HSET', p .. 'lease', first[1], top[1] .. ' ' .. first[2])
return {1, first[1]}
)lua";

// ARGV: item. A pending item (its lease ran out) is finished as well.
constexpr const char* kDone = R"lua(
local item = ARGV[1]
if redis.call('ZREM', p .. 'leased', item) == 1 then
  redis.call('HDEL', p .. 'lease', item)
  redis.call('INCR', p .. 'done')
  return 1
end
for _, prio in ipairs(redis.call('ZRANGE', p .. 'levels', 0, -1)) do
  local level = p .. 'level:' .. prio
  if redis.call('ZREM', level, item) == 1 then
    if redis.call('ZCARD', level) == 0 then redis.call('ZREM', p .. 'levels', prio) end
    redis.call('INCR', p .. 'done')
    return 1
  end
end
return 0
)lua";

// Returns {pending, leased, done, seen}.
constexpr const char* kInfo = R"lua(
reclaim(now_ms())
local pending = 0
for _, prio in ipairs(redis.call('ZRANGE', p .. 'levels', 0, -1)) do
  pending = pending + redis.call('ZCARD', p .. 'level:' .. prio)
end
return {pending, redis.call('ZCARD', p .. 'leased'), tonumber(redis.call('GET', p .. 'done') or '0'),
        redis.call('SCARD', p .. 'seen')}
)lua";

enum Script { kAddScript, kTakeScript, kDoneScript, kInfoScript, kScriptCount };
constexpr std::array<const char*, kScriptCount> kScriptBodies = {kAdd, kTake, kDone, kInfo};

std::mutex optionsMutex;
RedisOptions options;

// ---- replies ------------------------------------------------------------------

struct ReplyItem {
  int64_t number = 0;
  std::string text;
};

struct ReplyDeleter {
  void operator()(redisReply* r) const { freeReplyObject(r); }
};
using ReplyPtr = std::unique_ptr<redisReply, ReplyDeleter>;

struct ContextDeleter {
  void operator()(redisContext* c) const { redisFree(c); }
};
using ContextPtr = std::unique_ptr<redisContext, ContextDeleter>;

// A failure that retrying may cure: the connection is gone, the server is
// loading or busy.
struct Transient {
  std::string reason;
};

timeval Tv(int ms) { return timeval{ms / 1000, (ms % 1000) * 1000}; }

ReplyPtr Command(redisContext* ctx, const std::vector<std::string>& args) {
  std::vector<const char*> argv;
  std::vector<size_t> lens;
  for (const std::string& a : args) {
    argv.push_back(a.data());
    lens.push_back(a.size());
  }
  auto* reply = static_cast<redisReply*>(
      redisCommandArgv(ctx, static_cast<int>(args.size()), argv.data(), lens.data()));
  if (reply == nullptr) throw Transient{ctx->errstr[0] != '\0' ? ctx->errstr : "connection lost"};
  return ReplyPtr(reply);
}

bool StartsWith(const char* text, const char* prefix) {
  return std::string_view(text).substr(0, std::string_view(prefix).size()) == prefix;
}

// ---- the server's connections ---------------------------------------------------

class RedisServer {
 public:
  explicit RedisServer(const RedisAddress& a) : address_(a) {}

  // Runs `script` with `args`, on a pooled connection; retries with back-off
  // while the server is away. Raises ScriptError for an error reply or a
  // server that stays away; returns nothing when a stop came first.
  std::optional<std::vector<ReplyItem>> Run(Script script, const std::string& prefix,
                                            const std::vector<std::string>& args, const StopControl& stop,
                                            const std::u16string& queueName) {
    const RedisOptions opts = GetRedisOptions();
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::milliseconds(opts.retryForMs);
    int backoff = 100;
    for (;;) {
      std::string reason;
      try {
        std::unique_ptr<Connection> conn = Borrow(opts);
        std::vector<ReplyItem> result = Eval(*conn, script, prefix, args, queueName);
        Return(std::move(conn));
        return result;
      } catch (const Transient& t) {
        reason = t.reason;
      }
      if (std::chrono::steady_clock::now() >= giveUp)
        throw ScriptError(u"Work queue " + queueName + u": the Redis server " + FromUtf8(Where()) +
                          u" does not answer (" + FromUtf8(reason) + u")");
      if (!stop.Sleep(backoff)) return std::nullopt;
      backoff = std::min(backoff * 2, 2000);
    }
  }

 private:
  struct Connection {
    ContextPtr ctx;
    std::array<std::string, kScriptCount> shas;
  };

  std::string Where() const { return address_.host + ":" + std::to_string(address_.port); }

  std::unique_ptr<Connection> Borrow(const RedisOptions& opts) {
    {
      std::lock_guard lock(mutex_);
      if (!idle_.empty()) {
        std::unique_ptr<Connection> conn = std::move(idle_.back());
        idle_.pop_back();
        return conn;
      }
    }
    auto conn = std::make_unique<Connection>();
    conn->ctx.reset(redisConnectWithTimeout(address_.host.c_str(), address_.port, Tv(opts.connectTimeoutMs)));
    if (!conn->ctx) throw Transient{"cannot allocate a connection"};
    if (conn->ctx->err != 0) throw Transient{conn->ctx->errstr};
    redisSetTimeout(conn->ctx.get(), Tv(opts.commandTimeoutMs));
    if (!address_.password.empty()) {
      std::vector<std::string> auth = {"AUTH"};
      if (!address_.user.empty()) auth.push_back(address_.user);
      auth.push_back(address_.password);
      CheckSetUp(Command(conn->ctx.get(), auth).get(), "AUTH");
    }
    CheckSetUp(Command(conn->ctx.get(), {"SELECT", std::to_string(address_.db)}).get(), "SELECT");
    LoadScripts(*conn);
    return conn;
  }

  // A refused AUTH or SELECT is a setting to fix, not a server away.
  void CheckSetUp(redisReply* r, const char* what) const {
    if (r->type != REDIS_REPLY_ERROR) return;
    if (StartsWith(r->str, "LOADING")) throw Transient{r->str};
    throw ScriptError(u"Work queue on " + FromUtf8(Where()) + u": " + FromAscii(what) + u" refused: " +
                      FromUtf8(r->str));
  }

  void LoadScripts(Connection& conn) const {
    for (int i = 0; i < kScriptCount; ++i) {
      ReplyPtr r = Command(conn.ctx.get(), {"SCRIPT", "LOAD", std::string(kPrelude) + kScriptBodies[i]});
      if (r->type != REDIS_REPLY_STRING) {
        if (r->type == REDIS_REPLY_ERROR && StartsWith(r->str, "LOADING")) throw Transient{r->str};
        throw ScriptError(u"Work queue on " + FromUtf8(Where()) + u": cannot load its scripts: " +
                          (r->type == REDIS_REPLY_ERROR ? FromUtf8(r->str) : u"unexpected reply"));
      }
      conn.shas[i].assign(r->str, r->len);
    }
  }

  std::vector<ReplyItem> Eval(Connection& conn, Script script, const std::string& prefix,
                              const std::vector<std::string>& args, const std::u16string& queueName) const {
    std::vector<std::string> cmd = {"EVALSHA", conn.shas[script], "1", prefix};
    cmd.insert(cmd.end(), args.begin(), args.end());
    ReplyPtr r = Command(conn.ctx.get(), cmd);
    if (r->type == REDIS_REPLY_ERROR && StartsWith(r->str, "NOSCRIPT")) {
      // The server forgot its scripts (SCRIPT FLUSH): load them again.
      LoadScripts(conn);
      cmd[1] = conn.shas[script];
      r = Command(conn.ctx.get(), cmd);
    }
    if (r->type == REDIS_REPLY_ERROR) {
      if (StartsWith(r->str, "LOADING") || StartsWith(r->str, "BUSY") || StartsWith(r->str, "TRYAGAIN"))
        throw Transient{r->str};
      throw ScriptError(u"Work queue " + queueName + u": " + FromUtf8(r->str));
    }
    std::vector<ReplyItem> out;
    auto add = [&out](const redisReply* e) {
      ReplyItem item;
      if (e->type == REDIS_REPLY_INTEGER) item.number = e->integer;
      if (e->type == REDIS_REPLY_STRING) item.text.assign(e->str, e->len);
      out.push_back(std::move(item));
    };
    if (r->type == REDIS_REPLY_ARRAY) {
      for (size_t i = 0; i < r->elements; ++i) add(r->element[i]);
    } else {
      add(r.get());
    }
    return out;
  }

  void Return(std::unique_ptr<Connection> conn) {
    std::lock_guard lock(mutex_);
    idle_.push_back(std::move(conn));
  }

  RedisAddress address_;
  std::mutex mutex_;
  std::vector<std::unique_ptr<Connection>> idle_;
};

// One server object, with its pool, per address and database.
std::shared_ptr<RedisServer> ServerFor(const RedisAddress& a) {
  static std::mutex mutex;
  static auto* servers = new std::map<std::string, std::shared_ptr<RedisServer>>;
  std::string key = a.user + "\n" + a.password + "\n" + a.host + "\n" + std::to_string(a.port) + "\n" +
                    std::to_string(a.db);
  std::lock_guard lock(mutex);
  auto& server = (*servers)[key];
  if (!server) server = std::make_shared<RedisServer>(a);
  return server;
}

class RedisQueue : public WorkQueue {
 public:
  explicit RedisQueue(const RedisAddress& a)
      : server_(ServerFor(a)), prefix_("qvqueue:{" + a.name + "}:"), display_(a.display) {}

  bool Add(const std::u16string& item, int32_t priority, const StopControl& stop) override {
    auto r = server_->Run(kAddScript, prefix_, {ToUtf8(item), std::to_string(priority)}, stop, display_);
    return r && !r->empty() && (*r)[0].number == 1;
  }

  std::u16string Take(int waitMs, int leaseMs, const StopControl& stop) override {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(waitMs, 0));
    // Polled: short slices at first, so an item added just after a look is
    // seen soon, then at most every 100 ms.
    int slice = 5;
    for (;;) {
      auto r = server_->Run(kTakeScript, prefix_, {std::to_string(leaseMs)}, stop, display_);
      if (!r || r->empty()) return u"";
      if ((*r)[0].number == 1 && r->size() > 1) return FromUtf8((*r)[1].text);
      if ((*r)[0].number < 0 || stop.Stopped()) return u"";
      auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return u"";
      if (!stop.Sleep(static_cast<int>(std::min<int64_t>(slice, left.count())))) return u"";
      slice = std::min(slice * 2, 100);
    }
  }

  void Done(const std::u16string& item, const StopControl& stop) override {
    server_->Run(kDoneScript, prefix_, {ToUtf8(item)}, stop, display_);
  }

  QueueCounts Info(const StopControl& stop) override {
    auto r = server_->Run(kInfoScript, prefix_, {}, stop, display_);
    QueueCounts c;
    if (r && r->size() == 4) c = QueueCounts{(*r)[0].number, (*r)[1].number, (*r)[2].number, (*r)[3].number};
    return c;
  }

 private:
  std::shared_ptr<RedisServer> server_;
  std::string prefix_;
  std::u16string display_;
};

bool IsDigits(std::string_view s) {
  return !s.empty() && s.size() <= 9 &&
         std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

void SetRedisOptions(const RedisOptions& o) {
  std::lock_guard lock(optionsMutex);
  options = o;
}

RedisOptions GetRedisOptions() {
  std::lock_guard lock(optionsMutex);
  return options;
}

bool IsRedisName(const std::u16string& name) {
  return LowerCase(std::u16string_view(name).substr(0, 8)) == u"redis://";
}

bool ParseRedisAddress(const std::u16string& text, RedisAddress& out) {
  if (!IsRedisName(text)) return false;
  std::string rest = ToUtf8(std::u16string_view(text).substr(8));
  RedisAddress a;
  size_t slash = rest.find('/');
  if (slash == std::string::npos) return false;
  std::string authority = rest.substr(0, slash);
  rest.erase(0, slash + 1);
  std::string display = authority;
  if (size_t at = authority.rfind('@'); at != std::string::npos) {
    std::string cred = authority.substr(0, at);
    authority.erase(0, at + 1);
    display = authority;
    size_t colon = cred.find(':');
    if (colon == std::string::npos) return false;
    a.user = cred.substr(0, colon);
    a.password = cred.substr(colon + 1);
  }
  std::string port;
  if (!authority.empty() && authority[0] == '[') {
    size_t close = authority.find(']');
    if (close == std::string::npos) return false;
    a.host = authority.substr(1, close - 1);
    std::string after = authority.substr(close + 1);
    if (!after.empty()) {
      if (after[0] != ':') return false;
      port = after.substr(1);
      if (!IsDigits(port)) return false;
    }
  } else {
    size_t colon = authority.find(':');
    a.host = authority.substr(0, colon);
    if (colon != std::string::npos) {
      port = authority.substr(colon + 1);
      if (!IsDigits(port)) return false;
    }
  }
  if (a.host.empty()) return false;
  if (!port.empty()) a.port = std::stoi(port);
  if (a.port <= 0 || a.port > 65535) return false;
  slash = rest.find('/');
  if (slash == std::string::npos || !IsDigits(rest.substr(0, slash))) return false;
  a.db = std::stoi(rest.substr(0, slash));
  a.name = rest.substr(slash + 1);
  if (a.name.empty()) return false;
  a.display = u"redis://" + FromUtf8(display) + u"/" + FromUtf8(rest);
  out = std::move(a);
  return true;
}

std::shared_ptr<WorkQueue> MakeRedisQueue(const RedisAddress& address) {
  return std::make_shared<RedisQueue>(address);
}

}  // namespace qv::host::queue
