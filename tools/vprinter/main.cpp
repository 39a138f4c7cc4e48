// vprinter: run the virtual ESC/POS printer from a shell.
//
//   vprinter [--listen IP[:PORT]] [--pty] [--record FILE] [--drawer-ms N] [--one-byte-status]
//
// Prints "listening on IP:PORT" and/or "pty: /dev/pts/N", then reads commands
// from standard input, one a line, to change what the printer reports:
//   cover open|closed   paper ok|near-end|end   drawer open|closed
//   offline on|off      silent on|off           drop N (reset TCP connections after N bytes, 0: never)
//   status              count                   quit
// It runs until "quit", SIGINT or SIGTERM (end of input does not stop it).
#include "VirtualPrinter.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <poll.h>
#include <sstream>
#include <string>
#include <unistd.h>

using vornik::vprinter::VirtualPrinter;

namespace {
volatile std::sig_atomic_t g_stop = 0;
void onSignal(int) { g_stop = 1; }

int usage() {
    std::fprintf(stderr,
                 "usage: vprinter [--listen IP[:PORT]] [--pty] [--record FILE] [--drawer-ms N] [--one-byte-status]\n");
    return 2;
}

bool handle(VirtualPrinter& p, const std::string& line) {
    std::istringstream in(line);
    std::string cmd, arg;
    in >> cmd >> arg;
    auto on = [&](const char* yes) { return arg == yes; };
    if (cmd == "cover") p.setCoverOpen(on("open"));
    else if (cmd == "paper") {
        p.setPaperEnd(on("end"));
        p.setPaperNearEnd(on("near-end"));
    } else if (cmd == "drawer") p.setDrawerOpen(on("open"));
    else if (cmd == "offline") p.setOffline(on("on"));
    else if (cmd == "silent") p.setSilent(on("on"));
    else if (cmd == "drop") p.setDropAfter(static_cast<std::size_t>(std::strtoul(arg.c_str(), nullptr, 10)));
    else if (cmd == "count") std::printf("received %zu bytes\n", p.receivedCount());
    else if (cmd == "status") {
        auto s = p.status();
        std::printf("status %02x %02x %02x %02x\n", vornik::vprinter::statusByte(s, 1),
                    vornik::vprinter::statusByte(s, 2), vornik::vprinter::statusByte(s, 3),
                    vornik::vprinter::statusByte(s, 4));
    } else if (cmd == "quit") return false;
    else if (!cmd.empty()) std::printf("unknown command: %s\n", cmd.c_str());
    std::fflush(stdout);
    return true;
}
}  // namespace

int main(int argc, char** argv) {
    VirtualPrinter::Options options;
    std::string listen;
    bool pty = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto next = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        if (a == "--listen") {
            const char* v = next();
            if (!v) return usage();
            listen = v;
        } else if (a == "--pty") pty = true;
        else if (a == "--record") {
            const char* v = next();
            if (!v) return usage();
            options.recordPath = v;
        } else if (a == "--drawer-ms") {
            const char* v = next();
            if (!v) return usage();
            options.drawerOpenMs = std::atoi(v);
        } else if (a == "--one-byte-status") options.fourByteOfflineReply = false;
        else return usage();
    }
    if (listen.empty() && !pty) listen = "127.0.0.1:9100";

    VirtualPrinter printer(options);
    std::string error;
    if (!listen.empty()) {
        std::string ip = listen;
        unsigned port = 9100;
        if (auto colon = listen.rfind(':'); colon != std::string::npos) {
            ip = listen.substr(0, colon);
            port = static_cast<unsigned>(std::strtoul(listen.c_str() + colon + 1, nullptr, 10));
        }
        if (port == 0 || port > 65535 || !printer.listenTcp(ip, static_cast<std::uint16_t>(port), &error)) {
            std::fprintf(stderr, "vprinter: cannot listen on %s: %s\n", listen.c_str(), error.c_str());
            return 1;
        }
        std::printf("listening on %s:%u\n", ip.c_str(), port);
    }
    if (pty) {
        std::string path = printer.openPty(&error);
        if (path.empty()) {
            std::fprintf(stderr, "vprinter: %s\n", error.c_str());
            return 1;
        }
        std::printf("pty: %s\n", path.c_str());
    }
    std::fflush(stdout);
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    if (!printer.start()) return 1;

    bool inputOpen = true;
    std::string pending;
    while (!g_stop) {
        pollfd p{STDIN_FILENO, POLLIN, 0};
        int r = ::poll(&p, inputOpen ? 1 : 0, 200);
        if (r <= 0 || !(p.revents & (POLLIN | POLLHUP))) continue;
        char buf[512];
        ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
        if (n <= 0) {
            inputOpen = false;
            continue;
        }
        pending.append(buf, static_cast<std::size_t>(n));
        for (auto nl = pending.find('\n'); nl != std::string::npos; nl = pending.find('\n')) {
            std::string line = pending.substr(0, nl);
            pending.erase(0, nl + 1);
            if (!handle(printer, line)) g_stop = 1;
        }
    }
    printer.stop();
    std::printf("received %zu bytes\n", printer.receivedCount());
    return 0;
}
