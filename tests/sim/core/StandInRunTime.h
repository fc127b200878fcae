#pragma once

#include "sim/core/Eeprom.h"
#include "sim/core/ModuleRunTime.h"
#include "sim/core/ProgrammingPort.h"

#include <cstdint>
#include <vector>

namespace wayline::sim {

// A stand-in for the module's run-time: it takes every byte that reaches
// the programming port and answers each four with one byte, their sum,
// half a millisecond after the fourth arrived (the shape of the test
// program's exchange). It records what the board did with it.
class TStandInRunTime final : public TModuleRunTime {
public:
    void Start(TEeprom& eeprom, TProgrammingPort& port, std::uint64_t timeUs) override {
        Port = &port;
        IsRunning = true;
        StartTimesUs.push_back(timeUs);
        TopByteAtStart = eeprom.Read(TEeprom::Size - 1);
    }
    void RunUntil(std::uint64_t timeUs) override {
        EXPECT_GE(timeUs, LastRunUs) << "the board stepped the run-time backwards";
        LastRunUs = timeUs;
        while (IsRunning) {
            const auto next = Port->NextArrival();
            if (!next || *next > timeUs) {
                break;
            }
            const auto byte = Port->Receive(*next);
            ReceivedAtUs.push_back(*next);
            Sum = static_cast<std::uint8_t>(Sum + *byte);
            if (++Count == 4) {
                Port->Send(Sum, *next + 500);
                Count = 0;
                Sum = 0;
            }
        }
    }
    void Stop(std::uint64_t timeUs) override {
        IsRunning = false;
        StopTimesUs.push_back(timeUs);
        Count = 0;
        Sum = 0;
    }
    bool Running() const override { return IsRunning; }

    std::vector<std::uint64_t> StartTimesUs;
    std::vector<std::uint64_t> StopTimesUs;
    std::vector<std::uint64_t> ReceivedAtUs;
    std::uint8_t TopByteAtStart = 0;

private:
    TProgrammingPort* Port = nullptr;
    bool IsRunning = false;
    int Count = 0;
    std::uint8_t Sum = 0;
    std::uint64_t LastRunUs = 0;
};

} // namespace wayline::sim
