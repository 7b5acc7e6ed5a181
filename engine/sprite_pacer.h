#pragma once

#include <cstdint>

// Keeps consecutive sprites at least kSpriteGapMicros apart, measured with the
// cycle-counter clock, without spinning a core: the renderer pumps messages, asks how
// long it has been, and rests for most of the time that is left. The rest is a sleep that
// ends a little before the deadline by the sleeps' usual lateness, learnt as it goes, so
// the last few microseconds are polled and sprites come nearly as fast as with a busy
// wait.
class SpritePacer {
public:
    enum class Mode {
        Sleep, // rest between polls (the default)
        Spin, // poll continuously, as a busy wait would
        None, // no gap at all: draw as fast as possible
    };

    static constexpr uint32_t kSpriteGapMicros = 300;

    void SetMode(Mode mode) { m_mode = mode; }
    Mode GetMode() const { return m_mode; }

    // Starts a gap: the next sprite may come kSpriteGapMicros from now.
    void Restart();
    // True when the gap has passed (always in mode None).
    bool GapPassed() const;
    // Sleeps for part of the time left in the gap (mode Sleep only); returns at once when
    // too little is left to sleep safely.
    void Rest();

    // The sleeps' learnt lateness, for benchmarks.
    int64_t LatenessNanos() const { return m_latenessNanos; }

private:
    uint32_t elapsedMicros() const;

    Mode m_mode = Mode::Sleep;
    uint64_t m_startTick = 0;
    int64_t m_latenessNanos = 60'000; // a first guess; learnt from every sleep
};
