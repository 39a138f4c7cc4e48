// A virtual ESC/POS receipt printer for tests, the demo and development.
//
// It listens on a TCP address (a raw printer port, normally 9100) and/or on a
// pseudo-terminal that stands for a serial or USB printer line, records every
// byte it receives, and answers the real-time status requests:
//
//   DLE EOT 1  printer status     0x12 | 0x04 drawer closed | 0x08 off line
//   DLE EOT 2  off-line cause     0x12 | 0x04 cover open  | 0x20 paper end
//   DLE EOT 3  error cause        0x12
//   DLE EOT 4  paper roll sensor  0x12 | 0x0C near end    | 0x60 paper end
//
// With fourByteOfflineReply (the default) DLE EOT 2 is answered with all four
// bytes in the order 1, 2, 3, 4, as the receipt printers of this package do.
// ESC p m t1 t2 (drawer kick) reports the drawer open for drawerOpenMs, then
// closed. The status can be changed from any thread while it runs; it can be
// told to stay silent, or to drop a TCP connection after a number of bytes.
//
// Everything received also goes to an observer callback, so that a renderer
// can be attached later without touching the I/O.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vornik::vprinter {

struct PrinterStatus {
    bool coverOpen = false;
    bool paperNearEnd = false;
    bool paperEnd = false;
    bool drawerOpen = false;
    bool offline = false;
};

// The status byte a printer in state s sends for DLE EOT n (n = 1..4; else 0).
std::uint8_t statusByte(const PrinterStatus& s, int n);

class VirtualPrinter {
public:
    struct Options {
        std::string recordPath;           // every received byte is appended here; empty: no file
        bool fourByteOfflineReply = true; // DLE EOT 2 answered with bytes 1-4
        int drawerOpenMs = 1000;          // how long a kicked drawer stays open
    };
    using Observer = std::function<void(const std::uint8_t* data, std::size_t length)>;

    VirtualPrinter();
    explicit VirtualPrinter(Options options);
    ~VirtualPrinter();
    VirtualPrinter(const VirtualPrinter&) = delete;
    VirtualPrinter& operator=(const VirtualPrinter&) = delete;

    // Before start(): listen on ip:port. False (with a reason) when the
    // address cannot be bound.
    bool listenTcp(const std::string& ip, std::uint16_t port, std::string* error = nullptr);
    // Before start(): open a pseudo-terminal in raw mode. Returns the path of
    // the side a driver opens (/dev/pts/N), or "" with a reason.
    std::string openPty(std::string* error = nullptr);
    // Starts the I/O thread. False when nothing to listen on or already started.
    bool start();
    // Stops the thread and closes every descriptor. Idempotent.
    void stop();

    // Status, settable while running.
    void setCoverOpen(bool on);
    void setPaperNearEnd(bool on);
    void setPaperEnd(bool on);
    void setDrawerOpen(bool on);
    void setOffline(bool on);
    PrinterStatus status() const;

    // Silent: received bytes are still recorded, status requests get no answer.
    void setSilent(bool on);
    // Each TCP connection is reset once it has delivered this many bytes (0: never).
    void setDropAfter(std::size_t bytes);

    std::vector<std::uint8_t> received() const;
    std::size_t receivedCount() const;
    void clearReceived();
    // Waits until at least n bytes have been received in all; false on time-out.
    bool waitForReceived(std::size_t n, int timeoutMs) const;
    int connectionsAccepted() const;
    int drawerKicks() const;
    int statusRequests() const;
    void setObserver(Observer observer);

private:
    struct Impl;
    std::unique_ptr<Impl> m;
};

}  // namespace vornik::vprinter
