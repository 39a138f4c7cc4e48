// Discovery against fake udev devices. umockdev presents a made-up sysfs to
// libudev; this suite runs under umockdev-wrapper (see CMakeLists.txt).
#include <conlink/ConlinkDiscovery.h>

#include "discovery/SerialPortNames.h"
#include "discovery/UsbPath.h"

#include <gtest/gtest.h>
#include <umockdev.h>

#include <cstring>
#include <string>
#include <vector>

using namespace vornik::devio;

namespace {

// Names one after another, each ended by the NUL of a zero-filled buffer.
std::vector<std::string> splitNames(const char* buffer, int count) {
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        names.emplace_back(buffer);
        buffer += names.back().size() + 1;
    }
    return names;
}

class FakeDevices : public testing::Test {
protected:
    void SetUp() override { bed = umockdev_testbed_new(); }
    void TearDown() override { g_object_unref(bed); }

    // A USB device with a printer interface (/dev/usb/lpN) when lp is given.
    std::string addUsb(const char* sysname, const char* vid, const char* pid, const char* serial, const char* lp) {
        gchar* path = serial ? umockdev_testbed_add_device(bed, "usb", sysname, nullptr, "idVendor", vid, "idProduct",
                                                           pid, "serial", serial, nullptr, "DEVTYPE", "usb_device",
                                                           nullptr)
                             : umockdev_testbed_add_device(bed, "usb", sysname, nullptr, "idVendor", vid, "idProduct",
                                                           pid, nullptr, "DEVTYPE", "usb_device", nullptr);
        std::string syspath = path;
        g_free(path);
        if (lp) {
            std::string devname = std::string("/dev/usb/") + lp;
            g_free(umockdev_testbed_add_device(bed, "usbmisc", lp, syspath.c_str(), nullptr, "DEVNAME",
                                               devname.c_str(), nullptr));
        }
        return syspath;
    }
    void addTty(const char* name, const char* parent, const char* model, const char* type) {
        std::string devname = std::string("/dev/") + name;
        gchar* p = type ? umockdev_testbed_add_device(bed, "tty", name, parent, "type", type, nullptr, "DEVNAME",
                                                      devname.c_str(), "ID_MODEL", model, nullptr)
                        : umockdev_testbed_add_device(bed, "tty", name, parent, nullptr, "DEVNAME", devname.c_str(),
                                                      "ID_MODEL", model, nullptr);
        g_free(p);
    }
    std::string addPlatformParent(const char* name) {
        gchar* p = umockdev_testbed_add_device(bed, "platform", name, nullptr, nullptr, nullptr);
        std::string s = p;
        g_free(p);
        return s;
    }

    UMockdevTestbed* bed = nullptr;
};

TEST_F(FakeDevices, SerialPortsListHardwarePortsWithTheirColon) {
    std::string usb = addUsb("1-1", "0403", "6001", "FT1", nullptr);
    std::string uart = addPlatformParent("serial8250");
    addTty("ttyUSB0", usb.c_str(), "FT232R USB UART", nullptr);
    addTty("ttyS0", uart.c_str(), "", "4");
    addTty("ttyS1", uart.c_str(), "", "0");  // a UART slot with no chip: not a port
    addTty("tty0", nullptr, "", nullptr);    // virtual console: no device behind it

    SSerInfo* list = nullptr;
    ASSERT_EQ(EnumPortsWdm(&list), 1);
    std::vector<std::string> names;
    for (SSerInfo* n = list; n; n = n->next) names.push_back(n->portName);
    // In udev's order (by device path in sysfs).
    EXPECT_EQ(names, (std::vector<std::string>{"ttyUSB0", "ttyS0"}));
    EXPECT_STREQ(list->devicePath, "/dev/ttyUSB0");
    EXPECT_STREQ(list->friendlyName, "FT232R USB UART (ttyUSB0)");
    EXPECT_EQ(list->isUsb, 1);
    EXPECT_STREQ(list->next->friendlyName, "Serial Port (ttyS0)");
    EXPECT_EQ(list->next->isUsb, 0);
    ReleaseSSerInfo(list);

    char buffer[256] = {};
    int count = 0;
    ASSERT_EQ(getSerialPorts(buffer, &count), 0);
    EXPECT_EQ(splitNames(buffer, count), (std::vector<std::string>{"ttyUSB0:", "ttyS0:"}));

    SSerInfo* map = nullptr;
    EXPECT_EQ(EnumSerialsFromReg(&map), 1);
    ASSERT_NE(map, nullptr);
    EXPECT_STREQ(map->portName, "ttyUSB0:");
    EXPECT_STREQ(map->devicePath, "");
    ReleaseSSerInfo(map);
}

TEST_F(FakeDevices, SizedNameListNeverWritesPastItsBuffer) {
    std::string uart = addPlatformParent("serial8250");
    addTty("ttyS0", uart.c_str(), "", "4");
    addTty("ttyS2", uart.c_str(), "", "4");
    char buffer[10];
    std::memset(buffer, 0x7E, sizeof buffer);
    buffer[0] = buffer[6] = 0;  // the caller's zero bytes after each name
    int count = 0;
    ASSERT_EQ(getSerialPortsSized(buffer, 7, &count), 0);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(std::string(buffer, 6), "ttyS0:");
    EXPECT_EQ(buffer[7], 0x7E);
}

