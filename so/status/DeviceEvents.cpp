// The freeze and data-event routines of CDevice.
#include "infra/CDevice.h"

#include "infra/DriverLog.h"
#include "infra/Errors.h"

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

void CDevice::setOpenedFlags() {
    setFlag(FLAG_CLAIMED | FLAG_DEVICE_ENABLED | FLAG_DATA_EVENT_ENABLED | FLAG_AUTO_DISABLE | FLAG_ASYNC_MODE, false);
    setBinaryConversion(0);
    setFlag(FLAG_OPENED, true);
}

int CDevice::binaryConversion() const {
    if (hasFlag(FLAG_BINARY_NONE)) return 0;
    if (hasFlag(FLAG_BINARY_NIBBLE)) return 1;
    if (hasFlag(FLAG_BINARY_DECIMAL)) return 2;
    return 0;
}

void CDevice::setBinaryConversion(int value) {
    setFlag(FLAG_BINARY_NONE | FLAG_BINARY_NIBBLE | FLAG_BINARY_DECIMAL, false);
    if (value == 0) setFlag(FLAG_BINARY_NONE, true);
    else if (value == 1) setFlag(FLAG_BINARY_NIBBLE, true);
    else if (value == 2) setFlag(FLAG_BINARY_DECIMAL, true);
}

void CDevice::setFreezeEventsProperty(bool freeze) {
    setFlag(FLAG_FREEZE_EVENTS, freeze);
    FreezeEvents();
}

void CDevice::setAutoDisableProperty(bool on) {
    setFlag(FLAG_AUTO_DISABLE, on);
    m_eventQueue.SetAutoDisable(on);
}

void CDevice::HandleStatusUpdateEvent(const OposEvent& event, const std::string& logTag) {
    g_fileLog.Log(4, logTag, ">>>HandleStatusUpdateEvent");
    try {
        CheckStatusUpdateEvent(event);
        m_events.FireStatusUpdateEvent(event.value1);
    } catch (const OposEventError& err) {
        g_fileLog.Log(1, logTag, std::string("Error: HandleStatusUpdateEvent") + err.what());
    }
    g_fileLog.Log(4, logTag, "<<<HandleStatusUpdateEvent");
}

}  // namespace vornik::so
