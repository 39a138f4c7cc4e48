// Bounded reads and writes on a non-blocking file descriptor.
//
// These stand in for overlapped I/O with a wait: a write that has not
// completed when its wait ends is reported as timed out (the caller cancels
// what is still queued and returns its transport's write error); a read waits
// for the first byte and returns what has arrived. Nothing waits without bound.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vornik::devio {

enum class IoStatus { Ok, Error, TimedOut };

struct IoResult {
    IoStatus status;
    std::size_t bytes;  // bytes written or read, also on failure
};

// Writes all n bytes. With Bound::Total the whole write must finish within
// timeoutMs; with Bound::Stall it fails only when the descriptor took no byte
// for timeoutMs (a slow line that keeps moving is not cut off, one held by flow
// control is). Interrupted system calls are retried.
enum class Bound { Total, Stall };
IoResult writeAllBounded(int fd, const std::uint8_t* data, std::size_t n, int timeoutMs,
                         Bound bound = Bound::Total);

// Waits at most timeoutMs for input, then reads up to capacity bytes. With
// gapMs > 0 it goes on reading until no byte arrived for gapMs, the buffer is
// full or timeoutMs (counted from the start) has passed. A read that found
// end of file or nothing at all has bytes == 0.
IoResult readBounded(int fd, std::uint8_t* buffer, std::size_t capacity, int timeoutMs, int gapMs);

// Sets or clears O_NONBLOCK; false when fcntl fails.
bool setNonBlocking(int fd, bool on);

}  // namespace vornik::devio
