// The configuration readers against registry files written the way the
// configuration tool writes them (UTF-16 text without a terminating NUL).
#include "infra/CDevice.h"
#include "infra/DeviceConfig.h"
#include "infra/DriverLog.h"
#include "infra/Errors.h"
#include "infra/OposRegistry.h"
#include "platform/CodePages.h"
#include "platform/Registry.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

using namespace vornik;
using namespace vornik::so;
using namespace vornik::platform;

namespace {

const std::string kPrinterKey = "SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter\\";
const std::string kDrawerKey = "SOFTWARE\\OLEforRetail\\ServiceOPOS\\CashDrawer\\";

class ConfigReading : public testing::Test {
protected:
    void SetUp() override {
        const std::string base = testing::TempDir() + "vornik-cfg-" + std::to_string(::getpid()) + "-" +
                                 testing::UnitTest::GetInstance()->current_test_info()->name();
        for (const char* s : {"", "-wal", "-shm"}) std::remove((base + ".db" + s).c_str());
        setRegistryPath(base + ".db");
        ::setenv("VORNIK_LOG_ROOT", base.c_str(), 1);
        std::remove(logFilePath(0).c_str());
    }
    void TearDown() override {
        g_fileLog.SetVerbosity(0);
        setRegistryPath("");
    }

