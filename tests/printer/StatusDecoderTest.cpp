// The printer's status decoder on its own: the cover and paper events a reply
// queues, the stored bytes and the log line.
#include "infra/DriverLog.h"
#include "printer/Printer.h"
#include "status/CommData.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

using namespace vornik::so;

namespace {

class StatusDecoder : public testing::Test {
protected:
    void SetUp() override {
        root = testing::TempDir() + "vornik-status-" + std::to_string(::getpid()) + "-" +
               testing::UnitTest::GetInstance()->current_test_info()->name();
        std::filesystem::remove_all(root);  // a process id can come again: start from nothing
        ::setenv("VORNIK_LOG_ROOT", root.c_str(), 1);
        g_fileLog.SetVerbosity(5);
        g_fileLog.SetLocation(0);
        printer = new ZoriraRIdirOzereza(nullptr);
        printer->m_eventQueue.SetAllowableEvents(31);  // queued, not delivered: the counts tell
    }
    void TearDown() override {
        printer->Release();
        g_fileLog.SetVerbosity(0);
    }
    // Status-update events queued by one reply, as (count of 11, 12, 24, 26).
    std::string feed(const std::string& reply) {
        printer->m_eventQueue.ClearEvents();
        printer->ProcessCommData(reply);
        return std::to_string(printer->m_eventQueue.EventCount(16));
    }
    std::string logText() {
        g_fileLog.flush(2000);
        std::ifstream in(logFilePath(0));
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    std::string root;
    ZoriraRIdirOzereza* printer = nullptr;
};

TEST_F(StatusDecoder, FirstReplyReportsCoverAndPaperThenChangesOnly) {
    EXPECT_EQ(feed("\x12\x12\x12\x12"), "2") << "COVER_OK and PAPEROK after creation";
    EXPECT_NE(logText().find("    | ProcessCommData: 18 18 18 18"), std::string::npos);
    EXPECT_EQ(commArbiter().lastStatus(), "\x12\x12\x12\x12");
    EXPECT_EQ(feed("\x12\x16\x12\x72"), "2") << "COVER_OPEN and REC_EMPTY";
    EXPECT_NE(logText().find("    | ProcessCommData: 18 22 18 114"), std::string::npos);
    EXPECT_EQ(feed("\x12\x16\x12\x72"), "0") << "the same reply again";
    EXPECT_EQ(feed("\x12\x12\x12\x12"), "2") << "COVER_OK and PAPEROK";
}

TEST_F(StatusDecoder, ShortRepliesChangeNothingAndBytesAreSignExtended) {
    EXPECT_EQ(feed("\x12\x12\x12"), "0");
    EXPECT_EQ(feed(""), "0");
    EXPECT_EQ(feed(std::string("\x90\x12\x12\x12", 4)), "2");
    EXPECT_NE(logText().find("    | ProcessCommData: -112 18 18 18"), std::string::npos);
}

TEST_F(StatusDecoder, EventsThatCannotBeQueuedAreLoggedAndTheBytesStillStored) {
    printer->m_eventQueue.SetAllowableEvents(0);
    printer->ProcessCommData("\x12\x16\x12\x12");
    const std::string log = logText();
    EXPECT_NE(log.find("ProcessCommData: qErrUnable to queue the specified event type."), std::string::npos);
    EXPECT_NE(log.find("    | ProcessCommData: 18 22 18 18"), std::string::npos);
}

}  // namespace
