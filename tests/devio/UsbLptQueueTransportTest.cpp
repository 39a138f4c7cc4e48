// The USB and parallel transports against the virtual printer on a
// pseudo-terminal (a device node given as a path), and the print-queue
// transport without a print server.
#include <conlink/Conlink.h>

#include "CurrentConnection.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace vornik;
using vprinter::VirtualPrinter;

namespace {

const unsigned char kDleEot1[] = {0x10, 0x04, 0x01};

using LineTransport = test::PtyPrinterTest;

using UsbTransport = LineTransport;
using LptTransport = LineTransport;

TEST_F(UsbTransport, SendPausesThenDropsOnePendingByteAndReturnsTheWriteResult) {
    ASSERT_EQ(KV_UsbConnect(line.c_str()), CONLINK_OK);
    const std::string text = "usb job\n";
    // Nothing is pending, so the one-byte read times out; the send still succeeds.
    EXPECT_EQ(KV_SendCmd(reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size())),
              CONLINK_OK);
    ASSERT_TRUE(printer.waitForReceived(text.size(), 2000));
    EXPECT_EQ(waits.clock.sleeps(), std::vector<int>{500});
}

TEST_F(UsbTransport, JposSendSkipsTheReadBack) {
    ASSERT_EQ(JPOS_UsbConnect(line.c_str()), CONLINK_OK);
    const unsigned char b = 'j';
    EXPECT_EQ(JPOS_SendCmd(&b, 1), CONLINK_OK);
    EXPECT_TRUE(waits.clock.sleeps().empty());
}

TEST_F(UsbTransport, QueryHasNoDelayBetweenCommandAndRead) {
    ASSERT_EQ(KV_UsbConnect(line.c_str()), CONLINK_OK);
    unsigned char reply[8];
    int length = sizeof reply;
    ASSERT_EQ(KV_QueryCmd(kDleEot1, 3, reply, &length), CONLINK_OK);
    EXPECT_EQ(length, 1);
    EXPECT_EQ(reply[0], 0x16);
    EXPECT_TRUE(waits.clock.sleeps().empty());
}

TEST_F(UsbTransport, SilentPrinterGivesTheReadError) {
    printer.setSilent(true);
    ASSERT_EQ(KV_UsbConnect(line.c_str()), CONLINK_OK);
    unsigned char reply[8];
    int length = sizeof reply;
    EXPECT_EQ(KV_QueryCmd(kDleEot1, 3, reply, &length), CONLINK_USB_READ);
}

TEST_F(UsbTransport, WritesLargerThanOnePieceArriveWholeAndInOrder) {
    ASSERT_EQ(KV_UsbConnect(line.c_str()), CONLINK_OK);
    std::vector<unsigned char> data(devio::kUsbPieceBytes * 2 + 12345);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<unsigned char>('a' + (i * 7) % 26);
    EXPECT_EQ(JPOS_SendCmd(data.data(), static_cast<int>(data.size())), CONLINK_OK);
    ASSERT_TRUE(printer.waitForReceived(data.size(), 10000));
    auto got = printer.received();
    EXPECT_TRUE(std::equal(data.begin(), data.end(), got.begin()));
}

TEST(UsbConnect, UnknownOrMalformedPathsCannotBeOpened) {
    test::FastWaits waits;
    EXPECT_EQ(KV_UsbConnect("/dev/does/not/exist"), CONLINK_USB_OPEN);
    EXPECT_EQ(KV_UsbConnect("\\\\?\\usb#vid_ffff&pid_0002#none#{a5dcbf10-6530-11d2-901f-00c04fb951ed}"),
              CONLINK_USB_OPEN);
    EXPECT_EQ(KV_UsbConnect("no ids here"), CONLINK_USB_OPEN);
    EXPECT_EQ(KV_UsbConnect(("/" + std::string(259, 'a')).c_str()), CONLINK_USB_OPEN) << "260 characters";
    EXPECT_EQ(JPOS_UsbConnectWithPidVid(0x0002, 0xFFFF), CONLINK_USB_OPEN);
}

TEST_F(LptTransport, SendAndQuery) {
    ASSERT_EQ(KV_LptConnect(line.c_str()), CONLINK_OK);
    EXPECT_EQ(devio::currentConnection().config.type, CONLINK_TYPE_PARALLEL);
    const unsigned char b[] = {'l', 'p', '\n'};
    EXPECT_EQ(KV_SendCmd(b, 3), CONLINK_OK);
    unsigned char reply[8];
    int length = sizeof reply;
    ASSERT_EQ(KV_QueryCmd(kDleEot1, 3, reply, &length), CONLINK_OK);
    EXPECT_EQ(length, 1);
    EXPECT_EQ(reply[0], 0x16);
}

TEST_F(LptTransport, SilentPrinterGivesTheReadError) {
    printer.setSilent(true);
    ASSERT_EQ(KV_LptConnect(line.c_str()), CONLINK_OK);
    unsigned char reply[8];
    int length = sizeof reply;
    EXPECT_EQ(KV_QueryCmd(kDleEot1, 3, reply, &length), CONLINK_LPT_READ);
}

TEST(LptConnect, OpenFailures) {
    EXPECT_EQ(KV_LptConnect("lpDoesNotExist9"), CONLINK_LPT_OPEN);
    EXPECT_EQ(KV_LptConnect(std::string(32, 'a').c_str()), CONLINK_LPT_OPEN);
    EXPECT_EQ(KV_LptConnect(nullptr), CONLINK_LPT_OPEN);
}

// The test environment points CUPS at a socket that does not exist.
TEST(PrintQueue, UnknownQueueCannotBeConnected) {
    EXPECT_EQ(KV_DrvConnect("vornik-no-such-queue"), CONLINK_DRV_OPEN);
    EXPECT_EQ(KV_DrvConnect(""), CONLINK_DRV_OPEN);
    EXPECT_EQ(KV_DrvConnect(std::string(260, 'q').c_str()), CONLINK_DRV_OPEN);
    const unsigned char b = 'x';
    EXPECT_EQ(KV_SendCmd(&b, 1), CONLINK_NO_CONNECTION);
}

TEST(PrintQueue, QueryReadsNothingAndLeavesTheLengthAlone) {
    _t_CONFIG_STATE state{CONLINK_TYPE_QUEUE, "queue", nullptr};
    Device* device = DeviceFactory::create(&state);
    ASSERT_NE(device, nullptr);
    unsigned char reply[4] = {9, 9, 9, 9};
    std::uint32_t length = 4;
    EXPECT_EQ(device->read(kDleEot1, 3, reply, &length), CONLINK_OK);
    EXPECT_EQ(length, 4u);
    EXPECT_EQ(reply[0], 9);
    EXPECT_EQ(device->write(kDleEot1, 3), CONLINK_DRV_OPEN);
    DeviceFactory::destory(device);
}

}  // namespace