TEST_F(FakeDevices, NoPortsAtAllMeansThePortListIsUnavailable) {
    char buffer[64] = {};
    int count = 3;
    EXPECT_EQ(getSerialPorts(buffer, &count), DISCOVERY_NO_SERIAL);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(getParallelPorts(buffer, &count), DISCOVERY_NO_PARALLEL);
    EXPECT_EQ(enumPrinterPorts(&count), nullptr);
    EXPECT_EQ(count, 0);
}

TEST_F(FakeDevices, ParallelPortsAndThePortList) {
    g_free(umockdev_testbed_add_device(bed, "printer", "lp0", addPlatformParent("parport0").c_str(), nullptr,
                                       "DEVNAME", "/dev/lp0", nullptr));
    addUsb("1-2", "ffff", "0001", "A1", "lp1");
    char buffer[64] = {};
    int count = 0;
    ASSERT_EQ(getParallelPorts(buffer, &count), 0);
    EXPECT_EQ(splitNames(buffer, count), std::vector<std::string>{"lp0:"});

    PortInfo2A* ports = enumPrinterPorts(&count);
    ASSERT_NE(ports, nullptr);
    ASSERT_EQ(count, 2);
    EXPECT_STREQ(ports[0].pPortName, "lp0:");
    EXPECT_STREQ(ports[0].pDescription, "Parallel Port");
    EXPECT_STREQ(ports[1].pPortName, "usb/lp1:");
    EXPECT_STREQ(ports[1].pMonitorName, "Local Port");
    ReleasePointer(ports);
}

TEST_F(FakeDevices, MakersUsbPrintersAreFoundAndResolvedToTheirNode) {
    addUsb("1-1", "0403", "6001", "FT1", nullptr);   // not this maker's
    addUsb("1-2", "ffff", "0001", "A1", "lp0");      // in the shipped table
    addUsb("1-3", "ffff", "0001", nullptr, "lp1");   // no serial: the bus position stands in
    const std::string first = "\\\\?\\usb#vid_ffff&pid_0001#A1#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
    const std::string second = "\\\\?\\usb#vid_ffff&pid_0001#1-3#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";

    char path[260] = {};
    ASSERT_EQ(getKaveloUSBPrinter(path), 1);
    EXPECT_EQ(std::string(path), first);

    char all[600] = {};
    ASSERT_EQ(getAllKaveloUSBPrinter(all), 2);
    EXPECT_EQ(splitNames(all, 2), (std::vector<std::string>{first, second}));
    EXPECT_EQ(getAllKaveloUSBPrinterSized(all, 100), 1) << "only one path fits in 100 bytes";

    char names[2600] = {};
    int count = 0;
    ASSERT_EQ(getUsbPrinters(names, &count), 0);
    EXPECT_EQ(count, 2);

    EXPECT_EQ(resolveUsbDeviceNode(first.c_str()), "/dev/usb/lp0");
    EXPECT_EQ(resolveUsbDeviceNode(second.c_str()), "/dev/usb/lp1");
    // Moved to another socket: same ids, unknown instance, first printer with those ids.
    EXPECT_EQ(resolveUsbDeviceNode("\\\\?\\USB#VID_FFFF&PID_0001#9-9#{x}"), "/dev/usb/lp0");
    EXPECT_EQ(resolveUsbDeviceNode("\\\\?\\usb#vid_0403&pid_6001#FT1#{x}"), std::nullopt) << "no printer interface";

    EXPECT_TRUE(isUsbDeviceAttached("vid_ffff", "pid_0001"));
    EXPECT_FALSE(isUsbDeviceAttached("VID_FFFF", "PID_0001")) << "the parts are compared case-sensitively";
    EXPECT_FALSE(isUsbDeviceAttached("vid_ffff", "pid_0002"));
}

TEST_F(FakeDevices, NoMakersUsbPrinter) {
    addUsb("1-1", "0403", "6001", "FT1", nullptr);
    char path[260] = {};
    EXPECT_EQ(getKaveloUSBPrinter(path), 0);
    char names[64] = {};
    int count = 5;
    EXPECT_EQ(getUsbPrinters(names, &count), DISCOVERY_NO_USB);
    EXPECT_EQ(count, 0);
}

TEST_F(FakeDevices, UsbDeviceByIdsKeepsThePathAsEnumerated) {
    addUsb("1-4", "003b", "0012", "abc", nullptr);
    char path[260] = {};
    ASSERT_EQ(getUSBPrinterByPidVid(path, 0x12, 0x3B), 1);
    EXPECT_EQ(std::string(path), "\\\\?\\usb#vid_003b&pid_0012#abc#{a5dcbf10-6530-11d2-901f-00c04fb951ed}");
    EXPECT_EQ(getUSBPrinterByPidVid(path, 0x13, 0x3B), 0);
}

TEST_F(FakeDevices, SerialPresenceCheck) {
    std::string usb = addUsb("1-1", "0403", "6001", "FT1", nullptr);
    addTty("ttyUSB0", usb.c_str(), "FT232R USB UART", nullptr);
    std::string uart = addPlatformParent("serial8250");
    addTty("ttyS0", uart.c_str(), "", "4");
    EXPECT_TRUE(isSerialPortAttached("ttyUSB0"));
    EXPECT_TRUE(isSerialPortAttached("COM1")) << "COM1 opens /dev/ttyS0";
    EXPECT_FALSE(isSerialPortAttached("ttyusb0")) << "names compare exactly";
    EXPECT_TRUE(isSerialPortAttached("ttyUSB0:")) << "opens the same node";
    EXPECT_FALSE(isSerialPortAttached("ttyUSB1"));
}

}  // namespace
