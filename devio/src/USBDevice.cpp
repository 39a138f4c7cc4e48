// USB printer: the kernel's USB printer class device. The stored path keeps
// its Windows shape and is resolved to /dev/usb/lpN when the device opens.
#include <conlink/Conlink.h>

#include "FdIo.h"
#include "IoWaits.h"
#include "discovery/UsbPath.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>

using namespace vornik::devio;

USBDevice::USBDevice(const char* name) : Device(name) {}
USBDevice::~USBDevice() { close(); }

bool USBDevice::isOpen() const { return hasHandle(); }
void USBDevice::close() { closeHandle(); }

int USBDevice::open() {
    if (isOpen()) return CONLINK_OK;
    if (!m_name || std::strlen(m_name) > kMaxPathLength) return CONLINK_USB_OPEN;
    auto node = resolveUsbDeviceNode(m_name);
    if (!node) return CONLINK_USB_OPEN;
    // Shared for reading and writing: no lock, several openers may coexist.
    int fd = ::open(node->c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return CONLINK_USB_OPEN;
    m_handle = fd;
    return CONLINK_OK;
}

int USBDevice::write(const unsigned char* data, std::uint32_t length) {
    if (!data || length == 0 || !m_name || !*m_name) return CONLINK_OK;
    for (std::uint32_t offset = 0; offset < length;) {
        std::uint32_t piece = length - offset < kUsbPieceBytes ? length - offset : kUsbPieceBytes;
        if (int rc = _write(data + offset, piece); rc != CONLINK_OK) return rc;
        offset += piece;
    }
    return CONLINK_OK;
}

int USBDevice::_write(const unsigned char* data, std::uint32_t length) {
    if (int rc = open(); rc != CONLINK_OK) return rc;
    IoResult r = writeAllBounded(m_handle, data, length, ioWaits().usbIoMs, Bound::Stall);
    if (r.status != IoStatus::Ok) {
        close();
        return CONLINK_USB_WRITE;
    }
    if (r.bytes != length) {
        close();
        return CONLINK_USB_SHORT_WRITE;
    }
    return CONLINK_OK;
}

int USBDevice::read(const unsigned char* cmd, std::uint32_t cmdLength, unsigned char* reply,
                    std::uint32_t* replyLength) {
    if (!m_name || !*m_name) return CONLINK_OK;
    if (int rc = open(); rc != CONLINK_OK) return rc;
    if (cmdLength > 0)
        if (int rc = write(cmd, cmdLength); rc != CONLINK_OK) return rc;
    std::uint32_t capacity = (replyLength && reply) ? *replyLength : 0;
    IoResult r = readBounded(m_handle, reply, capacity, ioWaits().usbIoMs, 0);
    if (r.status != IoStatus::Ok) {  // failed or still pending when the wait ended
        close();
        return CONLINK_USB_READ;
    }
    if (r.bytes == 0) return CONLINK_USB_READ;  // completed empty: the device stays open
    *replyLength = static_cast<std::uint32_t>(r.bytes);
    return CONLINK_OK;
}
