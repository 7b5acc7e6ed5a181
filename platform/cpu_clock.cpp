#include "platform/cpu_clock.h"

#include "platform/monotonic_clock.h"

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#define OPAL_HAVE_TSC 1
#else
#define OPAL_HAVE_TSC 0
#endif

namespace {

constexpr int kMeasureMilliseconds = 200;
// A measurement that rounds to 0 MHz is tried this many times in all before the unit
// gives up on the counter.
constexpr int kMeasureAttempts = 3;
// The rate of monotonic-clock nanoseconds, in ticks per microsecond.
constexpr unsigned kMonotonicMhz = 1000;
constexpr const char* kCpuInfoPath = "/proc/cpuinfo";

uint64_t monotonicTick() { return static_cast<uint64_t>(monotonicNanoseconds()); }

uint64_t hardwareTick()
{
#if OPAL_HAVE_TSC
    return __rdtsc();
#else
    return monotonicTick();
#endif
}

struct ClockState {
    unsigned mhz = 0;
    long double msFactor = 0;
    long double microsecondFactor = 0;
    long double nsFactor = 0;
    bool ready = false;
    uint64_t (*tickSource)() = hardwareTick;
    std::string cpuInfoPath = kCpuInfoPath;
    int measurements = 0;
};

ClockState& state()
{
    static ClockState clockState;
    return clockState;
}

// Rounds to nearest with halves to even: the default rounding mode of the FPU.
int64_t roundToInt64(long double value)
{
    return static_cast<int64_t>(llrintl(value));
}

// The signed 64-bit difference of two ticks.
long double tickDifference(uint64_t a, uint64_t b)
{
    return static_cast<long double>(static_cast<int64_t>(a - b));
}

void fillFactors(unsigned mhz)
{
    ClockState& clock = state();
    if (mhz == 0) {
        // No usable rate: count monotonic nanoseconds instead, so that intervals stay
        // finite and keep growing.
        clock.tickSource = monotonicTick;
        mhz = kMonotonicMhz;
    }
    clock.mhz = mhz;
    clock.msFactor = 0.001L / mhz;
    clock.microsecondFactor = 1.0L / mhz;
    clock.nsFactor = 1000.0L / mhz;
    clock.ready = true;
}

unsigned readInfoMhz(const std::string& path)
{
    std::ifstream file(path);
    if (!file)
        return 0;
    std::ostringstream text;
    text << file.rdbuf();
    return cpuParseInfoMhz(text.str());
}

void ensureReady()
{
    if (!state().ready)
        cpuGetSpeed();
}

} // namespace

unsigned cpuParseInfoMhz(const std::string& cpuinfoText)
{
    std::istringstream lines(cpuinfoText);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("cpu MHz", 0) != 0)
            continue;
        const auto colon = line.find(':');
        if (colon == std::string::npos)
            return 0;
        const char* begin = line.c_str() + colon + 1;
        char* end = nullptr;
        const double value = std::strtod(begin, &end);
        if (end == begin || !std::isfinite(value) || value < 0.5 || value > 4.0e9)
            return 0;
        return static_cast<unsigned>(std::nearbyint(value));
    }
    return 0;
}

uint64_t cpuGetTick()
{
    return state().tickSource();
}

int64_t cpuGetms(uint64_t start)
{
    ensureReady();
    return roundToInt64(tickDifference(cpuGetTick(), start) * state().msFactor);
}

int64_t cpuGetmks(uint64_t start)
{
    ensureReady();
    return roundToInt64(tickDifference(cpuGetTick(), start) * state().microsecondFactor);
}

int64_t cpugetns(uint64_t start)
{
    ensureReady();
    return roundToInt64(tickDifference(cpuGetTick(), start) * state().nsFactor);
}

int64_t cpucalcms(uint64_t a, uint64_t b)
{
    ensureReady();
    return roundToInt64(fabsl(tickDifference(a, b)) * state().msFactor);
}

int64_t cpucalcmks(uint64_t a, uint64_t b)
{
    ensureReady();
    return roundToInt64(fabsl(tickDifference(a, b)) * state().microsecondFactor);
}

int64_t cpucalcns(uint64_t a, uint64_t b)
{
    ensureReady();
    return roundToInt64(fabsl(tickDifference(a, b)) * state().nsFactor);
}

uint64_t cpumstotick(uint32_t milliseconds)
{
    ensureReady();
    return static_cast<uint64_t>(roundToInt64(milliseconds / state().msFactor));
}

uint64_t cpumkstotick(uint32_t microseconds)
{
    ensureReady();
    return static_cast<uint64_t>(roundToInt64(microseconds / state().microsecondFactor));
}

uint64_t cpunstotick(uint32_t nanoseconds)
{
    ensureReady();
    return static_cast<uint64_t>(roundToInt64(nanoseconds / state().nsFactor));
}

uint16_t cpuGetSpeed()
{
    ClockState& clock = state();
    if (clock.ready)
        return static_cast<uint16_t>(clock.mhz);

    // Monotonic-clock ticks have a known rate; a counter's rate is read, then measured.
    const bool monotonicTicks
        = clock.tickSource == monotonicTick || (!OPAL_HAVE_TSC && clock.tickSource == hardwareTick);
    unsigned mhz = monotonicTicks ? kMonotonicMhz : readInfoMhz(clock.cpuInfoPath);
    for (int attempt = 0; mhz == 0 && attempt < kMeasureAttempts; ++attempt)
        mhz = static_cast<unsigned>(measureCpuSpeedMhz(kMeasureMilliseconds) + 0.5);
    fillFactors(mhz);
    return static_cast<uint16_t>(clock.mhz);
}

double measureCpuSpeedMhz(int milliseconds)
{
    // Raising the thread to time-critical priority needs privileges a screen saver does
    // not have on Linux; the monotonic clock keeps the measurement honest without it.
    ClockState& clock = state();
    ++clock.measurements;
    const uint64_t p0 = monotonicTick();
    const uint64_t c0 = cpuGetTick();
    if (milliseconds > 0) {
        timespec pause { milliseconds / 1000, static_cast<long>(milliseconds % 1000) * 1000000L };
        while (nanosleep(&pause, &pause) != 0) { }
    }
    const uint64_t c1 = cpuGetTick();
    const uint64_t p1 = monotonicTick();
    const uint64_t elapsedMicroseconds = (p1 - p0) / 1000u;
    if (elapsedMicroseconds == 0)
        return 0.0;
    return static_cast<double>(c1 - c0) / static_cast<double>(elapsedMicroseconds);
}

void cpuSetSpeedForTesting(unsigned mhz)
{
    fillFactors(mhz);
}

void cpuForgetSpeedForTesting()
{
    ClockState& clock = state();
    clock = ClockState {};
}

void cpuSetTickSourceForTesting(uint64_t (*source)())
{
    state().tickSource = source ? source : hardwareTick;
}

void cpuSetInfoPathForTesting(const std::string& path)
{
    state().cpuInfoPath = path;
}

int cpuMeasurementCountForTesting()
{
    return state().measurements;
}
