// TCP/IP printer: a blocking socket with receive and send time-outs, closed
// gracefully (shutdown, drain, close) so that the printer gets every byte.
#include <conlink/Conlink.h>

#include "IoWaits.h"
#include "NetSocket.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace vornik::devio;

ENetDevice::ENetDevice(const char* name) : Device(name), m_connected(0), m_socket(-1) {}

ENetDevice::ENetDevice(const ENetDevice& other)
    : Device(other),
      m_connected(other.m_connected),
      m_socket(other.m_socket == -1 ? -1 : ::fcntl(other.m_socket, F_DUPFD_CLOEXEC, 0)) {
    if (m_socket == -1) m_connected = 0;
}

ENetDevice& ENetDevice::operator=(const ENetDevice& other) {
    if (this == &other) return *this;
    close();
    Device::operator=(other);
    m_socket = other.m_socket == -1 ? -1 : ::fcntl(other.m_socket, F_DUPFD_CLOEXEC, 0);
    m_connected = m_socket == -1 ? 0 : other.m_connected;
    return *this;
}

ENetDevice::~ENetDevice() { close(); }

bool ENetDevice::isOpen() const { return m_connected != 0; }

int ENetDevice::open() {
    if (isOpen()) return CONLINK_OK;
    if (!m_config || !m_config->params) return CONLINK_NET_CONNECT;
    const auto* net = static_cast<const NetParams*>(m_config->params);
    char ip[sizeof net->ip + 1] = {};
    for (std::size_t i = 0; i < sizeof net->ip && net->ip[i]; ++i) ip[i] = net->ip[i];
    const IoWaits& w = ioWaits();
    int fd = connectTcp(ip, net->port, w.netConnectMs);
    if (fd < 0) return CONLINK_NET_CONNECT;
    if (!setSocketTimeouts(fd, w.netReceiveMs, w.netSendMs)) {
        ::close(fd);
        return CONLINK_NET_CONNECT;
    }
    m_socket = fd;
    m_connected = 1;
    return CONLINK_OK;
}

void ENetDevice::close() {
    if (m_connected) {
        m_connected = 0;
        if (::shutdown(m_socket, SHUT_WR) == 0) {
            // Drop what the printer still sends until it closes its side, within a bound.
            const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ioWaits().netDrainMs);
            char sink[128];
            while (std::chrono::steady_clock::now() < end) {
                ssize_t r = ::recv(m_socket, sink, sizeof sink, 0);
                if (r > 0) continue;
                if (r < 0 && errno == EINTR) continue;
                break;
            }
        }
    }
    if (m_socket != -1) {
        ::close(m_socket);
        m_socket = -1;
    }
}

int ENetDevice::write(const unsigned char* data, std::uint32_t length) {
    if (!data || length == 0) return CONLINK_OK;
    if (int rc = open(); rc != CONLINK_OK) return rc;
    std::uint32_t sent = 0;
    while (sent < length) {
        ssize_t s = ::send(m_socket, data + sent, length - sent, MSG_NOSIGNAL);
        if (s < 0 && errno == EINTR) continue;
        if (s <= 0) return CONLINK_NET_SEND;  // error, or the send time-out passed
        sent += static_cast<std::uint32_t>(s);
    }
    return CONLINK_OK;
}

int ENetDevice::read(const unsigned char* cmd, std::uint32_t cmdLength, unsigned char* reply,
                     std::uint32_t* replyLength) {
    if (int rc = open(); rc != CONLINK_OK) return rc;
    if (write(cmd, cmdLength) != CONLINK_OK) return CONLINK_NET_SEND;
    std::uint32_t capacity = (replyLength && reply) ? *replyLength : 0;
    if (capacity == 0) return CONLINK_NET_RECEIVE;
    ssize_t r;
    do r = ::recv(m_socket, reply, capacity, 0);
    while (r < 0 && errno == EINTR);
    if (r <= 0) return CONLINK_NET_RECEIVE;
    *replyLength = static_cast<std::uint32_t>(r);
    return CONLINK_OK;
}
