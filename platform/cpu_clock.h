#pragma once

#include <cstdint>
#include <string>

// The cycle-counter clock: short intervals measured with the processor's time-stamp
// counter and converted to milliseconds, microseconds and nanoseconds with the clock
// rate in MHz (cycles per microsecond).
//
// The rate is found once, by the first conversion: the first "cpu MHz" line of
// /proc/cpuinfo, rounded to a whole number, or, when that is missing or 0, a 200 ms
// measurement against the monotonic clock. Where there is no time-stamp counter the
// ticks are monotonic-clock nanoseconds and the rate is 1000.
//
// Conversions round to the nearest integer with halves to the even neighbour and are
// computed in extended precision (long double), so 1500000 cycles at 1000 MHz give 1 ms:
// the stored factor 0.001 / 1000 lies just below 0.000001. Differences of two ticks are
// taken as signed 64-bit numbers, and the calc functions use their absolute value.
//
// The rate can never end up 0: a measurement that rounds to 0 is repeated, and if it
// stays 0 the unit switches to monotonic-clock nanoseconds, so every conversion stays
// finite and grows with time.
//
// GUI thread only; the unit state is written once and never locked.

uint64_t cpuGetTick();

int64_t cpuGetms(uint64_t start);
int64_t cpuGetmks(uint64_t start);
int64_t cpugetns(uint64_t start);

int64_t cpucalcms(uint64_t a, uint64_t b);
int64_t cpucalcmks(uint64_t a, uint64_t b);
int64_t cpucalcns(uint64_t a, uint64_t b);

uint64_t cpumstotick(uint32_t milliseconds);
uint64_t cpumkstotick(uint32_t microseconds);
uint64_t cpunstotick(uint32_t nanoseconds);

// The clock rate in MHz; the first call finds it and fills the unit state.
uint16_t cpuGetSpeed();
// Measures the clock rate over the given number of milliseconds: tick cycles per
// elapsed microsecond of the monotonic clock.
double measureCpuSpeedMhz(int milliseconds);

// Seams for tests. They change process-wide state; tests call cpuForgetSpeedForTesting
// in their fixtures to start from "not yet known".
//
// Sets the rate as if it had been found, and fills the factors from it (0 takes the
// same way out as a measurement of 0).
void cpuSetSpeedForTesting(unsigned mhz);
// Back to "rate not yet known", the real tick source and /proc/cpuinfo.
void cpuForgetSpeedForTesting();
// Replaces the counter read by cpuGetTick (null restores the real one).
void cpuSetTickSourceForTesting(uint64_t (*source)());
// Reads the rate from this file instead of /proc/cpuinfo.
void cpuSetInfoPathForTesting(const std::string& path);
// How many times measureCpuSpeedMhz has run since the last forget.
int cpuMeasurementCountForTesting();

// The rate in whole MHz from the text of /proc/cpuinfo: the first "cpu MHz" line,
// rounded to nearest; 0 when there is no such line or it holds no number.
unsigned cpuParseInfoMhz(const std::string& cpuinfoText);
