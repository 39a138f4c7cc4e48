#include "VirtualPrinter.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <pty.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

namespace vornik::vprinter {

namespace {

constexpr std::uint8_t DLE = 0x10, EOT = 0x04, ESC = 0x1B, GS = 0x1D;

using Steady = std::chrono::steady_clock;

// Splits the incoming stream into the commands the printer reacts to. Only
// the commands that carry data are parsed far enough to skip their data, so
// that image bytes are never taken for a status request.
class CommandScanner {
public:
    struct Events {
        std::vector<int> statusRequests;  // n of each DLE EOT n
        int drawerKicks = 0;
    };

    Events feed(const std::uint8_t* data, std::size_t n) {
        Events ev;
        for (std::size_t i = 0; i < n; ++i) step(data[i], ev);
        return ev;
    }

private:
    void step(std::uint8_t b, Events& ev) {
        if (m_skip > 0) {
            --m_skip;
            return;
        }
        if (m_pending.empty()) {
            if (b == DLE || b == ESC || b == GS) m_pending.push_back(b);
            return;
        }
        m_pending.push_back(b);
        const auto& p = m_pending;
        if (p[0] == DLE) {
            if (p.size() == 2 && p[1] != EOT) return reset();
            if (p.size() == 3) {
                if (p[2] >= 1 && p[2] <= 4) ev.statusRequests.push_back(p[2]);
                reset();
            }
        } else if (p[0] == ESC) {
            if (p.size() == 2 && p[1] != 'p') return reset();
            if (p.size() == 5) {
                ++ev.drawerKicks;
                reset();
            }
        } else {  // GS
            if (p.size() == 2 && p[1] != 'v') return reset();
            if (p.size() == 3 && p[2] != '0') return reset();
            if (p.size() == 8) {  // GS v 0 m xL xH yL yH, then xL+xH*256 times yL+yH*256 bytes
                m_skip = static_cast<std::size_t>(p[4] | (p[5] << 8)) * static_cast<std::size_t>(p[6] | (p[7] << 8));
                reset();
            }
        }
    }
    void reset() { m_pending.clear(); }

    std::vector<std::uint8_t> m_pending;
    std::size_t m_skip = 0;
};

struct Source {
    int fd = -1;
    bool isSocket = false;
    std::size_t bytes = 0;
    CommandScanner scanner;
};

void closeFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

}  // namespace

std::uint8_t statusByte(const PrinterStatus& s, int n) {
    std::uint8_t b = 0x12;
    switch (n) {
    case 1:
        if (!s.drawerOpen) b |= 0x04;  // the drawer switch holds pin 3 high while the drawer is closed
        if (s.offline) b |= 0x08;
        return b;
    case 2:
        if (s.coverOpen) b |= 0x04;
        if (s.paperEnd) b |= 0x20;
        return b;
    case 3: return b;
    case 4:
        if (s.paperNearEnd) b |= 0x0C;
        if (s.paperEnd) b |= 0x60;
        return b;
    default: return 0;
    }
}

struct VirtualPrinter::Impl {
    Options options;

    // Owned by the I/O thread once started.
    int listenFd = -1;
    int ptyMaster = -1;
    int ptySlaveKeepAlive = -1;  // keeps the line up while no driver has it open
    int wakeFd = -1;
    std::vector<Source> sources;
    std::thread thread;
    FILE* record = nullptr;

    // Shared with other threads, under lock.
    mutable std::mutex lock;
    mutable std::condition_variable receivedCv;
    PrinterStatus status;
    Steady::time_point drawerCloseAt{};
    bool drawerTimed = false;
    std::vector<std::uint8_t> received;
    Observer observer;

    std::atomic<bool> running{false};
    std::atomic<bool> silent{false};
    std::atomic<std::size_t> dropAfter{0};
    std::atomic<int> accepted{0};
    std::atomic<int> kicks{0};
    std::atomic<int> statusRequests{0};

    void wake() {
        if (wakeFd >= 0) {
            std::uint64_t one = 1;
            [[maybe_unused]] auto r = ::write(wakeFd, &one, sizeof one);
        }
    }

    int pollTimeoutMs() {
        std::lock_guard<std::mutex> g(lock);
        if (!drawerTimed) return -1;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(drawerCloseAt - Steady::now()).count();
        return left > 0 ? static_cast<int>(left) : 0;
    }

    void closeDrawerIfDue() {
        std::lock_guard<std::mutex> g(lock);
        if (drawerTimed && Steady::now() >= drawerCloseAt) {
            status.drawerOpen = false;
            drawerTimed = false;
        }
    }

