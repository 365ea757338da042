// The work queue on a Redis server, shared by every process that names it
// (work_queue.h gives the contract). Keys, all under the hash tag of the
// queue's name so that they stay on one server:
//
//   qvqueue:{NAME}:seen      set of every item ever added
//   qvqueue:{NAME}:levels    sorted set of the priorities that have pending
//                            items, scored by minus the priority
//   qvqueue:{NAME}:level:P   pending items of priority P, scored by the
//                            order of adding
//   qvqueue:{NAME}:leased    leased items, scored by the expiry in ms of the
//                            server's clock
//   qvqueue:{NAME}:lease     hash: leased item -> "P SEQ", its old place
//   qvqueue:{NAME}:seq, :done  counters
//
// Every operation is one server-side Lua script, so a take, a lease and the
// return of expired leases to pending are atomic whatever other workers do,
// and leases run on one clock for all machines.
#pragma once

#include <memory>
#include <string>

#include "host/queue/work_queue.h"

namespace qv::host::queue {

// How long the client waits and retries. The defaults suit a server on the
// local network.
struct RedisOptions {
  int connectTimeoutMs = 2000;
  int commandTimeoutMs = 5000;
  // A server that stays away this long makes the call a run-time error;
  // retries before that back off from 100 ms to 2 s.
  int retryForMs = 15000;
};
void SetRedisOptions(const RedisOptions& options);
RedisOptions GetRedisOptions();

struct RedisAddress {
  std::string host;
  int port = 6379;
  int db = 0;
  std::string user, password;  // AUTH when the password is set
  std::string name;            // the queue's name, UTF-8
  // The name as given, without the password, for messages.
  std::u16string display;
};

// Parses "redis://[[USER]:PASSWORD@]HOST[:PORT]/DB/NAME" (HOST may be an
// IPv6 address in brackets); false when `text` is not of that form.
bool ParseRedisAddress(const std::u16string& text, RedisAddress& out);
// True for names that ask for a Redis queue ("redis://" in any case).
bool IsRedisName(const std::u16string& name);

std::shared_ptr<WorkQueue> MakeRedisQueue(const RedisAddress& address);

}  // namespace qv::host::queue
