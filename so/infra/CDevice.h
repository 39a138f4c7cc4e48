// The common base of the printer and cash drawer service objects.
//
// This part holds the connection settings read from a logical device's
// registry key and the four readers that fill them, one per interface type.
// The OPOS state, the state-flag word and the event machinery join it with the
// service objects.
#pragma once

#include <string>

namespace vornik::so {

// Interface types as the service objects number them.
enum IoType : int { IO_ETHERNET = 0, IO_USB = 1, IO_LPT = 2, IO_COM = 3 };

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

private:
    void readDisableOnClose(const class OposRegistry& registry);
};

}  // namespace vornik::so
