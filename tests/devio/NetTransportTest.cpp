// The TCP/IP transport and the connection interface against the virtual
// printer. Each test listens on its own 127.0.0.N:9100 so that tests can run
// in parallel.
#include <conlink/Conlink.h>

#include "CurrentConnection.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace vornik;
using vprinter::VirtualPrinter;

namespace {

std::vector<std::uint8_t> bytes(const std::string& s) { return {s.begin(), s.end()}; }

class NetTransport : public testing::Test {
protected:
    // Starts the printer on 127.0.0.<host>:9100.
    void startPrinter(int host) {
        ip = "127.0.0." + std::to_string(host);
        std::string error;
        ASSERT_TRUE(printer.listenTcp(ip, 9100, &error)) << error;
        ASSERT_TRUE(printer.start());
    }
    test::FastWaits waits;
    VirtualPrinter printer;
    std::string ip;
};

TEST_F(NetTransport, SendDeliversEveryByte) {
    startPrinter(11);
    ASSERT_EQ(KV_NetConnect(ip.c_str(), 9100), CONLINK_OK);
    const auto job = bytes("\x1b@Hello printer\n\x1d"
                           "V\x01");
    EXPECT_EQ(KV_SendCmd(job.data(), static_cast<int>(job.size())), CONLINK_OK);
    ASSERT_TRUE(printer.waitForReceived(job.size(), 2000));
    EXPECT_EQ(printer.received(), job);
}

TEST_F(NetTransport, ConnectRecordsTheEndpointAndAnEmptyName) {
    startPrinter(12);
    ASSERT_EQ(KV_NetConnect(ip.c_str(), 9100), CONLINK_OK);
    auto snap = devio::currentConnection();
    EXPECT_EQ(snap.config.type, CONLINK_TYPE_NET);
    EXPECT_STREQ(snap.config.name, "");
    EXPECT_STREQ(snap.net.ip, ip.c_str());
    EXPECT_EQ(snap.net.port, 9100);
    EXPECT_EQ(std::memcmp(snap.net.reserved, std::string(64, '\0').data(), 64), 0);
}

TEST_F(NetTransport, QueryReturnsTheStatusReply) {
    startPrinter(13);
    ASSERT_EQ(KV_NetConnect(ip.c_str(), 9100), CONLINK_OK);
    const unsigned char dleEot1[] = {0x10, 0x04, 0x01};
    unsigned char reply[64] = {};
    int length = sizeof reply;
    ASSERT_EQ(KV_QueryCmd(dleEot1, 3, reply, &length), CONLINK_OK);
    ASSERT_EQ(length, 1);
    EXPECT_EQ(reply[0], 0x16);

    printer.setCoverOpen(true);
    printer.setPaperEnd(true);
    const unsigned char dleEot2[] = {0x10, 0x04, 0x02};
    length = sizeof reply;
    ASSERT_EQ(KV_QueryCmd(dleEot2, 3, reply, &length), CONLINK_OK);
    ASSERT_EQ(length, 4);
    EXPECT_EQ(std::vector<int>(reply, reply + 4), (std::vector<int>{0x16, 0x36, 0x12, 0x72}));
}

TEST_F(NetTransport, NothingListeningFailsTheConnectAndClearsTheConnection) {
    startPrinter(14);
    ASSERT_EQ(KV_NetConnect(ip.c_str(), 9100), CONLINK_OK);
    // Port 9 on another loopback address: nobody listens there.
    EXPECT_EQ(KV_NetConnect("127.0.0.15", 9), CONLINK_NET_CONNECT);
    const unsigned char b = 'x';
    EXPECT_EQ(KV_SendCmd(&b, 1), CONLINK_NO_CONNECTION);
    unsigned char reply[4];
    int length = 4;
    EXPECT_EQ(KV_QueryCmd(&b, 1, reply, &length), CONLINK_NO_CONNECTION);
}

TEST_F(NetTransport, MalformedEndpointsFailTheConnect) {
    EXPECT_EQ(KV_NetConnect("not an address", 9100), CONLINK_NET_CONNECT);
    EXPECT_EQ(KV_NetConnect(nullptr, 9100), CONLINK_NET_CONNECT);
    EXPECT_EQ(KV_NetConnect("127.0.0.16", 70000), CONLINK_NET_CONNECT);
    EXPECT_EQ(KV_NetConnect(std::string(300, '1').c_str(), 9100), CONLINK_NET_CONNECT);
}

TEST_F(NetTransport, PrinterThatNeverAnswersEndsTheQueryWithTheReceiveTimeout) {
    startPrinter(17);
    printer.setSilent(true);
    ASSERT_EQ(KV_NetConnect(ip.c_str(), 9100), CONLINK_OK);
    const unsigned char dleEot1[] = {0x10, 0x04, 0x01};
    unsigned char reply[8];
    int length = sizeof reply;
    int rc = 0;
    long ms = test::elapsedMs([&] { rc = KV_QueryCmd(dleEot1, 3, reply, &length); });
    EXPECT_EQ(rc, CONLINK_NET_RECEIVE);
    EXPECT_EQ(length, 8) << "the capacity stays when nothing was read";
    EXPECT_GE(ms, 250);
    EXPECT_LT(ms, 5000);
}

TEST_F(NetTransport, PeerThatDropsMidSendFailsTheSend) {
    startPrinter(18);
    printer.setDropAfter(1000);
    ASSERT_EQ(KV_NetConnect(ip.c_str(), 9100), CONLINK_OK);
    std::vector<std::uint8_t> big(16u << 20, 'A');
    EXPECT_EQ(KV_SendCmd(big.data(), static_cast<int>(big.size())), CONLINK_NET_SEND);
}

TEST_F(NetTransport, NothingToSendSucceedsWithoutConnecting) {
    startPrinter(19);
    ASSERT_EQ(KV_NetConnect(ip.c_str(), 9100), CONLINK_OK);
    const int before = printer.connectionsAccepted();
    EXPECT_EQ(KV_SendCmd(nullptr, 10), CONLINK_OK);
    const unsigned char b = 'x';
    EXPECT_EQ(KV_SendCmd(&b, 0), CONLINK_OK);
    EXPECT_EQ(KV_SendCmd(&b, -5), CONLINK_OK);
    EXPECT_EQ(printer.connectionsAccepted(), before);
}

TEST_F(NetTransport, JposNamesDoTheSameWork) {
    startPrinter(20);
    ASSERT_EQ(JPOS_NetConnect(ip.c_str(), 9100), CONLINK_OK);
    const auto job = bytes("JPOS\n");
    EXPECT_EQ(JPOS_SendCmd(job.data(), static_cast<int>(job.size())), CONLINK_OK);
    ASSERT_TRUE(printer.waitForReceived(job.size(), 2000));
    const unsigned char dleEot4[] = {0x10, 0x04, 0x04};
    unsigned char reply[4];
    int length = 4;
    EXPECT_EQ(JPOS_QueryCmd(dleEot4, 3, reply, &length), CONLINK_OK);
    EXPECT_EQ(length, 1);
}

TEST_F(NetTransport, DeviceStaysConnectedBetweenCallsAndClosesGracefully) {
    startPrinter(21);
    NetParams net{};
    std::strcpy(net.ip, ip.c_str());
    net.port = 9100;
    _t_CONFIG_STATE state{CONLINK_TYPE_NET, {}, &net};
    Device* device = DeviceFactory::create(&state);
    ASSERT_NE(device, nullptr);
    const auto a = bytes("first "), b = bytes("second");
    EXPECT_EQ(device->write(a.data(), static_cast<std::uint32_t>(a.size())), CONLINK_OK);
    EXPECT_EQ(device->write(b.data(), static_cast<std::uint32_t>(b.size())), CONLINK_OK);
    DeviceFactory::destory(device);
    ASSERT_TRUE(printer.waitForReceived(12, 2000));
    EXPECT_EQ(printer.received(), bytes("first second"));
    EXPECT_EQ(printer.connectionsAccepted(), 1);
}

TEST_F(NetTransport, DeviceWithoutEndpointFailsToConnect) {
    ENetDevice device(nullptr);
    const unsigned char b = 'x';
    EXPECT_EQ(device.write(&b, 1), CONLINK_NET_CONNECT);
}

}  // namespace
