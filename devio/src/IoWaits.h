// Every bound on a wait of the transports, in one place.
//
// The defaults are the ones the printers and the service objects were tuned
// for. Tests shorten the long I/O waits through ioWaits() so that a silent
// printer costs milliseconds instead of seconds; nothing else changes them.
// The two deliberate pauses (serial reply delay, USB post-send pause) go through
// the process clock (platform/Clock.h), not through sleep.
#pragma once

#include <cstdint>

namespace vornik::devio {

struct IoWaits {
    int netProbeConnectMs = 1000;   // KV_NetConnect: a connect that has not completed by then fails
    int netConnectMs = 5000;        // ENetDevice::open: bound on the connect of a send or query
    int netReceiveMs = 15000;       // receive time-out of the socket
    int netSendMs = 15000;          // send time-out: a peer that stops reading cannot hold a send for ever
    int netDrainMs = 15000;         // graceful close: total time spent draining after shutdown
    int serialIoMs = 1000;          // wait for a serial write to drain / a reply's first byte
    int serialReadIntervalMs = 50;  // a reply ends after this gap between bytes
    int serialReplyDelayMs = 40;    // pause between a serial command and reading its reply
    int usbIoMs = 3000;             // wait for a USB write to complete / a reply to arrive
    int usbPostSendPauseMs = 500;   // pause before KV_SendCmd drops one pending USB byte
    int lptIoMs = 3000;             // wait for the parallel port to take data / answer
};

// Bytes handed to one USB write at most.
inline constexpr std::uint32_t kUsbPieceBytes = 2u * 1024u * 1024u;
// Longest names: the serial name keeps room for the "\\.\" prefix of its
// Windows form within 31 characters; the others follow their record fields.
inline constexpr std::size_t kMaxSerialNameLength = 27;
inline constexpr std::size_t kMaxParallelNameLength = 31;
inline constexpr std::size_t kMaxPathLength = 259;

// The waits in force for the process.
IoWaits& ioWaits();

}  // namespace vornik::devio
