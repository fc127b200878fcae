// The simulated module under whatever a host may do: arbitrary bytes, DTR,
// RTS and BREAK changes, the bridge's reset, pauses of any length, reads.
// It must never fault, never move its clock backwards, never hand the host
// a byte it does not have, and write to its EEPROM only what a packet with a
// correct checksum carried.
#include "sim/core/SimulatedModule.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>

namespace {

using namespace wayline::sim;

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    TModuleConfig config;
    config.ModuleType = input.ConsumeIntegralInRange<int>(2, 5);
    config.ModulePresent = input.ConsumeIntegralInRange<int>(0, 7) != 0;
    config.ListenTimeoutUs = input.ConsumeIntegralInRange<std::uint64_t>(0, 2'000'000);
    TModuleFaults faults;
    if (input.ConsumeBool()) {
        faults.StatusTwoAtPacket = input.ConsumeIntegralInRange<int>(0, 3);
    }
    if (input.ConsumeBool()) {
        faults.DisconnectAtPacket = input.ConsumeIntegralInRange<int>(0, 3);
    }
    TSimulatedModule module(config, faults);
    module.Line().EchoEnabled = input.ConsumeIntegralInRange<int>(0, 7) != 0;

    std::uint64_t last = 0;
    while (input.remaining_bytes() > 0) {
        switch (input.ConsumeIntegralInRange<int>(0, 7)) {
        case 0:
            module.HostSetDtr(input.ConsumeBool());
            break;
        case 1:
            module.HostSetBreak(input.ConsumeBool());
            break;
        case 2:
            module.HostSetRts(input.ConsumeBool());
            break;
        case 3:
            module.ResetForHandshake();
            break;
        case 4: {
            const std::vector<std::uint8_t> bytes =
                input.ConsumeBytes<std::uint8_t>(input.ConsumeIntegralInRange<int>(1, 40));
            module.HostWrite(bytes.data(), static_cast<int>(bytes.size()));
            break;
        }
        case 5: {
            // The next event, or a pause of up to two seconds.
            const auto next = module.NextEventUs();
            const std::uint64_t to =
                input.ConsumeBool() && next
                    ? *next
                    : module.NowUs() + input.ConsumeIntegralInRange<std::uint64_t>(0, 2'000'000);
            module.RunUntil(to);
            break;
        }
        default: {
            std::uint8_t got[64];
            const int waiting = module.HostWaiting();
            const int n = module.HostRead(got, input.ConsumeIntegralInRange<int>(0, 64));
            Check(n >= 0 && n <= waiting);
            break;
        }
        }
        Check(module.NowUs() >= last);
        last = module.NowUs();
    }

    // Every block in the EEPROM came from an accepted packet or is blank.
    std::array<bool, TEeprom::BlockCount> written{};
    for (const TReceivedPacket& p : module.Firmware().Packets()) {
        Check(p.Status >= -1 && p.Status <= 2);
        int sum = 0;
        for (const std::uint8_t b : p.Bytes) {
            sum += b;
        }
        Check((p.Bytes[0] & 0x80) != 0);
        if (sum % 256 == 0) {
            written[p.Bytes[0] & 0x7F] = true;
        }
    }
    if (module.Firmware().Packets().size() < TModuleFirmware::PacketHistory) {
        for (int block = 0; block < TEeprom::BlockCount; ++block) {
            if (!written[static_cast<std::size_t>(block)]) {
                for (int i = 0; i < TEeprom::BlockSize; ++i) {
                    Check(module.Eeprom().Read(block * TEeprom::BlockSize + i) == 0);
                }
            }
        }
    }
    return 0;
}
