// The program's scan of silent ports at the pace of the real line: the
// identification threads run in parallel, so four silent ports should take
// hardly longer than one (at most 1.2 times).

#include "comm/core/PortScan.h"
#include "comm/core/Serial.h"
#include "comm/qt/QtThreads.h"
#include "sim/core/RealTimePacer.h"
#include "sim/core/SimulatedModule.h"
#include "sim/core/SimulatedSerialDevice.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <chrono>
#include <map>
#include <memory>

namespace wayline {
namespace {

class TNoDisplay final : public TScanDisplay {
public:
    int Rows = 0;
    void ShowRow(int, const TPortScanRow&) override { ++Rows; }
};

QCoreApplication& App() {
    static int argc = 1;
    static char name[] = "bench_scan";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

// Scans `count` silent ports; returns the host's milliseconds.
double ScanSilentPorts(int count) {
    App();
    std::map<std::string, std::shared_ptr<sim::TSimulatedModule>> modules;
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        const std::string name = "ttyS" + std::to_string(i);
        auto module = std::make_shared<sim::TSimulatedModule>();
        module->Line().BoardPresent = false;
        modules[name] = module;
        names.push_back(name);
    }
    TSerialSlots slots([&modules](const std::string& name) {
        return std::make_unique<SimulatedSerialDevice>(modules.at(name),
                                                       std::make_shared<sim::TRealTimePacer>());
    });
    const TIdentifyTexts texts;
    TNoDisplay display;
    // As the progress window runs it: threads Qt knows, the event loop
    // turning while they work.
    TPortScanner scanner(QtThreadStarter(), std::make_unique<TEventLoopScanWaiter>());
    const TIdentifyWork identify = [&slots, &texts](const std::string& name) {
        return IdentifyPort(slots, name, 2, texts);
    };
    const auto start = std::chrono::steady_clock::now();
    scanner.ScanPorts(names, "AUTO", texts.Ignoring, identify, display);
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    if (display.Rows != count) {
        return -1;
    }
    return ms;
}

void BM_ProgramScanSilentPorts(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const double one = ScanSilentPorts(1);
    double total = 0;
    for (auto _ : state) {
        total += ScanSilentPorts(count);
    }
    const double mean = total / static_cast<double>(state.iterations());
    state.counters["host_ms"] = mean;
    state.counters["one_port_ms"] = one;
    state.counters["x_one_port"] = mean / one;
}
BENCHMARK(BM_ProgramScanSilentPorts)
    ->Arg(1)
    ->Arg(4)
    ->Iterations(5)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace wayline
