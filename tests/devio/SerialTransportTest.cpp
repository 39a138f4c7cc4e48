// The serial transport against the virtual printer on a pseudo-terminal.
#include <conlink/Conlink.h>

#include "CurrentConnection.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <string>
#include <vector>

using namespace vornik;
using vprinter::VirtualPrinter;

namespace {

const unsigned char kDleEot1[] = {0x10, 0x04, 0x01};

using SerialTransport = test::PtyPrinterTest;

TEST_F(SerialTransport, SendAndQueryOverTheLine) {
    ASSERT_EQ(KV_ComConnect(line.c_str(), 9600), CONLINK_OK);
    const std::string text = "\x1b@serial job\n";
    EXPECT_EQ(KV_SendCmd(reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size())),
              CONLINK_OK);
    ASSERT_TRUE(printer.waitForReceived(text.size(), 2000));

    printer.setDrawerOpen(true);
    unsigned char reply[16] = {};
    int length = sizeof reply;
    ASSERT_EQ(KV_QueryCmd(kDleEot1, 3, reply, &length), CONLINK_OK);
    EXPECT_EQ(length, 1);
    EXPECT_EQ(reply[0], 0x12) << "drawer open: pin 3 low";
    // The command, then a pause of the serial reply delay, then the read.
    EXPECT_EQ(waits.clock.sleeps(), std::vector<int>{40});
}

TEST_F(SerialTransport, ComConnect2StoresTheNameWithoutItsColonAndAppliesAtFirstSend) {
    ComSettings settings{12345, 8, 0, 0, 0};  // a baud rate Linux has no speed for
    const std::string withColon = line + ":";
    ASSERT_EQ(KV_ComConnect2(withColon.c_str(), &settings), CONLINK_OK) << "settings are not applied at connect";
    auto snap = devio::currentConnection();
    EXPECT_EQ(snap.config.type, CONLINK_TYPE_SERIAL);
    EXPECT_EQ(std::string(snap.config.name), line);
    EXPECT_EQ(snap.serial.baudRate, 12345u);
    const unsigned char b = 'x';
    EXPECT_EQ(KV_SendCmd(&b, 1), CONLINK_COM_SETTINGS_REJECTED);
}

TEST_F(SerialTransport, ComConnectAppliesTheSettingsAtOnce) {
    EXPECT_EQ(KV_ComConnect(line.c_str(), 12345), CONLINK_COM_SETTINGS_REJECTED);
    const unsigned char b = 'x';
    EXPECT_EQ(KV_SendCmd(&b, 1), CONLINK_NO_CONNECTION) << "a failed connect leaves no connection";
}

TEST_F(SerialTransport, OpenFailures) {
    EXPECT_EQ(KV_ComConnect("ttyDoesNotExist7", 9600), CONLINK_COM_OPEN);
    EXPECT_EQ(KV_ComConnect(std::string(28, 'a').c_str(), 9600), CONLINK_COM_OPEN);
    EXPECT_EQ(KV_ComConnect(nullptr, 9600), CONLINK_COM_OPEN);
    EXPECT_EQ(KV_ComConnect("/dev/null", 9600), CONLINK_COM_OPEN) << "not a tty";
    ComSettings s{9600, 8, 0, 0, 0};
    EXPECT_EQ(KV_ComConnect2("ttyDoesNotExist7", &s), CONLINK_COM_OPEN);
    EXPECT_EQ(KV_ComConnect2(line.c_str(), nullptr), CONLINK_COM_NO_SETTINGS);
}

TEST_F(SerialTransport, PortHeldByAnotherOpenerCannotBeOpened) {
    ASSERT_EQ(KV_ComConnect(line.c_str(), 9600), CONLINK_OK);
    auto snap = devio::currentConnection();
    Device* holder = DeviceFactory::create(snap.bind());
    const unsigned char b = 'x';
    ASSERT_EQ(holder->write(&b, 1), CONLINK_OK);  // open and kept open
    EXPECT_EQ(KV_ComConnect(line.c_str(), 9600), CONLINK_COM_OPEN);
    DeviceFactory::destory(holder);
    EXPECT_EQ(KV_ComConnect(line.c_str(), 9600), CONLINK_OK);
}

TEST_F(SerialTransport, DeviceWithoutSettingsRefusesToOpen) {
    ComDevice device(line.c_str());
    const unsigned char b = 'x';
    EXPECT_EQ(device.write(&b, 1), CONLINK_COM_NO_SETTINGS);
    _t_CONFIG_STATE state{CONLINK_TYPE_SERIAL, {}, nullptr};
    device.SetConfigState(&state);
    EXPECT_EQ(device.write(&b, 1), CONLINK_COM_NO_SETTINGS);
}

TEST_F(SerialTransport, SilentPrinterEndsTheQueryWithTheReadError) {
    printer.setSilent(true);
    ASSERT_EQ(KV_ComConnect(line.c_str(), 9600), CONLINK_OK);
    unsigned char reply[4];
    int length = 4;
    int rc = 0;
    long ms = test::elapsedMs([&] { rc = KV_QueryCmd(kDleEot1, 3, reply, &length); });
    EXPECT_EQ(rc, CONLINK_COM_READ);
    EXPECT_LT(ms, 3000);
}

TEST_F(SerialTransport, CopiesOwnTheirOwnHandle) {
    ASSERT_EQ(KV_ComConnect(line.c_str(), 9600), CONLINK_OK);
    auto snap = devio::currentConnection();
    ComDevice original(snap.config.name);
    original.SetConfigState(snap.bind());
    const unsigned char a = 'a', b = 'b';
    ASSERT_EQ(original.write(&a, 1), CONLINK_OK);
    {
        ComDevice copy(original);
        EXPECT_EQ(copy.write(&b, 1), CONLINK_OK);
    }  // the copy closes its own handle only
    EXPECT_EQ(original.write(&a, 1), CONLINK_OK);
    ASSERT_TRUE(printer.waitForReceived(3, 2000));
    EXPECT_EQ(printer.received(), (std::vector<std::uint8_t>{'a', 'b', 'a'}));
}

// A line whose far end never reads: the write cannot finish and is cancelled.
TEST(SerialStall, WriteThatCannotCompleteIsCancelledWithTheWriteError) {
    test::FastWaits waits;
    int master = -1, slave = -1;
    char name[256];
    ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
    ASSERT_EQ(KV_ComConnect(name, 9600), CONLINK_OK);
    std::vector<unsigned char> big(4u << 20, 'Z');
    int rc = 0;
    long ms = test::elapsedMs([&] { rc = KV_SendCmd(big.data(), static_cast<int>(big.size())); });
    EXPECT_EQ(rc, CONLINK_COM_WRITE);
    EXPECT_LT(ms, 5000);
    ::close(master);
    ::close(slave);
}

}  // namespace
