// The driver log: one text file per process, written by a background thread.
//
// Service code calls g_fileLog.Log(level, tag, text); a line is kept when its
// level is at most the verbosity (a comparison, nothing more, otherwise) and
// written later by the writer thread as
//
//   MM/DD/YYYY HH:MM:SS.mmm  <level, 2 wide>  <tag, 15 wide> <text>
//
// with the writer's local time, LF line ends and a flush after every line.
// The drive index of the registry picks the file: index 1-6 (D: to I:) and
// 0 or anything else (C:) map to <root>/<letter>/Vornik_Opos_Driver.log, the
// root being VORNIK_LOG_ROOT or /var/log/vornik (folders are created).
// SetLocation on an open log closes it and opens the file of the new index, so
// the log keeps running when a second device is opened.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace vornik::so {

class CLog {
public:
    virtual ~CLog() = default;
    virtual void SetVerbosity(int level) = 0;
    // As Log; the second argument is not used.
    virtual void LogEx(int level, int unused, const std::string& tag, const std::string& text) = 0;
    virtual void Log(int level, const std::string& tag, const std::string& text) = 0;
};

struct LogEntry {
    int level;
    std::string text;
    std::string tag;
};

// The file a drive index stands for.
std::string logFilePath(int driveIndex);

// One formatted line (with its LF) for an entry written at the given local time.
std::string formatLogLine(const LogEntry& entry, const std::tm& localTime, int milliseconds);

class CFileLog : public CLog {
public:
    CFileLog();
    ~CFileLog() override;  // drains for at most one second, then drops what is left
    CFileLog(const CFileLog&) = delete;
    CFileLog& operator=(const CFileLog&) = delete;

    void SetVerbosity(int level) override;
    void LogEx(int level, int unused, const std::string& tag, const std::string& text) override;
    void Log(int level, const std::string& tag, const std::string& text) override;
    virtual void SetLocation(int driveIndex);

    int verbosity() const { return m_verbosity.load(std::memory_order_relaxed); }
    int location() const { return m_location.load(std::memory_order_relaxed); }
    // Waits until every queued line has been written (or timeoutMs passed).
    bool flush(int timeoutMs);

    // The most a destructor waits for the writer.
    static constexpr int kDrainMs = 1000;

private:
    struct Shared;  // owned jointly with the writer thread, which may outlive a timed-out destructor
    static void writerLoop(std::shared_ptr<Shared> s);
    std::shared_ptr<Shared> m;
    std::atomic<int> m_verbosity{0};
    std::atomic<int> m_location{0};
    int m_indent = 0;
};

// The process-wide log.
extern CFileLog g_fileLog;

// "SendCmd:len=N=================\n" then "0xHH," per byte, a line break after
// every sixteenth; logged at level 5 with the tag "dumpCmd".
void dumpCmd(const unsigned char* data, std::size_t length);
// As dumpCmd for the characters of a wide string up to its NUL ("0xHHHH,"),
// header "dumpData:len=N", tag "dumpData".
void dumpData(const char16_t* text);
// The dump texts themselves.
std::string dumpCmdText(const unsigned char* data, std::size_t length);
std::string dumpDataText(const char16_t* text);

}  // namespace vornik::so
