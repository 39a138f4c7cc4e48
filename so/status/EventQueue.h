// The per-service-object event queue and its delivery thread.
//
// Producers (the status monitor, the print methods, the drawer) push events
// from any thread; the delivery thread hands them, oldest first among the
// enabled types, to the owner's callback, one at a time. Two masks filter:
// allowable (what PushEvent accepts) and enabled (what the thread hands out);
// events of types that are not enabled wait in the queue. With auto-disable
// on, a data event makes the thread first ask the owner to disable the device
// (a callback with type -1).
//
// The queue's lock guards the events, the counts and the auto-disable fields;
// it is never held while the callback runs.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace vornik::so {

enum EventType : int {
    EVENT_DATA = 1,
    EVENT_DIRECT_IO = 2,
    EVENT_ERROR = 4,
    EVENT_OUTPUT_COMPLETE = 8,
    EVENT_STATUS_UPDATE = 16,
    EVENT_DISABLE_REQUEST = -1,
};

struct OposEvent {
    int type = 0;
    int value1 = 0;  // data: status; error: result code; output complete: output ID; status update: status
    int value2 = 0;  // error: extended result code
    int value3 = 0;  // error: error locus
    std::string text;
};

// The checks of the handlers: the event's values when it has the type, else
// OposEventError ("Invalid Data Event", ...).
void CheckDataEvent(const OposEvent& e);
void CheckErrorEvent(const OposEvent& e);
void CheckOutputCompleteEvent(const OposEvent& e);
void CheckStatusUpdateEvent(const OposEvent& e);

class EventQueue {
public:
    using Callback = std::function<void(const OposEvent&)>;

    EventQueue();   // starts the delivery thread
    ~EventQueue();  // stops it and waits for it; queued events are dropped
    // Stops the delivery thread and waits for a callback in progress to end;
    // afterwards events are still queued but never delivered. Idempotent.
    void StopDelivery();
    EventQueue(const EventQueue&) = delete;
    EventQueue& operator=(const EventQueue&) = delete;

    // mask >= 32 throws OposQueueError.
    void SetAllowableEvents(int mask);
    void SetEnabledEvents(int mask);
    int GetEnabledEvents() const;
    int GetAllowableEvents() const;

    // Throws OposQueueError when the type is not allowable.
    void PushEvent(const OposEvent& event);
    // Queued events of type 1, 2, 4, 8 or 16; other types throw OposQueueError.
    int EventCount(int type) const;
    void RemoveEventsOfType(int type);
    void ClearEvents();

    // Set by the owner before events flow; runs on the delivery thread.
    void SetCallback(Callback callback);
    void SetAutoDisable(bool on);

private:
    static int slot(int type);  // 0..4, or -1
    void run();

    mutable std::mutex m_lock;
    std::condition_variable m_signal;
    std::deque<OposEvent> m_events;
    int m_counts[5] = {0, 0, 0, 0, 0};
    std::atomic<int> m_allowableMask{0};
    int m_enabledMask = 0;
    bool m_work = false;
    bool m_stop = false;
    bool m_autoDisable = false;
    bool m_disablePending = false;
    Callback m_callback;
    std::thread m_thread;
};

}  // namespace vornik::so
