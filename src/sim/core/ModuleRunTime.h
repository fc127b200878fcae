#pragma once

#include <cstdint>

namespace wayline::sim {

class TEeprom;
class TProgrammingPort;

// The module's run-time as the board sees it: after a download ends (or a
// reset with a program in the EEPROM and no handshake) the board starts it,
// then keeps stepping it to the board's time; a reset or a new download
// stops it.
class TModuleRunTime {
public:
    virtual ~TModuleRunTime() = default;

    // Starts the program in `eeprom` from its start address at `timeUs`.
    // The run-time reads the program and DATA from `eeprom` and writes it
    // (WRITE), as the module does, so that written bytes survive a reset;
    // `eeprom` and `port` must outlive the run.
    virtual void Start(TEeprom& eeprom, TProgrammingPort& port, std::uint64_t timeUs) = 0;
    // Runs the program up to `timeUs` (no further).
    virtual void RunUntil(std::uint64_t timeUs) = 0;
    // Stops the program (reset, or a new download begins).
    virtual void Stop(std::uint64_t timeUs) = 0;
    virtual bool Running() const = 0;
};

} // namespace wayline::sim
