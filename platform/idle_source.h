#pragma once

#include <functional>

// A session's report of idleness: after a given time without input it says "idle", at the
// next input "active again". Each desktop offers it differently (an X11 server counter, a
// Wayland protocol, a D-Bus service); the idle service waits on fileDescriptor() in its
// own event loop and calls dispatch() when it is readable, so nothing polls.
class IdleSource {
public:
    // true: the session has been idle for the watched time; false: input came.
    using Listener = std::function<void(bool idle)>;

    virtual ~IdleSource() = default;

    // Short name for the status text ("X11 SYNC IDLETIME", ...).
    virtual const char* name() const = 0;
    // -1 for a source that reports through the toolkit's own event loop (a bus connection).
    virtual int fileDescriptor() const = 0;
    // Starts watching for the given idle time. The listener hears every change from then on,
    // "idle" at once when the session is already idle that long.
    virtual bool watch(int idleMilliseconds, Listener listener) = 0;
    // Reads what arrived on the descriptor. False when the connection is gone.
    virtual bool dispatch() = 0;
    // Asks the display server to blank the screens with its own screen saver, which input ends
    // and which lets the screens power down. False where the session offers no such request.
    virtual bool blank() { return false; }
};
