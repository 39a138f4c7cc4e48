#include "NamedLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <map>
#include <mutex>
#include <thread>

namespace vornik::platform {

namespace {

constexpr int kPollMs = 5;

struct ProcessHold {
    int fd = -1;
    int count = 0;
    pid_t pid = 0;  // the process that took it: a forked child does not hold its parent's lock
};

std::mutex g_lock;
std::map<std::string, ProcessHold> g_holds;  // name -> this process's hold

std::string lockDir() {
    const char* env = std::getenv("VORNIK_LOCK_DIR");
    std::string dir = (env && *env) ? env : "/tmp/vornik-locks";
    if (::mkdir(dir.c_str(), 01777) == 0) ::chmod(dir.c_str(), 01777);
    return dir;
}

}  // namespace

NamedLock::NamedLock(std::string name) : m_name(std::move(name)) {}

NamedLock::~NamedLock() {
    while (m_held > 0) release();
}

std::string NamedLock::pathFor(const std::string& name) {
    std::string safe;
    for (char c : name) safe += (c == '/' || c == '\0') ? '_' : c;
    return lockDir() + "/" + safe + ".lock";
}

LockWait NamedLock::acquire(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    int fd = -1;
    for (;;) {
        {
            std::lock_guard<std::mutex> g(g_lock);
            ProcessHold& hold = g_holds[m_name];
            if (hold.count > 0 && hold.pid != ::getpid()) {
                ::close(hold.fd);  // the parent's descriptor: closing this copy leaves its lock alone
                hold = ProcessHold{};
            }
            if (hold.count > 0) {  // this process holds it already: count once more
                ++hold.count;
                ++m_held;
                if (fd >= 0) ::close(fd);
                return LockWait::Acquired;
            }
            if (fd < 0) {
                const mode_t old = ::umask(0);
                fd = ::open(pathFor(m_name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
                ::umask(old);
                if (fd < 0) return LockWait::Failed;
            }
            if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
                hold.fd = fd;
                hold.count = 1;
                hold.pid = ::getpid();
                ++m_held;
                return LockWait::Acquired;
            }
            if (errno != EWOULDBLOCK && errno != EINTR) {
                ::close(fd);
                return LockWait::Failed;
            }
        }
        if (timeoutMs >= 0 && std::chrono::steady_clock::now() >= deadline) {
            ::close(fd);
            return LockWait::TimedOut;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
    }
}

bool NamedLock::release() {
    std::lock_guard<std::mutex> g(g_lock);
    if (m_held == 0) return false;
    auto it = g_holds.find(m_name);
    if (it == g_holds.end() || it->second.count == 0 || it->second.pid != ::getpid()) return false;
    --m_held;
    if (--it->second.count == 0) {
        ::close(it->second.fd);  // closing the descriptor frees the flock
        it->second.fd = -1;
    }
    return true;
}

}  // namespace vornik::platform
