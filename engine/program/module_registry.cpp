// The registry of registration modules and the process's shared program.
#include <algorithm>

#include "engine/program/program.h"

namespace qv {

ModuleRegistry& ModuleRegistry::Instance() {
  static ModuleRegistry registry;
  return registry;
}

void ModuleRegistry::Add(std::u16string name, int order, Factory factory) {
  std::lock_guard lock(mutex_);
  auto at = std::upper_bound(entries_.begin(), entries_.end(), order,
                             [](int o, const Entry& e) { return o < e.order; });
  entries_.insert(at, Entry{std::move(name), order, std::move(factory)});
}

void ModuleRegistry::Remove(std::u16string_view name) {
  std::lock_guard lock(mutex_);
  std::erase_if(entries_, [name](const Entry& e) { return e.name == name; });
}

std::vector<ModuleRegistry::Factory> ModuleRegistry::Factories() const {
  std::lock_guard lock(mutex_);
  std::vector<Factory> result;
  for (const Entry& e : entries_) result.push_back(e.factory);
  return result;
}

std::vector<std::u16string> ModuleRegistry::Names() const {
  std::lock_guard lock(mutex_);
  std::vector<std::u16string> result;
  for (const Entry& e : entries_) result.push_back(e.name);
  return result;
}

TfsScript& GlobalProgram() {
  // Made on first use (static initialisation is thread-safe) and never
  // destroyed: script threads may still use it during static destruction.
  static TfsScript* const program = [] {
    auto p = std::make_unique<TfsScript>();
    p->MarkShared();
    p->AddRTTI();
    return p.release();
  }();
  return *program;
}

}  // namespace qv
