#include "engine/sprite_pacer.h"

#include "platform/cpu_clock.h"

#include <algorithm>
#include <ctime>
#include <sys/prctl.h>

namespace {

// Sleeps shorter than this are not worth the system call; the rest is polled.
constexpr int64_t kShortestSleepNanos = 20'000;
// Wake-ups later than this (the thread waited for a busy processor) say nothing about the
// timer; the cap also keeps every gap with room for a sleep after a normal draw.
constexpr int64_t kMaxLatenessNanos = 100'000;

int64_t monotonicNanos()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t { now.tv_sec } * 1'000'000'000 + now.tv_nsec;
}

// The kernel lets a sleep of a normal thread run up to 50 microseconds late to bunch
// wake-ups; a sixth of the sprite gap is too much, so the thread that paces asks for
// tight wake-ups once.
void tightenTimerSlack()
{
    static const bool tightened = [] {
        prctl(PR_SET_TIMERSLACK, 1000UL, 0UL, 0UL, 0UL);
        return true;
    }();
    (void)tightened;
}

} // namespace

void SpritePacer::Restart()
{
    // A sprite that comes later than its group's gaps allow starts a group of its own, so
    // that a late group is never made up for with more sprites than one group holds.
    if (m_inGroup > 0 && m_inGroup < m_groupSize && elapsedMicros() < groupMicros()) {
        ++m_inGroup;
        return;
    }
    m_inGroup = 1;
    m_startTick = cpuGetTick();
}

uint32_t SpritePacer::elapsedMicros() const
{
    // Taken as a 32-bit unsigned value: a start in the future reads as a long time ago.
    return static_cast<uint32_t>(cpuGetmks(m_startTick));
}

bool SpritePacer::GapPassed() const
{
    return m_mode == Mode::None || m_inGroup < m_groupSize || elapsedMicros() >= groupMicros();
}

void SpritePacer::Rest()
{
    if (m_mode != Mode::Sleep)
        return;
    const uint32_t elapsed = elapsedMicros();
    if (m_inGroup < m_groupSize || elapsed >= groupMicros())
        return;
    const int64_t leftNanos = int64_t { groupMicros() - elapsed } * 1000;
    const int64_t askNanos = leftNanos - m_latenessNanos;
    if (askNanos < kShortestSleepNanos)
        return;
    tightenTimerSlack();
    const int64_t before = monotonicNanos();
    const timespec pause { 0, static_cast<long>(askNanos) };
    nanosleep(&pause, nullptr);
    const int64_t lateness = monotonicNanos() - before - askNanos;
    // Follow an earlier wake-up at once and a later one slowly, so the estimate stays near
    // the usual lateness and a few long preemptions do not turn the rest into polling.
    if (lateness < m_latenessNanos)
        m_latenessNanos = (m_latenessNanos + lateness) / 2;
    else
        m_latenessNanos += (lateness - m_latenessNanos) / 16;
    m_latenessNanos = std::clamp<int64_t>(m_latenessNanos, 0, kMaxLatenessNanos);
}
