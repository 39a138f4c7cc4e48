#include "infra/CDevice.h"
#include "infra/Errors.h"
#include "status/EventQueue.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

using namespace vornik::so;

namespace {

// Collects what the delivery thread hands out.
struct Delivered {
    std::mutex lock;
    std::condition_variable cv;
    std::vector<OposEvent> events;
    void operator()(const OposEvent& e) {
        std::lock_guard<std::mutex> g(lock);
        events.push_back(e);
        cv.notify_all();
    }
    bool waitFor(std::size_t n) {
        std::unique_lock<std::mutex> g(lock);
        return cv.wait_for(g, std::chrono::seconds(5), [&] { return events.size() >= n; });
    }
    std::vector<int> types() {
        std::lock_guard<std::mutex> g(lock);
        std::vector<int> t;
        for (auto& e : events) t.push_back(e.type);
        return t;
    }
    std::vector<int> values() {
        std::lock_guard<std::mutex> g(lock);
        std::vector<int> v;
        for (auto& e : events) v.push_back(e.value1);
        return v;
    }
};

OposEvent ev(int type, int value = 0) { return OposEvent{type, value}; }

template <typename Fn>
std::string thrown(Fn fn) {
    try {
        fn();
    } catch (const OposQueueError& e) {
        return e.what();
    }
    return "";
}

TEST(EventQueue, EventsWaitUntilTheirTypeIsEnabledThenComeInOrder) {
    Delivered d;
    EventQueue q;
    q.SetCallback(std::ref(d));
    q.SetAllowableEvents(31);
    q.PushEvent(ev(16, 11));
    q.PushEvent(ev(8, 1));
    q.PushEvent(ev(16, 12));
    q.PushEvent(ev(1, 5));
    EXPECT_EQ(q.EventCount(16), 2);
    EXPECT_EQ(q.EventCount(8), 1);
    EXPECT_EQ(q.EventCount(1), 1);
    q.SetEnabledEvents(16);
    ASSERT_TRUE(d.waitFor(2));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(d.values(), (std::vector<int>{11, 12}));
    EXPECT_EQ(q.EventCount(16), 0);
    EXPECT_EQ(q.EventCount(8), 1) << "other types stay queued";
    q.SetEnabledEvents(31);
    ASSERT_TRUE(d.waitFor(4));
    EXPECT_EQ(d.types(), (std::vector<int>{16, 16, 8, 1}));
}

TEST(EventQueue, RefusesWhatItMayNotQueueAndBadMasks) {
    EventQueue q;
    EXPECT_EQ(thrown([&] { q.PushEvent(ev(16)); }), "Unable to queue the specified event type.");
    EXPECT_EQ(q.EventCount(16), 0);
    EXPECT_EQ(thrown([&] { q.SetAllowableEvents(32); }), "Invalid event type passed to SetAllowableEvents.");
    EXPECT_EQ(thrown([&] { q.SetEnabledEvents(40); }), "Invalid event type passed to SetEnabledEvents.");
    EXPECT_EQ(thrown([&] { q.EventCount(3); }), "Invalid Event Type.");
    q.SetAllowableEvents(16);
    EXPECT_EQ(thrown([&] { q.PushEvent(ev(8)); }), "Unable to queue the specified event type.");
}

TEST(EventQueue, RemoveAndClear) {
    EventQueue q;
    q.SetAllowableEvents(31);
    for (int t : {1, 1, 16, 1, 4}) q.PushEvent(ev(t));
    q.RemoveEventsOfType(1);
    EXPECT_EQ(q.EventCount(1), 0);
    EXPECT_EQ(q.EventCount(16), 1);
    EXPECT_EQ(q.EventCount(4), 1);
    q.ClearEvents();
    EXPECT_EQ(q.EventCount(16) + q.EventCount(4), 0);
}

TEST(EventQueue, AutoDisableComesBeforeTheDataEvent) {
    Delivered d;
    EventQueue q;
    q.SetCallback(std::ref(d));
    q.SetAllowableEvents(31);
    q.SetAutoDisable(true);
    q.SetEnabledEvents(1);
    q.PushEvent(ev(1, 7));
    ASSERT_TRUE(d.waitFor(2));
    EXPECT_EQ(d.types(), (std::vector<int>{EVENT_DISABLE_REQUEST, 1}));
}

TEST(EventChecks, WrongTypesAreRefused) {
    EXPECT_NO_THROW(CheckStatusUpdateEvent(ev(16)));
    EXPECT_THROW(CheckStatusUpdateEvent(ev(8)), OposEventError);
    EXPECT_THROW(CheckOutputCompleteEvent(ev(16)), OposEventError);
    EXPECT_THROW(CheckDataEvent(ev(4)), OposEventError);
    EXPECT_THROW(CheckErrorEvent(ev(1)), OposEventError);
}

TEST(DeviceEvents, FreezeBitsAndDataEventsDriveTheEnabledMask) {
    CDevice d;
    d.setFlag(FLAG_OPENED, true);
    d.FreezeEvents();
    EXPECT_EQ(d.m_eventQueue.GetEnabledEvents(), 6);
    d.setFlag(FLAG_ASYNC_MODE, true);
    d.DataEventEnable(true);
    EXPECT_EQ(d.m_eventQueue.GetEnabledEvents(), 7);
    d.FreezeEvents();
    EXPECT_EQ(d.m_eventQueue.GetEnabledEvents(), 15);

    d.setFlag(FLAG_CO_FROZEN, true);  // frozen by the control object
    d.FreezeEvents();
    EXPECT_EQ(d.m_eventQueue.GetEnabledEvents(), 0);
    d.setFlag(FLAG_FREEZE_EVENTS, false);  // lifting the property alone does not thaw
    d.FreezeEvents();
    EXPECT_EQ(d.m_eventQueue.GetEnabledEvents(), 0);
    d.DataEventEnable(true);
    EXPECT_EQ(d.m_eventQueue.GetEnabledEvents(), 0) << "no data bit while frozen";
    d.setFlag(FLAG_CO_FROZEN, false);
    d.FreezeEvents();
    EXPECT_EQ(d.m_eventQueue.GetEnabledEvents(), 15);
    d.DataEventEnable(false);
    EXPECT_EQ(d.m_eventQueue.GetEnabledEvents(), 14);
    EXPECT_FALSE(d.hasFlag(FLAG_DATA_EVENT_ENABLED));
}

// Producers on several threads; counts and delivery stay consistent (run under TSan).
TEST(EventQueue, ManyProducersLoseNothing) {
    Delivered d;
    EventQueue q;
    q.SetCallback(std::ref(d));
    q.SetAllowableEvents(31);
    q.SetEnabledEvents(24);
    std::vector<std::thread> producers;
    for (int t = 0; t < 4; ++t)
        producers.emplace_back([&q, t] {
            for (int i = 0; i < 500; ++i) q.PushEvent(ev(i % 2 ? 16 : 8, t * 1000 + i));
        });
    for (auto& p : producers) p.join();
    ASSERT_TRUE(d.waitFor(2000));
    // Each producer's events arrive in the order it pushed them.
    std::vector<int> last(4, -1);
    for (int v : d.values()) {
        EXPECT_GT(v % 1000, last[v / 1000]);
        last[v / 1000] = v % 1000;
    }
}

}  // namespace
