#include "isa/Instructions.h"

namespace wayline {

namespace {

// The reading direction of InstructionTokenTable: the logical code of each
// token, per module column. Built from the table, so the two directions
// cannot disagree.
struct TTokenDecoder {
    std::uint8_t Codes[FamilyModuleCount][InstructionCodeCount] = {};

    constexpr TTokenDecoder() {
        for (int code = 0; code < InstructionCodeCount; ++code) {
            for (int column = 0; column < FamilyModuleCount; ++column) {
                Codes[column][InstructionTokenTable[code][column]] =
                    static_cast<std::uint8_t>(code);
            }
        }
    }
};

constexpr TTokenDecoder Decoder;

// Each module's tokens are a reordering of the codes: decoding what was
// encoded gives the code back, on every module.
constexpr bool RoundTripsOnEveryModule() {
    for (int module = tmKM2; module <= tmKM2D; ++module) {
        for (int code = 0; code < InstructionCodeCount; ++code) {
            if (Decoder.Codes[ModuleColumn(module)][ModuleToken(code, module)] != code) {
                return false;
            }
        }
    }
    return true;
}
static_assert(RoundTripsOnEveryModule());
static_assert(ModuleToken(inAssign, tmKM2C) == 31 && ModuleToken(inAuxio, tmKM2D) == 30);
static_assert(ModuleToken(inGet, tmKM2A) == 26 && ModuleToken(inAssign, tmKM2) == 26);

} // namespace

int LogicalInstruction(int token, int module) {
    return Decoder.Codes[ModuleColumn(module)][token & (InstructionCodeCount - 1)];
}

} // namespace wayline
