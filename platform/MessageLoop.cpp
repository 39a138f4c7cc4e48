#include "MessageLoop.h"

namespace vornik::platform {

MessageLoop::MessageLoop(std::string className, Handler handler)
    : m_className(std::move(className)), m_handler(std::move(handler)) {
    // The loop thread waits for this lock, so it sees m_threadId set.
    std::unique_lock<std::mutex> g(m_lock);
    m_thread = std::thread([this] { run(); });
    m_threadId = m_thread.get_id();
}

MessageLoop::~MessageLoop() {
    {
        std::lock_guard<std::mutex> g(m_lock);
        m_stop = true;
        m_timers.clear();
    }
    m_wake.notify_all();
    if (m_thread.joinable()) m_thread.join();  // never destroy a loop from its own handler
    std::lock_guard<std::mutex> g(m_lock);
    m_doneCv.notify_all();
}

void MessageLoop::run() {
    std::unique_lock<std::mutex> g(m_lock);
    for (;;) {
        if (m_stop) break;
        if (!m_queue.empty()) {
            Item item = std::move(m_queue.front());
            m_queue.pop_front();
            g.unlock();
            try {
                item.work();
            } catch (...) {
            }
            g.lock();
            if (item.done) {
                *item.done = true;
                m_doneCv.notify_all();
            }
            continue;
        }
        // The earliest due timer, if any.
        auto now = std::chrono::steady_clock::now();
        unsigned dueId = 0;
        bool due = false;
        auto next = std::chrono::steady_clock::time_point::max();
        for (auto& [id, t] : m_timers) {
            if (t.next <= now && !due) {
                dueId = id;
                due = true;
            }
            if (t.next < next) next = t.next;
        }
        if (due) {
            Timer& t = m_timers[dueId];
            t.next = now + std::chrono::milliseconds(t.intervalMs);
            g.unlock();
            try {
                m_handler(WM_TIMER_MESSAGE, dueId, 0);
            } catch (...) {
            }
            g.lock();
            continue;
        }
        if (next == std::chrono::steady_clock::time_point::max()) m_wake.wait(g);
        else m_wake.wait_until(g, next);
    }
    // Wake every sender still waiting: its message will not run.
    m_queue.clear();
    m_doneCv.notify_all();
}

bool MessageLoop::PostMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    {
        std::lock_guard<std::mutex> g(m_lock);
        if (m_stop) return false;
        m_queue.push_back(Item{[this, message, wParam, lParam] { m_handler(message, wParam, lParam); }, nullptr});
    }
    m_wake.notify_all();
    return true;
}

bool MessageLoop::enqueueAndWait(std::function<void()> work) {
    bool done = false;
    std::unique_lock<std::mutex> g(m_lock);
    if (m_stop) return false;
    m_queue.push_back(Item{std::move(work), &done});
    m_wake.notify_all();
    m_doneCv.wait(g, [&] { return done || m_stop; });
    if (!done) {
        // Stopped first: take the item out so the loop never touches `done`.
        for (auto it = m_queue.begin(); it != m_queue.end(); ++it)
            if (it->done == &done) {
                m_queue.erase(it);
                break;
            }
    }
    return done;
}

bool MessageLoop::SendMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    if (isLoopThread()) {
        m_handler(message, wParam, lParam);
        return true;
    }
    return enqueueAndWait([this, message, wParam, lParam] { m_handler(message, wParam, lParam); });
}

bool MessageLoop::invoke(const std::function<void()>& fn) {
    if (isLoopThread()) {
        fn();
        return true;
    }
    return enqueueAndWait(fn);
}

void MessageLoop::SetTimer(unsigned id, int intervalMs) {
    {
        std::lock_guard<std::mutex> g(m_lock);
        if (m_stop) return;
        const int ms = intervalMs > 0 ? intervalMs : 1;
        m_timers[id] = Timer{ms, std::chrono::steady_clock::now() + std::chrono::milliseconds(ms)};
    }
    m_wake.notify_all();
}

void MessageLoop::KillTimer(unsigned id) {
    std::lock_guard<std::mutex> g(m_lock);
    m_timers.erase(id);
}

bool MessageLoop::hasTimer(unsigned id) const {
    std::lock_guard<std::mutex> g(m_lock);
    return m_timers.count(id) != 0;
}

}  // namespace vornik::platform
