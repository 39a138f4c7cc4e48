// vornik-demo: a receipt printed end to end, the way a POS application does it.
//
// It starts the virtual printer on a loopback address, writes a printer LDN
// for it into a registry file of its own, registers the service library, and
// then, through the POSPrinter control object, opens, claims and enables the
// printer, prints a short receipt inside a transaction, cuts, and shows the
// status events it received and what the printer got, decoded.
#include "EscPosListing.h"
#include "VirtualPrinter.h"
#include "platform/CodePages.h"
#include "platform/Com.h"
#include "platform/Registry.h"
#include "vornik/OposControl.h"

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

using namespace vornik;
using namespace vornik::platform;

namespace {

std::string executableDir() {
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return ".";
    path[n] = '\0';
    std::string p = path;
    return p.substr(0, p.rfind('/'));
}

bool setValue(const std::string& key, const std::string& name, const std::string& value) {
    HKEY k = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, &k) != ERROR_SUCCESS) return false;
    const std::u16string w = utf8ToUtf16(value);
    std::string bytes;
    for (char16_t c : w) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    const bool ok = RegSetValueExW(k, utf8ToUtf16(name), REG_SZ, bytes.data(), static_cast<DWORD>(bytes.size())) ==
                    ERROR_SUCCESS;
    RegCloseKey(k);
    return ok;
}

const char* statusName(int s) {
    switch (s) {
    case opos::PTR_SUE_COVER_OPEN: return "PTR_SUE_COVER_OPEN";
    case opos::PTR_SUE_COVER_OK: return "PTR_SUE_COVER_OK";
    case opos::PTR_SUE_REC_EMPTY: return "PTR_SUE_REC_EMPTY";
    case opos::PTR_SUE_REC_PAPEROK: return "PTR_SUE_REC_PAPEROK";
    default: return "status";
    }
}

int step(const char* what, int rc) {
    std::printf("  %-42s -> %d%s\n", what, rc, rc == 0 ? "" : "  (failed)");
    return rc;
}

}  // namespace

