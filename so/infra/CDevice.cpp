#include "CDevice.h"

#include "DriverLog.h"
#include "Errors.h"
#include "OposRegistry.h"
#include "Text.h"

namespace vornik::so {

namespace {

const char kTag[] = "CDevice";
const char kSerialWarning[] = "Warning: GetRegSettings: missing settings for Serial Port; will use default values";

void log(int level, const std::string& text) { g_fileLog.Log(level, kTag, text); }

std::string disableOnCloseLine(bool flag) { return "    | DisableOnClose: " + NumToString(flag); }

}  // namespace

int CDevice::ioTypeFromName(const std::string& text, int current) {
    static const struct { const char* token; int type; } tokens[] = {
        {"ENet", IO_ETHERNET}, {"USB", IO_USB}, {"LPT", IO_LPT}, {"COM", IO_COM}};
    for (const auto& t : tokens)
        if (text.find(t.token) != std::string::npos) current = t.type;
    return current;
}

void CDevice::readDisableOnClose(const OposRegistry& registry) {
    try {
        int value = 0;
        registry.GetVendorNumber("DisableOnClose", value);
        m_disableOnClose = value == 1;
    } catch (const KVError&) {
        m_disableOnClose = false;
        log(2, "Warning: GetRegSettings: missing setting for DisableOnClose; will use default value");
    }
}

int CDevice::GetRegETHSettings(std::string deviceClass, std::string ldn) {
    log(4, ">>> GetRegETHSettings");
    OposRegistry registry(deviceClass, ldn);
    m_clientIP = "127.0.0.1";
    m_clientPort = "9100";
    log(5, "    | OPOS Default Settings:");
    log(5, "    | Client IP:   " + m_clientIP + ", Port: " + m_clientPort);
    try {
        registry.GetLdnString("EthIPAddr", m_clientIP);
    } catch (const KVError&) {
        log(2, "Warning: GetRegSettings: missing settings for ServerIP/ClientIP; will use default values");
    }
    log(5, "    | OPOS Current Settings:");
    log(5, "    | Client IP:   " + m_clientIP + ", Port: " + m_clientPort);
    log(4, "<<< GetRegSettings");
    return 0;
}

int CDevice::GetRegComSettings(std::string deviceClass, std::string ldn) {
    log(4, ">>> GetRegComSettings");
    OposRegistry registry(deviceClass, ldn);
    m_disableOnClose = false;
    log(5, "    | OPOS Default Settings:");
    log(5, disableOnCloseLine(m_disableOnClose));
    try {
        registry.GetLdnString("Serial Port", m_serialPort);
        registry.GetLdnNumber("BaudRate", m_baudRate);
        registry.GetLdnNumber("ByteSize", m_byteSizes);
        registry.GetLdnNumber("Parity", m_parity);
        registry.GetLdnNumber("StopBits", m_stopBits);
        registry.GetLdnNumber("FlowControl", m_flowControl);
        log(5, "    | Com:   " + m_serialPort + ", m_baudRate: " + NumToString(m_baudRate));
        log(5, "    | m_byteSizes:   " + NumToString(m_byteSizes) + ", m_parity: " + NumToString(m_parity));
        log(5, "    | m_stopBits:   " + NumToString(m_stopBits) + ", m_flowControl: " + NumToString(m_flowControl));
    } catch (const KVError&) {
        log(2, kSerialWarning);
    }
    readDisableOnClose(registry);
    log(5, "    | OPOS Current Settings:");
    log(5, disableOnCloseLine(m_disableOnClose));
    log(4, "<<< GetRegSettings");
    return 0;
}

int CDevice::GetRegUSBSettings(std::string deviceClass, std::string ldn) {
    log(4, ">>> GetRegUSBSettings");
    OposRegistry registry(deviceClass, ldn);
    m_disableOnClose = false;
    log(5, "    | OPOS Default Settings:");
    log(5, disableOnCloseLine(m_disableOnClose));
    try {
        registry.GetLdnString("USBPort", m_usbPort);
        log(5, "    | USB:   " + m_usbPort);
    } catch (const KVError&) {
        log(2, kSerialWarning);
    }
    readDisableOnClose(registry);
    log(5, "    | OPOS Current Settings:");
    log(5, disableOnCloseLine(m_disableOnClose));
    log(4, "<<< GetRegUSBSettings");
    return 0;
}

int CDevice::GetRegLPTSettings(std::string deviceClass, std::string ldn) {
    log(4, ">>> GetRegLPTSettings");
    OposRegistry registry(deviceClass, ldn);
    m_disableOnClose = false;
    log(5, "    | OPOS Default Settings:");
    log(5, disableOnCloseLine(m_disableOnClose));
    try {
        registry.GetLdnString("LPTPort", m_lptPort);
        log(5, "    | LPT:   " + m_lptPort);
    } catch (const KVError&) {
        log(2, kSerialWarning);
    }
    readDisableOnClose(registry);
    log(5, "    | OPOS Current Settings:");
    log(5, disableOnCloseLine(m_disableOnClose));
    log(4, "<<< GetRegLPTSettings");
    return 0;
}

}  // namespace vornik::so
