#pragma once

#include <QObject>
#include <QPointer>

#include <cstdint>

class QScreen;
class QTimer;

// Ticks once per refresh of a screen, for a window that steps its renderer and presents
// what changed: the drawing keeps pace with what the display can show, and the event loop
// runs between ticks. The rate is the screen's (the toolkit reads it from XRandR on X11);
// an unknown or implausible rate counts as 60 Hz. The timer works in whole milliseconds, so
// each tick is aimed at the next multiple of the exact period from the start: over a second
// the ticks come at the screen's rate, not at the nearest whole-millisecond interval's.
class RefreshTimer final : public QObject {
    Q_OBJECT

public:
    static constexpr double kFallbackHertz = 60.0;

    explicit RefreshTimer(QObject* parent = nullptr);

    // The screen whose rate to follow; null: the primary screen.
    void setScreen(QScreen* screen);
    void start();
    void stop();
    bool isActive() const;
    // The period in microseconds (from the screen's rate).
    int64_t periodMicros() const;

    // Microseconds of a monotonic clock, the time base of the ticks.
    static int64_t nowMicros();
    // The rate a screen reports, or the fallback when it reports none that is plausible.
    static double rateOf(const QScreen* screen);

signals:
    // One display refresh has passed; nowMicros on the nowMicros clock.
    void tick(int64_t nowMicros);

private:
    void onTimeout();
    void scheduleNext();

    QTimer* m_timer = nullptr;
    QPointer<QScreen> m_screen;
    int64_t m_nextTickMicros = 0;
};
