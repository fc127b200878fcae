#include "codegen/core/MemoryUse.h"

#include "codegen/core/BuildCode.h"
#include "tokenizer/Tokenizer.h"

#include <memory>

namespace wayline {

int TMemoryUse::Percent() const {
    if (Fits()) {
        return ProgramStart > 0 ? DataBytes * 100 / ProgramStart : 100;
    }
    // Rounded up, so that a byte too many never reads as 100.
    const int over = ProgramStart > 0 ? (DataBytes * 100 + ProgramStart - 1) / ProgramStart : 999;
    return over > 100 ? over : 101;
}

int LowestProgramAddress(const TTokenizerResult& result) {
    for (int address = 0; address < EEPROMSize; ++address) {
        if ((result.EEPROMFlags[address] & 3) == efProgram) {
            return address;
        }
    }
    return EEPROMSize;
}

std::optional<int> RobotProgramStart(TTokenizer& tokenizer, std::string_view templateText) {
    // A fresh document: every list empty, beginner mode. Neither the mode
    // nor the lists change a single bit of the program.
    const auto empty = std::make_unique<TDocumentState>();
    InitialiseDocument(*empty);
    const TBuildCodeResult built = BuildCode(templateText, *empty, false);
    if (!built.Succeeded) {
        return std::nullopt;
    }
    const std::optional<std::string> text = TokenizerSourceText(built.Lines);
    if (!text || !tokenizer.SetSource(*text) || !tokenizer.Tokenize() ||
        tokenizer.Result.PacketCount == 0) {
        return std::nullopt;
    }
    return LowestProgramAddress(tokenizer.Result);
}

TMemoryUse MeasureMemoryUse(const TDocumentState& state, int programStart) {
    return TMemoryUse{ListDataBytes(state), programStart};
}

std::string ListsTooLargeMessage(const TMemoryUse& use) {
    const int bytes = use.ExcessBytes();
    const int steps = use.StepsToRemove();
    return "Your action lists do not fit into the robot's memory: " + std::to_string(bytes) +
           (bytes == 1 ? " byte" : " bytes") + " too many.  Remove about " + std::to_string(steps) +
           (steps == 1 ? " step." : " steps.");
}

} // namespace wayline
