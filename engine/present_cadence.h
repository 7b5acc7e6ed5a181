#pragma once

#include <cstdint>

// The clock a renderer steps on and how often its picture is presented, for a picture that
// moves slower than the saver's (the wallpaper's rate). The renderer's clock runs at the
// scale's fraction of real time from the first step on, and presents come at most once per
// kSaverFrameMicros / scale of real time: each then carries as much of the animation as one
// of the saver's at 60 Hz, and a picture in the background costs a fraction of the saver's
// presents. The sprites drawn are the same; only the steps that draw them are fewer and
// take more sprites each. At scale 1 both are real time and every refresh presents.
class PresentCadence {
public:
    // The saver's present interval at 60 Hz.
    static constexpr int64_t kSaverFrameMicros = 16'667;

    // The scale in (0, 1]; anything else counts as 1.
    void setScale(double scale);
    double scale() const { return m_scale; }
    // The least real time between two presents (0: every refresh).
    int64_t presentGapMicros() const { return m_presentGapMicros; }

    // Whether a step and present are due at this real time (a monotonic clock in
    // microseconds): half a saver frame before the gap is over counts, so that a refresh a
    // little early (a display's period is not a whole number of microseconds) is not
    // skipped for the next one.
    bool due(int64_t nowMicros) const { return m_lastPresentMicros < 0 || nowMicros >= nextDueMicros(); }
    // When the next one is due.
    int64_t nextDueMicros() const { return m_lastPresentMicros + m_presentGapMicros - kSaverFrameMicros / 2; }
    // The renderer's time for this real time; the first call starts both clocks together.
    int64_t rendererMicros(int64_t nowMicros);
    // A present went out at this real time.
    void presented(int64_t nowMicros) { m_lastPresentMicros = nowMicros; }

private:
    double m_scale = 1.0;
    int64_t m_presentGapMicros = 0;
    int64_t m_startMicros = -1;
    int64_t m_lastPresentMicros = -1;
};
