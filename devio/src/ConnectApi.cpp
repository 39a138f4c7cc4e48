// The plain function interface: connect, send, query on the current connection.
#include <conlink/Conlink.h>

#include "CurrentConnection.h"
#include "FdIo.h"
#include "IoWaits.h"
#include "NetSocket.h"
#include "PortNames.h"
#include "SerialLine.h"
#include "discovery/UsbPath.h"
#include "platform/Clock.h"

#include <cups/cups.h>
#include <fcntl.h>
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>

#include <cstring>
#include <mutex>

namespace vornik::devio {

int openSerialExclusive(const std::string& path);  // ComDevice.cpp

namespace {

std::mutex g_lock;
_t_CONFIG_STATE g_config{};
SerialSettings g_serial{};
NetParams g_net{};

void copyName(char (&dst)[260], const char* src) {
    std::memset(dst, 0, sizeof dst);
    if (src) std::strncpy(dst, src, sizeof dst - 1);
}

}  // namespace

_t_CONFIG_STATE* ConnectionSnapshot::bind() {
    if (config.type == CONLINK_TYPE_SERIAL) config.params = &serial;
    else if (config.type == CONLINK_TYPE_NET) config.params = &net;
    else config.params = nullptr;
    return &config;
}

void clearCurrentConnection() {
    std::lock_guard<std::mutex> lock(g_lock);
    g_config = _t_CONFIG_STATE{};
    g_serial = SerialSettings{};
    g_net = NetParams{};
}

void setCurrentConnection(std::int32_t type, const char* name, const SerialSettings* serial, const NetParams* net) {
    std::lock_guard<std::mutex> lock(g_lock);
    g_config = _t_CONFIG_STATE{};
    g_config.type = type;
    copyName(g_config.name, name);
    if (serial) g_serial = *serial;
    if (net) g_net = *net;
    g_config.params = type == CONLINK_TYPE_SERIAL ? static_cast<void*>(&g_serial)
                      : type == CONLINK_TYPE_NET  ? static_cast<void*>(&g_net)
                                                  : nullptr;
}

ConnectionSnapshot currentConnection() {
    std::lock_guard<std::mutex> lock(g_lock);
    ConnectionSnapshot s;
    s.config = g_config;
    s.serial = g_serial;
    s.net = g_net;
    s.config.params = nullptr;
    return s;
}

}  // namespace vornik::devio

using namespace vornik::devio;

