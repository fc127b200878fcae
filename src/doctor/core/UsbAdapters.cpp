#include "doctor/core/UsbAdapters.h"

#include <array>
#include <cstdio>

namespace wayline {

namespace {

constexpr std::array<TUsbAdapterKind, 16> Adapters = {{
    {0x1a86, 0x7523, "CH340", "ch341"},
    {0x1a86, 0x7522, "CH340K", "ch341"},
    {0x1a86, 0x5523, "CH341", "ch341"},
    {0x10c4, 0xea60, "CP210x", "cp210x"},
    {0x10c4, 0xea61, "CP210x", "cp210x"},
    {0x10c4, 0xea63, "CP210x", "cp210x"},
    {0x10c4, 0xea70, "CP2105", "cp210x"},
    {0x10c4, 0xea71, "CP2108", "cp210x"},
    {0x0403, 0x6001, "FTDI FT232R", "ftdi_sio"},
    {0x0403, 0x6010, "FTDI FT2232", "ftdi_sio"},
    {0x0403, 0x6011, "FTDI FT4232", "ftdi_sio"},
    {0x0403, 0x6014, "FTDI FT232H", "ftdi_sio"},
    {0x0403, 0x6015, "FTDI FT-X", "ftdi_sio"},
    {0x067b, 0x2303, "PL2303", "pl2303"},
    {0x067b, 0x23a3, "PL2303GC", "pl2303"},
    {0x0557, 0x2008, "ATEN UC-232A (PL2303)", "pl2303"},
}};

} // namespace

std::span<const TUsbAdapterKind> KnownUsbAdapters() {
    return Adapters;
}

const TUsbAdapterKind* FindUsbAdapter(std::uint16_t vendor, std::uint16_t product) {
    for (const TUsbAdapterKind& kind : Adapters) {
        if (kind.Vendor == vendor && kind.Product == product) {
            return &kind;
        }
    }
    return nullptr;
}

std::string AdapterLabel(const TUsbAdapterKind& kind) {
    char ids[16];
    std::snprintf(ids, sizeof ids, "%04x:%04x", kind.Vendor, kind.Product);
    return std::string(kind.Name) + " (" + ids + ")";
}

} // namespace wayline
