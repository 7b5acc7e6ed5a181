#pragma once

#include "platform/idle_source.h"

#include <cstdint>
#include <memory>

struct xcb_connection_t;

// The X server's idle time through the SYNC extension's IDLETIME counter and one alarm on it:
// while waiting for idleness the alarm fires when the counter reaches the idle time, while
// idle it fires when the counter falls below it (input, or a player resetting the screen
// saver). The server itself times the alarm, so the connection stays quiet in between.
class X11IdleSource final : public IdleSource {
public:
    // Connects to $DISPLAY. Null, with the reason in *error, when there is no server or it has
    // no SYNC extension or IDLETIME counter.
    static std::unique_ptr<X11IdleSource> open(std::string* error);
    ~X11IdleSource() override;

    const char* name() const override { return "X11 SYNC IDLETIME"; }
    int fileDescriptor() const override;
    bool watch(int idleMilliseconds, Listener listener) override;
    bool dispatch() override;
    bool blank() override;

private:
    X11IdleSource() = default;
    // Sets the alarm to fire on the next change away from the state reported last.
    void armAlarm();

    xcb_connection_t* m_connection = nullptr;
    uint32_t m_counter = 0;
    uint32_t m_alarm = 0;
    uint8_t m_alarmEvent = 0;
    int64_t m_idleMilliseconds = 0;
    bool m_idle = false;
    Listener m_listener;
};

// Whether XScreenSaver's daemon runs on the server of $DISPLAY: it marks the root window or a
// window of its own below the root with the "_SCREENSAVER_VERSION" property.
bool x11ScreenSaverDaemonRuns();
