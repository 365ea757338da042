#include "engine/run/specialised.h"

#include <atomic>

namespace qv {

namespace {
std::atomic<bool> specialised{true};
}  // namespace

bool SpecialisedPaths() noexcept { return specialised.load(std::memory_order_relaxed); }

void SetSpecialisedPaths(bool on) noexcept { specialised.store(on, std::memory_order_relaxed); }

}  // namespace qv
