// TQuorvinter as scripts see it: a host thread's name, template output,
// variables, and Start, Stop and release.
#pragma once

#include <memory>

#include "engine/engine.h"

namespace qv::host {

class TQuorvint;

extern const HostClass kTQuorvinterClass;

// A script's handle of a host thread. A child's handle (the result of
// runthread) holds the child, so the thread object lives as long as the
// script may use it; _SELF's handle lives inside the thread itself.
class ThreadRef : public HostObject {
 public:
  explicit ThreadRef(std::shared_ptr<TQuorvint> thread) : held_(std::move(thread)), thread_(held_.get()) {}
  explicit ThreadRef(TQuorvint& self) : thread_(&self) {}
  const HostClass& Class() const override { return kTQuorvinterClass; }
  TQuorvint& Thread() const { return *thread_; }

 private:
  std::shared_ptr<TQuorvint> held_;
  TQuorvint* thread_;
};

// Registers class TQuorvinter on `prog`; `thread` is the registering
// (calling) thread.
void RegisterThreadClass(TfsScript& prog, TQuorvint& thread);

}  // namespace qv::host
