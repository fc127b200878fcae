#include "sim/core/InstructionSet.h"

#include <array>

namespace wayline::sim {

namespace {

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
static_assert(Names[inConditionalJump] == "IF" && Names[inAssign] == "assignment");
static_assert(Names[inStore] == "STORE" && Names[inStore + 1].empty());

} // namespace

std::string_view InstructionName(int logicalCode) {
    return Names[static_cast<std::size_t>(logicalCode & (InstructionCodeCount - 1))];
}

} // namespace wayline::sim
