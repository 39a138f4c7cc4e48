// The driver log's costs: a call below the verbosity, an accepted call on the
// caller's thread, and the writer's lines per second to a file next to a plain
// fwrite + fflush loop of the same formatted lines in the same run.
#include "infra/DriverLog.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

using vornik::so::CFileLog;

namespace {

const std::string kText = "    | Com:   ttyUSB0, m_baudRate: 38400";

void setRoot() {
    static const bool done = [] {
        std::string root = "/tmp/vornik-bench-log-" + std::to_string(::getpid());
        ::setenv("VORNIK_LOG_ROOT", root.c_str(), 1);
        return true;
    }();
    (void)done;
}

void BM_LogBelowVerbosity(benchmark::State& state) {
    setRoot();
    CFileLog log;
    log.SetVerbosity(3);
    for (auto _ : state) log.Log(5, "CDevice", kText);
}

void BM_LogAcceptedOnCallersThread(benchmark::State& state) {
    setRoot();
    CFileLog log;
    log.SetVerbosity(6);
    log.SetLocation(1);
    for (auto _ : state) log.Log(5, "CDevice", kText);
    log.flush(60000);
}

// Lines per second through the writer thread: log a batch and wait until it is on disk.
void BM_WriterLinesToFile(benchmark::State& state) {
    setRoot();
    const int lines = static_cast<int>(state.range(0));
    CFileLog log;
    log.SetVerbosity(6);
    log.SetLocation(2);
    for (auto _ : state) {
        for (int i = 0; i < lines; ++i) log.Log(5, "CDevice", kText);
        log.flush(60000);
    }
    state.SetItemsProcessed(state.iterations() * lines);
}

// The same lines, formatted and written with fwrite + fflush on one thread.
void BM_PlainFwriteFflush(benchmark::State& state) {
    setRoot();
    const int lines = static_cast<int>(state.range(0));
    std::string path = vornik::so::logFilePath(3);
    CFileLog().SetLocation(3);  // creates the folder
    FILE* f = std::fopen(path.c_str(), "a");
    if (!f) {
        state.SkipWithError("open");
        return;
    }
    for (auto _ : state) {
        for (int i = 0; i < lines; ++i) {
            std::time_t t = std::time(nullptr);
            std::tm local{};
            ::localtime_r(&t, &local);
            const std::string line = vornik::so::formatLogLine({5, kText, "CDevice"}, local, 0);
            std::fwrite(line.data(), 1, line.size(), f);
            std::fflush(f);
        }
    }
    std::fclose(f);
    state.SetItemsProcessed(state.iterations() * lines);
}

BENCHMARK(BM_LogBelowVerbosity);
BENCHMARK(BM_LogAcceptedOnCallersThread);
BENCHMARK(BM_WriterLinesToFile)->Arg(10000)->UseRealTime();
BENCHMARK(BM_PlainFwriteFflush)->Arg(10000)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
