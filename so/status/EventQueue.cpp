#include "EventQueue.h"

#include "infra/Errors.h"

namespace vornik::so {

void CheckDataEvent(const OposEvent& e) {
    if (e.type != EVENT_DATA) throw OposEventError(msg::kInvalidDataEvent);
}
void CheckErrorEvent(const OposEvent& e) {
    if (e.type != EVENT_ERROR) throw OposEventError(msg::kInvalidErrorEvent);
}
void CheckOutputCompleteEvent(const OposEvent& e) {
    if (e.type != EVENT_OUTPUT_COMPLETE) throw OposEventError(msg::kInvalidOutputCompleteEvent);
}
void CheckStatusUpdateEvent(const OposEvent& e) {
    if (e.type != EVENT_STATUS_UPDATE) throw OposEventError(msg::kInvalidStatusUpdateEvent);
}

EventQueue::EventQueue() { m_thread = std::thread([this] { run(); }); }

EventQueue::~EventQueue() { StopDelivery(); }

void EventQueue::StopDelivery() {
    {
        std::lock_guard<std::mutex> g(m_lock);
        m_stop = true;
    }
    m_signal.notify_all();
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id()) m_thread.join();
}

int EventQueue::slot(int type) {
    switch (type) {
    case 1: return 0;
    case 2: return 1;
    case 4: return 2;
    case 8: return 3;
    case 16: return 4;
    default: return -1;
    }
}

void EventQueue::SetAllowableEvents(int mask) {
    if (mask >= 32) throw OposQueueError(msg::kInvalidAllowableEvents);
    m_allowableMask.store(mask);
}

void EventQueue::SetEnabledEvents(int mask) {
    if (mask >= 32) throw OposQueueError(msg::kInvalidEnabledEvents);
    {
        std::lock_guard<std::mutex> g(m_lock);
        if (mask == m_enabledMask) return;
        m_enabledMask = mask;
        m_work = true;
    }
    m_signal.notify_all();
}

int EventQueue::GetEnabledEvents() const {
    std::lock_guard<std::mutex> g(m_lock);
    return m_enabledMask;
}

int EventQueue::GetAllowableEvents() const { return m_allowableMask.load(); }

void EventQueue::PushEvent(const OposEvent& event) {
    if ((event.type & m_allowableMask.load()) == 0) throw OposQueueError(msg::kCannotQueue);
    {
        std::lock_guard<std::mutex> g(m_lock);
        if (event.type == EVENT_DATA && m_autoDisable) m_disablePending = true;
        m_events.push_back(event);
        if (int s = slot(event.type); s >= 0) ++m_counts[s];
        m_work = true;
    }
    m_signal.notify_all();
}

int EventQueue::EventCount(int type) const {
    const int s = slot(type);
    if (s < 0) throw OposQueueError(msg::kInvalidEventType);
    std::lock_guard<std::mutex> g(m_lock);
    return m_counts[s];
}

void EventQueue::RemoveEventsOfType(int type) {
    std::lock_guard<std::mutex> g(m_lock);
    for (auto it = m_events.begin(); it != m_events.end();) {
        if (it->type == type) {
            if (int s = slot(type); s >= 0) --m_counts[s];
            it = m_events.erase(it);
        } else {
            ++it;
        }
    }
}

void EventQueue::ClearEvents() {
    std::lock_guard<std::mutex> g(m_lock);
    m_events.clear();
    for (int& c : m_counts) c = 0;
}

void EventQueue::SetCallback(Callback callback) {
    std::lock_guard<std::mutex> g(m_lock);
    m_callback = std::move(callback);
}

void EventQueue::SetAutoDisable(bool on) {
    std::lock_guard<std::mutex> g(m_lock);
    m_autoDisable = on;
}

void EventQueue::run() {
    std::unique_lock<std::mutex> g(m_lock);
    for (;;) {
        m_signal.wait(g, [&] { return m_stop || m_work; });
        if (m_stop) return;
        Callback callback = m_callback;
        if (m_disablePending) {
            m_disablePending = false;
            g.unlock();
            if (callback) callback(OposEvent{EVENT_DISABLE_REQUEST});
            g.lock();
            continue;
        }
        bool taken = false;
        OposEvent event;
        for (auto it = m_events.begin(); it != m_events.end(); ++it) {
            if ((it->type & m_enabledMask) == 0) continue;
            event = std::move(*it);
            m_events.erase(it);
            if (int s = slot(event.type); s >= 0) --m_counts[s];
            taken = true;
            break;
        }
        if (!taken) {
            m_work = false;
            continue;
        }
        g.unlock();
        if (callback) callback(event);
        g.lock();
    }
}

}  // namespace vornik::so
