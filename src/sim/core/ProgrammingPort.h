#pragma once

#include <cstdint>
#include <optional>

namespace wayline::sim {

// The module's programming port (pin 16) seen from the running program: the
// same serial line the download uses, with its byte timing. The board's
// carrier echoes every byte the host sends, so the host reads its own bytes
// back before any answer.
class TProgrammingPort {
public:
    virtual ~TProgrammingPort() = default;

    // The oldest byte from the host that had fully arrived by `timeUs`,
    // taken off the queue; nothing when none had.
    virtual std::optional<std::uint8_t> Receive(std::uint64_t timeUs) = 0;
    // When the next byte from the host will have fully arrived, if one is on
    // its way or waiting; lets a waiting SERIN skip ahead in time.
    virtual std::optional<std::uint64_t> NextArrival() const = 0;
    // Sends one byte to the host, starting no earlier than `timeUs`; returns
    // the time its stop bit has left the module.
    virtual std::uint64_t Send(std::uint8_t byte, std::uint64_t timeUs) = 0;
};

} // namespace wayline::sim
