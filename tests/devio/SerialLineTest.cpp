#include "SerialLine.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

using namespace vornik::devio;

namespace {

TEST(SerialSettingsRecord, DefaultsAreTheConnectDefaults) {
    SerialSettings s = defaultSerialSettings(19200);
    EXPECT_EQ(s.baudRate, 19200u);
    EXPECT_EQ(s.binary, 1);
    EXPECT_EQ(s.parityCheck, 0);
    EXPECT_EQ(s.dtrControl, SERIAL_DTR_ENABLE);
    EXPECT_EQ(s.rtsControl, SERIAL_RTS_DISABLE);
    EXPECT_EQ(s.outxCtsFlow + s.outxDsrFlow + s.dsrSensitivity + s.outX + s.inX + s.errorCharOn + s.nullStrip +
                  s.abortOnError,
              0);
    EXPECT_EQ(s.xonLimit, 2048);
    EXPECT_EQ(s.xoffLimit, 512);
    EXPECT_EQ(s.byteSize, 8);
    EXPECT_EQ(s.parity, 0);
    EXPECT_EQ(s.stopBits, 0);
    EXPECT_EQ(s.xonChar, 0x11);
    EXPECT_EQ(s.xoffChar, 0x13);
    EXPECT_EQ(s.errorChar | s.eofChar | s.evtChar, 0);
}

struct FlowCase {
    int flow;
    int cts, dtr, xonxoff;
};

void PrintTo(const FlowCase& c, std::ostream* os) { *os << "flow " << c.flow; }

class FlowControlRule : public testing::TestWithParam<FlowCase> {};

TEST_P(FlowControlRule, SetsCtsDtrAndXonXoff) {
    const FlowCase& c = GetParam();
    SerialSettings s = defaultSerialSettings(9600);
    applyComSettings(s, ComSettings{38400, 7, 2, 2, c.flow});
    EXPECT_EQ(s.baudRate, 38400u);
    EXPECT_EQ(s.byteSize, 7);
    EXPECT_EQ(s.parity, 2);
    EXPECT_EQ(s.stopBits, 2);
    EXPECT_EQ(s.outxCtsFlow, c.cts);
    EXPECT_EQ(s.dtrControl, c.dtr);
    EXPECT_EQ(s.outX, c.xonxoff);
    EXPECT_EQ(s.inX, c.xonxoff);
}

INSTANTIATE_TEST_SUITE_P(Rules, FlowControlRule,
                         testing::Values(FlowCase{0, 0, SERIAL_DTR_DISABLE, 0}, FlowCase{1, 1, SERIAL_DTR_ENABLE, 0},
                                         FlowCase{2, 0, SERIAL_DTR_DISABLE, 1},
                                         FlowCase{7, 0, SERIAL_DTR_DISABLE, 0},  // unknown rule: none
                                         FlowCase{-1, 0, SERIAL_DTR_DISABLE, 0}));

TEST(SerialSettingsRecord, TakesTheLowByteOfDataParityAndStopBits) {
    SerialSettings s = defaultSerialSettings(9600);
    applyComSettings(s, ComSettings{9600, 0x108, 0x201, 0x300, 0});
    EXPECT_EQ(s.byteSize, 8);
    EXPECT_EQ(s.parity, 1);
    EXPECT_EQ(s.stopBits, 0);
}

// A pseudo-terminal stands in for the port.
class TtySettings : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(::openpty(&master, &slave, nullptr, nullptr, nullptr), 0); }
    void TearDown() override {
        ::close(master);
        ::close(slave);
    }
    int master = -1, slave = -1;
};

TEST_F(TtySettings, RawModeAndSpeedAreApplied) {
    SerialSettings s = defaultSerialSettings(115200);
    s.outX = s.inX = 1;
    ASSERT_TRUE(applySerialSettings(slave, s));
    termios t{};
    ASSERT_EQ(::tcgetattr(slave, &t), 0);
    EXPECT_EQ(::cfgetospeed(&t), static_cast<speed_t>(B115200));
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_NE(t.c_iflag & IXON, 0u);
    EXPECT_NE(t.c_iflag & IXOFF, 0u);
    EXPECT_EQ(t.c_cc[VSTART], 0x11);
    EXPECT_EQ(t.c_cc[VSTOP], 0x13);
}

struct RejectCase {
    const char* what;
    std::uint32_t baud;
    std::uint8_t dataBits, parity, stopBits;
};

void PrintTo(const RejectCase& c, std::ostream* os) { *os << c.what; }

class RejectedSettings : public TtySettings, public testing::WithParamInterface<RejectCase> {};

TEST_P(RejectedSettings, AreRefused) {
    SerialSettings s = defaultSerialSettings(GetParam().baud);
    s.byteSize = GetParam().dataBits;
    s.parity = GetParam().parity;
    s.stopBits = GetParam().stopBits;
    EXPECT_FALSE(applySerialSettings(slave, s)) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(Table, RejectedSettings,
                         testing::Values(RejectCase{"baud without a Linux speed", 12345, 8, 0, 0},
                                         RejectCase{"zero baud", 0, 8, 0, 0},
                                         RejectCase{"nine data bits", 9600, 9, 0, 0},
                                         RejectCase{"four data bits", 9600, 4, 0, 0},
                                         RejectCase{"parity 5", 9600, 8, 5, 0},
                                         RejectCase{"one and a half stop bits", 9600, 8, 0, 1},
                                         RejectCase{"stop bits 3", 9600, 8, 0, 3}));

TEST(SerialSettingsOnAFile, AreRejectedBecauseItIsNoTty) {
    int fd = ::open("/dev/null", O_RDWR);
    ASSERT_GE(fd, 0);
    EXPECT_FALSE(applySerialSettings(fd, defaultSerialSettings(9600)));
    ::close(fd);
}

}  // namespace