    // Writes name=text as the configuration tool does; name "" is the default value.
    static void put(const std::string& key, const std::string& name, const std::string& text, bool withNul = false) {
        HKEY k = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, &k), ERROR_SUCCESS);
        std::u16string w = utf8ToUtf16(text);
        if (withNul) w.push_back(u'\0');
        std::string bytes;
        for (char16_t c : w) {
            bytes += static_cast<char>(c & 0xFF);
            bytes += static_cast<char>(c >> 8);
        }
        ASSERT_EQ(RegSetValueExW(k, utf8ToUtf16(name), REG_SZ, bytes.data(), static_cast<DWORD>(bytes.size())),
                  ERROR_SUCCESS);
        RegCloseKey(k);
    }
    static void vendor(const std::string& name, const std::string& text) { put(kVendorKey, name, text); }
    static void printer(const std::string& ldn, const std::string& name, const std::string& text) {
        put(kPrinterKey + ldn, name, text);
    }
    // A printer LDN with everything the configuration tool writes for a serial printer.
    static void serialPrinter(const std::string& ldn) {
        printer(ldn, "", "Vornik.Opos.Printer");
        printer(ldn, "IOType", "COM");
        printer(ldn, "Model", "80");
        printer(ldn, "Serial Port", "ttyUSB0");
        printer(ldn, "BaudRate", "38400");
        printer(ldn, "ByteSize", "8");
        printer(ldn, "Parity", "2");
        printer(ldn, "StopBits", "0");
        printer(ldn, "FlowControl", "1");
        printer(ldn, "PaperType", "1");
        printer(ldn, "CodePage", "255");
    }
    // Log lines written so far (at verbosity 6 through the registry).
    static std::string logText() {
        g_fileLog.flush(2000);
        std::ifstream in(logFilePath(0));
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    static int count(const std::string& text, const std::string& what) {
        int n = 0;
        for (auto p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
        return n;
    }
};

TEST_F(ConfigReading, SerialPrinterReadsEveryValue) {
    serialPrinter("Rcpt");
    vendor("LogVerbosity", "6");
    vendor("LogLocation", "0");
    vendor("DisableOnClose", "1");
    CDevice d;
    PrinterConfig p;
    std::string error;
    ASSERT_TRUE(ReadPrinterConfiguration(d, p, "POSPrinter", "Rcpt", "ZoriraRIdirOzereza", &error)) << error;
    EXPECT_EQ(d.m_model, "80");
    EXPECT_EQ(d.m_ioType, IO_COM);
    EXPECT_EQ(d.m_serialPort, "ttyUSB0");
    EXPECT_EQ(d.m_baudRate, 38400);
    EXPECT_EQ(d.m_byteSizes, 8);
    EXPECT_EQ(d.m_parity, 2);
    EXPECT_EQ(d.m_stopBits, 0);
    EXPECT_EQ(d.m_flowControl, 1);
    EXPECT_TRUE(d.m_disableOnClose);
    EXPECT_EQ(p.codePage, 255);
    EXPECT_EQ(p.paperType, 1);
    EXPECT_EQ(g_fileLog.verbosity(), 6);
    const std::string log = logText();
    EXPECT_NE(log.find("    | ModelNumber: 80"), std::string::npos);
    EXPECT_NE(log.find("    | : SerialPrinter"), std::string::npos);
    EXPECT_NE(log.find("CDevice         >>> GetRegComSettings"), std::string::npos);
    EXPECT_NE(log.find("    | Com:   ttyUSB0, m_baudRate: 38400"), std::string::npos);
    EXPECT_NE(log.find("    | m_byteSizes:   8, m_parity: 2"), std::string::npos);
    EXPECT_NE(log.find("    | m_stopBits:   0, m_flowControl: 1"), std::string::npos);
    EXPECT_NE(log.find("    | DisableOnClose: 1"), std::string::npos);
    EXPECT_NE(log.find("<<< GetRegSettings"), std::string::npos);
}

struct IoTypeCase {
    const char* text;  // null: no IOType value
    int ioType;
    const char* readerLine;
};
void PrintTo(const IoTypeCase& c, std::ostream* os) { *os << (c.text ? c.text : "(missing)"); }

class IoTypeSelection : public ConfigReading, public testing::WithParamInterface<IoTypeCase> {};

TEST_P(IoTypeSelection, PicksTheReaderOfTheLastToken) {
    serialPrinter("P");
    if (GetParam().text) printer("P", "IOType", GetParam().text);
    else {
        HKEY k = nullptr;
        ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPrinterKey + "P", &k), ERROR_SUCCESS);
        RegDeleteValueA(k, "IOType");
        RegCloseKey(k);
    }
    vendor("LogVerbosity", "6");
    vendor("LogLocation", "0");
    CDevice d;
    PrinterConfig p;
    ASSERT_TRUE(ReadPrinterConfiguration(d, p, "POSPrinter", "P", "T", nullptr));
    EXPECT_EQ(d.m_ioType, GetParam().ioType);
    EXPECT_NE(logText().find(GetParam().readerLine), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Table, IoTypeSelection,
                         testing::Values(IoTypeCase{"USB", IO_USB, ">>> GetRegUSBSettings"},
                                         IoTypeCase{"ENet", IO_ETHERNET, ">>> GetRegETHSettings"},
                                         IoTypeCase{"LPT", IO_LPT, ">>> GetRegLPTSettings"},
                                         IoTypeCase{"COM", IO_COM, ">>> GetRegComSettings"},
                                         IoTypeCase{"USB COM", IO_COM, ">>> GetRegComSettings"},
                                         IoTypeCase{"COM+USB", IO_COM, ">>> GetRegComSettings"},
                                         IoTypeCase{"usb", IO_COM, ">>> GetRegComSettings"},
                                         IoTypeCase{"", IO_COM, ">>> GetRegComSettings"},
                                         IoTypeCase{nullptr, IO_COM, ">>> GetRegComSettings"}));

TEST_F(ConfigReading, MissingIoTypeReadsAsCom) {
    serialPrinter("P");
    HKEY k = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPrinterKey + "P", &k), ERROR_SUCCESS);
    RegDeleteValueA(k, "IOType");
    RegCloseKey(k);
    CDevice d;
    d.m_ioType = IO_USB;  // an object that was opened before
    PrinterConfig p;
    ASSERT_TRUE(ReadPrinterConfiguration(d, p, "POSPrinter", "P", "T", nullptr));
    EXPECT_EQ(d.m_ioTypeName, "COM");
    EXPECT_EQ(d.m_ioType, IO_COM);
    EXPECT_EQ(d.m_serialPort, "ttyUSB0");
}

