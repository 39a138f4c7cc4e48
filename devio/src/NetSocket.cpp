#include "NetSocket.h"

#include "FdIo.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace vornik::devio {

int connectTcp(const char* ip, std::uint16_t port, int timeoutMs) {
    if (!ip) return -1;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    if (::inet_pton(AF_INET, ip, &addr.sin_addr) != 1) return -1;

    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, IPPROTO_TCP);
    if (fd < 0) return -1;
    int rc = ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
    if (rc != 0 && errno == EINPROGRESS) {
        pollfd p{fd, POLLOUT, 0};
        do rc = ::poll(&p, 1, timeoutMs);
        while (rc < 0 && errno == EINTR);
        int soError = 0;
        socklen_t len = sizeof soError;
        if (rc == 1 && ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &len) == 0 && soError == 0)
            rc = 0;
        else
            rc = -1;
    }
    if (rc != 0 || !setNonBlocking(fd, false)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool setSocketTimeouts(int fd, int receiveMs, int sendMs) {
    timeval rcv{receiveMs / 1000, (receiveMs % 1000) * 1000};
    timeval snd{sendMs / 1000, (sendMs % 1000) * 1000};
    return ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &rcv, sizeof rcv) == 0 &&
           ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &snd, sizeof snd) == 0;
}

}  // namespace vornik::devio
