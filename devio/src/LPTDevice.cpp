// Parallel port: the lp character device, opened exclusively. A printer that
// is off line makes the lp driver hold a write; the write is bounded by the
// parallel wait and then fails.
#include <conlink/Conlink.h>

#include "FdIo.h"
#include "IoWaits.h"
#include "PortNames.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace vornik::devio;

LPTDevice::LPTDevice(const char* name) : Device(name) {}
LPTDevice::~LPTDevice() { close(); }

bool LPTDevice::isOpen() const { return hasHandle(); }
void LPTDevice::close() { closeHandle(); }

int LPTDevice::open() {
    if (isOpen()) return CONLINK_OK;
    auto path = parallelDevicePath(m_name);
    if (!path) return CONLINK_LPT_OPEN;
    int fd = ::open(path->c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return CONLINK_LPT_OPEN;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return CONLINK_LPT_OPEN;
    }
    m_handle = fd;
    return CONLINK_OK;
}

int LPTDevice::write(const unsigned char* data, std::uint32_t length) {
    if (!data || length == 0 || !m_name || !*m_name) return CONLINK_OK;
    if (int rc = open(); rc != CONLINK_OK) return rc;
    IoResult r = writeAllBounded(m_handle, data, length, ioWaits().lptIoMs, Bound::Stall);
    if (r.status != IoStatus::Ok) return CONLINK_LPT_WRITE;
    return CONLINK_OK;
}

int LPTDevice::read(const unsigned char* cmd, std::uint32_t cmdLength, unsigned char* reply,
                    std::uint32_t* replyLength) {
    if (!m_name || !*m_name) return CONLINK_OK;
    if (int rc = open(); rc != CONLINK_OK) return rc;
    if (int rc = write(cmd, cmdLength); rc != CONLINK_OK) return rc;
    std::uint32_t capacity = (replyLength && reply) ? *replyLength : 0;
    IoResult r = readBounded(m_handle, reply, capacity, ioWaits().lptIoMs, 0);
    if (r.status != IoStatus::Ok) return CONLINK_LPT_READ;
    if (replyLength) *replyLength = static_cast<std::uint32_t>(r.bytes);
    return CONLINK_OK;
}
