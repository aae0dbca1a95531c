// The process-wide pseudo-random generator of Granger causality mapping:
// integers 0..32767, reseeded per surrogate series from the calendar clock.
// Plug-in and tests share one definition of the sequence so that a fixed
// clock makes a run reproducible.
#pragma once

#include <cstdint>
#include <ctime>

namespace granger::core {

constexpr int kRandMax = 32767;

void gcmSrand(std::uint32_t seed);
// Next value, 0..32767 inclusive.
int gcmRand();

// Calendar time in seconds. Tests fix it with setGcmClock; the plug-in sets
// it to a test host's fixed clock when the host offers one.
std::time_t gcmClockSeconds();
using ClockFunction = std::time_t (*)();
void setGcmClock(ClockFunction clock);  // nullptr restores the real clock

}  // namespace granger::core
