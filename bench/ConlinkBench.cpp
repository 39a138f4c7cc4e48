// Throughput of KV_SendCmd to the virtual printer over loopback, next to a
// plain socket write of the same bytes in the same run, and the time of one
// connect-send-close cycle. The figure to read is the ratio of the two
// throughputs (KV_SendCmd opens, writes and closes gracefully on every call).
#include "VirtualPrinter.h"

#include <conlink/Conlink.h>

#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr const char* kIp = "127.0.0.90";

vornik::vprinter::VirtualPrinter& printer() {
    static vornik::vprinter::VirtualPrinter* p = [] {
        auto* vp = new vornik::vprinter::VirtualPrinter();
        std::string error;
        if (!vp->listenTcp(kIp, 9100, &error) || !vp->start()) {
            std::fprintf(stderr, "cannot start the virtual printer: %s\n", error.c_str());
            std::exit(1);
        }
        return vp;
    }();
    return *p;
}

// The same bytes through a socket we open, write and close ourselves.
void BM_PlainSocketWrite(benchmark::State& state) {
    printer();
    std::vector<unsigned char> data(static_cast<std::size_t>(state.range(0)), 'A');
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(9100);
    inet_pton(AF_INET, kIp, &addr.sin_addr);
    for (auto _ : state) {
        int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) state.SkipWithError("connect");
        std::size_t sent = 0;
        while (sent < data.size()) {
            ssize_t s = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
            if (s <= 0) break;
            sent += static_cast<std::size_t>(s);
        }
        ::shutdown(fd, SHUT_WR);
        char sink[128];
        while (::recv(fd, sink, sizeof sink, 0) > 0) {
        }
        ::close(fd);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

void BM_KV_SendCmd(benchmark::State& state) {
    printer();
    if (KV_NetConnect(kIp, 9100) != CONLINK_OK) state.SkipWithError("connect");
    std::vector<unsigned char> data(static_cast<std::size_t>(state.range(0)), 'A');
    for (auto _ : state) {
        if (KV_SendCmd(data.data(), static_cast<int>(data.size())) != CONLINK_OK) state.SkipWithError("send");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

// One connect (the 1 s probe), one small send, close: what a configuration
// test of a printer costs.
void BM_ConnectSendCloseCycle(benchmark::State& state) {
    printer();
    const unsigned char line[] = "test line\n";
    for (auto _ : state) {
        if (KV_NetConnect(kIp, 9100) != CONLINK_OK || KV_SendCmd(line, sizeof line - 1) != CONLINK_OK)
            state.SkipWithError("cycle");
    }
}

BENCHMARK(BM_PlainSocketWrite)->Arg(4 << 10)->Arg(1 << 20)->UseRealTime();
BENCHMARK(BM_KV_SendCmd)->Arg(4 << 10)->Arg(1 << 20)->UseRealTime();
BENCHMARK(BM_ConnectSendCloseCycle)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
