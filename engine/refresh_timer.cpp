#include "engine/refresh_timer.h"

#include "platform/monotonic_clock.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace {

// Rates outside this range are taken for a driver's mistake.
constexpr double kLowestHertz = 20.0;
constexpr double kHighestHertz = 500.0;

} // namespace

RefreshTimer::RefreshTimer(QObject* parent)
    : QObject(parent)
    , m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &RefreshTimer::onTimeout);
}

void RefreshTimer::setScreen(QScreen* screen) { m_screen = screen; }

double RefreshTimer::rateOf(const QScreen* screen)
{
    const double rate = screen != nullptr ? screen->refreshRate() : 0.0;
    return std::isfinite(rate) && rate >= kLowestHertz && rate <= kHighestHertz ? rate : kFallbackHertz;
}

int64_t RefreshTimer::periodMicros() const
{
    const QScreen* screen = m_screen != nullptr ? m_screen.data() : QGuiApplication::primaryScreen();
    return std::llround(1e6 / rateOf(screen));
}

int64_t RefreshTimer::nowMicros()
{
    return monotonicMicros();
}

void RefreshTimer::start()
{
    if (m_timer->isActive())
        return;
    m_nextTickMicros = nowMicros();
    m_timer->start(0); // the first tick at once
}

void RefreshTimer::stop() { m_timer->stop(); }

bool RefreshTimer::isActive() const { return m_timer->isActive(); }

void RefreshTimer::onTimeout()
{
    const int64_t now = nowMicros();
    scheduleNext();
    emit tick(now);
}

void RefreshTimer::scheduleNext()
{
    const int64_t period = periodMicros();
    const int64_t now = nowMicros();
    m_nextTickMicros += period;
    // After a stall the ticks start again from now rather than coming in a burst.
    if (m_nextTickMicros < now)
        m_nextTickMicros = now + period;
    const int64_t waitMicros = m_nextTickMicros - now;
    m_timer->start(static_cast<int>((waitMicros + 500) / 1000));
}
