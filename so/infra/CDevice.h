// The common base of the printer and cash drawer service objects: the
// connection settings read from a logical device's registry key with the four
// readers that fill them, the state-flag word, and the event queue with the
// freeze and data-event routines that drive its masks.
#pragma once

#include "status/ControlObjectEvents.h"
#include "status/EventQueue.h"

#include <atomic>
#include <string>

namespace vornik::so {

// Interface types as the service objects number them.
enum IoType : int { IO_ETHERNET = 0, IO_USB = 1, IO_LPT = 2, IO_COM = 3 };

// The state-flag word.
enum StateFlag : int {
    FLAG_OPENED = 0x1,
    FLAG_CLAIMED = 0x2,
    FLAG_DEVICE_ENABLED = 0x4,
    FLAG_DATA_EVENT_ENABLED = 0x8,
    FLAG_AUTO_DISABLE = 0x10,
    FLAG_ASYNC_MODE = 0x40,
    FLAG_FREEZE_EVENTS = 0x80,
    FLAG_BINARY_NONE = 0x100,
    FLAG_BINARY_NIBBLE = 0x200,
    FLAG_BINARY_DECIMAL = 0x400,
    FLAG_CO_FROZEN = 0x4000,
};

class CDevice {
public:
    CDevice() = default;
    virtual ~CDevice() = default;

    // Each reads one interface's settings of the LDN key of deviceClass\ldn,
    // logs defaults, warnings and current values, and returns 0; registry
    // failures leave defaults (or what was read before the failure).
    int GetRegETHSettings(std::string deviceClass, std::string ldn);
    int GetRegComSettings(std::string deviceClass, std::string ldn);
    int GetRegUSBSettings(std::string deviceClass, std::string ldn);
    int GetRegLPTSettings(std::string deviceClass, std::string ldn);

    // Re-evaluates the enabled mask after either freeze bit changed: 0 while
    // frozen, else 6 when open + 1 with DataEventEnabled + 8 with AsyncMode.
    void FreezeEvents();
    // Sets or clears DataEventEnabled and the data bit of the enabled mask.
    void DataEventEnable(bool enable);

    // The flags an OpenService leaves: opened, BinaryConversion none; Claimed,
    // DeviceEnabled, DataEventEnabled, AutoDisable and AsyncMode clear; the
    // two freeze bits as they were.
    void setOpenedFlags();
    // BinaryConversion (0 none, 1 nibble, 2 decimal) as the flag word holds it;
    // setting another number leaves all three flags clear (reads as 0).
    int binaryConversion() const;
    void setBinaryConversion(int value);
    // The FreezeEvents and AutoDisable properties.
    void setFreezeEventsProperty(bool freeze);
    void setAutoDisableProperty(bool on);
    // Fires a queued status-update event to the control object (delivery thread).
    void HandleStatusUpdateEvent(const OposEvent& event, const std::string& logTag);

    bool hasFlag(int flag) const { return (m_stateFlags.load() & flag) != 0; }
    void setFlag(int flag, bool on) {
        if (on) m_stateFlags.fetch_or(flag);
        else m_stateFlags.fetch_and(~flag);
    }

    // The interface type an IOType text selects: the last of the tokens
    // "ENet", "USB", "LPT", "COM" (in that order, case-sensitive) found in it;
    // current when none is.
    static int ioTypeFromName(const std::string& text, int current);

    // Connection settings.
    int m_ioType = IO_COM;
    std::string m_ioTypeName;
    std::string m_model;
    int m_baudRate = 19200;
    int m_byteSizes = 0;
    int m_parity = 0;
    int m_stopBits = 0;
    int m_flowControl = 0;
    std::string m_serialPort;
    std::string m_usbPort;
    std::string m_lptPort;
    bool m_disableOnClose = false;
    std::string m_clientIP = "127.0.0.1";
    std::string m_clientPort = "9100";

    // OPOS state. The flag word is read by the delivery thread, so it is atomic.
    std::atomic<int> m_stateFlags{0};
    int m_resultCode = 0;
    EventQueue m_eventQueue;
    ControlObjectEvents m_events;

private:
    void readDisableOnClose(const class OposRegistry& registry);
};

}  // namespace vornik::so
