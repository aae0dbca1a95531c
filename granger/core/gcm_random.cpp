#include "granger/core/gcm_random.h"

namespace granger::core {

namespace {

std::uint32_t g_state = 1;
ClockFunction g_clock = nullptr;

}  // namespace

void gcmSrand(std::uint32_t seed) {
    g_state = seed;
}

int gcmRand() {
    // Linear congruential step; the upper bits of the state carry the period.
    g_state = g_state * 214013u + 2531011u;
    return static_cast<int>((g_state >> 16) & 0x7fffu);
}

std::time_t gcmClockSeconds() {
    if (g_clock) return g_clock();
    return std::time(nullptr);
}

void setGcmClock(ClockFunction clock) {
    g_clock = clock;
}

}  // namespace granger::core