    void reply(int fd, int n) {
        statusRequests.fetch_add(1);
        if (silent.load()) return;
        PrinterStatus s;
        {
            std::lock_guard<std::mutex> g(lock);
            s = status;
        }
        std::uint8_t out[4];
        std::size_t len = 0;
        if (n == 2 && options.fourByteOfflineReply) {
            for (int i = 1; i <= 4; ++i) out[len++] = statusByte(s, i);
        } else {
            out[len++] = statusByte(s, n);
        }
        // The reply is tiny; a peer that does not read it loses it, as with a real printer.
        [[maybe_unused]] auto w = ::send(fd, out, len, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (w < 0 && errno == ENOTSOCK) [[maybe_unused]] auto w2 = ::write(fd, out, len);
    }

    // Reacts to the commands in the data first, then makes the bytes visible,
    // so that a caller who saw the bytes arrive also sees their effect.
    void take(Source& src, const std::uint8_t* data, std::size_t n) {
        auto ev = src.scanner.feed(data, n);
        for (int req : ev.statusRequests) reply(src.fd, req);
        if (ev.drawerKicks > 0) {
            kicks.fetch_add(ev.drawerKicks);
            std::lock_guard<std::mutex> g(lock);
            status.drawerOpen = true;
            drawerTimed = true;
            drawerCloseAt = Steady::now() + std::chrono::milliseconds(options.drawerOpenMs);
        }
        if (record) {
            std::fwrite(data, 1, n, record);
            std::fflush(record);
        }
        Observer obs;
        {
            std::lock_guard<std::mutex> g(lock);
            received.insert(received.end(), data, data + n);
            obs = observer;
        }
        receivedCv.notify_all();
        if (obs) obs(data, n);
    }

    // Reads what src has; false when the source is finished (peer closed, error, dropped).
    bool service(Source& src) {
        std::uint8_t buf[65536];
        ssize_t r = ::read(src.fd, buf, sizeof buf);
        if (r < 0 && (errno == EAGAIN || errno == EINTR)) return true;
        if (r <= 0) return false;
        std::size_t n = static_cast<std::size_t>(r);
        std::size_t limit = dropAfter.load();
        bool drop = false;
        if (src.isSocket && limit > 0 && src.bytes + n >= limit) {
            n = limit - src.bytes;
            drop = true;
        }
        src.bytes += n;
        take(src, buf, n);
        if (drop) {
            linger l{1, 0};  // reset, so that the sender sees the connection fail
            ::setsockopt(src.fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
            return false;
        }
        return true;
    }

    void run() {
        while (running.load()) {
            std::vector<pollfd> fds;
            fds.push_back({wakeFd, POLLIN, 0});
            if (listenFd >= 0) fds.push_back({listenFd, POLLIN, 0});
            for (auto& s : sources) fds.push_back({s.fd, POLLIN, 0});
            int r = ::poll(fds.data(), fds.size(), pollTimeoutMs());
            closeDrawerIfDue();
            if (r <= 0) continue;
            if (fds[0].revents & POLLIN) {
                std::uint64_t v;
                [[maybe_unused]] auto rr = ::read(wakeFd, &v, sizeof v);
            }
            std::size_t first = 1;
            if (listenFd >= 0) {
                first = 2;
                if (fds[1].revents & POLLIN) {
                    int c = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
                    if (c >= 0) {
                        accepted.fetch_add(1);
                        Source s;
                        s.fd = c;
                        s.isSocket = true;
                        sources.push_back(std::move(s));
                    }
                }
            }
            // Service the sources that were polled (new ones wait for the next round).
            std::size_t polled = fds.size() - first;
            std::vector<std::size_t> finished;
            for (std::size_t i = 0; i < polled; ++i) {
                if (!(fds[first + i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
                Source& s = sources[i];
                if (!service(s)) {
                    if (s.isSocket) finished.push_back(i);
                    else if (fds[first + i].revents & POLLHUP) {
                        // The driver closed the line: wait a little instead of spinning on the hang-up.
                        ::poll(nullptr, 0, 5);
                    }
                }
            }
            for (auto it = finished.rbegin(); it != finished.rend(); ++it) {
                ::close(sources[*it].fd);
                sources.erase(sources.begin() + static_cast<long>(*it));
            }
        }
    }
};

VirtualPrinter::VirtualPrinter() : VirtualPrinter(Options{}) {}

VirtualPrinter::VirtualPrinter(Options options) : m(std::make_unique<Impl>()) { m->options = std::move(options); }

VirtualPrinter::~VirtualPrinter() { stop(); }

bool VirtualPrinter::listenTcp(const std::string& ip, std::uint16_t port, std::string* error) {
    auto fail = [&](const char* what) {
        if (error) *error = std::string(what) + ": " + std::strerror(errno);
        closeFd(m->listenFd);
        return false;
    };
    if (m->running.load() || m->listenFd >= 0) {
        if (error) *error = "already listening or running";
        return false;
    }
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    if (::inet_pton(AF_INET, ip.c_str(), &addr.sin_addr) != 1) {
        errno = EINVAL;
        return fail("address");
    }
    m->listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (m->listenFd < 0) return fail("socket");
    int one = 1;
    ::setsockopt(m->listenFd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (::bind(m->listenFd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) return fail("bind");
    if (::listen(m->listenFd, 16) != 0) return fail("listen");
    return true;
}

std::string VirtualPrinter::openPty(std::string* error) {
    if (m->running.load() || m->ptyMaster >= 0) {
        if (error) *error = "already has a line or running";
        return {};
    }
    int master = -1, slave = -1;
    char name[256] = {};
    termios raw{};
    ::cfmakeraw(&raw);
    if (::openpty(&master, &slave, name, &raw, nullptr) != 0) {
        if (error) *error = std::string("openpty: ") + std::strerror(errno);
        return {};
    }
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave, F_SETFD, FD_CLOEXEC);
    m->ptyMaster = master;
    m->ptySlaveKeepAlive = slave;
    return name;
}

bool VirtualPrinter::start() {
    if (m->running.load() || (m->listenFd < 0 && m->ptyMaster < 0)) return false;
    m->wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m->wakeFd < 0) return false;
    if (!m->options.recordPath.empty()) m->record = std::fopen(m->options.recordPath.c_str(), "ab");
    if (m->ptyMaster >= 0) {
        Source s;
        s.fd = m->ptyMaster;
        m->sources.push_back(std::move(s));
    }
    m->running.store(true);
    m->thread = std::thread([this] { m->run(); });
    return true;
}

void VirtualPrinter::stop() {
    if (m->running.exchange(false)) {
        m->wake();
        m->thread.join();
    }
    for (auto& s : m->sources)
        if (s.fd != m->ptyMaster) ::close(s.fd);
    m->sources.clear();
    closeFd(m->ptyMaster);
    closeFd(m->ptySlaveKeepAlive);
    closeFd(m->listenFd);
    closeFd(m->wakeFd);
    if (m->record) std::fclose(m->record);
    m->record = nullptr;
}

#define VP_SETTER(fn, field)                           \
    void VirtualPrinter::fn(bool on) {                 \
        std::lock_guard<std::mutex> g(m->lock);        \
        m->status.field = on;                          \
    }
VP_SETTER(setCoverOpen, coverOpen)
VP_SETTER(setPaperNearEnd, paperNearEnd)
VP_SETTER(setPaperEnd, paperEnd)
VP_SETTER(setOffline, offline)
#undef VP_SETTER

void VirtualPrinter::setDrawerOpen(bool on) {
    std::lock_guard<std::mutex> g(m->lock);
    m->status.drawerOpen = on;
    m->drawerTimed = false;
}

PrinterStatus VirtualPrinter::status() const {
    std::lock_guard<std::mutex> g(m->lock);
    return m->status;
}

void VirtualPrinter::setSilent(bool on) { m->silent.store(on); }
void VirtualPrinter::setDropAfter(std::size_t bytes) { m->dropAfter.store(bytes); }

std::vector<std::uint8_t> VirtualPrinter::received() const {
    std::lock_guard<std::mutex> g(m->lock);
    return m->received;
}

std::size_t VirtualPrinter::receivedCount() const {
    std::lock_guard<std::mutex> g(m->lock);
    return m->received.size();
}

void VirtualPrinter::clearReceived() {
    std::lock_guard<std::mutex> g(m->lock);
    m->received.clear();
}

bool VirtualPrinter::waitForReceived(std::size_t n, int timeoutMs) const {
    std::unique_lock<std::mutex> g(m->lock);
    return m->receivedCv.wait_for(g, std::chrono::milliseconds(timeoutMs), [&] { return m->received.size() >= n; });
}

int VirtualPrinter::connectionsAccepted() const { return m->accepted.load(); }
int VirtualPrinter::drawerKicks() const { return m->kicks.load(); }
int VirtualPrinter::statusRequests() const { return m->statusRequests.load(); }

void VirtualPrinter::setObserver(Observer observer) {
    std::lock_guard<std::mutex> g(m->lock);
    m->observer = std::move(observer);
}

}  // namespace vornik::vprinter
