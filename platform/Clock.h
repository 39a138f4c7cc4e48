// The one clock through which every deliberate pause of the system goes.
//
// Stands in for Sleep() and GetTickCount(): code that waits by design (a fixed
// pause before a read, a settle time after a connect) calls sleepFor() on the
// process clock instead of sleeping directly, so that tests can install a
// clock that records the pause and returns at once. Waits on I/O (a socket or a
// tty becoming readable) are not pauses and use the kernel's own time-outs.
#pragma once

#include <chrono>
#include <cstdint>

namespace vornik::platform {

class Clock {
public:
    virtual ~Clock() = default;
    // Monotonic milliseconds since an arbitrary start.
    virtual std::int64_t nowMs() = 0;
    // Blocks the calling thread for ms milliseconds (0 or less returns at once).
    virtual void sleepFor(std::chrono::milliseconds ms) = 0;
};

// The real clock: steady_clock and std::this_thread::sleep_for. The
// environment variable VORNIK_PAUSE_DIVISOR=n divides every pause by n.
class SystemClock final : public Clock {
public:
    std::int64_t nowMs() override;
    void sleepFor(std::chrono::milliseconds ms) override;
};

// The process clock; the SystemClock unless a test installed another.
Clock& processClock();

// Installs clock as the process clock (nullptr restores the SystemClock).
// Returns the clock that was installed before. Not meant to be called while
// other threads sleep on the clock.
Clock* setProcessClock(Clock* clock);

}  // namespace vornik::platform
