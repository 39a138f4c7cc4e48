// The freeze and data-event routines of CDevice.
#include "infra/CDevice.h"

#include "infra/DriverLog.h"

namespace vornik::so {

namespace {
const char kTag[] = "CDevice";
}

void CDevice::FreezeEvents() {
    g_fileLog.Log(4, kTag, ">>> FreezeEvents");
    if (hasFlag(FLAG_FREEZE_EVENTS) || hasFlag(FLAG_CO_FROZEN)) {
        m_eventQueue.SetEnabledEvents(0);
    } else {
        int mask = 0;
        if (hasFlag(FLAG_OPENED)) mask += EVENT_DIRECT_IO | EVENT_ERROR;
        if (hasFlag(FLAG_DATA_EVENT_ENABLED)) mask += EVENT_DATA;
        if (hasFlag(FLAG_ASYNC_MODE)) mask += EVENT_OUTPUT_COMPLETE;
        m_eventQueue.SetEnabledEvents(mask);
    }
    g_fileLog.Log(4, kTag, "<<< FreezeEvents");
}

void CDevice::DataEventEnable(bool enable) {
    g_fileLog.Log(4, kTag, ">>> DataEventEnable");
    g_fileLog.Log(5, kTag, enable ? "    | Enable: True" : "    | Enable: False");
    if (enable) {
        setFlag(FLAG_DATA_EVENT_ENABLED, true);
        if (!hasFlag(FLAG_FREEZE_EVENTS) && !hasFlag(FLAG_CO_FROZEN))
            m_eventQueue.SetEnabledEvents(m_eventQueue.GetEnabledEvents() | EVENT_DATA);
    } else {
        setFlag(FLAG_DATA_EVENT_ENABLED, false);
        m_eventQueue.SetEnabledEvents(m_eventQueue.GetEnabledEvents() & ~EVENT_DATA);
    }
    m_resultCode = 0;
    g_fileLog.Log(4, kTag, "<<< DataEventEnable");
}

}  // namespace vornik::so
