// The number functions of the system library that are more than one line,
// and the process's random generator.
#pragma once

#include <cstdint>

namespace qv {

// To the nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
// OverflowError when the result does not fit 32 bits or `e` is not finite.
int32_t Round(double e);
// Toward zero, with the same range check.
int32_t Trunc(double e);
// The integer part toward zero, as a double (Int(-2.7) == -2).
double Int(double e);
// The fractional part, with the sign of `x` (Frac(-2.25) == -0.25).
double Frac(double x);

// One generator for the whole process; every thread may call these. The
// sequence is the same in every run until Randomize seeds it from the clock.
double Random();  // 0 <= result < 1
// 0 <= result < range; 0 when range <= 0.
int64_t RandomBelow(int64_t range);
void Randomize();
void RandomSeed(uint64_t seed);

}  // namespace qv