TEST_F(ConfigReading, ASerialGroupStopsAtTheFirstMissingValue) {
    printer("P", "Model", "80");
    printer("P", "Serial Port", "ttyS1");
    printer("P", "BaudRate", "9600");  // ByteSize and the rest missing
    vendor("LogVerbosity", "6");
    vendor("LogLocation", "0");
    printer("P", "CodePage", "0");
    printer("P", "PaperType", "0");
    CDevice d;
    d.m_byteSizes = 7;
    d.m_parity = 1;
    d.m_stopBits = 2;
    d.m_flowControl = 2;
    PrinterConfig p;
    ASSERT_TRUE(ReadPrinterConfiguration(d, p, "POSPrinter", "P", "T", nullptr));
    EXPECT_EQ(d.m_serialPort, "ttyS1");
    EXPECT_EQ(d.m_baudRate, 9600);
    EXPECT_EQ(d.m_byteSizes, 7);
    EXPECT_EQ(d.m_parity, 1);
    EXPECT_EQ(d.m_stopBits, 2);
    EXPECT_EQ(d.m_flowControl, 2);
    const std::string log = logText();
    EXPECT_EQ(count(log, "Warning: GetRegSettings: missing settings for Serial Port; will use default values"), 1);
    EXPECT_EQ(count(log, "    | Com:   "), 0);
    EXPECT_EQ(count(log, "Warning: GetRegSettings: missing setting for DisableOnClose; will use default value"), 1);
}

TEST_F(ConfigReading, ANumberThatIsNotANumberCountsAsAFailedRead) {
    serialPrinter("P");
    printer("P", "BaudRate", "fast");
    CDevice d;
    PrinterConfig p;
    ASSERT_TRUE(ReadPrinterConfiguration(d, p, "POSPrinter", "P", "T", nullptr));
    EXPECT_EQ(d.m_serialPort, "ttyUSB0");
    EXPECT_EQ(d.m_baudRate, 19200) << "the default stays";
    EXPECT_EQ(d.m_byteSizes, 0);
}

TEST_F(ConfigReading, NetworkPrinterAlwaysUsesPort9100) {
    printer("N", "Model", "80");
    printer("N", "IOType", "ENet");
    printer("N", "EthIPAddr", "192.0.2.7");
    printer("N", "ClientPort", "9999");  // not read by the service
    CDevice d;
    d.m_clientPort = "1234";
    PrinterConfig p;
    ASSERT_TRUE(ReadPrinterConfiguration(d, p, "POSPrinter", "N", "T", nullptr));
    EXPECT_EQ(d.m_clientIP, "192.0.2.7");
    EXPECT_EQ(d.m_clientPort, "9100");
}

TEST_F(ConfigReading, NetworkPrinterWithoutAddressKeepsTheDefault) {
    printer("N", "Model", "80");
    printer("N", "IOType", "ENet");
    CDevice d;
    d.m_clientIP = "10.0.0.1";
    PrinterConfig p;
    ASSERT_TRUE(ReadPrinterConfiguration(d, p, "POSPrinter", "N", "T", nullptr));
    EXPECT_EQ(d.m_clientIP, "127.0.0.1");
}

TEST_F(ConfigReading, StringsReadWholeWithOrWithoutNulAndEmptyReadsEmpty) {
    put(kPrinterKey + "S", "IOType", "COM", false);
    put(kPrinterKey + "S", "Model", "80", true);
    EXPECT_EQ(ReadRegString(kPrinterKey + "S\\", "IOType"), "COM");
    EXPECT_EQ(ReadRegString(kPrinterKey + "S\\", "Model"), "80");
    put(kPrinterKey + "S", "Serial Port", "");
    EXPECT_EQ(ReadRegString(kPrinterKey + "S\\", "Serial Port"), "");
    put(kPrinterKey + "S", "Empty", "");
    EXPECT_EQ(ReadRegNumber(kPrinterKey + "S\\", "Empty"), 0);
}

struct DisableCase {
    const char* text;  // null: missing
    bool flag;
};
void PrintTo(const DisableCase& c, std::ostream* os) { *os << (c.text ? c.text : "(missing)"); }
class DisableOnClose : public ConfigReading, public testing::WithParamInterface<DisableCase> {};

TEST_P(DisableOnClose, IsSetOnlyByOne) {
    printer("U", "USBPort", "\\\\?\\usb#vid_ffff&pid_0001#A1#{a5dcbf10-6530-11d2-901f-00c04fb951ed}");
    if (GetParam().text) vendor("DisableOnClose", GetParam().text);
    CDevice d;
    d.m_disableOnClose = true;
    d.GetRegUSBSettings("POSPrinter", "U");
    EXPECT_EQ(d.m_disableOnClose, GetParam().flag);
    EXPECT_EQ(d.m_usbPort.substr(8, 8), "vid_ffff");
}

