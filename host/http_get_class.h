// ThttpGet: the script's view of its thread's HTTP client (`_Get`). The
// object holds the thread, not the client, because `Clear` and
// `cleardowncache` replace the client.
#pragma once

#include "engine/engine.h"

namespace qv::host {

class TQuorvint;

extern const HostClass kThttpGetClass;

class HttpGetObject : public HostObject {
 public:
  explicit HttpGetObject(TQuorvint& thread) : thread_(thread) {}
  const HostClass& Class() const override { return kThttpGetClass; }
  TQuorvint& Thread() const { return thread_; }

 private:
  TQuorvint& thread_;
};

// Registers class ThttpGet on `prog`; its members act on `thread`'s client.
void RegisterHttpGetClass(TfsScript& prog, TQuorvint& thread);

}  // namespace qv::host
