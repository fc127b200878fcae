#pragma once

#include "comm/core/Serial.h"
#include "sim/core/SimulatedModule.h"
#include "sim/core/SimulatedSerialDevice.h"

#include <map>
#include <memory>
#include <string>

namespace wayline {

// Named ports with simulated modules behind them, in simulated time: the
// host side's exchanges take no real time and run the same every time.
// A name that was not added is a port that does not exist.
class TSimulatedPorts {
public:
    std::shared_ptr<sim::TSimulatedModule> Add(const std::string& name,
                                               const sim::TModuleConfig& config = {},
                                               const sim::TModuleFaults& faults = {}) {
        auto module = std::make_shared<sim::TSimulatedModule>(config, faults);
        Modules[name] = module;
        PortFaults[name] = std::make_shared<TSimulatedPortFaults>();
        return module;
    }

    // A port with nothing plugged in: it opens, but nothing comes back.
    std::shared_ptr<sim::TSimulatedModule> AddSilent(const std::string& name) {
        auto module = Add(name);
        module->Line().BoardPresent = false;
        return module;
    }

    sim::TSimulatedModule& Module(const std::string& name) { return *Modules.at(name); }
    TSimulatedPortFaults& Faults(const std::string& name) { return *PortFaults.at(name); }

    TSerialDeviceFactory Factory() {
        return [this](const std::string& name) -> std::unique_ptr<SerialDevice> {
            const auto found = Modules.find(name);
            if (found == Modules.end()) {
                return nullptr;
            }
            return std::make_unique<SimulatedSerialDevice>(found->second, nullptr,
                                                           PortFaults.at(name));
        };
    }

private:
    std::map<std::string, std::shared_ptr<sim::TSimulatedModule>> Modules;
    std::map<std::string, std::shared_ptr<TSimulatedPortFaults>> PortFaults;
};

// Packets as the tokenizer cuts them: 0x80 + block, 16 bytes, checksum.
inline std::vector<std::uint8_t> MakePackets(const std::vector<int>& blocks, int seed = 1) {
    std::vector<std::uint8_t> packets;
    for (const int block : blocks) {
        int sum = 0x80 + block;
        packets.push_back(static_cast<std::uint8_t>(0x80 + block));
        for (int i = 0; i < 16; ++i) {
            const auto value = static_cast<std::uint8_t>((block * 31 + i * 7 + seed) & 0xFF);
            packets.push_back(value);
            sum += value;
        }
        packets.push_back(static_cast<std::uint8_t>((256 - sum % 256) % 256));
    }
    return packets;
}

} // namespace wayline