INSTANTIATE_TEST_SUITE_P(Table, DisableOnClose,
                         testing::Values(DisableCase{"1", true}, DisableCase{"2", false}, DisableCase{"0", false},
                                         DisableCase{nullptr, false}));

TEST_F(ConfigReading, PrinterWithoutCodePageOpensWithLoggingOff) {
    serialPrinter("P");
    HKEY k = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPrinterKey + "P", &k), ERROR_SUCCESS);
    RegDeleteValueA(k, "CodePage");
    RegCloseKey(k);
    vendor("LogVerbosity", "6");
    vendor("LogLocation", "3");
    CDevice d;
    PrinterConfig p;
    p.codePage = 77;
    ASSERT_TRUE(ReadPrinterConfiguration(d, p, "POSPrinter", "P", "T", nullptr));
    EXPECT_EQ(g_fileLog.verbosity(), 0);
    EXPECT_EQ(g_fileLog.location(), 0);
    EXPECT_EQ(p.codePage, 77);
}

TEST_F(ConfigReading, MissingModelEndsTheOpenWithTheRetrievingError) {
    printer("NoModel", "IOType", "COM");
    CDevice d;
    PrinterConfig p;
    std::string error;
    EXPECT_FALSE(ReadPrinterConfiguration(d, p, "POSPrinter", "NoModel", "T", &error));
    EXPECT_EQ(error, "Error retrieving SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter\\NoModel\\\\Model");
    EXPECT_FALSE(ReadPrinterConfiguration(d, p, "POSPrinter", "Unknown", "T", &error));
    EXPECT_EQ(error, "Error opening SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter\\Unknown\\\\Model");
}

TEST_F(ConfigReading, EmptyClassOrLdnAddressesNoKey) {
    OposRegistry r("", "Rcpt");
    EXPECT_EQ(r.ldnKeyPath(), "");
    EXPECT_EQ(r.vendorKeyPath(), "SOFTWARE\\OLEforRetail\\ServiceInfo\\Vornik\\");
    std::string s;
    try {
        r.GetLdnString("Model", s);
        FAIL();
    } catch (const OposRegistryError& e) {
        EXPECT_STREQ(e.what(), "Error retrieving \\Model");
    }
}

TEST_F(ConfigReading, DrawerTakesItsPrintersConnectionSettings) {
    put(kDrawerKey + "Till", "", "Vornik.OPOS.CashDrawer");
    put(kDrawerKey + "Till", "Uses", "Rcpt");
    put(kDrawerKey + "Till", "ConnectPin", "5");
    put(kDrawerKey + "Till", "PulseOffTime", "200");
    put(kDrawerKey + "Till", "PulseOnTime", "100");
    printer("Rcpt", "Model", "80");
    printer("Rcpt", "Serial Port", "ttyS3");  // no IOType: serial
    CDevice d;
    DrawerConfig c;
    std::string error;
    ASSERT_TRUE(ReadDrawerConfiguration(d, c, "CashDrawer", "Till", "CCashDrawer", &error)) << error;
    EXPECT_EQ(c.usesPrinter, "Rcpt");
    EXPECT_EQ(c.connectPin, 5);
    EXPECT_EQ(c.pulseOffTime, 200);
    EXPECT_EQ(c.pulseOnTime, 100);
    EXPECT_EQ(d.m_ioType, IO_COM);
    EXPECT_EQ(d.m_serialPort, "ttyS3");
    EXPECT_EQ(d.m_model, "") << "a drawer reads no Model";
}

TEST_F(ConfigReading, DrawerWithoutPulseTimesFailsToOpen) {
    put(kDrawerKey + "Till", "Uses", "Rcpt");
    put(kDrawerKey + "Till", "ConnectPin", "2");
    CDevice d;
    DrawerConfig c;
    std::string error;
    EXPECT_FALSE(ReadDrawerConfiguration(d, c, "CashDrawer", "Till", "CCashDrawer", &error));
    EXPECT_EQ(error, "Error retrieving SOFTWARE\\OLEforRetail\\ServiceOPOS\\CashDrawer\\Till\\\\PulseOffTime");
}

}  // namespace
