#include "infra/DriverLog.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using namespace vornik::so;

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
}

class DriverLog : public testing::Test {
protected:
    void SetUp() override {
        root = testing::TempDir() + "vornik-log-" + std::to_string(::getpid()) + "-" +
               testing::UnitTest::GetInstance()->current_test_info()->name();
        std::filesystem::remove_all(root);  // a process id can come again: start from nothing
        ::setenv("VORNIK_LOG_ROOT", root.c_str(), 1);
    }
    void TearDown() override {
        ::unsetenv("VORNIK_LOG_ROOT");
        std::filesystem::remove_all(root);
    }
    std::string root;
};

TEST(LogLine, HasTheFixedFieldLayout) {
    std::tm t{};
    t.tm_year = 2025 - 1900;
    t.tm_mon = 0;
    t.tm_mday = 21;
    t.tm_hour = 3;
    t.tm_min = 43;
    t.tm_sec = 44;
    EXPECT_EQ(formatLogLine({4, ">>> GetRegETHSettings", "CDevice"}, t, 123),
              "01/21/2025 03:43:44.123  4   CDevice         >>> GetRegETHSettings\n");
    EXPECT_EQ(formatLogLine({5, "x", "ZoriraRIdirOzereza"}, t, 7),
              "01/21/2025 03:43:44.007  5   ZoriraRIdirOzereza x\n")
        << "a long tag is written whole, then one space";
    EXPECT_EQ(formatLogLine({1, "a\nb", "T"}, t, 0), "01/21/2025 03:43:44.000  1   T               a\nb\n");
}

TEST_F(DriverLog, DriveIndexesMapToFoldersUnderTheRoot) {
    EXPECT_EQ(logFilePath(0), root + "/c/Vornik_Opos_Driver.log");
    EXPECT_EQ(logFilePath(1), root + "/d/Vornik_Opos_Driver.log");
    EXPECT_EQ(logFilePath(6), root + "/i/Vornik_Opos_Driver.log");
    EXPECT_EQ(logFilePath(9), root + "/c/Vornik_Opos_Driver.log");
    EXPECT_EQ(logFilePath(-1), root + "/c/Vornik_Opos_Driver.log");
}

TEST_F(DriverLog, WritesOnlyLinesAtOrBelowTheVerbosity) {
    {
        CFileLog log;
        log.SetLocation(9);
        log.Log(1, "T", "dropped at verbosity 0");
        log.SetVerbosity(4);
        log.Log(5, "T", "dropped at verbosity 4");
        log.Log(4, "T", "kept");
    }
    auto got = lines(readFile(logFilePath(0)));
    ASSERT_EQ(got.size(), 1u);
    EXPECT_TRUE(std::regex_match(got[0], std::regex(R"(\d\d/\d\d/\d{4} \d\d:\d\d:\d\d\.\d{3}  4   T               kept)")))
        << got[0];
}

TEST_F(DriverLog, LinesBeforeTheFirstLocationGoNowhere) {
    {
        CFileLog log;
        log.SetVerbosity(6);
        log.Log(1, "T", "early");
        ASSERT_TRUE(log.flush(2000));
        log.SetLocation(2);
        log.Log(1, "T", "late");
    }
    auto got = lines(readFile(logFilePath(2)));
    ASSERT_EQ(got.size(), 1u);
    EXPECT_NE(got[0].find("late"), std::string::npos);
}

TEST_F(DriverLog, ASecondLocationReopensAndKeepsLogging) {
    {
        CFileLog log;
        log.SetVerbosity(6);
        log.SetLocation(0);
        log.Log(1, "T", "first");
        ASSERT_TRUE(log.flush(2000));
        log.SetLocation(0);  // a second device opened: same file, still written
        log.Log(1, "T", "second");
        ASSERT_TRUE(log.flush(2000));
        log.SetLocation(3);
        log.Log(1, "T", "third");
    }
    EXPECT_EQ(lines(readFile(logFilePath(0))).size(), 2u);
    EXPECT_EQ(lines(readFile(logFilePath(3))).size(), 1u);
}

TEST_F(DriverLog, DestructionDrainsTheQueueAndKeepsEachThreadsOrder) {
    constexpr int kThreads = 4, kLines = 500;
    {
        CFileLog log;
        log.SetVerbosity(6);
        log.SetLocation(1);
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t)
            threads.emplace_back([&log, t] {
                for (int i = 0; i < kLines; ++i) log.Log(3, "T" + std::to_string(t), std::to_string(i));
            });
        for (auto& th : threads) th.join();
    }  // lines still queued are written before the destructor returns
    auto got = lines(readFile(logFilePath(1)));
    ASSERT_EQ(got.size(), static_cast<std::size_t>(kThreads * kLines));
    std::vector<int> next(kThreads, 0);
    for (const auto& l : got) {
        int t = l[30] - '0';  // "T<n>" starts the tag field at column 29
        ASSERT_GE(t, 0);
        ASSERT_LT(t, kThreads);
        EXPECT_EQ(std::stoi(l.substr(45)), next[t]++) << l;
    }
}

TEST(Dumps, CommandBytesSixteenToARow) {
    std::vector<unsigned char> sixteen(16);
    for (int i = 0; i < 16; ++i) sixteen[i] = static_cast<unsigned char>(i * 17);
    EXPECT_EQ(dumpCmdText(sixteen.data(), 16),
              "SendCmd:len=16=================\n"
              "0x00,0x11,0x22,0x33,0x44,0x55,0x66,0x77,0x88,0x99,0xAA,0xBB,0xCC,0xDD,0xEE,0xFF,\n");
    const unsigned char three[] = {0x1B, 0x40, 0x0A};
    EXPECT_EQ(dumpCmdText(three, 3), "SendCmd:len=3=================\n0x1B,0x40,0x0A,");
    EXPECT_EQ(dumpCmdText(nullptr, 0), "SendCmd:len=0=================\n");
    std::vector<unsigned char> seventeen(17, 1);
    EXPECT_EQ(dumpCmdText(seventeen.data(), 17).substr(32 + 16 * 5), "\n0x01,");
}

TEST(Dumps, WideCharactersUpToTheNul) {
    EXPECT_EQ(dumpDataText(u"A\u6d4b"), "dumpData:len=2=================\n0x0041,0x6D4B,");
    EXPECT_EQ(dumpDataText(u""), "dumpData:len=0=================\n");
    EXPECT_EQ(dumpDataText(nullptr), "dumpData:len=0=================\n");
}

}  // namespace
