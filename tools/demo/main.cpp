// vornik-demo: a virtual printer on a loopback address receives a short job
// sent through the connection interface of libConlink.so; the demo then shows
// what the printer received, as bytes and as commands.
#include "EscPosListing.h"
#include "VirtualPrinter.h"

#include <conlink/Conlink.h>

#include <cstdio>
#include <string>
#include <vector>

using vornik::vprinter::VirtualPrinter;

namespace {

// The first free 127.0.0.N (N = 1..20) on the printer port.
bool listenOnLoopback(VirtualPrinter& printer, std::string& ip) {
    std::string error;
    for (int host = 1; host <= 20; ++host) {
        ip = "127.0.0." + std::to_string(host);
        if (printer.listenTcp(ip, 9100, &error)) return true;
    }
    std::fprintf(stderr, "vornik-demo: no free loopback address for port 9100: %s\n", error.c_str());
    return false;
}

void append(std::vector<unsigned char>& job, std::initializer_list<int> bytes) {
    for (int b : bytes) job.push_back(static_cast<unsigned char>(b));
}
void append(std::vector<unsigned char>& job, const std::string& text) { job.insert(job.end(), text.begin(), text.end()); }

int check(const char* what, int rc) {
    std::printf("%-34s -> %d%s\n", what, rc, rc == CONLINK_OK ? " (ok)" : " (failed)");
    return rc;
}

}  // namespace

int main() {
    VirtualPrinter printer;
    std::string ip;
    if (!listenOnLoopback(printer, ip) || !printer.start()) return 1;
    std::printf("virtual printer listening on %s:9100\n\n", ip.c_str());

    if (check(("KV_NetConnect(\"" + ip + "\", 9100)").c_str(), KV_NetConnect(ip.c_str(), 9100)) != CONLINK_OK) return 1;

    std::vector<unsigned char> job;
    append(job, {0x1B, '@'});                 // initialise
    append(job, {0x1B, 'a', 1});              // centre
    append(job, {0x1B, 'E', 1});              // bold
    append(job, "VORNIK POS DEMO\n");
    append(job, {0x1B, 'E', 0, 0x1B, 'a', 0});
    append(job, "Hello from libConlink.so\n");
    append(job, {0x1B, 'd', 3});              // feed three lines
    append(job, {0x1D, 'V', 1});              // partial cut
    if (check("KV_SendCmd(job)", KV_SendCmd(job.data(), static_cast<int>(job.size()))) != CONLINK_OK) return 1;

    const unsigned char dleEot2[] = {0x10, 0x04, 0x02};
    unsigned char reply[64] = {};
    int length = sizeof reply;
    if (check("KV_QueryCmd(DLE EOT 2)", KV_QueryCmd(dleEot2, 3, reply, &length)) == CONLINK_OK) {
        std::printf("  status reply (%d bytes):", length);
        for (int i = 0; i < length; ++i) std::printf(" %02x", reply[i]);
        std::printf("\n");
    }

    printer.waitForReceived(job.size() + sizeof dleEot2, 2000);
    printer.stop();
    const auto got = printer.received();
    std::printf("\nthe printer received %zu bytes:\n%s\n", got.size(), vornik::vprinter::hexDump(got).c_str());
    std::printf("as commands:\n");
    for (const auto& line : vornik::vprinter::listEscPos(got)) std::printf("  %s\n", line.c_str());
    return 0;
}
