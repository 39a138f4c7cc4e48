// Event delivery: from PushEvent on a service object's queue to the
// application's handler (delivery thread -> "SOStatusUpdate" on the control
// object -> event fd -> dispatchEvents on the application's thread), next to
// a bare condition-variable hand-off between two threads in the same run.
// Prints the median and 99th percentile latency and the events per second.
#include "status/ControlObjectEvents.h"
#include "status/EventQueue.h"
#include "vornik/OposControl.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

using namespace vornik;
using Clock = std::chrono::steady_clock;

namespace {

struct Stats {
    double medianUs, p99Us, perSecond;
};

void report(const char* what, const Stats& s) {
    std::printf("%-34s median %7.1f us   p99 %7.1f us   %10.0f events/s\n", what, s.medianUs, s.p99Us, s.perSecond);
}

Stats summarize(std::vector<double>& us, double perSecond) {
    std::sort(us.begin(), us.end());
    return {us[us.size() / 2], us[us.size() * 99 / 100], perSecond};
}

Stats throughEventPath(int latencyRounds, int burst) {
    opos::POSPrinter control;  // never opened: only its event path is used
    so::EventQueue queue;
    so::ControlObjectEvents events;
    events.Attach(control.dispatch());
    queue.SetCallback([&](const so::OposEvent& e) { events.FireStatusUpdateEvent(e.value1); });
    queue.SetAllowableEvents(31);
    queue.SetEnabledEvents(16);

    long handled = 0;
    control.onStatusUpdate = [&](int) { ++handled; };
    std::vector<double> us;
    for (int i = 0; i < latencyRounds; ++i) {
        const long before = handled;
        const auto t0 = Clock::now();
        queue.PushEvent(so::OposEvent{16, i});
        while (handled == before) {
            control.waitForEvent(1000);
            control.dispatchEvents();
        }
        us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
    }
    // Throughput: a producer pushes a burst while the application dispatches.
    handled = 0;
    const auto t0 = Clock::now();
    std::thread producer([&] {
        for (int i = 0; i < burst; ++i) queue.PushEvent(so::OposEvent{16, i});
    });
    while (handled < burst) {
        control.waitForEvent(1000);
        control.dispatchEvents();
    }
    producer.join();
    const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    events.Attach(nullptr);
    return summarize(us, burst / seconds);
}

Stats bareHandoff(int latencyRounds, int burst) {
    std::mutex m;
    std::condition_variable cv;
    long posted = 0, seen = 0;
    bool stop = false;
    std::atomic<long> consumed{0};
    std::thread consumer([&] {
        std::unique_lock<std::mutex> g(m);
        for (;;) {
            cv.wait(g, [&] { return posted > seen || stop; });
            if (stop && posted == seen) return;
            seen = posted;
            consumed.store(seen);
        }
    });
    std::vector<double> us;
    for (int i = 0; i < latencyRounds; ++i) {
        const auto t0 = Clock::now();
        long target;
        {
            std::lock_guard<std::mutex> g(m);
            target = ++posted;
        }
        cv.notify_one();
        while (consumed.load() < target) std::this_thread::yield();
        us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
    }
    const auto t0 = Clock::now();
    const long start = consumed.load();
    for (int i = 0; i < burst; ++i) {
        {
            std::lock_guard<std::mutex> g(m);
            ++posted;
        }
        cv.notify_one();
    }
    while (consumed.load() < start + burst) std::this_thread::yield();
    const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    {
        std::lock_guard<std::mutex> g(m);
        stop = true;
    }
    cv.notify_one();
    consumer.join();
    return summarize(us, burst / seconds);
}

}  // namespace

int main() {
    const int rounds = 5000, burst = 200000;
    const Stats path = throughEventPath(rounds, burst);
    const Stats bare = bareHandoff(rounds, burst);
    report("PushEvent -> application handler", path);
    report("bare condition-variable hand-off", bare);
    std::printf("ratio (event path / bare): median latency %.1fx, throughput %.2fx\n", path.medianUs / bare.medianUs,
                path.perSecond / bare.perSecond);
    return 0;
}
