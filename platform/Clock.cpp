#include "Clock.h"

#include <atomic>
#include <cstdlib>
#include <thread>

namespace vornik::platform {

std::int64_t SystemClock::nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void SystemClock::sleepFor(std::chrono::milliseconds ms) {
    // VORNIK_PAUSE_DIVISOR=n shortens every deliberate pause n times (tests and
    // demos of a library loaded with dlopen, which has its own process clock).
    static const long divisor = [] {
        const char* v = std::getenv("VORNIK_PAUSE_DIVISOR");
        const long n = v ? std::strtol(v, nullptr, 10) : 1;
        return n >= 1 ? n : 1;
    }();
    if (ms.count() > 0) std::this_thread::sleep_for(ms / divisor);
}

namespace {
SystemClock g_systemClock;
std::atomic<Clock*> g_clock{&g_systemClock};
}  // namespace

Clock& processClock() { return *g_clock.load(std::memory_order_acquire); }

Clock* setProcessClock(Clock* clock) {
    return g_clock.exchange(clock ? clock : &g_systemClock, std::memory_order_acq_rel);
}

}  // namespace vornik::platform
