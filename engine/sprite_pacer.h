#pragma once

#include <algorithm>
#include <cstdint>

// Keeps consecutive sprites at least kSpriteGapMicros apart, measured with the
// cycle-counter clock, without spinning a core: the renderer pumps messages, asks how
// long it has been, and rests for most of the time that is left. The rest is a sleep that
// ends a little before the deadline by the sleeps' usual lateness, learnt as it goes, so
// the last few microseconds are polled and sprites come nearly as fast as with a busy
// wait.
//
// A sleep has a fixed price in processor time, whatever its length: on a virtual machine
// going idle and waking again costs about 20 microseconds, as much as drawing a sprite.
// A program that runs for hours (the saver) can therefore let the sprites go in groups:
// with SetSpritesPerRest(k), up to k sprites follow each other without a gap, and the
// next group starts k gaps after the start of the last one. The rate stays at most one
// sprite per gap over every group, a display (refreshed every few milliseconds) shows the
// same pictures, and the pacer sleeps once per k sprites.
class SpritePacer {
public:
    enum class Mode {
        Sleep, // rest between polls (the default)
        Spin, // poll continuously, as a busy wait would
        None, // no gap at all: draw as fast as possible
    };

    static constexpr uint32_t kSpriteGapMicros = 300;
    static constexpr uint32_t kMostSpritesPerRest = 16;
    // For the windows that run unattended for hours, the saver and the saver inside
    // another program's window: half the sleeps at the same rate.
    static constexpr uint32_t kSaverSpritesPerRest = 2;

    void SetMode(Mode mode) { m_mode = mode; }
    Mode GetMode() const { return m_mode; }

    // Sprites per group, at least 1 (the default: every sprite a gap after the last).
    void SetSpritesPerRest(uint32_t count) { m_groupSize = std::clamp<uint32_t>(count, 1, kMostSpritesPerRest); }
    uint32_t SpritesPerRest() const { return m_groupSize; }

    // Called as a sprite is drawn: starts a group, or counts the sprite in the running one.
    void Restart();
    // True when the next sprite may come: the group has room, or its gaps have passed
    // (always in mode None).
    bool GapPassed() const;
    // Sleeps for part of the time left in the gap (mode Sleep only); returns at once when
    // too little is left to sleep safely.
    void Rest();

    // The sleeps' learnt lateness, for benchmarks.
    int64_t LatenessNanos() const { return m_latenessNanos; }

private:
    uint32_t elapsedMicros() const;
    // The length of a whole group's gaps.
    uint32_t groupMicros() const { return m_groupSize * kSpriteGapMicros; }

    Mode m_mode = Mode::Sleep;
    uint64_t m_startTick = 0; // the start of the running group
    uint32_t m_groupSize = 1;
    uint32_t m_inGroup = 0; // sprites of the running group so far
    int64_t m_latenessNanos = 60'000; // a first guess; learnt from every sleep
};
