#include "sim/core/InstructionSet.h"

#include <array>

namespace wayline::sim {

namespace {

// Token of each logical instruction, per module (KM2, KM2A, KM2B, KM2C,
// KM2D). Every row is its own number except 26-31, which the later members
// of the family reorder.
constexpr int ReorderedFirst = 26;
constexpr std::array<std::array<std::uint8_t, 5>, 6> ReorderedTokens = {{
    {26, 29, 29, 31, 31}, // assignment
    {27, 26, 26, 26, 26}, // GET
    {28, 27, 27, 27, 27}, // PUT
    {29, 28, 28, 28, 28}, // RUN
    {30, 30, 30, 29, 29}, // MAINIO
    {31, 31, 31, 30, 30}, // AUXIO
}};

// The reading direction: logical code of each token, per module.
struct TTokenDecoder {
    std::array<std::array<std::uint8_t, InstructionCodeCount>, 5> Logical{};
    constexpr TTokenDecoder() {
        for (auto& column : Logical) {
            for (int token = 0; token < InstructionCodeCount; ++token) {
                column[static_cast<std::size_t>(token)] = static_cast<std::uint8_t>(token);
            }
        }
        for (std::size_t row = 0; row < ReorderedTokens.size(); ++row) {
            for (std::size_t column = 0; column < 5; ++column) {
                Logical[column][ReorderedTokens[row][column]] =
                    static_cast<std::uint8_t>(ReorderedFirst + row);
            }
        }
    }
};

constexpr TTokenDecoder Decoder;
static_assert(Decoder.Logical[0][26] == inAssign);
static_assert(Decoder.Logical[1][29] == inAssign);
static_assert(Decoder.Logical[3][31] == inAssign);
static_assert(Decoder.Logical[3][30] == inAuxio);
static_assert(Decoder.Logical[4][26] == inGet);

constexpr std::array<std::string_view, InstructionCodeCount> Names = {
    "END",      "SLEEP",    "NAP",        "STOP",    "OUTPUT",   "HIGH",   "TOGGLE",  "LOW",
    "REVERSE",  "GOTO",     "GOSUB",      "RETURN",  "INPUT",    "IF",     "NEXT",    "BRANCH",
    "LOOKUP",   "LOOKDOWN", "RANDOM",     "READ",    "WRITE",    "PAUSE",  "FREQOUT", "FREQOUT",
    "DTMFOUT",  "XOUT",     "assignment", "GET",     "PUT",      "RUN",    "MAINIO",  "AUXIO",
    "SEROUT",   "SEROUT",   "SERIN",      "SERIN",   "PULSOUT",  "PULSIN", "COUNT",   "SHIFTIN",
    "SHIFTOUT", "RCTIME",   "BUTTON",     "PWM",     "LCDIN",    "LCDOUT", "LCDCMD",  "I2CIN",
    "I2CIN",    "I2COUT",   "I2COUT",     "POLLRUN", "POLLMODE", "POLLIN", "POLLOUT", "POLLWAIT",
    "OWOUT",    "OWIN",     "IOTERM",     "STORE",   "",         "",       "",        "",
};

std::size_t Column(TModuleKind module) {
    const int column = static_cast<int>(module) - mkKM2;
    return column < 0 || column > 4 ? 0 : static_cast<std::size_t>(column);
}

} // namespace

int LogicalInstruction(int token, TModuleKind module) {
    return Decoder.Logical[Column(module)][static_cast<std::size_t>(token & 63)];
}

std::string_view InstructionName(int logicalCode) {
    return Names[static_cast<std::size_t>(logicalCode & 63)];
}

bool FastSerialClock(TModuleKind module) {
    return module == mkKM2B || module == mkKM2C;
}

int ProgrammingPortBaudMode(TModuleKind module) {
    return FastSerialClock(module) ? 240 : 84;
}

} // namespace wayline::sim
