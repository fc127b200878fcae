// The serial side against the simulated module at the true line timing.
//
// Downloads: the time a download takes on the wire, measured in the
// module's simulated time, against the wire-time limit: the 67 ms reset,
// the handshake (eight byte times) and 19 byte times a packet (18 bytes
// out, their echo alongside, one status byte back). The same download with
// the module paced by the host's clock shows what the program's virtual
// robot costs on top of that.
//
// Scan: silent ports (nothing plugged in) identified in parallel by real
// threads against modules paced by the host's clock; four ports should
// take little more than one.
#include "cli/GenerateCommand.h"
#include "codegen/core/BuildCode.h"
#include "codegen/core/CompileStep.h"
#include "comm/core/Identify.h"
#include "comm/core/PortScan.h"
#include "comm/core/ProgramDownload.h"
#include "comm/core/Serial.h"
#include "sim/core/SimulatedSerialDevice.h"
#include "tokenizer/Tokenizer.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <map>
#include <memory>

namespace wayline {
namespace {

constexpr double ByteMs = static_cast<double>(sim::TSerialLine::ByteTimeUs) / 1000.0;

double WireLimitMs(int packets) {
    return 67.0 + (8 + 19 * packets) * ByteMs;
}

// The robot program of a short action list (62 packets), or that many
// packets of its first blocks. The argument 64 asks for the whole program
// whatever its size; the limit is always taken from the packets sent.
std::vector<std::uint8_t> RobotProgramPackets(int count) {
    auto state = std::make_unique<TDocumentState>();
    InitialiseDocument(*state);
    state->Step(MainList, 1) = TActionStep{akMoveForward, 20, 0, 0, 0};
    state->Step(MainList, 2) = TActionStep{akTurnRight, 5, 0, 0, 0};
    state->Step(MainList, 3) = TActionStep{akLoopBack, 1, 0, 0, 0};
    state->SetStepCount(MainList, 3);
    const TBuildCodeResult built = BuildCode(RobotProgramTemplateText(), *state, false);
    auto tokenizer = std::make_unique<TTokenizer>();
    TDownloadImages images;
    if (!built.Succeeded || !CompileForDownload(*tokenizer, built.Lines, images)) {
        return {};
    }
    count = std::min(count, images.ImagePacketCounts[0]);
    const auto* bytes = &tokenizer->Result.PacketBuffer[0][0];
    return {bytes, bytes + count * PacketSize};
}

struct TQuiet final : TDownloadObserver {
    void ToggleIndicator(bool) override {}
    void StepIt(int) override { ++Accepted; }
    void ShowErrorBox(const std::string&) override { Failed = true; }
    int Accepted = 0;
    bool Failed = false;
};

// One download on a fresh module; returns its duration in the module's time
// (simulated) or on the host's clock (paced), in milliseconds.
double Download(const std::vector<std::uint8_t>& packets, bool paced, benchmark::State& state) {
    auto module = std::make_shared<sim::TSimulatedModule>();
    std::shared_ptr<const sim::TRealTimePacer> pacer =
        paced ? std::make_shared<sim::TRealTimePacer>() : nullptr;
    TSerial port;
    port.SetDeviceFactory(
        [&](const std::string&) { return std::make_unique<SimulatedSerialDevice>(module, pacer); });
    port.OpenPort("bench", "9600", "None", "8");
    TQuiet observer;
    const std::uint64_t simStart = module->NowUs();
    const auto hostStart = std::chrono::steady_clock::now();
    SendProgramImage(port, 2, 0, packets.data(), static_cast<int>(packets.size() / PacketSize),
                     TIdentifyTexts{}, TDownloadTexts{}, observer);
    const auto hostEnd = std::chrono::steady_clock::now();
    const std::uint64_t simEnd = module->NowUs();
    port.ClosePort();
    if (observer.Failed || observer.Accepted * PacketSize != static_cast<int>(packets.size())) {
        state.SkipWithError("the download failed");
    }
    return paced ? std::chrono::duration<double, std::milli>(hostEnd - hostStart).count()
                 : static_cast<double>(simEnd - simStart) / 1000.0;
}

void BM_DownloadAtLineTiming(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const std::vector<std::uint8_t> packets = RobotProgramPackets(count);
    double wireMs = 0;
    for (auto _ : state) {
        wireMs = Download(packets, false, state);
    }
    const int sent = static_cast<int>(packets.size() / PacketSize);
    state.counters["packets"] = sent;
    state.counters["wire_ms"] = wireMs;
    state.counters["limit_ms"] = WireLimitMs(sent);
    state.counters["x_limit"] = wireMs / WireLimitMs(sent);
}
BENCHMARK(BM_DownloadAtLineTiming)->Arg(10)->Arg(64)->Unit(benchmark::kMicrosecond);

void BM_DownloadPacedByTheHostClock(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const std::vector<std::uint8_t> packets = RobotProgramPackets(count);
    double total = 0;
    for (auto _ : state) {
        total += Download(packets, true, state);
    }
    const double mean = total / static_cast<double>(state.iterations());
    const int sent = static_cast<int>(packets.size() / PacketSize);
    state.counters["packets"] = sent;
    state.counters["host_ms"] = mean;
    state.counters["limit_ms"] = WireLimitMs(sent);
    state.counters["x_limit"] = mean / WireLimitMs(sent);
}
BENCHMARK(BM_DownloadPacedByTheHostClock)
    ->Arg(10)
    ->Arg(64)
    ->Iterations(3)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// Scans `count` silent ports; returns the host's milliseconds.
double ScanSilentPorts(int count) {
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
    const auto start = std::chrono::steady_clock::now();
    ScanPortsInParallel(slots, names, "AUTO", 2, TIdentifyTexts{}, StdThreadStarter());
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

void BM_ScanSilentPorts(benchmark::State& state) {
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
BENCHMARK(BM_ScanSilentPorts)
    ->Arg(1)
    ->Arg(4)
    ->Iterations(5)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace wayline
