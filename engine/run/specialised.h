// The builder picks specialised statement and expression classes for the
// common typed shapes (integer counters and comparisons, array elements,
// arithmetic on plain variables). Each specialised class computes exactly
// what the general one would and falls back to it whenever its shape does
// not hold at run time. Switching them off makes the builder use the
// general classes only: the differential tests run every program both ways.
#pragma once

namespace qv {

// Read when a statement or expression is built, not when it runs.
bool SpecialisedPaths() noexcept;
void SetSpecialisedPaths(bool on) noexcept;

}  // namespace qv
