#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace wayline {

// What the host tells about one of its serial ports.
struct TPortDetails {
    std::string Name;           // the name it opens under: ttyUSB0, COM3
    std::string SystemLocation; // /dev/ttyUSB0
    std::string Description;    // the driver's or the adapter's own description
    std::string Manufacturer;
    std::string SerialNumber;
    std::optional<std::uint16_t> VendorId; // USB vendor and product, where there are
    std::optional<std::uint16_t> ProductId;
    // The stable name under /dev/serial/by-id that leads to the port, where
    // there is one: it stays the same when adapters are plugged in another
    // order, unlike ttyUSB0 and ttyUSB1.
    std::string ById;
};

// Port names in their natural order: ttyS2 before ttyS10, COM9 before COM10.
bool NaturalLess(const std::string& a, const std::string& b);
void SortPortsNaturally(std::vector<TPortDetails>& ports);

} // namespace wayline
