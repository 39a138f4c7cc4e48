// Helpers shared by the suites: a clock that does not sleep, shortened I/O
// waits, and a virtual printer on its own loopback address.
#pragma once

#include "IoWaits.h"
#include "VirtualPrinter.h"
#include "platform/Clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <string>
#include <vector>

namespace vornik::test {

// Records every pause instead of sleeping.
class RecordingClock final : public platform::Clock {
public:
    std::int64_t nowMs() override { return m_now; }
    void sleepFor(std::chrono::milliseconds ms) override {
        std::lock_guard<std::mutex> g(m_lock);
        m_sleeps.push_back(static_cast<int>(ms.count()));
        m_now += ms.count();
    }
    std::vector<int> sleeps() {
        std::lock_guard<std::mutex> g(m_lock);
        return m_sleeps;
    }

private:
    std::mutex m_lock;
    std::vector<int> m_sleeps;
    std::int64_t m_now = 0;
};

// Installs a RecordingClock and short I/O waits for one test; restores both.
class FastWaits {
public:
    FastWaits() {
        m_saved = devio::ioWaits();
        auto& w = devio::ioWaits();
        w.netReceiveMs = 300;
        w.netSendMs = 1000;
        w.netDrainMs = 1000;
        w.serialIoMs = 300;
        w.usbIoMs = 300;
        w.lptIoMs = 300;
        m_previous = platform::setProcessClock(&clock);
    }
    ~FastWaits() {
        devio::ioWaits() = m_saved;
        platform::setProcessClock(m_previous);
    }
    RecordingClock clock;

private:
    devio::IoWaits m_saved;
    platform::Clock* m_previous;
};

// A virtual printer on a pseudo-terminal (its line's path in `line`), with
// the fast waits: the fixture of the serial, USB and parallel transport tests.
class PtyPrinterTest : public testing::Test {
protected:
    void SetUp() override {
        std::string error;
        line = printer.openPty(&error);
        ASSERT_FALSE(line.empty()) << error;
        ASSERT_TRUE(printer.start());
    }
    FastWaits waits;
    vprinter::VirtualPrinter printer;
    std::string line;
};

// Milliseconds that fn takes.
template <typename Fn>
long elapsedMs(Fn fn) {
    auto t0 = std::chrono::steady_clock::now();
    fn();
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count());
}

}  // namespace vornik::test
