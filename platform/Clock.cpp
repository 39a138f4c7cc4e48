#include "Clock.h"

#include <atomic>
#include <thread>

namespace vornik::platform {

std::int64_t SystemClock::nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void SystemClock::sleepFor(std::chrono::milliseconds ms) {
    if (ms.count() > 0) std::this_thread::sleep_for(ms);
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
