#pragma once

#include <cstdint>

namespace wayline {

// The members of the module family, numbered as a program's $KEYSTONE
// directive names them and as the tokenizer's result records the target.
// KM1 has an instruction set of its own; the rest of isa/ describes the
// KM2 family's.
enum TTargetModule : std::uint8_t {
    tmNone = 0,
    tmKM1 = 1,
    tmKM2 = 2,
    tmKM2A = 3,
    tmKM2B = 4,
    tmKM2C = 5,
    tmKM2D = 6,
};

// The KM2 family, KM2 to KM2D: the columns of the per-module tables.
inline constexpr int FamilyModuleCount = 5;

// A module's column in the per-module tables. A value outside the family
// reads as KM2, as the module itself would have to.
constexpr int ModuleColumn(int module) {
    const int column = module - tmKM2;
    return column < 0 || column >= FamilyModuleCount ? 0 : column;
}

// True for KM2B and KM2C, whose serial timing runs at 2.5 times the base
// clock: their baud modes count in other units.
constexpr bool FastSerialClock(int module) {
    return module == tmKM2B || module == tmKM2C;
}

// DEBUG and DEBUGIN are SEROUT and SERIN on the programming port at 9600
// baud: this pin, and the baud mode that gives 9600 baud on the module.
inline constexpr std::uint16_t ProgrammingPortPin = 16;
constexpr std::uint16_t ProgrammingPortBaudMode(int module) {
    return FastSerialClock(module) ? 240 : 84;
}

} // namespace wayline
