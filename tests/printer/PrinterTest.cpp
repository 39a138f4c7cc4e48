// The printer service object through the POSPrinter control object, against
// the virtual printer over TCP (each test its own 127.0.0.N) and over a
// pseudo-terminal (serial).
#include "EscPosListing.h"
#include "RegistryEnvironment.h"
#include "VirtualPrinter.h"
#include "platform/CodePages.h"
#include "platform/Com.h"
#include "platform/Registry.h"
#include "vornik/OposControl.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

using namespace vornik;
using namespace vornik::platform;
using Bytes = std::vector<std::uint8_t>;

namespace {

const Bytes kStatusQuery = {0x10, 0x04, 0x02};

void setValue(const std::u16string& key, const std::u16string& name, const std::u16string& value) {
    HKEY k = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, key, &k), ERROR_SUCCESS);
    std::string bytes;
    for (char16_t c : value) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    ASSERT_EQ(RegSetValueExW(k, name, REG_SZ, bytes.data(), static_cast<DWORD>(bytes.size())), ERROR_SUCCESS);
    RegCloseKey(k);
}

std::u16string u16(const std::string& s) { return utf8ToUtf16(s); }

class Printer : public testing::Test {
protected:
    static void SetUpTestSuite() {
        void* lib = ::dlopen(VORNIK_SO_PATH, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(lib, nullptr);
        auto reg = reinterpret_cast<DllRegisterServerFn>(::dlsym(lib, "DllRegisterServer"));
        ASSERT_EQ(reg(), S_OK);
        // The vendor key, as the configuration tool writes it (without it CodePage is not read).
        setValue(u"SOFTWARE\\OLEforRetail\\ServiceInfo\\Vornik", u"LogVerbosity", u"0");
        setValue(u"SOFTWARE\\OLEforRetail\\ServiceInfo\\Vornik", u"LogLocation", u"0");
    }

    // A printer LDN for the virtual printer on 127.0.0.<host>.
    std::u16string netPrinter(int host, int codePage = 0) {
        ip = "127.0.0." + std::to_string(host);
        std::string error;
        if (!vp.listenTcp(ip, 9100, &error) || !vp.start()) ADD_FAILURE() << error;
        const std::u16string ldn = u"Net" + u16(std::to_string(host));
        writeLdn(ldn, {{u"IOType", u"ENet"}, {u"EthIPAddr", u16(ip)}, {u"CodePage", u16(std::to_string(codePage))}});
        return ldn;
    }
    // A serial printer LDN on the virtual printer's pseudo-terminal.
    std::u16string serialPrinter() {
        std::string error;
        const std::string line = vp.openPty(&error);
        if (line.empty() || !vp.start()) ADD_FAILURE() << error;
        const std::u16string ldn = u"Serial";
        writeLdn(ldn, {{u"IOType", u"COM"}, {u"Serial Port", u16(line)}, {u"BaudRate", u"9600"}, {u"ByteSize", u"8"},
                       {u"Parity", u"0"}, {u"StopBits", u"0"}, {u"FlowControl", u"0"}, {u"CodePage", u"0"}});
        return ldn;
    }
    void writeLdn(const std::u16string& ldn, std::vector<std::pair<std::u16string, std::u16string>> values) {
        const std::u16string key = u"SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter\\" + ldn;
        setValue(key, u"", u"Vornik.Opos.Printer");
        setValue(key, u"Model", u"80");
        setValue(key, u"PaperType", u"0");
        for (auto& [name, value] : values) setValue(key, name, value);
    }
    void openClaimEnable(const std::u16string& ldn) {
        ASSERT_EQ(printer.Open(ldn), 0);
        ASSERT_EQ(printer.ClaimDevice(1000), 0);
        printer.SetDeviceEnabled(true);
        ASSERT_EQ(printer.ResultCode(), 0);
        ASSERT_TRUE(printer.DeviceEnabled());
    }
    // The bytes received after the mark, once at least n have arrived.
    Bytes receivedSince(std::size_t mark, std::size_t n) {
        vp.waitForReceived(mark + n, 5000);
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        const auto all = vp.received();
        return Bytes(all.begin() + static_cast<long>(std::min(mark, all.size())), all.end());
    }
    std::vector<int> collectStatus(std::size_t n, int waitMs = 5000) {
        std::vector<int> got;
        printer.onStatusUpdate = [&](int s) { got.push_back(s); };
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
        while (got.size() < n && std::chrono::steady_clock::now() < deadline)
            if (printer.waitForEvent(50)) printer.dispatchEvents();
        return got;
    }

    vprinter::VirtualPrinter vp;
    opos::POSPrinter printer;
    std::string ip;
};

Bytes bytesOf(const std::string& s) { return Bytes(s.begin(), s.end()); }

Bytes cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// The prefix of a sent PrintNormal for a character set.
Bytes prefix(bool sending, Bytes doubleByte, int codeTable, int upsideDown = 0) {
    Bytes p = sending ? Bytes{0x1B, 0x3D, 0x01} : Bytes{};
    return cat({p, {0x1B, 0x61, 0x00, 0x1D, 0x4C, 0x00, 0x00, 0x1B, 0x7B, static_cast<std::uint8_t>(upsideDown)},
                doubleByte, {0x1B, 0x74, static_cast<std::uint8_t>(codeTable), 0x1D, 0x21, 0x00, 0x1C, 0x33, 0x1E}});
}

TEST_F(Printer, LifeCycleAndItsResultCodes) {
    const auto ldn = netPrinter(51);
    EXPECT_EQ(printer.Open(ldn), 0);
    EXPECT_EQ(printer.State(), 2);
    EXPECT_EQ(printer.DeviceName(), u"Rivedu 80 Printer");
    EXPECT_EQ(printer.DeviceDescription(), u"Rivedu 80 POS Printer");
    printer.SetDeviceEnabled(true);
    EXPECT_EQ(printer.ResultCode(), 103) << "enabling needs a claim";
    EXPECT_EQ(printer.ReleaseDevice(), 103);
    EXPECT_EQ(printer.ClaimDevice(500), 0);
    EXPECT_EQ(printer.ClaimDevice(500), 0) << "a second claim succeeds at once";
    EXPECT_TRUE(printer.Claimed());
    printer.SetDeviceEnabled(true);
    EXPECT_TRUE(printer.DeviceEnabled());
    EXPECT_EQ(printer.ReleaseDevice(), 0);
    EXPECT_FALSE(printer.Claimed());
    EXPECT_EQ(printer.CheckHealth(0), 106);
    EXPECT_EQ(printer.CheckHealthText(), u"[Error]");
    EXPECT_EQ(printer.CheckHealth(2), 0);
    EXPECT_EQ(printer.CheckHealthText(), u"External HCheck: Complete");
    EXPECT_EQ(printer.Close(), 0);
}

TEST_F(Printer, MissingModelFailsTheOpenWith403) {
    writeLdn(u"NoModel", {});
    HKEY k = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter\\NoModel", &k),
              ERROR_SUCCESS);
    RegDeleteValueW(k, u"Model");
    RegCloseKey(k);
    EXPECT_EQ(printer.Open(u"NoModel"), 403);
}

