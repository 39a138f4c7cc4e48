#include "DriverLog.h"

#include "Text.h"

#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace vornik::so {

struct CFileLog::Shared {
    std::mutex lock;                 // the queue and the flags
    std::mutex fileLock;             // the file; only the writer and SetLocation take it
    std::condition_variable ready;   // a line was queued, or stop was set
    std::condition_variable idle;    // the queue became empty, or the writer ended
    std::deque<LogEntry> queue;
    FILE* file = nullptr;
    bool stop = false;
    bool abandon = false;            // the destructor gave up waiting: drop the rest
    bool finished = false;
    bool writing = false;
};

namespace {

const char kFileName[] = "Vornik_Opos_Driver.log";

void makeDirectories(const std::string& dir) {
    for (std::size_t i = 1; i <= dir.size(); ++i)
        if (i == dir.size() || dir[i] == '/') ::mkdir(dir.substr(0, i).c_str(), 0755);
}

}  // namespace

// Takes everything queued at once and writes it outside the queue's lock, so
// that a caller of Log never waits for the disk; one writer keeps the order.
void CFileLog::writerLoop(std::shared_ptr<CFileLog::Shared> s) {
    std::deque<LogEntry> batch;
    std::unique_lock<std::mutex> g(s->lock);
    for (;;) {
        s->ready.wait(g, [&] { return !s->queue.empty() || s->stop; });
        if (s->abandon || (s->stop && s->queue.empty())) break;
        batch.swap(s->queue);
        s->writing = true;
        g.unlock();
        {
            std::lock_guard<std::mutex> f(s->fileLock);
            for (const LogEntry& e : batch) {
                if (!s->file) break;
                using namespace std::chrono;
                const auto now = system_clock::now();
                const std::time_t t = system_clock::to_time_t(now);
                const int ms = static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
                std::tm local{};
                ::localtime_r(&t, &local);
                const std::string line = formatLogLine(e, local, ms);
                std::fwrite(line.data(), 1, line.size(), s->file);
                std::fflush(s->file);
            }
        }
        batch.clear();
        g.lock();
        s->writing = false;
        if (s->queue.empty()) s->idle.notify_all();
    }
    s->finished = true;
    s->queue.clear();
    s->idle.notify_all();
}

std::string logFilePath(int driveIndex) {
    const char* root = std::getenv("VORNIK_LOG_ROOT");
    std::string dir = (root && *root) ? root : "/var/log/vornik";
    const char letter = (driveIndex >= 1 && driveIndex <= 6) ? static_cast<char>('c' + driveIndex) : 'c';
    return dir + "/" + letter + "/" + kFileName;
}

std::string formatLogLine(const LogEntry& e, const std::tm& t, int ms) {
    char stamp[48];
    std::snprintf(stamp, sizeof stamp, "%02d/%02d/%04d %02d:%02d:%02d.%03d", t.tm_mon + 1, t.tm_mday, t.tm_year + 1900,
                  t.tm_hour, t.tm_min, t.tm_sec, ms);
    std::string level = std::to_string(e.level);
    if (level.size() < 2) level.resize(2, ' ');
    std::string tag = e.tag;
    if (tag.size() < 15) tag.resize(15, ' ');
    return std::string(stamp) + "  " + level + "  " + tag + " " + e.text + "\n";
}

CFileLog::CFileLog() : m(std::make_shared<Shared>()) {
    std::thread(writerLoop, m).detach();
}

CFileLog::~CFileLog() {
    std::unique_lock<std::mutex> g(m->lock);
    m->stop = true;
    m->ready.notify_all();
    // The writer ends once the queue is empty; it keeps its own reference to
    // the shared state, so giving up after the drain time is safe.
    if (!m->idle.wait_for(g, std::chrono::milliseconds(kDrainMs), [&] { return m->finished; })) {
        m->abandon = true;
        m->ready.notify_all();
    }
    if (m->finished) {
        g.unlock();
        std::lock_guard<std::mutex> f(m->fileLock);
        if (m->file) std::fclose(m->file);
        m->file = nullptr;
    }
}

void CFileLog::SetVerbosity(int level) { m_verbosity.store(level, std::memory_order_relaxed); }

void CFileLog::LogEx(int level, int, const std::string& tag, const std::string& text) { Log(level, tag, text); }

void CFileLog::Log(int level, const std::string& tag, const std::string& text) {
    if (level > m_verbosity.load(std::memory_order_relaxed)) return;
    {
        std::lock_guard<std::mutex> g(m->lock);
        if (m->stop) return;
        m->queue.push_back(LogEntry{level, text, tag});
    }
    m->ready.notify_one();
}

void CFileLog::SetLocation(int driveIndex) {
    m_location.store(driveIndex, std::memory_order_relaxed);
    const std::string path = logFilePath(driveIndex);
    makeDirectories(path.substr(0, path.rfind('/')));
    FILE* f = std::fopen(path.c_str(), "a");
    std::lock_guard<std::mutex> g(m->fileLock);
    if (m->file) std::fclose(m->file);
    m->file = f;  // null when it cannot be opened: lines are then lost, silently
}

bool CFileLog::flush(int timeoutMs) {
    std::unique_lock<std::mutex> g(m->lock);
    return m->idle.wait_for(g, std::chrono::milliseconds(timeoutMs),
                            [&] { return (m->queue.empty() && !m->writing) || m->finished; });
}

CFileLog g_fileLog;

std::string dumpCmdText(const unsigned char* data, std::size_t length) {
    std::string text = "SendCmd:len=" + NumToString(static_cast<int>(length)) + "=================\n";
    for (std::size_t i = 0; i < length; ++i) {
        text += "0x" + ByteToHex(data[i]) + ",";
        if (i % 16 == 15) text += "\n";
    }
    return text;
}

std::string dumpDataText(const char16_t* s) {
    std::size_t n = 0;
    if (s)
        while (s[n]) ++n;
    std::string text = "dumpData:len=" + NumToString(static_cast<int>(n)) + "=================\n";
    for (std::size_t i = 0; i < n; ++i) {
        text += "0x" + WordToHex(s[i]) + ",";
        if (i % 16 == 15) text += "\n";
    }
    return text;
}

void dumpCmd(const unsigned char* data, std::size_t length) {
    if (g_fileLog.verbosity() < 5) return;
    g_fileLog.Log(5, "dumpCmd", dumpCmdText(data, length));
}

void dumpData(const char16_t* text) {
    if (g_fileLog.verbosity() < 5) return;
    g_fileLog.Log(5, "dumpData", dumpDataText(text));
}

}  // namespace vornik::so
