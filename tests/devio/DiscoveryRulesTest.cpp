// The rules of discovery that do not depend on what is attached.
#include <conlink/ConlinkDiscovery.h>

#include "discovery/SerialPortNames.h"
#include "discovery/UsbPath.h"

#include <gtest/gtest.h>

#include <string>

using namespace vornik::devio;

namespace {

struct FriendlyCase {
    const char* friendly;
    const char* first;
    const char* last;
};

void PrintTo(const FriendlyCase& c, std::ostream* os) { *os << '"' << c.friendly << '"'; }

class PortNameFromFriendlyName : public testing::TestWithParam<FriendlyCase> {};

TEST_P(PortNameFromFriendlyName, TakesComAndDigitsOrTheLinuxName) {
    EXPECT_EQ(portNameFromFriendlyName(GetParam().friendly, Occurrence::First), GetParam().first);
    EXPECT_EQ(portNameFromFriendlyName(GetParam().friendly, Occurrence::Last), GetParam().last);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PortNameFromFriendlyName,
    testing::Values(FriendlyCase{"Communications Port (COM3)", "COM3", "COM3"},
                    FriendlyCase{"USB Serial COM1 adapter (COM12)", "COM1", "COM12"},
                    FriendlyCase{"usb serial (com4)", "com4", "com4"},
                    FriendlyCase{"Printer port (COMx)", "COM", "COM"},
                    FriendlyCase{"FT232R USB UART (ttyUSB0)", "ttyUSB0", "ttyUSB0"},
                    FriendlyCase{"Plain device", "", ""}, FriendlyCase{"", "", ""}));

TEST(SerInfoNode, FromAnAttachedPort) {
    SerialPortEntry e{"/dev/ttyUSB0", "ttyUSB0", "FT232R USB UART", true};
    SSerInfo* node = makeSerInfoNode(e, Occurrence::First);
    ASSERT_NE(node, nullptr);
    EXPECT_STREQ(node->devicePath, "/dev/ttyUSB0");
    EXPECT_STREQ(node->friendlyName, "FT232R USB UART (ttyUSB0)");
    EXPECT_STREQ(node->portName, "ttyUSB0");
    EXPECT_STREQ(node->description, "FT232R USB UART");
    EXPECT_EQ(node->isUsb, 1);
    EXPECT_EQ(node->next, nullptr);
    EXPECT_EQ(ReleaseSSerInfo(node), nullptr);
}

TEST(UsbPaths, KeepTheWindowsShape) {
    const std::string path = makeUsbDevicePath(0x0FE6, 0x811E, "SN123");
    EXPECT_EQ(path, "\\\\?\\usb#vid_0fe6&pid_811e#SN123#{a5dcbf10-6530-11d2-901f-00c04fb951ed}");
    EXPECT_EQ(path.substr(8, 8), "vid_0fe6");
    EXPECT_EQ(path.substr(17, 8), "pid_811e");
}

TEST(UsbPaths, ParseIdsAndInstance) {
    auto parts = parseUsbDevicePath("\\\\?\\USB#VID_0FE6&PID_811E#1-1.2#{a5dcbf10-6530-11d2-901f-00c04fb951ed}");
    ASSERT_TRUE(parts);
    EXPECT_EQ(parts->vendorId, 0x0FE6u);
    EXPECT_EQ(parts->productId, 0x811Eu);
    EXPECT_EQ(parts->instance, "1-1.2");
    EXPECT_FALSE(parseUsbDevicePath("\\\\?\\usb#vid_0fe&pid_811e#x#{}"));
    EXPECT_FALSE(parseUsbDevicePath("vid_zzzz pid_0001"));
    EXPECT_FALSE(parseUsbDevicePath("VID_0F"));
}

TEST(UsbIdTable, ParsesPairsAndSkipsMalformedLines) {
    auto pairs = parseUsbIdTable(
        "# comment\n"
        "VID_0fe6 PID_811e   # lower case is fine\n"
        "VID_12 PID_0001\n"          // too short
        "PID_0001 VID_FFFF\n"        // wrong order
        "VID_AAAA PID_BBBB extra\n"  // three words
        "\n"
        "vid_1234 pid_abcd\n");
    ASSERT_EQ(pairs.size(), 2u);
    EXPECT_EQ(pairs[0].vendor, "VID_0FE6");
    EXPECT_EQ(pairs[0].product, "PID_811E");
    EXPECT_EQ(pairs[1].vendor, "VID_1234");
    EXPECT_EQ(pairs[1].product, "PID_ABCD");
}

// The test environment points VORNIK_USB_IDS at the shipped table (VID_FFFF PID_0001).
TEST(MakerDevices, AreRecognisedInAnyCase) {
    EXPECT_EQ(isKaveloUsbDev("\\\\?\\usb#vid_ffff&pid_0001#A1#{a5dcbf10-6530-11d2-901f-00c04fb951ed}"), 1);
    EXPECT_EQ(isKaveloUsbDev("\\\\?\\USB#VID_FFFF&PID_0001#A1#{}"), 1);
    EXPECT_EQ(isKaveloUsbDev("\\\\?\\usb#vid_ffff&pid_0002#A1#{}"), 0);
    EXPECT_EQ(isKaveloUsbDev(nullptr), 0);
}

TEST(Digits, WcharIsDigit) {
    for (char16_t c = u'0'; c <= u'9'; ++c) EXPECT_EQ(wcharIsDigit(c), 1);
    for (char16_t c : {u'/', u':', u'a', u'\x0660'}) EXPECT_EQ(wcharIsDigit(c), 0);
}

TEST(DriverDirectory, IsAZeroFilledBufferTheCallerFrees) {
    char* dir = getPrinterDriverDir(1);
    ASSERT_NE(dir, nullptr);
    EXPECT_STREQ(dir, "/usr/lib/cups/driver");
    EXPECT_EQ(ReleasePointer(dir), 1);
    EXPECT_EQ(ReleasePointer(nullptr), 0);
}

TEST(PrintQueues, WithoutAPrintServerThereAreNone) {
    char buffer[64] = {};
    int count = 7;
    EXPECT_EQ(getLocalPrinters(buffer, &count), DISCOVERY_NO_QUEUES);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(buffer[0], 0);
    PrinterInfo2A* queues = reinterpret_cast<PrinterInfo2A*>(1);
    EXPECT_EQ(enumLocalPrinters(&queues, &count), 0);
    EXPECT_EQ(queues, nullptr);
}

}  // namespace
