// Time of one PrintNormal of a 42-character line, end to end through the
// POSPrinter control object, the service object and the connection layer to
// the virtual printer over loopback, next to the bare work it cannot avoid:
// a status query round trip and a connect-send-close of the same bytes with
// the connection interface, measured alone in the same run. Medians of 300.
#include "VirtualPrinter.h"
#include "platform/CodePages.h"
#include "platform/Com.h"
#include "platform/Registry.h"
#include "vornik/OposControl.h"

#include <conlink/Conlink.h>

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace vornik;
using namespace vornik::platform;
using Clock = std::chrono::steady_clock;

namespace {

template <typename Fn>
double medianUs(int n, Fn fn) {
    std::vector<double> t;
    for (int i = 0; i < n + 5; ++i) {
        const auto t0 = Clock::now();
        fn();
        const double us = std::chrono::duration<double, std::micro>(Clock::now() - t0).count();
        if (i >= 5) t.push_back(us);
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

void setValue(const std::string& key, const std::string& name, const std::string& value) {
    HKEY k = nullptr;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, &k);
    RegSetValueExA(k, name, REG_SZ, value.data(), static_cast<DWORD>(value.size()));
    RegCloseKey(k);
}

}  // namespace

int main() {
    const std::string work = "/tmp/vornik-bench-print-" + std::to_string(::getpid());
    ::setenv("VORNIK_REGISTRY", (work + "/registry.db").c_str(), 1);
    ::setenv("VORNIK_LOG_ROOT", (work + "/log").c_str(), 1);
    ::setenv("VORNIK_LOCK_DIR", (work + "/locks").c_str(), 1);
    ::setenv("VORNIK_PAUSE_DIVISOR", "1000", 1);  // the 4 s enable settle time is not what is measured

    const char* ip = "127.0.0.91";
    vprinter::VirtualPrinter device;
    std::string error;
    if (!device.listenTcp(ip, 9100, &error) || !device.start()) {
        std::fprintf(stderr, "cannot start the virtual printer: %s\n", error.c_str());
        return 1;
    }
    const std::string key = "SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter\\Bench";
    setValue(key, "", "Vornik.Opos.Printer");
    setValue(key, "IOType", "ENet");
    setValue(key, "EthIPAddr", ip);
    setValue(key, "Model", "80");
    setValue(key, "CodePage", "0");
    setValue(key, "PaperType", "0");
    setValue("SOFTWARE\\OLEforRetail\\ServiceInfo\\Vornik", "LogVerbosity", "0");
    setValue("SOFTWARE\\OLEforRetail\\ServiceInfo\\Vornik", "LogLocation", "0");
    void* so = ::dlopen(VORNIK_SO_PATH, RTLD_NOW | RTLD_LOCAL);
    auto reg = so ? reinterpret_cast<DllRegisterServerFn>(::dlsym(so, "DllRegisterServer")) : nullptr;
    if (!reg || FAILED(reg())) return 1;

    opos::POSPrinter printer;
    if (printer.Open(u"Bench") != 0 || printer.ClaimDevice(1000) != 0) return 1;
    printer.SetDeviceEnabled(true);
    const std::u16string line = u"Coffee, large                         3.50\n";  // 42 characters and LF
    const double printUs = medianUs(300, [&] { printer.PrintNormal(2, line); });
    printer.Close();

    // The bare work: one status query and one connect-send-close of the bytes the printer got per call.
    const std::size_t perCall = 27 + 43;  // print prefix + line
    std::vector<unsigned char> bytes(perCall, 'x');
    KV_NetConnect(ip, 9100);
    const unsigned char query[] = {0x10, 0x04, 0x02};
    const double queryUs = medianUs(300, [&] {
        unsigned char reply[64];
        int len = sizeof reply;
        KV_QueryCmd(query, 3, reply, &len);
    });
    const double sendUs = medianUs(300, [&] { KV_SendCmd(bytes.data(), static_cast<int>(bytes.size())); });
    device.stop();

    std::printf("PrintNormal of one 42-character line, end to end:  %8.1f us\n", printUs);
    std::printf("status query round trip (KV_QueryCmd):             %8.1f us\n", queryUs);
    std::printf("connect-send-close of %zu bytes (KV_SendCmd):       %8.1f us\n", perCall, sendUs);
    std::printf("overhead ratio: PrintNormal / (query + send) = %.2f\n", printUs / (queryUs + sendUs));
    return 0;
}
