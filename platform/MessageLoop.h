// The stand-in for a service object's hidden window: a message loop on a
// thread of its own, with window messages and timers.
//
//  * PostMessage queues a message and returns.
//  * SendMessage from the loop's own thread calls the handler directly; from
//    any other thread it queues the message and waits until the handler has
//    run (or the loop has stopped).
//  * SetTimer(id, ms) makes the loop deliver WM_TIMER (275) with wParam = id
//    every ms milliseconds, without anybody pumping anything.
//  * invoke(fn) runs fn on the loop thread and waits: the service objects run
//    every dispatch call this way, so that the loop thread is the one owner of
//    their state, as a single-threaded apartment would make it.
// The handler runs on the loop thread only; an exception out of it is caught
// and dropped.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>

namespace vornik::platform {

inline constexpr unsigned WM_TIMER_MESSAGE = 275;

class MessageLoop {
public:
    using Handler = std::function<void(unsigned message, std::uintptr_t wParam, std::intptr_t lParam)>;

    // className names the loop in diagnostics ("CPrinterWindow").
    MessageLoop(std::string className, Handler handler);
    ~MessageLoop();  // stops the timers and the thread; queued messages are dropped
    MessageLoop(const MessageLoop&) = delete;
    MessageLoop& operator=(const MessageLoop&) = delete;

    bool PostMessage(unsigned message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);
    // False when the loop stopped before the message was handled.
    bool SendMessage(unsigned message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);
    void SetTimer(unsigned id, int intervalMs);
    void KillTimer(unsigned id);
    bool hasTimer(unsigned id) const;

    // Runs fn on the loop thread and waits for it; false when the loop stopped first.
    bool invoke(const std::function<void()>& fn);
    bool isLoopThread() const { return std::this_thread::get_id() == m_threadId; }
    const std::string& className() const { return m_className; }

private:
    struct Item {
        std::function<void()> work;  // a message or an invoked function
        bool* done = nullptr;        // set by the loop for waiting senders
    };
    struct Timer {
        int intervalMs;
        std::chrono::steady_clock::time_point next;
    };

    void run();
    bool enqueueAndWait(std::function<void()> work);

    std::string m_className;
    Handler m_handler;
    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    std::condition_variable m_doneCv;
    std::deque<Item> m_queue;
    std::map<unsigned, Timer> m_timers;
    bool m_stop = false;
    std::thread m_thread;
    std::thread::id m_threadId;
};

}  // namespace vornik::platform
