// A machine-wide named lock: the stand-in for the named mutex that guards
// exclusive claims ("Vornik_OposPrinter", "QuorvaneOposCashDrawer").
//
// Held per process and counted, as a Windows mutex is re-entrant for the
// thread that owns it: one application may claim several printers, while
// another process waits and gets a time-out. The lock is a file under the
// lock directory (VORNIK_LOCK_DIR, else /tmp/vornik-locks, created with mode
// 1777 so that every user shares it) held with flock, so the kernel frees it
// when its owner process dies: a dead owner never locks a device out.
#pragma once

#include <string>

namespace vornik::platform {

enum class LockWait { Acquired, TimedOut, Failed };

class NamedLock {
public:
    explicit NamedLock(std::string name);
    ~NamedLock();  // releases what this handle still holds
    NamedLock(const NamedLock&) = delete;
    NamedLock& operator=(const NamedLock&) = delete;

    // Waits up to timeoutMs (-1: for ever, 0: just try) for the lock. Each
    // success must be matched by one release().
    LockWait acquire(int timeoutMs);
    // Gives back one acquisition of this handle; false when it holds none.
    bool release();
    // Acquisitions this handle holds.
    int held() const { return m_held; }
    const std::string& name() const { return m_name; }

    // The lock file of a name.
    static std::string pathFor(const std::string& name);

private:
    std::string m_name;
    int m_held = 0;
};

}  // namespace vornik::platform
