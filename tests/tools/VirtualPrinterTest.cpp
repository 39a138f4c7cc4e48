#include "VirtualPrinter.h"

#include <conlink/Conlink.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

using namespace vornik::vprinter;

namespace {

struct StatusCase {
    const char* what;
    PrinterStatus status;
    std::uint8_t bytes[4];
};

void PrintTo(const StatusCase& c, std::ostream* os) { *os << c.what; }

class StatusBytes : public testing::TestWithParam<StatusCase> {};

TEST_P(StatusBytes, ForEachRequest) {
    for (int n = 1; n <= 4; ++n)
        EXPECT_EQ(statusByte(GetParam().status, n), GetParam().bytes[n - 1]) << GetParam().what << " DLE EOT " << n;
}

PrinterStatus with(bool cover, bool nearEnd, bool end, bool drawer, bool offline) {
    return PrinterStatus{cover, nearEnd, end, drawer, offline};
}

INSTANTIATE_TEST_SUITE_P(
    Table, StatusBytes,
    testing::Values(StatusCase{"ready, drawer closed", with(0, 0, 0, 0, 0), {0x16, 0x12, 0x12, 0x12}},
                    StatusCase{"drawer open", with(0, 0, 0, 1, 0), {0x12, 0x12, 0x12, 0x12}},
                    StatusCase{"off line", with(0, 0, 0, 0, 1), {0x1E, 0x12, 0x12, 0x12}},
                    StatusCase{"cover open", with(1, 0, 0, 0, 0), {0x16, 0x16, 0x12, 0x12}},
                    StatusCase{"paper near end", with(0, 1, 0, 0, 0), {0x16, 0x12, 0x12, 0x1E}},
                    StatusCase{"paper end", with(0, 0, 1, 0, 0), {0x16, 0x32, 0x12, 0x72}}));

class Running : public testing::Test {
protected:
    void start(VirtualPrinter::Options options = {}) {
        printer = std::make_unique<VirtualPrinter>(options);
        std::string error;
        line = printer->openPty(&error);
        ASSERT_FALSE(line.empty()) << error;
        ASSERT_TRUE(printer->start());
        ASSERT_EQ(KV_UsbConnect(line.c_str()), CONLINK_OK);  // a plain line, no settings to apply
    }
    void send(const std::vector<std::uint8_t>& data) {
        const std::size_t before = printer->receivedCount();
        ASSERT_EQ(JPOS_SendCmd(data.data(), static_cast<int>(data.size())), CONLINK_OK);
        ASSERT_TRUE(printer->waitForReceived(before + data.size(), 2000));
    }
    std::unique_ptr<VirtualPrinter> printer;
    std::string line;
};

TEST_F(Running, ImageDataIsNeverTakenForAStatusRequest) {
    start();
    // GS v 0, 3 bytes by 1 row, whose data is DLE EOT 1; then a real ESC p after it.
    send({0x1D, 'v', '0', 0, 3, 0, 1, 0, 0x10, 0x04, 0x01});
    EXPECT_EQ(printer->statusRequests(), 0);
    send({0x10, 0x04});
    send({0x01});  // a request split across two writes still counts
    EXPECT_EQ(printer->statusRequests(), 1);
}

TEST_F(Running, DrawerKickOpensTheDrawerForTheSetTime) {
    VirtualPrinter::Options options;
    options.drawerOpenMs = 150;
    start(options);
    send({0x1B, 'p', 0, 25, 250});
    EXPECT_EQ(printer->drawerKicks(), 1);
    EXPECT_TRUE(printer->status().drawerOpen);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (printer->status().drawerOpen && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_FALSE(printer->status().drawerOpen);
}

TEST_F(Running, RecordsEveryByteToTheFile) {
    VirtualPrinter::Options options;
    options.recordPath = testing::TempDir() + "vprinter-record.bin";
    std::remove(options.recordPath.c_str());
    start(options);
    send({'a', 0, 'b', 0xFF});
    printer->stop();
    std::ifstream in(options.recordPath, std::ios::binary);
    std::vector<char> got((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(got, (std::vector<char>{'a', 0, 'b', static_cast<char>(0xFF)}));
}

TEST_F(Running, OneByteRepliesWhenAskedTo) {
    VirtualPrinter::Options options;
    options.fourByteOfflineReply = false;
    start(options);
    const unsigned char dleEot2[] = {0x10, 0x04, 0x02};
    unsigned char reply[8];
    int length = sizeof reply;
    ASSERT_EQ(JPOS_QueryCmd(dleEot2, 3, reply, &length), CONLINK_OK);
    EXPECT_EQ(length, 1);
}

TEST(Listening, AnAddressInUseIsReported) {
    VirtualPrinter a, b;
    std::string error;
    ASSERT_TRUE(a.listenTcp("127.0.0.40", 9100, &error)) << error;
    EXPECT_FALSE(b.listenTcp("127.0.0.40", 9100, &error));
    EXPECT_NE(error.find("bind"), std::string::npos);
    EXPECT_FALSE(b.listenTcp("nonsense", 9100, &error));
    EXPECT_FALSE(b.start()) << "nothing to listen on";
}

}  // namespace
