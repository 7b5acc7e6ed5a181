#include "platform/monotonic_clock.h"

#include <ctime>

int64_t monotonicNanoseconds()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

int64_t monotonicMicros() { return monotonicNanoseconds() / 1000; }
