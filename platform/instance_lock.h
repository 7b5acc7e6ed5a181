#pragma once

#include <string>

// The per-user single-instance lock of the configure and saver modes ("QUILLRUNC",
// "QUILLRUNS"). It is an exclusive flock on a file of that name in $XDG_RUNTIME_DIR, or,
// when that is not set, in the program's config folder ($XDG_CONFIG_HOME/opal-revel,
// default ~/.config/opal-revel). The kernel releases the lock when the process ends, however
// it ends, so a crashed instance never blocks the next one.
class InstanceLock {
public:
    enum class Outcome {
        Acquired,       // this process holds the lock until it ends (or the object is destroyed)
        HeldElsewhere,  // another process holds it: this instance must not start
        Unavailable,    // no folder or file for the lock could be had; nothing is known
    };

    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Tries to take the lock of the given name without waiting.
    Outcome acquire(const std::string& name);
    bool held() const { return m_descriptor >= 0; }

private:
    int m_descriptor = -1;
};

// The folder that holds the lock files, created if needed; empty when none can be had.
std::string instanceLockFolder();

// The single-instance test of the launchers: true when no other instance holds the lock
// and this one may start. When the lock cannot be had at all, the instance starts anyway,
// as the named mutex would have let it.
bool takeSingleInstance(InstanceLock& lock, const std::string& name);
