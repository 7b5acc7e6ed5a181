#pragma once

#include "presets/idle_choices.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The idle service's decisions, free of the toolkit and of every bus: who holds the saver
// off, when it starts, and how a stored choice becomes the saver's command line.

// One holder of an inhibition, as a client asked for it over the session bus.
struct Inhibitor {
    uint32_t cookie = 0;
    std::string owner; // the client's unique bus name; its leaving releases the cookie
    std::string application;
    std::string reason;
};

// The inhibitions held. A cookie is never 0 and is not handed out again while the service
// runs, so a client that releases twice never frees somebody else's.
class InhibitorList {
public:
    uint32_t add(std::string owner, std::string application, std::string reason);
    // Only the client that took a cookie may release it. False when it held no such cookie.
    bool remove(uint32_t cookie, std::string_view owner);
    // Releases every cookie of a client that left the bus; how many there were.
    int removeOwner(std::string_view owner);
    bool empty() const { return m_held.empty(); }
    const std::vector<Inhibitor>& held() const { return m_held; }

private:
    std::vector<Inhibitor> m_held;
    uint32_t m_nextCookie = 1;
};

// Whether logind's list of blocking inhibitions ("BlockInhibited", colon-separated, such
// as "handle-lid-switch:idle:sleep") holds an idle inhibition.
bool logindBlocksIdle(std::string_view blockInhibited);

// When the saver starts. The idle source reports the beginning and the end of idleness; the
// saver starts while the session is idle, nothing inhibits it and none runs yet. A saver that
// ended while the session still counts as idle (killed, crashed, or ended before the source
// saw the input), a released last inhibitor and a client's simulated activity all ask for a
// fresh full idle period first, so the saver never starts straight after a film or restarts
// in a loop; the service times that period and reports its end with waitOver().
class IdleRules {
public:
    void idleBegan() { m_idle = true; }
    void activityResumed();
    void saverStarted() { m_saverRunning = true; }
    // True when the service must now time a fresh idle period.
    bool saverEnded();
    // The last inhibitor went, or a client simulated activity: true when a fresh idle
    // period must be timed.
    bool restartWait();
    void waitOver() { m_waitingAgain = false; }

    bool idle() const { return m_idle; }
    bool saverRunning() const { return m_saverRunning; }
    bool shouldStartSaver(bool inhibited) const { return m_idle && !m_waitingAgain && !m_saverRunning && !inhibited; }

private:
    bool m_idle = false;
    bool m_saverRunning = false;
    bool m_waitingAgain = false;
};

// How the saver shows: drawing as usual, at the reduced battery rate, or black (the display
// server's own blanking, which lets the screens power down).
enum class SaverLook { Drawing, Reduced, Black };

SaverLook saverLook(bool onBattery, BatteryChoice choice);
// The saver's command line after the program's path for a drawing look.
std::vector<std::string> saverArguments(SaverLook look, bool wayland);

// The text --idle-status prints for a running service.
// The login manager's idle locks are listed after the bus clients' inhibitors.
std::string idleStatusText(std::string_view source, int idleSeconds, bool saverRunning,
                           const std::vector<Inhibitor>& inhibitors, const std::vector<Inhibitor>& loginLocks);