int main() {
    // A registry, log and lock folder of the demo's own: nothing to configure.
    const std::string work = "/tmp/vornik-demo-" + std::to_string(::getpid());
    ::setenv("VORNIK_REGISTRY", (work + "/registry.db").c_str(), 0);
    ::setenv("VORNIK_LOG_ROOT", (work + "/log").c_str(), 0);

    vprinter::VirtualPrinter::Options deviceOptions;
    deviceOptions.drawerOpenMs = 2500;  // the drawer stays open for 2.5 s after a kick
    vprinter::VirtualPrinter printerDevice(deviceOptions);
    std::string ip, error;
    for (int host = 1; host <= 20; ++host) {
        ip = "127.0.0." + std::to_string(host);
        if (printerDevice.listenTcp(ip, 9100, &error)) break;
        ip.clear();
    }
    if (ip.empty() || !printerDevice.start()) {
        std::fprintf(stderr, "vornik-demo: cannot start the virtual printer: %s\n", error.c_str());
        return 1;
    }
    std::printf("virtual printer listening on %s:9100\n", ip.c_str());

    const std::string ldnKey = "SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter\\DemoPrinter";
    const std::string vendorKey = "SOFTWARE\\OLEforRetail\\ServiceInfo\\Vornik";
    bool ok = setValue(ldnKey, "", "Vornik.Opos.Printer") && setValue(ldnKey, "IOType", "ENet") &&
              setValue(ldnKey, "EthIPAddr", ip) && setValue(ldnKey, "Model", "80") &&
              setValue(ldnKey, "CodePage", "0") && setValue(ldnKey, "PaperType", "0") &&
              setValue(vendorKey, "PrimaryConfig", "Vornik") && setValue(vendorKey, "LogVerbosity", "5") &&
              setValue(vendorKey, "LogLocation", "0");
    if (!ok) {
        std::fprintf(stderr, "vornik-demo: cannot write the registry file %s\n", registryPath().c_str());
        return 1;
    }
    std::printf("logical device DemoPrinter written to %s\n", registryPath().c_str());

    const std::string library = executableDir() + "/../lib/libVornikSO.so";
    void* so = ::dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    auto reg = so ? reinterpret_cast<DllRegisterServerFn>(::dlsym(so, "DllRegisterServer")) : nullptr;
    if (!reg || FAILED(reg())) {
        std::fprintf(stderr, "vornik-demo: cannot register %s\n", library.c_str());
        return 1;
    }
    std::printf("service library registered: %s\n\n", library.c_str());

    opos::POSPrinter printer;
    std::vector<int> statuses;
    printer.onStatusUpdate = [&](int s) {
        statuses.push_back(s);
        std::printf("  event: StatusUpdate %d (%s)\n", s, statusName(s));
    };
    std::printf("through the POSPrinter control object:\n");
    if (step("Open(\"DemoPrinter\")", printer.Open(u"DemoPrinter")) != 0) return 1;
    if (step("ClaimDevice(1000)", printer.ClaimDevice(1000)) != 0) return 1;
    std::printf("  (enabling a network printer waits 4 s for other applications)\n");
    printer.SetDeviceEnabled(true);
    if (step("DeviceEnabled = true", printer.ResultCode()) != 0) return 1;

    const std::u16string esc = u"\x1b";
    // Printed at once: the status query before it reports the cover and the paper.
    step("PrintNormal: a line printed at once", printer.PrintNormal(2, esc + u"|cAWelcome\n"));
    step("TransactionPrint(2, 11)", printer.TransactionPrint(2, 11));
    const std::string logo = executableDir() + "/../share/vornik/demo-logo.bmp";
    step("PrintBitmap: the logo, centred", printer.PrintBitmap(2, utf8ToUtf16(logo), -11, -2));
    step("PrintNormal: centred, double size, bold", printer.PrintNormal(2, esc + u"|cA" + esc + u"|4C" + esc + u"|bCVORNIK CAFE\n"));
    step("PrintNormal: centred", printer.PrintNormal(2, esc + u"|cA12 Harbour Street\n"));
    step("PrintNormal: items", printer.PrintNormal(2, u"Coffee, large                          3.50\n"
                                                     u"Croissant                              2.20\n"));
    step("PrintNormal: underlined", printer.PrintNormal(2, esc + u"|2uC                                      ------\n"));
    step("PrintNormal: bold total", printer.PrintNormal(2, esc + u"|bCTotal                                  5.70\n"));
    step("PrintBarCode: UPC-A, centred, text below", printer.PrintBarCode(2, u"12345678901", 101, 60, 2, -2, -13));
    step("PrintBarCode: QR code, centred", printer.PrintBarCode(2, u"VORNIK RECEIPT 0013", 204, 0, 5, -2, -11));
    step("PrintNormal: feed", printer.PrintNormal(2, esc + u"|3lF"));
    step("CutPaper(100)", printer.CutPaper(100));
    step("TransactionPrint(2, 12)", printer.TransactionPrint(2, 12));
    printerDevice.setCoverOpen(true);  // someone opens the cover
    step("PrintNormal with the cover open", printer.PrintNormal(2, u"cover test\n"));
    printerDevice.setCoverOpen(false);

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (statuses.size() < 3 && std::chrono::steady_clock::now() < deadline)
        if (printer.waitForEvent(100)) printer.dispatchEvents();
    step("ReleaseDevice()", printer.ReleaseDevice());
    step("Close()", printer.Close());

    // The cash drawer on the printer's drawer-kick connector.
    const std::string drawerKey = "SOFTWARE\\OLEforRetail\\ServiceOPOS\\CashDrawer\\DemoDrawer";
    setValue(drawerKey, "", "Vornik.OPOS.CashDrawer");
    setValue(drawerKey, "Uses", "DemoPrinter");
    setValue(drawerKey, "ConnectPin", "2");
    setValue(drawerKey, "PulseOnTime", "50");
    setValue(drawerKey, "PulseOffTime", "200");
    opos::CashDrawer drawer;
    std::vector<int> drawerEvents;
    drawer.onStatusUpdate = [&](int s) {
        drawerEvents.push_back(s);
        std::printf("  event: StatusUpdate %d (%s)\n", s,
                    s == opos::CASH_SUE_DRAWEROPEN ? "CASH_SUE_DRAWEROPEN" : "CASH_SUE_DRAWERCLOSED");
    };
    auto waitForDrawer = [&](std::size_t n, int seconds) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (drawerEvents.size() < n && std::chrono::steady_clock::now() < until)
            if (drawer.waitForEvent(100)) drawer.dispatchEvents();
    };
    std::printf("\nthrough the CashDrawer control object:\n");
    if (step("Open(\"DemoDrawer\")", drawer.Open(u"DemoDrawer")) != 0) return 1;
    step("ClaimDevice(1000)", drawer.ClaimDevice(1000));
    drawer.SetDeviceEnabled(true);
    step("DeviceEnabled = true", drawer.ResultCode());
    waitForDrawer(1, 3);  // the first poll reports the drawer's state
    step("OpenDrawer()", drawer.OpenDrawer());
    std::printf("  (the virtual printer reports the drawer open, then closed 2.5 s later)\n");
    waitForDrawer(3, 6);
    step("ReleaseDevice()", drawer.ReleaseDevice());
    step("Close()", drawer.Close());

    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    printerDevice.stop();
    const auto got = printerDevice.received();
    const std::vector<std::uint8_t> head(got.begin(), got.begin() + static_cast<long>(std::min<std::size_t>(got.size(), 128)));
    std::printf("\nthe printer received %zu bytes; the first %zu:\n%s\n", got.size(), head.size(),
                vprinter::hexDump(head).c_str());
    std::printf("as commands:\n");
    for (const auto& line : vprinter::listEscPos(got)) std::printf("  %s\n", line.c_str());
    std::printf("\n%zu printer and %zu drawer status events received; the driver log is under %s/log\n",
                statuses.size(), drawerEvents.size(), work.c_str());
    return statuses.size() >= 3 && drawerEvents.size() >= 3 ? 0 : 1;
}
