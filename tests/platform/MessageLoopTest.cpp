#include "platform/MessageLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

using namespace vornik::platform;

namespace {

struct Recorder {
    std::mutex lock;
    std::vector<std::pair<unsigned, std::uintptr_t>> messages;
    std::vector<std::thread::id> threads;
    void operator()(unsigned m, std::uintptr_t w, std::intptr_t) {
        std::lock_guard<std::mutex> g(lock);
        messages.emplace_back(m, w);
        threads.push_back(std::this_thread::get_id());
    }
    std::size_t count(unsigned message) {
        std::lock_guard<std::mutex> g(lock);
        std::size_t n = 0;
        for (auto& m : messages) n += m.first == message;
        return n;
    }
};

TEST(MessageLoop, SendWaitsForTheHandlerOnTheLoopThread) {
    Recorder r;
    MessageLoop loop("CPrinterWindow", [&](unsigned m, std::uintptr_t w, std::intptr_t l) { r(m, w, l); });
    ASSERT_TRUE(loop.SendMessage(1125, 7));
    ASSERT_EQ(r.messages.size(), 1u) << "handled before SendMessage returned";
    EXPECT_NE(r.threads[0], std::this_thread::get_id());
    EXPECT_FALSE(loop.isLoopThread());
}

TEST(MessageLoop, PostedMessagesKeepTheirOrder) {
    Recorder r;
    MessageLoop loop("W", [&](unsigned m, std::uintptr_t w, std::intptr_t l) { r(m, w, l); });
    for (std::uintptr_t i = 0; i < 50; ++i) loop.PostMessage(1128, i);
    loop.SendMessage(1126);  // queued behind the posts
    ASSERT_EQ(r.messages.size(), 51u);
    for (std::uintptr_t i = 0; i < 50; ++i) EXPECT_EQ(r.messages[i].second, i);
}

TEST(MessageLoop, SendFromTheLoopThreadIsADirectCall) {
    std::atomic<int> depth{0}, maxDepth{0};
    MessageLoop* self = nullptr;
    MessageLoop loop("W", [&](unsigned m, std::uintptr_t, std::intptr_t) {
        int d = ++depth;
        maxDepth = std::max(maxDepth.load(), d);
        if (m == 1) self->SendMessage(2);
        --depth;
    });
    self = &loop;
    ASSERT_TRUE(loop.SendMessage(1));
    EXPECT_EQ(maxDepth.load(), 2) << "the inner message ran inside the outer one";
    bool onLoop = false;
    loop.invoke([&] { onLoop = loop.isLoopThread(); });
    EXPECT_TRUE(onLoop);
}

TEST(MessageLoop, TimersTickWithoutPumpingAndStopWhenKilled) {
    Recorder r;
    MessageLoop loop("W", [&](unsigned m, std::uintptr_t w, std::intptr_t l) { r(m, w, l); });
    loop.SetTimer(10, 20);
    loop.SetTimer(11, 25);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (r.count(WM_TIMER_MESSAGE) < 6 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_GE(r.count(WM_TIMER_MESSAGE), 6u);
    {
        std::lock_guard<std::mutex> g(r.lock);
        bool saw10 = false, saw11 = false;
        for (auto& m : r.messages) {
            saw10 |= m.second == 10;
            saw11 |= m.second == 11;
        }
        EXPECT_TRUE(saw10 && saw11) << "WM_TIMER carries the timer id";
    }
    loop.KillTimer(10);
    loop.KillTimer(11);
    EXPECT_FALSE(loop.hasTimer(10));
    loop.SendMessage(0);  // let a tick in flight finish
    const std::size_t after = r.count(WM_TIMER_MESSAGE);
    std::this_thread::sleep_for(std::chrono::milliseconds(80));
    EXPECT_EQ(r.count(WM_TIMER_MESSAGE), after);
}

TEST(MessageLoop, AnExceptionInTheHandlerDoesNotStopTheLoop) {
    std::atomic<int> handled{0};
    MessageLoop loop("W", [&](unsigned m, std::uintptr_t, std::intptr_t) {
        ++handled;
        if (m == 1) throw std::runtime_error("handler failed");
    });
    loop.PostMessage(1);
    EXPECT_TRUE(loop.SendMessage(2));
    EXPECT_EQ(handled.load(), 2);
}

}  // namespace
