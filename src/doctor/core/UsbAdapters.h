#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace wayline {

// A USB serial adapter chip that robot cables are commonly built on, by its
// USB vendor and product id, with the kernel driver that gives it a port.
struct TUsbAdapterKind {
    std::uint16_t Vendor;
    std::uint16_t Product;
    const char* Name;   // "CH340"
    const char* Driver; // kernel module: "ch341"
};

// Every adapter the diagnosis knows; the installed udev rule lists the same.
std::span<const TUsbAdapterKind> KnownUsbAdapters();

// The adapter with these ids, or nullptr.
const TUsbAdapterKind* FindUsbAdapter(std::uint16_t vendor, std::uint16_t product);

// "CH340 (1a86:7523)".
std::string AdapterLabel(const TUsbAdapterKind& kind);

} // namespace wayline
