// Scripts that start scripts: runthread, waitthread, the child registry,
// and the start and end callbacks that run the parent's code on the
// child's thread.
//
// Ownership: a child holds itself while its body runs; the handle the
// parent's script gets (ThreadRef, owned by the parent's program) holds it
// too, until the script releases it (Over, Free) or the parent ends. A
// child reaches its parent only through a weak reference, so a parent that
// ends first is never used after it is gone, and a callback enters the
// parent's program only through the parent's callback gate, so the parent
// frees its program only after every callback has left it.
#include <algorithm>
#include <chrono>
#include <thread>

#include "host/quorvint.h"
#include "host/thread_class.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv::host {

std::shared_ptr<TQuorvint> TQuorvint::LockParent() const {
  std::lock_guard lock(parentMutex_);
  if (parent_.load(std::memory_order_acquire) == nullptr) return nullptr;
  return parentRef_.lock();
}

void TQuorvint::ClearParentLink() {
  std::lock_guard lock(parentMutex_);
  parent_.store(nullptr, std::memory_order_release);
  parentRef_.reset();
}

int32_t TQuorvint::RunThread(TfsScript& caller, std::u16string_view source, std::u16string threadName,
                             std::u16string startCallback, std::u16string endCallback, bool autoStart) {
  std::shared_ptr<TQuorvint> child;
  if (onCreateScript) {
    child = onCreateScript(std::u16string(source), threadName, this, endCallback, startCallback);
  } else {
    child = TQuorvinter::Create(source, this, std::move(endCallback), std::move(startCallback), threadName);
  }
  if (!child) return 0;
  const int32_t handle = caller.AdoptObject(std::make_unique<ThreadRef>(child));
  child->parentSideId_.store(handle, std::memory_order_release);
  {
    std::lock_guard lock(child->parentMutex_);
    child->parent_.store(this, std::memory_order_release);
    child->parentRef_ = weak_from_this();
    child->createdWithParent_ = true;
  }
  child->registryKey_ = threadName.empty() ? IntToText(handle) : threadName;
  child->onIncludePath = onIncludePath;
  child->ui_ = ui_;
  child->onCreateScript = onCreateScript;
  child->initVariable_ = initVariable_;
  child->onAddMethod = onAddMethod;
  child->onTerminate = nullptr;
  bool stopped = false;
  {
    std::lock_guard lock(scriptCs_);
    allThread_[child->registryKey_] = child;
    if (startedChildren_.size() >= pruneAt_) {
      std::erase_if(startedChildren_, [](const std::weak_ptr<TQuorvint>& w) { return w.expired(); });
      pruneAt_ = std::max<size_t>(64, 2 * startedChildren_.size());
    }
    startedChildren_.push_back(child);
    stopped = Terminated();
  }
  if (stopped) {
    // A stop that came while the child was being made missed it.
    child->ClearParentLink();
    child->Stop();
    return handle;
  }
  if (autoStart) child->Resume();
  return handle;
}

std::shared_ptr<TQuorvint> TQuorvint::ChildOf(std::u16string_view key) {
  std::lock_guard lock(scriptCs_);
  auto it = allThread_.find(std::u16string(key));
  return it == allThread_.end() ? nullptr : it->second;
}

void TQuorvint::WaitThread(std::u16string_view threadName) {
  BlockingCall waiting;
  // The registry's condition is signalled when a child leaves it and when
  // this thread is told to stop; the time-out only guards against a child
  // that ends without a link to this thread.
  constexpr auto kSlice = std::chrono::milliseconds(10);
  std::unique_lock lock(scriptCs_);
  if (!threadName.empty()) {
    auto it = allThread_.find(std::u16string(threadName));
    if (it == allThread_.end()) return;
    std::shared_ptr<TQuorvint> child = it->second;
    auto over = [&] {
      auto now = allThread_.find(std::u16string(threadName));
      return Terminated() || now == allThread_.end() || now->second != child || child->TearingDown() ||
             child->Finished();
    };
    while (!over()) registryCv_.wait_for(lock, kSlice);
    return;
  }
  auto over = [&] {
    if (Terminated() || allThread_.empty()) return true;
    // A child that ended without leaving (its link was cut) counts as gone.
    for (auto& [key, child] : allThread_)
      if (!child->Finished()) return false;
    return true;
  };
  while (!over()) registryCv_.wait_for(lock, kSlice);
}

bool TQuorvint::EnterCallback() {
  std::lock_guard lock(callbackMutex_);
  if (callbacksClosed_) return false;
  ++callbacksRunning_;
  return true;
}

void TQuorvint::LeaveCallback() {
  {
    std::lock_guard lock(callbackMutex_);
    --callbacksRunning_;
  }
  callbackCv_.notify_all();
}

void TQuorvint::CloseCallbacks() {
  std::unique_lock lock(callbackMutex_);
  callbacksClosed_ = true;
  if (callbacksRunning_ == 0) return;
  lock.unlock();
  // A callback may sleep, wait or download in this thread's name: the stop
  // of this thread's own waits cuts it. Children are left running.
  if (std::shared_ptr<TfsScript> prog = ProgramRef()) prog->Terminate();
  CutBlockingCalls();
  lock.lock();
  callbackCv_.wait(lock, [this] { return callbacksRunning_ == 0; });
}

void TQuorvint::CallParent(TQuorvint& parent, const std::u16string& callback) {
  if (!parent.EnterCallback()) return;
  struct Leave {
    TQuorvint& p;
    ~Leave() { p.LeaveCallback(); }
  } leave{parent};
  TfsScript& prog = parent.Program();
  try {
    ExecutionLockHolder parentRunning(prog);
    // The parent's script may have ended while this thread waited.
    if (!prog.IsRunning()) return;
    TfsProcVariable* func = prog.FindFunction(callback);
    if (func == nullptr) return;
    prog.CallFunction2(func, Value::Array({Value::Object(parentSideId_.load(std::memory_order_acquire))}));
  } catch (const std::exception&) {
    // A failing callback leaves both scripts running.
  }
}

void TQuorvint::RunStartCallback() {
  if (startCallback_.empty()) return;
  std::shared_ptr<TQuorvint> parent = LockParent();
  if (!parent || parent->Terminated()) return;
  CallParent(*parent, startCallback_);
}

void TQuorvint::RunEndCallback() {
  std::shared_ptr<TQuorvint> parent = LockParent();
  const bool parentListens = parent && !parent->Terminated();
  if (parentListens && !endCallback_.empty()) CallParent(*parent, endCallback_);
  // The variables answer up to here: whoever reads them once this thread
  // has left the registry gets empty text, whether or not the program has
  // been released yet.
  {
    std::lock_guard lock(globalScripter_->ExecutionLock());
    programReleased_.store(true, std::memory_order_release);
  }
  if (!parentListens) return;
  {
    std::lock_guard lock(parent->scriptCs_);
    parent->allThread_.erase(registryKey_);
  }
  parent->registryCv_.notify_all();
}

}  // namespace qv::host
