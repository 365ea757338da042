#include "engine/program/execution_lock.h"

#include "engine/program/program.h"

namespace qv {

namespace {

// The lock the innermost holder of this thread took, and whether a
// BlockingCall has given it up for the moment.
thread_local std::mutex* t_lock = nullptr;
thread_local bool t_released = false;

}  // namespace

ExecutionLockHolder::ExecutionLockHolder(TfsScript& prog)
    : lock_(prog.ExecutionLock()), outerLock_(t_lock), outerReleased_(t_released) {
  lock_.lock();
  t_lock = &lock_;
  t_released = false;
}

ExecutionLockHolder::~ExecutionLockHolder() {
  if (!t_released) lock_.unlock();
  t_lock = outerLock_;
  t_released = outerReleased_;
}

BlockingCall::BlockingCall() {
  if (t_lock == nullptr || t_released) return;
  released_ = t_lock;
  t_released = true;
  released_->unlock();
}

BlockingCall::~BlockingCall() {
  if (released_ == nullptr) return;
  released_->lock();
  t_released = false;
}

}  // namespace qv
