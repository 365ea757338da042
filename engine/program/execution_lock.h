// The host's execution lock, as a thread holds it.
//
// A host thread holds its program's ExecutionLock() while it runs the
// program's statements and gives it up inside every call that blocks
// (sleep, downloads, dialogs, waiting for threads or programs), so that
// code of that program run by another thread (a child's callback) takes
// turns with it instead of racing it.
//
//   ExecutionLockHolder running(prog);   // the thread body, around Execute
//   ...
//   { BlockingCall wait; Sleep(); }      // inside a host function
//
// The held lock is remembered per thread, so library code can release it
// without knowing the host. Outside a holder BlockingCall does nothing.
#pragma once

#include <mutex>

namespace qv {

class TfsScript;

class ExecutionLockHolder {
 public:
  explicit ExecutionLockHolder(TfsScript& prog);
  ~ExecutionLockHolder();
  ExecutionLockHolder(const ExecutionLockHolder&) = delete;
  ExecutionLockHolder& operator=(const ExecutionLockHolder&) = delete;

 private:
  std::mutex& lock_;
  std::mutex* outerLock_;
  bool outerReleased_;
};

class BlockingCall {
 public:
  BlockingCall();
  ~BlockingCall();
  BlockingCall(const BlockingCall&) = delete;
  BlockingCall& operator=(const BlockingCall&) = delete;

 private:
  std::mutex* released_ = nullptr;
};

}  // namespace qv