namespace {

int comConnect(const char* portName, const SerialSettings& settings, bool applyNow) {
    clearCurrentConnection();
    auto path = serialDevicePath(portName);
    if (!path) return CONLINK_COM_OPEN;
    int fd = openSerialExclusive(*path);
    if (fd < 0) return CONLINK_COM_OPEN;
    bool ok = true;
    if (applyNow) {
        ::tcflush(fd, TCIOFLUSH);
        ok = applySerialSettings(fd, settings);
    }
    ::close(fd);
    if (!ok) return CONLINK_COM_SETTINGS_REJECTED;
    std::string stored = dropTrailingColon(portName);
    setCurrentConnection(CONLINK_TYPE_SERIAL, stored.c_str(), &settings, nullptr);
    return CONLINK_OK;
}

int usbConnect(const char* path) {
    clearCurrentConnection();
    char found[260] = {};
    if (!path || !*path) {
        if (!getKaveloUSBPrinterPath(found)) return CONLINK_USB_OPEN;
        path = found;
    }
    if (std::strlen(path) > kMaxPathLength) return CONLINK_USB_OPEN;
    auto node = resolveUsbDeviceNode(path);
    if (!node) return CONLINK_USB_OPEN;
    int fd = ::open(node->c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return CONLINK_USB_OPEN;
    ::close(fd);
    setCurrentConnection(CONLINK_TYPE_USB, path, nullptr, nullptr);
    return CONLINK_OK;
}

int sendCmd(const unsigned char* data, int length, bool usbReadBack) {
    ConnectionSnapshot snap = currentConnection();
    Device* device = DeviceFactory::create(snap.bind());
    if (!device) return CONLINK_NO_CONNECTION;
    int result = device->write(data, length > 0 ? static_cast<std::uint32_t>(length) : 0u);
    DeviceFactory::destory(device);
    if (usbReadBack && snap.config.type == CONLINK_TYPE_USB) {
        // Many USB printers leave one status byte pending after a job; read and drop it.
        vornik::platform::processClock().sleepFor(std::chrono::milliseconds(ioWaits().usbPostSendPauseMs));
        unsigned char dropped = 0;
        int capacity = 1;
        KV_QueryCmd(nullptr, 0, &dropped, &capacity);
    }
    return result;
}

int queryCmd(const unsigned char* cmd, int cmdLength, unsigned char* reply, int* replyLength) {
    ConnectionSnapshot snap = currentConnection();
    Device* device = DeviceFactory::create(snap.bind());
    if (!device) return CONLINK_NO_CONNECTION;
    std::uint32_t capacity = (replyLength && *replyLength > 0) ? static_cast<std::uint32_t>(*replyLength) : 0u;
    const std::uint32_t before = capacity;
    int result = device->read(cmd, cmdLength > 0 ? static_cast<std::uint32_t>(cmdLength) : 0u, reply, &capacity);
    DeviceFactory::destory(device);
    if (result == CONLINK_OK && replyLength && capacity != before) *replyLength = static_cast<int>(capacity);
    return result;
}

}  // namespace

extern "C" {

int KV_ComConnect(const char* portName, int baudRate) {
    return comConnect(portName, defaultSerialSettings(static_cast<std::uint32_t>(baudRate)), true);
}

int KV_ComConnect2(const char* portName, const ComSettings* settings) {
    SerialSettings s = defaultSerialSettings(0);
    if (settings) applyComSettings(s, *settings);
    if (!settings) {
        clearCurrentConnection();
        return CONLINK_COM_NO_SETTINGS;
    }
    return comConnect(portName, s, false);
}

int KV_LptConnect(const char* portName) {
    clearCurrentConnection();
    auto path = parallelDevicePath(portName);
    if (!path) return CONLINK_LPT_OPEN;
    int fd = ::open(path->c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return CONLINK_LPT_OPEN;
    bool exclusive = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);
    if (!exclusive) return CONLINK_LPT_OPEN;
    std::string stored = dropTrailingColon(portName);
    setCurrentConnection(CONLINK_TYPE_PARALLEL, stored.c_str(), nullptr, nullptr);
    return CONLINK_OK;
}

int KV_UsbConnect(const char* devicePath) { return usbConnect(devicePath); }

int KV_NetConnect(const char* ip, int port) {
    clearCurrentConnection();
    if (!ip || std::strlen(ip) >= sizeof(NetParams::ip) || port < 0 || port > 0xFFFF) return CONLINK_NET_CONNECT;
    int fd = connectTcp(ip, static_cast<std::uint16_t>(port), ioWaits().netProbeConnectMs);
    if (fd < 0) return CONLINK_NET_CONNECT;
    ::close(fd);
    NetParams net{};
    std::strncpy(net.ip, ip, sizeof net.ip - 1);
    net.port = static_cast<std::uint16_t>(port);
    setCurrentConnection(CONLINK_TYPE_NET, "", nullptr, &net);
    return CONLINK_OK;
}

int KV_DrvConnect(const char* queueName) {
    clearCurrentConnection();
    if (!queueName || !*queueName || std::strlen(queueName) > kMaxPathLength) return CONLINK_DRV_OPEN;
    cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, queueName, nullptr);
    if (!dest) return CONLINK_DRV_OPEN;
    cupsFreeDests(1, dest);
    setCurrentConnection(CONLINK_TYPE_QUEUE, queueName, nullptr, nullptr);
    return CONLINK_OK;
}

int KV_SendCmd(const unsigned char* data, int length) { return sendCmd(data, length, true); }

int KV_QueryCmd(const unsigned char* cmd, int cmdLength, unsigned char* reply, int* replyLength) {
    return queryCmd(cmd, cmdLength, reply, replyLength);
}

int JPOS_UsbConnect(const char* devicePath) { return usbConnect(devicePath); }

int JPOS_UsbConnectWithPidVid(int productId, int vendorId) {
    char path[260] = {};
    if (!getUSBPrinterPathByPidVid(path, productId, vendorId)) {
        clearCurrentConnection();
        return CONLINK_USB_OPEN;
    }
    return usbConnect(path);
}

int JPOS_ComConnect(const char* portName, int baudRate) { return KV_ComConnect(portName, baudRate); }
int JPOS_ComConnect2(const char* portName, const ComSettings* settings) { return KV_ComConnect2(portName, settings); }
int JPOS_LptConnect(const char* portName) { return KV_LptConnect(portName); }
int JPOS_NetConnect(const char* ip, int port) { return KV_NetConnect(ip, port); }
int JPOS_DrvConnect(const char* queueName) { return KV_DrvConnect(queueName); }
int JPOS_SendCmd(const unsigned char* data, int length) { return sendCmd(data, length, false); }
int JPOS_QueryCmd(const unsigned char* cmd, int cmdLength, unsigned char* reply, int* replyLength) {
    return queryCmd(cmd, cmdLength, reply, replyLength);
}

}  // extern "C"
