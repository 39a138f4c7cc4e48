// Serial port: a tty opened exclusively, non-blocking, with the config state's
// line settings applied on every open.
#include <conlink/Conlink.h>

#include "FdIo.h"
#include "IoWaits.h"
#include "PortNames.h"
#include "SerialLine.h"
#include "platform/Clock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>

using namespace vornik::devio;

namespace vornik::devio {

// Opens a tty for reading and writing, exclusively: a second opener in any
// process gets -1 while this one holds it (flock), and TIOCEXCL refuses
// further opens by other users. The descriptor is non-blocking.
int openSerialExclusive(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    if (!::isatty(fd) || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    ::ioctl(fd, TIOCEXCL);
    return fd;
}

}  // namespace vornik::devio

ComDevice::ComDevice(const char* name) : Device(name) {}
ComDevice::~ComDevice() { close(); }

bool ComDevice::isOpen() const { return hasHandle(); }

// Lets queued output leave the port before closing, as long as it keeps
// moving; output that stalls for the serial wait (flow control held) is
// discarded, so that closing never blocks for the tty's long close wait.
void ComDevice::close() {
    if (!isOpen()) return;
    int last = -1;
    auto stallEnd = std::chrono::steady_clock::now() + std::chrono::milliseconds(ioWaits().serialIoMs);
    for (;;) {
        int queued = 0;
        if (::ioctl(m_handle, TIOCOUTQ, &queued) != 0 || queued <= 0) break;
        auto now = std::chrono::steady_clock::now();
        if (queued != last) {
            last = queued;
            stallEnd = now + std::chrono::milliseconds(ioWaits().serialIoMs);
        } else if (now >= stallEnd) {
            ::tcflush(m_handle, TCOFLUSH);
            break;
        }
        vornik::platform::SystemClock().sleepFor(std::chrono::milliseconds(5));
    }
    ::ioctl(m_handle, TIOCNXCL);
    closeHandle();
}

int ComDevice::open() {
    if (isOpen()) return CONLINK_OK;
    auto path = serialDevicePath(m_name);
    if (!path) return CONLINK_COM_OPEN;
    m_handle = openSerialExclusive(*path);
    if (m_handle < 0) {
        m_handle = -1;
        return CONLINK_COM_OPEN;
    }
    if (!m_config || !m_config->params) {
        close();
        return CONLINK_COM_NO_SETTINGS;
    }
    if (!applySerialSettings(m_handle, *static_cast<const SerialSettings*>(m_config->params))) {
        close();
        return CONLINK_COM_SETTINGS_REJECTED;
    }
    ::tcflush(m_handle, TCIOFLUSH);
    return CONLINK_OK;
}

int ComDevice::write(const unsigned char* data, std::uint32_t length) {
    if (!data || length == 0 || !m_name || !*m_name) return CONLINK_OK;
    if (int rc = open(); rc != CONLINK_OK) return rc;
    IoResult r = writeAllBounded(m_handle, data, length, ioWaits().serialIoMs, Bound::Stall);
    if (r.status != IoStatus::Ok || r.bytes != length) {
        ::tcflush(m_handle, TCOFLUSH);  // cancel what has not gone out
        close();
        return CONLINK_COM_WRITE;
    }
    return CONLINK_OK;
}

int ComDevice::read(const unsigned char* cmd, std::uint32_t cmdLength, unsigned char* reply,
                    std::uint32_t* replyLength) {
    if (!m_name || !*m_name) return CONLINK_OK;
    if (int rc = open(); rc != CONLINK_OK) return rc;
    if (int rc = write(cmd, cmdLength); rc != CONLINK_OK) return rc;
    vornik::platform::processClock().sleepFor(std::chrono::milliseconds(ioWaits().serialReplyDelayMs));
    std::uint32_t capacity = replyLength ? *replyLength : 0;
    if (!reply) capacity = 0;
    IoResult r = readBounded(m_handle, reply, capacity, ioWaits().serialIoMs, ioWaits().serialReadIntervalMs);
    if (r.status != IoStatus::Ok || r.bytes == 0) {
        close();
        return CONLINK_COM_READ;
    }
    *replyLength = static_cast<std::uint32_t>(r.bytes);
    return CONLINK_OK;
}
