// Politeness towards hosts, for every client of the process: a minimum
// time between the starts of two requests to one host, and a maximum of
// requests to one host at a time. Both are 0 (no limit) until a script
// sets them; they hold for all threads.
//
//   SetHostDelayMs(500);
//   HostSlot slot;
//   if (!slot.Acquire(wireUrl, stopped)) return;  // stopped while waiting
//   ... the request ...                                  // the slot frees on scope exit
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace qv::web {

void SetHostDelayMs(int ms);
int HostDelayMs();
void SetHostConnections(int n);
int HostConnections();

// The lower-case host name of an absolute address ("" when it has none).
std::string HostOfUrl(std::string_view wireUrl);

// The right to start one request to a host, held until destroyed.
class HostSlot {
 public:
  HostSlot() = default;
  ~HostSlot() { Release(); }
  HostSlot(const HostSlot&) = delete;
  HostSlot& operator=(const HostSlot&) = delete;

  // Waits until the limits of the address's host let a request start;
  // false as soon as `stopped` answers true (looked at every 20 ms),
  // holding nothing.
  bool Acquire(std::string_view wireUrl, const std::function<bool()>& stopped);
  void Release();

 private:
  std::string host_;
  bool held_ = false;
};

}  // namespace qv::web
