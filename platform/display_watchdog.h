#pragma once

#include <sys/types.h>

// Puts a switched display mode back even when the saver cannot: killed with SIGKILL, crashed,
// or ended by the out-of-memory killer. Before the saver switches the mode it starts the
// watchdog, a small process (this same program, started again with the environment variable
// below naming its end of a socket pair) that notes the display as it is, answers, and then
// waits on the socket. When the saver has put the display back itself it releases the
// watchdog, which ends without touching anything; when the socket closes without that, the
// saver has died, and the watchdog restores the mode through XRandR and ends.
//
// The watchdog ignores the termination signals a host may send to the saver's whole process
// group: it ends when the saver does, after the restore.

class DisplayWatchdog {
public:
    DisplayWatchdog() = default;
    DisplayWatchdog(const DisplayWatchdog&) = delete;
    DisplayWatchdog& operator=(const DisplayWatchdog&) = delete;
    // Closes the socket: a watchdog that was not released restores the display.
    ~DisplayWatchdog();

    // Starts the watchdog and waits until it has noted the display. False when it could not
    // be started or did not answer in time; the saver then switches without one.
    bool start();
    // The display is as it was (restored, or never switched): the watchdog ends untouched.
    void release();

    bool running() const { return m_socket >= 0; }
    pid_t pid() const { return m_pid; }

private:
    int m_socket = -1;
    pid_t m_pid = -1;
};

// The environment variable that makes a start of the program a watchdog.
constexpr const char* kDisplayWatchdogVariable = "OPAL_REVEL_DISPLAY_WATCHDOG";

// Called first thing in main: when this start is a watchdog, runs it and answers its exit
// status; otherwise answers -1 at once.
int runDisplayWatchdogIfAsked();
