// The path from a service object to its control object's event methods
// ("SOData", "SODirectIO", "SOError", "SOStatusUpdate", "SOOutputComplete").
#pragma once

#include "platform/Com.h"

#include <mutex>

namespace vornik::so {

class ControlObjectEvents {
public:
    ControlObjectEvents() = default;
    ~ControlObjectEvents();
    ControlObjectEvents(const ControlObjectEvents&) = delete;
    ControlObjectEvents& operator=(const ControlObjectEvents&) = delete;

    // Keeps the control object's dispatch interface (a reference is held
    // until the next Attach or destruction) and looks up the five names; a
    // failed look-up stores 0.
    void Attach(platform::IDispatch* dispatch);
    // Invoke SOData, SOStatusUpdate or SOOutputComplete with one VT_I4; a
    // failed Invoke (or no control object) throws OposEventError. Callable
    // from any thread.
    void FireDataEvent(int status);
    void FireStatusUpdateEvent(int status);
    void FireOutputCompleteEvent(int outputId);

    enum Name { SOData, SODirectIO, SOError, SOStatusUpdate, SOOutputComplete, kNames };
    platform::DISPID dispid(Name name) const;

private:
    void fire(Name name, int value, const char* failure);

    mutable std::mutex m_lock;
    platform::IDispatch* m_dispatch = nullptr;
    platform::DISPID m_ids[kNames] = {0, 0, 0, 0, 0};
};

}  // namespace vornik::so
