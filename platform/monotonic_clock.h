#pragma once

#include <cstdint>

// The program's one clock for waits and schedules: CLOCK_MONOTONIC, which a change of the
// wall-clock time never moves. Its zero is arbitrary (the boot), so only differences mean
// anything.
int64_t monotonicNanoseconds();
int64_t monotonicMicros();
