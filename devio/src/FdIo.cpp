#include "FdIo.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace vornik::devio {

namespace {

using SteadyClock = std::chrono::steady_clock;

int remainingMs(SteadyClock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// 1 ready, 0 timed out, -1 error (POLLERR/POLLNVAL or poll failure).
int waitFor(int fd, short events, int timeoutMs) {
    for (;;) {
        pollfd p{fd, events, 0};
        int r = ::poll(&p, 1, timeoutMs);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return -1;
        if (r == 0) return 0;
        if (p.revents & (POLLNVAL)) return -1;
        // POLLHUP/POLLERR with POLLIN still lets read() report end of file or the error.
        if (p.revents & (events | POLLHUP | POLLERR)) return 1;
        return 0;
    }
}

}  // namespace

bool setNonBlocking(int fd, bool on) {
    int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0) return false;
    flags = on ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
    return ::fcntl(fd, F_SETFL, flags) == 0;
}

IoResult writeAllBounded(int fd, const std::uint8_t* data, std::size_t n, int timeoutMs, Bound bound) {
    auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
    std::size_t done = 0;
    while (done < n) {
        ssize_t w = ::write(fd, data + done, n - done);
        if (w > 0) {
            done += static_cast<std::size_t>(w);
            if (bound == Bound::Stall) deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
            continue;
        }
        if (w == 0) return {IoStatus::Ok, done};  // the device takes no more: a short write
        if (w < 0 && errno == EINTR) continue;
        if (w < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return {IoStatus::Error, done};
        int left = remainingMs(deadline);
        if (left == 0) return {IoStatus::TimedOut, done};
        int ready = waitFor(fd, POLLOUT, left);
        if (ready < 0) return {IoStatus::Error, done};
        if (ready == 0) return {IoStatus::TimedOut, done};
    }
    return {IoStatus::Ok, done};
}

IoResult readBounded(int fd, std::uint8_t* buffer, std::size_t capacity, int timeoutMs, int gapMs) {
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
    std::size_t got = 0;
    if (capacity == 0) return {IoStatus::Ok, 0};
    int ready = waitFor(fd, POLLIN, timeoutMs);
    if (ready < 0) return {IoStatus::Error, 0};
    if (ready == 0) return {IoStatus::TimedOut, 0};
    for (;;) {
        ssize_t r = ::read(fd, buffer + got, capacity - got);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            // A tty whose other side went away reports EIO: what arrived before stays valid.
            return {got > 0 ? IoStatus::Ok : IoStatus::Error, got};
        }
        if (r == 0) return {IoStatus::Ok, got};  // end of file
        if (r > 0) got += static_cast<std::size_t>(r);
        if (got == capacity || gapMs <= 0) {
            if (r > 0 || got > 0) return {IoStatus::Ok, got};
        }
        int left = remainingMs(deadline);
        if (left == 0) return {IoStatus::Ok, got};
        int wait = gapMs > 0 && got > 0 ? (gapMs < left ? gapMs : left) : left;
        ready = waitFor(fd, POLLIN, wait);
        if (ready <= 0) return {ready < 0 && got == 0 ? IoStatus::Error : IoStatus::Ok, got};
    }
}

}  // namespace vornik::devio