TEST_F(Printer, PropertiesBeforeAndAfterTheClaim) {
    const auto ldn = netPrinter(52);
    ASSERT_EQ(printer.Open(ldn), 0);
    EXPECT_EQ(printer.RecLineChars(), 0);
    EXPECT_EQ(printer.ResultCode(), 103);
    EXPECT_EQ(printer.ResultCode(), 0) << "reading ResultCode leaves 0";
    EXPECT_EQ(printer.GetPropertyNumber(opos::PIDX_DeviceEnabled), 0);
    EXPECT_EQ(printer.ResultCode(), 106);
    ASSERT_EQ(printer.ClaimDevice(500), 0);
    EXPECT_EQ(printer.RecLineChars(), 42);
    const struct {
        int mapMode, width;
    } widths[] = {{1, 576}, {2, 4081}, {3, 2834}, {4, 7200}, {7, 7200}};
    for (auto w : widths) {
        printer.SetMapMode(w.mapMode);
        EXPECT_EQ(printer.RecLineWidth(), w.width) << "MapMode " << w.mapMode;
    }
    printer.SetBinaryConversion(1);
    EXPECT_EQ(printer.BinaryConversion(), 1);
    EXPECT_EQ(printer.DeviceName(), u"526976656475203830205072696>746572")
        << "each byte of \"Rivedu 80 Printer\" as two nibble characters";
    printer.SetBinaryConversion(5);
    EXPECT_EQ(printer.BinaryConversion(), 0);
    printer.SetPropertyNumber(opos::PIDX_PowerNotify, 5);
    EXPECT_EQ(printer.ResultCode(), 106);
    printer.SetPropertyNumber(8016, 56);
    EXPECT_EQ(printer.ResultCode(), 106);
    EXPECT_EQ(printer.RecLineChars(), 42);
    EXPECT_EQ(printer.GetPropertyNumber(8546), 0) << "an index that is not answered";
    EXPECT_EQ(printer.ResultCode(), 106);
}

TEST_F(Printer, PrintNormalSendsThePrefixAndTheTranslatedText) {
    const auto ldn = netPrinter(53, 936);
    openClaimEnable(ldn);
    const std::size_t mark = vp.receivedCount();
    EXPECT_EQ(printer.PrintNormal(2, u"AB"), 0);
    const Bytes expected = cat({kStatusQuery, prefix(true, {0x1C, 0x2E}, 0xA8), {'A', 'B'}});
    EXPECT_EQ(receivedSince(mark, expected.size()), expected);
}

TEST_F(Printer, RefusalsAndEmptyText) {
    const auto ldn = netPrinter(54);
    ASSERT_EQ(printer.Open(ldn), 0);
    EXPECT_EQ(printer.PrintNormal(2, u"x"), 103);
    ASSERT_EQ(printer.ClaimDevice(500), 0);
    EXPECT_EQ(printer.PrintNormal(2, u"x"), 105);
    printer.SetDeviceEnabled(true);
    EXPECT_EQ(printer.PrintNormal(1, u"x"), 106) << "station 1";
    const std::size_t mark = vp.receivedCount();
    EXPECT_EQ(printer.PrintNormal(2, u"\x1b|bc" + std::u16string(41, u' ') + u"\n"), 0);
    EXPECT_EQ(printer.MarkFeed(1), 106);
    EXPECT_EQ(printer.TransactionPrint(2, 13), 106);
    EXPECT_EQ(printer.PrintTwoNormal(2, u"a", u"b"), 106);
    EXPECT_EQ(printer.ChangePrintSide(), 106);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(vp.receivedCount(), mark) << "nothing was sent";
    EXPECT_EQ(printer.PrintNormal(2, u"\x1b|bC" + std::u16string(40, u' ') + u"\n"), 0);
    EXPECT_GT(receivedSince(mark, 10).size(), 0u) << "40 spaces are printed";
}

