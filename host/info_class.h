// TInfo: a string-valued hash table with an iteration cursor that scripts
// create with TInfo.Create and index by key.
//
//   i := TInfo.Create;
//   i['name'] := 'value';          // Items is the default property
//   i.ReStart;
//   while i.Next do lg(i.Key + '=' + i.Value);
//   i.Free;
//
// Keys are compared exactly and come back in bucket order. The empty key is
// never found: storing under it, or renaming to it, does nothing.
#pragma once

#include "engine/engine.h"
#include "support/hashes.h"

namespace qv::host {

extern const HostClass kTInfoClass;

class InfoObject : public HostObject {
 public:
  const HostClass& Class() const override { return kTInfoClass; }
  TStringHash& Table() noexcept { return table_; }
  const TStringHash& Table() const noexcept { return table_; }

 private:
  TStringHash table_;
};

// Registers the class TInfo with its members on a script thread's program.
void RegisterInfoClass(TfsScript& prog);

}  // namespace qv::host
