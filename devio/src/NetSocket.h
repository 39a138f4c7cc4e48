// TCP client sockets with bounded connects.
#pragma once

#include <cstdint>

namespace vornik::devio {

// A blocking TCP socket connected to ip:port within timeoutMs, or -1. The
// address must be dotted-decimal IPv4. SIGPIPE is never raised by sends on it
// (callers pass MSG_NOSIGNAL).
int connectTcp(const char* ip, std::uint16_t port, int timeoutMs);

// Sets the socket's receive and send time-outs.
bool setSocketTimeouts(int fd, int receiveMs, int sendMs);

}  // namespace vornik::devio