TEST_F(Printer, ATransactionSendsOneBuffer) {
    const auto ldn = netPrinter(55);
    openClaimEnable(ldn);
    const std::size_t mark = vp.receivedCount();
    ASSERT_EQ(printer.TransactionPrint(2, 11), 0);
    ASSERT_EQ(printer.PrintNormal(2, u"one"), 0);
    ASSERT_EQ(printer.PrintNormal(2, u"two"), 0);
    ASSERT_EQ(printer.CutPaper(100), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(vp.receivedCount(), mark) << "held while the transaction is open";
    ASSERT_EQ(printer.TransactionPrint(2, 12), 0);
    const Bytes p = prefix(false, {0x1C, 0x2E}, 0);
    const Bytes expected = cat({p, p, {'o', 'n', 'e', 't', 'w', 'o', 0x1B, 0x69}});
    EXPECT_EQ(receivedSince(mark, expected.size()), expected);
}

TEST_F(Printer, ARotatedPageIsFramedInPageMode) {
    const auto ldn = netPrinter(56);
    openClaimEnable(ldn);
    const std::size_t mark = vp.receivedCount();
    ASSERT_EQ(printer.RotatePrint(2, 0x0101), 0);
    ASSERT_EQ(printer.PrintNormal(2, u"ABC"), 0);
    ASSERT_EQ(printer.RotatePrint(2, 0x0001), 0);
    const Bytes expected =
        cat({{0x1B, 0x4C, 0x1B, 0x57, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0xF8, 0x01, 0x1B, 0x54, 0x33, 0x1C, 0x2E, 0x1B,
              0x74, 0x00, 0x1B, 0x4A, 0x15},
             prefix(false, {0x1C, 0x2E}, 0), {'A', 'B', 'C', 0x0C}});
    EXPECT_EQ(receivedSince(mark, expected.size()), expected);
}

TEST_F(Printer, CutsAndFeeds) {
    const auto ldn = netPrinter(57);
    openClaimEnable(ldn);
    std::size_t mark = vp.receivedCount();
    ASSERT_EQ(printer.CutPaper(50), 0);
    EXPECT_EQ(receivedSince(mark, 2), (Bytes{0x1B, 0x6D}));
    mark = vp.receivedCount();
    ASSERT_EQ(printer.MarkFeed(2), 0);
    EXPECT_EQ(receivedSince(mark, 4), (Bytes{0x0A, 0x0A, 0x0A, 0x0A}));
    mark = vp.receivedCount();
    int data = 0;
    std::u16string text = u"1;40";  // nibble pairs for 1B 40
    printer.SetBinaryConversion(1);
    ASSERT_EQ(printer.DirectIO(0, data, text), 0);
    EXPECT_EQ(receivedSince(mark, 2), (Bytes{0x1B, 0x40}));
}

TEST_F(Printer, StatusRepliesBecomeEventsInOrder) {
    const auto ldn = netPrinter(58);
    openClaimEnable(ldn);
    ASSERT_EQ(printer.PrintNormal(2, u"a"), 0);
    EXPECT_EQ(collectStatus(2), (std::vector<int>{opos::PTR_SUE_COVER_OK, opos::PTR_SUE_REC_PAPEROK}));
    EXPECT_FALSE(printer.CoverOpen());
    vp.setCoverOpen(true);
    vp.setPaperEnd(true);
    ASSERT_EQ(printer.PrintNormal(2, u"b"), 0);
    EXPECT_EQ(collectStatus(2), (std::vector<int>{opos::PTR_SUE_COVER_OPEN, opos::PTR_SUE_REC_EMPTY}));
    EXPECT_TRUE(printer.CoverOpen());
    EXPECT_TRUE(printer.RecEmpty());
    ASSERT_EQ(printer.PrintNormal(2, u"c"), 0);
    EXPECT_EQ(collectStatus(1, 300), std::vector<int>{}) << "the same reply twice queues nothing";
}

TEST_F(Printer, AsyncModeReportsOutputComplete) {
    const auto ldn = netPrinter(59);
    openClaimEnable(ldn);
    printer.SetAsyncMode(true);
    std::vector<int> ids;
    printer.onOutputComplete = [&](int id) { ids.push_back(id); };
    ASSERT_EQ(printer.PrintNormal(2, u"x"), 0);
    ASSERT_EQ(printer.CutPaper(100), 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (ids.size() < 2 && std::chrono::steady_clock::now() < deadline)
        if (printer.waitForEvent(50)) printer.dispatchEvents();
    EXPECT_EQ(ids, (std::vector<int>{1, 2}));
    EXPECT_EQ(printer.OutputID(), 2);
}

TEST_F(Printer, SerialPrinterThatStopsAnsweringGives105) {
    const auto ldn = serialPrinter();
    openClaimEnable(ldn);
    const std::size_t start = vp.receivedCount();
    ASSERT_EQ(printer.PrintNormal(2, u"ok"), 0);
    ASSERT_EQ(receivedSince(start, 3 + 24 + 2).size(), 29u);  // status query, prefix, "ok"
    vp.setSilent(true);
    const std::size_t mark = vp.receivedCount();
    EXPECT_EQ(printer.PrintNormal(2, u"lost?"), 105);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(vp.received().size() - mark, kStatusQuery.size()) << "only the status query went out";
    vp.setSilent(false);
    EXPECT_EQ(printer.PrintNormal(2, u"back"), 0);
}

TEST_F(Printer, AnotherProcessGets102WhileTheClaimIsHeld) {
    const auto ldn = netPrinter(60);
    ASSERT_EQ(printer.Open(ldn), 0);
    ASSERT_EQ(printer.ClaimDevice(500), 0);
    auto run = [&](const char* timeout) {
        std::string ldn8 = utf16ToUtf8(ldn);
        char* argv[] = {const_cast<char*>(CLAIM_HELPER), ldn8.data(), const_cast<char*>(timeout), nullptr};
        int fds[2];
        EXPECT_EQ(::pipe(fds), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        pid_t pid;
        EXPECT_EQ(posix_spawn(&pid, CLAIM_HELPER, &actions, nullptr, argv, environ), 0);
        ::close(fds[1]);
        char buf[64] = {};
        std::string out;
        for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;) out.append(buf, static_cast<std::size_t>(n));
        ::close(fds[0]);
        ::waitpid(pid, nullptr, 0);
        posix_spawn_file_actions_destroy(&actions);
        return out;
    };
    EXPECT_EQ(run("200"), "open 0 claim 102\n");
    ASSERT_EQ(printer.ReleaseDevice(), 0);
    EXPECT_EQ(run("200"), "open 0 claim 0\n");
}

TEST_F(Printer, RotationEdges) {
    const auto ldn = netPrinter(67);
    openClaimEnable(ldn);
    std::size_t mark = vp.receivedCount();
    ASSERT_EQ(printer.RotatePrint(2, 0x0103), 0);
    ASSERT_EQ(printer.PrintNormal(2, u"up"), 0);
    EXPECT_EQ(receivedSince(mark, 3 + 24 + 2), cat({kStatusQuery, prefix(true, {0x1C, 0x2E}, 0, 1), bytesOf("up")}))
        << "upside down: 1B 7B 01 in the prefix";
    ASSERT_EQ(printer.RotatePrint(2, 0x1103), 0);  // a bar code rotation opens a rotated page
    ASSERT_EQ(printer.PrintNormal(2, u"x"), 0);
    mark = vp.receivedCount();
    ASSERT_EQ(printer.RotatePrint(2, 0x0001), 0);
    const Bytes got = receivedSince(mark, 15);
    EXPECT_EQ(Bytes(got.begin() + 12, got.begin() + 15), (Bytes{0x1B, 0x54, 0x32})) << "closed with rotate 180";
    EXPECT_EQ(printer.GetPropertyNumber(6), 0);
}

// Calls a printer service object directly through its dispatch interface.
class PrinterObject : public Printer {
protected:
    void SetUp() override {
        ASSERT_EQ(CoCreateInstanceByProgID(u"Vornik.Opos.Printer", IID_IDispatch, reinterpret_cast<void**>(&object)), S_OK);
    }
    void TearDown() override {
        if (object) object->Release();
    }
    int call(DISPID id, std::vector<VARIANT> args) {
        VARIANT result;
        EXPECT_EQ(object->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, args, &result), S_OK);
        return result.lVal;
    }
    int number(int pidx) { return call(2, {VARIANT::I4(pidx)}); }
    IDispatch* object = nullptr;
};

TEST_F(PrinterObject, CloseBeforeOpenAndOpenTwice) {
    EXPECT_EQ(call(7, {}), 0) << "CloseService on a never-opened object";
    EXPECT_EQ(number(opos::PIDX_State), 1);
    EXPECT_EQ(call(9, {}), 103) << "ReleaseDevice unclaimed";
    const auto ldn = netPrinter(68);
    ASSERT_EQ(call(6, {VARIANT::Bstr(u"POSPrinter"), VARIANT::Bstr(ldn), VARIANT::Dispatch(nullptr)}), 0);
    ASSERT_EQ(call(8, {VARIANT::I4(500)}), 0);
    EXPECT_EQ(number(opos::PIDX_Claimed), 1);
    ASSERT_EQ(call(6, {VARIANT::Bstr(u"POSPrinter"), VARIANT::Bstr(ldn), VARIANT::Dispatch(nullptr)}), 0);
    EXPECT_EQ(number(opos::PIDX_Claimed), 0) << "a second OpenService closes first";
    EXPECT_EQ(number(opos::PIDX_DeviceEnabled), 0);
    EXPECT_EQ(call(10, {VARIANT::I4(0)}), 106) << "BeginInsertion";
    EXPECT_EQ(call(31, {}), 0) << "GetOpenResult";
}

TEST_F(PrinterObject, DirectIODecodesBinaryConversion) {
    const auto ldn = netPrinter(69);
    ASSERT_EQ(call(6, {VARIANT::Bstr(u"POSPrinter"), VARIANT::Bstr(ldn), VARIANT::Dispatch(nullptr)}), 0);
    ASSERT_EQ(call(8, {VARIANT::I4(500)}), 0);
    std::int32_t data = 0;
    struct Case {
        int conversion;
        std::u16string text;
    } cases[] = {{2, u"027064"}, {1, u"1;40"}};
    for (const auto& c : cases) {
        call(3, {VARIANT::I4(opos::PIDX_BinaryConversion), VARIANT::I4(c.conversion)});
        std::u16string text = c.text;
        const std::size_t mark = vp.receivedCount();
        EXPECT_EQ(call(30, {VARIANT::I4(0), VARIANT::I4Ref(&data), VARIANT::BstrRef(&text)}), 0);
        EXPECT_EQ(receivedSince(mark, 2), (Bytes{0x1B, 0x40})) << "conversion " << c.conversion;
        EXPECT_EQ(text, c.text) << "the text comes back as it went";
    }
    std::u16string odd = u"1;4";
    const std::size_t mark = vp.receivedCount();
    EXPECT_EQ(call(30, {VARIANT::I4(0), VARIANT::I4Ref(&data), VARIANT::BstrRef(&odd)}), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(vp.receivedCount(), mark) << "an odd nibble text decodes to nothing";
}

// ---------------------------------------------------------------------------
// Page mode, bar codes and bitmaps.

// A 24-bit BMP file of w x h white pixels.
std::string writeBmp(int w, int h) {
    const int stride = ((w * 3 + 3) / 4) * 4;
    std::string b = "BM";
    auto put32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) b += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    auto put16 = [&](std::uint16_t v) {
        b += static_cast<char>(v & 0xFF);
        b += static_cast<char>(v >> 8);
    };
    put32(54 + stride * h);
    put32(0);
    put32(54);
    put32(40);
    put32(w);
    put32(h);
    put16(1);
    put16(24);
    put32(0);
    put32(stride * h);
    put32(2835);
    put32(2835);
    put32(0);
    put32(0);
    b += std::string(static_cast<std::size_t>(stride) * h, '\xFF');
    return b;
}

std::string bmpFile(int w, int h) {
    const std::string path = testing::TempDir() + "vornik-bitmap-" + std::to_string(::getpid()) + "-" +
                             std::to_string(w) + "x" + std::to_string(h) + ".bmp";
    FILE* f = std::fopen(path.c_str(), "wb");
    const std::string data = writeBmp(w, h);
    std::fwrite(data.data(), 1, data.size(), f);
    std::fclose(f);
    return path;
}

TEST_F(Printer, PageModeFramesThePage) {
    const auto ldn = netPrinter(61);
    openClaimEnable(ldn);
    printer.SetPropertyString(1008012, u"0,0,512,800");
    printer.SetPropertyNumber(8048, 1);
    std::size_t mark = vp.receivedCount();
    EXPECT_EQ(printer.PageModePrint(1), 0);
    EXPECT_EQ(printer.PageModePrint(1), 0) << "the same control again changes nothing";
    ASSERT_EQ(printer.PrintNormal(2, u"page"), 0);
    ASSERT_EQ(printer.PageModePrint(3), 0);
    const Bytes expected = cat({{0x1B, 0x4C, 0x1B, 0x57, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x20, 0x03, 0x1B, 0x54,
                                 0x30, 0x1B, 0x24, 0x00, 0x00, 0x1D, 0x24, 0x00, 0x00},
                                prefix(false, {0x1C, 0x2E}, 0), bytesOf("page"), {0x1C, 0x2E, 0x1B, 0x74, 0x00, 0x0C}});
    EXPECT_EQ(receivedSince(mark, expected.size()), expected);

    // The default area, a malformed area, and a start position in 0.01 mm.
    const struct {
        std::u16string area;
        int mapMode, horizontal;
        Bytes frameStart;
    } cases[] = {
        {u"", 1, 0, {0x1B, 0x4C, 0x1B, 0x57, 0, 0, 0, 0, 0x00, 0x02, 0x24, 0x06}},
        {u"10,20", 1, 0, {0x1B, 0x4C, 0x1B, 0x57, 10, 0, 20, 0, 0x00, 0x02, 0x24, 0x06}},
        {u"0,0,512,800", 4, 1000, {0x1B, 0x4C, 0x1B, 0x57, 0, 0, 0, 0, 40, 0, 64, 0, 0x1B, 0x54, 0x30, 0x1B, 0x24, 0x50, 0x00}},
    };
    for (const auto& c : cases) {
        printer.SetPropertyString(1008012, c.area);
        printer.SetMapMode(c.mapMode);
        printer.SetPropertyNumber(8047, c.horizontal);
        mark = vp.receivedCount();
        ASSERT_EQ(printer.PageModePrint(1), 0);
        ASSERT_EQ(printer.PrintNormal(2, u"x"), 0);
        ASSERT_EQ(printer.PageModePrint(3), 0);
        const Bytes got = receivedSince(mark, c.frameStart.size());
        ASSERT_GE(got.size(), c.frameStart.size());
        EXPECT_EQ(Bytes(got.begin(), got.begin() + static_cast<long>(c.frameStart.size())), c.frameStart)
            << "area \"" << utf16ToUtf8(c.area) << "\", map mode " << c.mapMode;
    }
}

TEST_F(Printer, PageModeCancelClearAndRuledLines) {
    const auto ldn = netPrinter(62);
    openClaimEnable(ldn);
    std::size_t mark = vp.receivedCount();
    EXPECT_EQ(printer.PageModePrint(3), 0) << "already the last control after open";
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(vp.receivedCount(), mark);
    ASSERT_EQ(printer.PageModePrint(1), 0);
    ASSERT_EQ(printer.PrintNormal(2, u"discarded"), 0);
    ASSERT_EQ(printer.PageModePrint(4), 0);
    EXPECT_EQ(receivedSince(mark, 2), (Bytes{0x1B, 0x53}));
    mark = vp.receivedCount();
    ASSERT_EQ(printer.PageModePrint(3), 0);
    EXPECT_EQ(receivedSince(mark, 1), (Bytes{0x0C}));
    EXPECT_EQ(printer.ClearPrintArea(), 106) << "PageModeStation 0";
    printer.SetPropertyNumber(8049, 2);
    ASSERT_EQ(printer.PageModePrint(1), 0);
    mark = vp.receivedCount();
    EXPECT_EQ(printer.ClearPrintArea(), 0);
    EXPECT_EQ(receivedSince(mark, 2), (Bytes{0x1B, 0x53}));
    EXPECT_EQ(printer.DrawRuledLine(2, u"0,100", 1, 1, 1, 1), 104);
    EXPECT_EQ(printer.DrawRuledLine(1, u"0,100", 1, 1, 1, 1), 106);
}

TEST_F(Printer, BarCodes) {
    const auto ldn = netPrinter(63);
    openClaimEnable(ldn);
    std::size_t mark = vp.receivedCount();
    ASSERT_EQ(printer.PrintBarCode(2, u"12345678901", 101, 50, 3, -2, -13), 0);
    EXPECT_EQ(receivedSince(mark, 23), cat({{0x1B, 0x61, 0x01, 0x1D, 0x48, 0x02, 0x1D, 0x68, 0x32, 0x1D, 0x77, 0x03,
                                            0x1D, 0x6B, 0x41, 0x0B},
                                           bytesOf("12345678901")}));
    mark = vp.receivedCount();
    ASSERT_EQ(printer.PrintBarCode(2, u"1234", 110, 50, 2, -1, -11), 0);
    EXPECT_EQ(receivedSince(mark, 20), cat({{0x1B, 0x61, 0x00, 0x1D, 0x48, 0x00, 0x1D, 0x68, 0x32, 0x1D, 0x77, 0x02,
                                            0x1D, 0x6B, 0x49, 0x06},
                                           bytesOf("{A1234")}));
    mark = vp.receivedCount();
    ASSERT_EQ(printer.PrintBarCode(2, u"ABC", 204, 0, 4, -3, -12), 0);
    EXPECT_EQ(receivedSince(mark, 41),
              cat({{0x1B, 0x61, 0x02, 0x1D, 0x48, 0x01, 0x1D, 0x28, 0x6B, 0x03, 0x00, 0x31, 0x43, 0x04, 0x1D, 0x28, 0x6B,
                    0x03, 0x00, 0x31, 0x45, 0x30, 0x1D, 0x28, 0x6B, 0x06, 0x00, 0x31, 0x50, 0x30},
                   bytesOf("ABC"), {0x1D, 0x28, 0x6B, 0x03, 0x00, 0x31, 0x51, 0x30}}));
    EXPECT_EQ(printer.PrintBarCode(2, u"1", 105, 50, 3, -2, -13), 106);
    EXPECT_EQ(printer.PrintBarCode(2, u"1", 999, 50, 3, -2, -13), 106);
    EXPECT_EQ(printer.PrintBarCode(2, u"1", 110, 50, 3, -2, -13), 106) << "Code 128 needs two bytes";
    EXPECT_EQ(printer.PrintBarCode(1, u"12345678901", 101, 50, 3, -2, -13), 106);
    printer.SetMapMode(4);
    printer.ClearOutput();
    mark = vp.receivedCount();
    ASSERT_EQ(printer.PrintBarCode(2, u"1234567", 103, 1000, 30, -1, -13), 0);
    const Bytes got = receivedSince(mark, 12);
    EXPECT_EQ(Bytes(got.begin() + 6, got.begin() + 9), (Bytes{0x1D, 0x68, 0x50})) << "10 mm = 80 dots";
}

TEST_F(Printer, BarCodesInsideATransactionGoOutWithIt) {
    const auto ldn = netPrinter(64);
    openClaimEnable(ldn);
    const std::size_t mark = vp.receivedCount();
    ASSERT_EQ(printer.TransactionPrint(2, 11), 0);
    ASSERT_EQ(printer.PrintBarCode(2, u"12345678901", 101, 50, 3, -2, -13), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(vp.receivedCount(), mark);
    ASSERT_EQ(printer.TransactionPrint(2, 12), 0);
    EXPECT_EQ(receivedSince(mark, 27).size(), 27u);
}

TEST_F(Printer, BitmapsFromFilesAndMemory) {
    const auto ldn = netPrinter(65);
    openClaimEnable(ldn);
    const std::string wide = bmpFile(640, 2);
    std::size_t mark = vp.receivedCount();
    ASSERT_EQ(printer.PrintBitmap(2, u16(wide), -11, -2), 0);
    Bytes got = receivedSince(mark, 11);
    EXPECT_EQ(Bytes(got.begin(), got.begin() + 9), (Bytes{0x1B, 0x61, 0x01, 0x1D, 0x76, 0x30, 0x00, 72, 0}))
        << "640 pixels capped at 576 dots for 80 mm paper";
    EXPECT_EQ(printer.PrintBitmap(2, u"/nonexistent/logo.bmp", -11, -1), 109);
    EXPECT_EQ(printer.PrintBitmap(3, u16(wide), -11, -1), 106);

    // Stored bitmaps print from print data and go with CloseService.
    const std::string small = bmpFile(16, 8);
    EXPECT_EQ(printer.SetBitmap(21, 2, u16(small), -11, -1), 106);
    EXPECT_EQ(printer.SetBitmap(0, 2, u16(small), -11, -1), 106);
    EXPECT_EQ(printer.SetBitmap(3, 2, u16(small), -11, -4), 106);
    ASSERT_EQ(printer.SetBitmap(3, 2, u16(small), -11, 100), 0);
    EXPECT_EQ(printer.ResultCodeExtended(), 207);
    mark = vp.receivedCount();
    ASSERT_EQ(printer.PrintNormal(2, u"\x1b|3B"), 0);
    got = receivedSince(mark, 3 + 24 + 27);  // status query, prefix, stored bytes
    const Bytes stored = {0x1B, 0x61, 0x02, 0x1D, 0x76, 0x30, 0x00, 2, 0, 8, 0};
    EXPECT_NE(std::search(got.begin(), got.end(), stored.begin(), stored.end()), got.end());

    // Memory bitmaps: nibble-encoded BMP bytes; bad input ends with 106.
    const std::string bmp = writeBmp(8, 8);
    std::u16string nibbles;
    for (unsigned char c : bmp) {
        nibbles += static_cast<char16_t>(0x30 + (c >> 4));
        nibbles += static_cast<char16_t>(0x30 + (c & 15));
    }
    printer.SetBinaryConversion(1);
    mark = vp.receivedCount();
    EXPECT_EQ(printer.PrintMemoryBitmap(2, nibbles, 1, -11, -1), 0);
    got = receivedSince(mark, 11);
    EXPECT_EQ(Bytes(got.begin(), got.begin() + 11), (Bytes{0x1B, 0x61, 0x00, 0x1D, 0x76, 0x30, 0x00, 1, 0, 8, 0}));
    EXPECT_EQ(printer.PrintMemoryBitmap(2, nibbles, 2, -11, -1), 106) << "Type 2";
    EXPECT_EQ(printer.PrintMemoryBitmap(2, nibbles.substr(0, 60), 1, -11, -1), 106) << "a truncated image";
    EXPECT_EQ(printer.SetLogo(1, u"x"), 106);
    printer.SetBinaryConversion(0);
    EXPECT_EQ(printer.Close(), 0);
    ASSERT_EQ(printer.Open(ldn), 0);
    ASSERT_EQ(printer.ClaimDevice(500), 0);
    printer.SetDeviceEnabled(true);
    EXPECT_EQ(printer.ValidateData(2, u"\x1b|3B"), 106) << "CloseService emptied the stored bitmaps";
}

TEST_F(Printer, NarrowPaperCapsBitmapsAt384Dots) {
    ip = "127.0.0.66";
    std::string error;
    ASSERT_TRUE(vp.listenTcp(ip, 9100, &error) && vp.start()) << error;
    writeLdn(u"Narrow", {{u"IOType", u"ENet"}, {u"EthIPAddr", u16(ip)}, {u"CodePage", u"0"}, {u"PaperType", u"1"}});
    openClaimEnable(u"Narrow");
    const std::size_t mark = vp.receivedCount();
    ASSERT_EQ(printer.PrintBitmap(2, u16(bmpFile(640, 2)), -11, -1), 0);
    const Bytes got = receivedSince(mark, 11);
    EXPECT_EQ(Bytes(got.begin() + 7, got.begin() + 9), (Bytes{48, 0}));
}

// ---------------------------------------------------------------------------
// The cash drawer on the printer's drawer-kick connector.

class Drawer : public Printer {
protected:
    std::u16string drawerFor(const std::u16string& printerLdn, int pin) {
        const std::u16string ldn = u"Drawer" + u16(std::to_string(pin)) + printerLdn;
        const std::u16string key = u"SOFTWARE\\OLEforRetail\\ServiceOPOS\\CashDrawer\\" + ldn;
        setValue(key, u"", u"Vornik.OPOS.CashDrawer");
        setValue(key, u"Uses", printerLdn);
        setValue(key, u"ConnectPin", u16(std::to_string(pin)));
        setValue(key, u"PulseOffTime", u"48");
        setValue(key, u"PulseOnTime", u"48");
        return ldn;
    }
    std::vector<int> drawerEvents(std::size_t n, int waitMs) {
        std::vector<int> got;
        drawer.onStatusUpdate = [&](int s) { got.push_back(s); };
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
        while (got.size() < n && std::chrono::steady_clock::now() < deadline)
            if (drawer.waitForEvent(50)) drawer.dispatchEvents();
        return got;
    }
    static bool contains(const Bytes& all, const Bytes& part) {
        return std::search(all.begin(), all.end(), part.begin(), part.end()) != all.end();
    }
    opos::CashDrawer drawer;
};

TEST_F(Drawer, KickBytesForBothPinsAndOnlyWhenEnabled) {
    const auto printerLdn = netPrinter(70);
    for (int pin : {5, 2}) {
        ASSERT_EQ(drawer.Open(drawerFor(printerLdn, pin)), 0);
        ASSERT_EQ(drawer.ClaimDevice(500), 0);
        const std::size_t mark = vp.receivedCount();
        EXPECT_EQ(drawer.OpenDrawer(), 105) << "not enabled";
        drawer.SetDeviceEnabled(true);
        EXPECT_EQ(drawer.OpenDrawer(), 0);
        EXPECT_TRUE(drawer.DrawerOpened()) << "at once";
        const Bytes kick = {0x1B, 0x70, static_cast<std::uint8_t>(pin == 5 ? 0x31 : 0x30), 0x30, 0x30};
        const Bytes got = receivedSince(mark, kick.size());
        EXPECT_TRUE(contains(got, kick)) << "pin " << pin;
        EXPECT_EQ(drawer.WaitForDrawerClose(100, 1000, 100, 100), 106);
        EXPECT_EQ(drawer.Close(), 0);
    }
}

TEST_F(Drawer, TheDrawerSwitchBecomesOpenAndClosedEvents) {
    const auto printerLdn = netPrinter(71);
    ASSERT_EQ(drawer.Open(drawerFor(printerLdn, 2)), 0);
    EXPECT_EQ(drawer.GetPropertyNumber(8), 1008003);
    EXPECT_FALSE(drawer.DrawerOpened());
    ASSERT_EQ(drawer.ClaimDevice(500), 0);
    drawer.SetDeviceEnabled(true);
    // Closed drawer: status byte 0x16 after open gives DRAWERCLOSED; then 0x12 gives DRAWEROPEN.
    EXPECT_EQ(drawerEvents(1, 4000), std::vector<int>{opos::CASH_SUE_DRAWERCLOSED});
    vp.setDrawerOpen(true);
    EXPECT_EQ(drawerEvents(1, 4000), std::vector<int>{opos::CASH_SUE_DRAWEROPEN});
    EXPECT_TRUE(drawer.DrawerOpened());
    EXPECT_EQ(drawerEvents(1, 1500), std::vector<int>{}) << "an unchanged byte gives no event";
    EXPECT_GE(vp.statusRequests(), 2);
}

TEST_F(Drawer, FollowsAClaimedPrinterWithoutAskingTheDevice) {
    const auto printerLdn = netPrinter(72);
    openClaimEnable(printerLdn);
    ASSERT_EQ(printer.PrintNormal(2, u"x"), 0);  // the printer's status query: drawer closed (0x16)
    const std::size_t requests = vp.statusRequests();
    ASSERT_EQ(drawer.Open(drawerFor(printerLdn, 2)), 0);
    ASSERT_EQ(drawer.ClaimDevice(500), 0);
    drawer.SetDeviceEnabled(true);
    EXPECT_EQ(drawerEvents(1, 4000), std::vector<int>{opos::CASH_SUE_DRAWERCLOSED});
    EXPECT_EQ(vp.statusRequests(), requests) << "no query while a printer of the process is claimed";
    drawer.Close();
}

TEST_F(Drawer, CanBeEnabledWithoutAClaim) {
    const auto printerLdn = netPrinter(73);
    ASSERT_EQ(drawer.Open(drawerFor(printerLdn, 2)), 0);
    drawer.SetDeviceEnabled(true);
    EXPECT_EQ(drawer.ResultCode(), 0);
    EXPECT_TRUE(drawer.DeviceEnabled());
    std::this_thread::sleep_for(std::chrono::milliseconds(1300));
    EXPECT_EQ(vp.statusRequests(), 0) << "unclaimed: the timer reprocesses the shared status";
    EXPECT_EQ(drawer.ReleaseDevice(), 103);
}

// Released while enabled, without CloseService: its timers and event thread
// stop before its members go (run under ASan and TSan).
TEST_F(Drawer, ReleasedWhileItsTimersRun) {
    const auto printerLdn = netPrinter(74);
    const auto ldn = drawerFor(printerLdn, 2);
    for (int round = 0; round < 3; ++round) {
        IDispatch* object = nullptr;
        ASSERT_EQ(CoCreateInstanceByProgID(u"Vornik.OPOS.CashDrawer", IID_IDispatch, reinterpret_cast<void**>(&object)),
                  S_OK);
        std::vector<VARIANT> open{VARIANT::Bstr(u"CashDrawer"), VARIANT::Bstr(ldn), VARIANT::Dispatch(nullptr)};
        VARIANT result;
        ASSERT_EQ(object->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, open, &result), S_OK);
        ASSERT_EQ(result.lVal, 0);
        std::vector<VARIANT> enable{VARIANT::I4(3), VARIANT::I4(1)};
        ASSERT_EQ(object->Invoke(12, IID_NULL, 0, DISPATCH_METHOD, enable, &result), S_OK);
        std::this_thread::sleep_for(std::chrono::milliseconds(1000 + 20 * round));  // a timer tick is due about now
        object->Release();
    }
}

TEST_F(Drawer, MissingSettingsFailTheOpen) {
    const std::u16string key = u"SOFTWARE\\OLEforRetail\\ServiceOPOS\\CashDrawer\\Broken";
    setValue(key, u"", u"Vornik.OPOS.CashDrawer");
    setValue(key, u"Uses", u"Nowhere");
    EXPECT_EQ(drawer.Open(u"Broken"), 403);
}

}  // namespace

int main(int argc, char** argv) {
    ::setenv("VORNIK_PAUSE_DIVISOR", "100", 1);
    ::setenv("VORNIK_LOG_ROOT", (testing::TempDir() + "vornik-printer-log").c_str(), 1);
    testing::InitGoogleTest(&argc, argv);
    testing::AddGlobalTestEnvironment(new vornik::test::RegistryEnvironment);
    return RUN_ALL_TESTS();
}
