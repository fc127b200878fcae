#include "tokenizer/Tokenizer.h"

namespace wayline {

namespace {

// Instruction tokens per module (KM2, KM2A, KM2B, KM2C, KM2D). Every row
// is its own number except 26-31, which the later modules reorder.
struct TInstructionTokens {
    std::uint8_t Tokens[64][5];
    constexpr TInstructionTokens() : Tokens() {
        for (int row = 0; row < 64; ++row) {
            for (int column = 0; column < 5; ++column) {
                Tokens[row][column] = static_cast<std::uint8_t>(row);
            }
        }
        constexpr std::uint8_t reordered[6][5] = {
            {26, 29, 29, 31, 31}, {27, 26, 26, 26, 26}, {28, 27, 27, 27, 27},
            {29, 28, 28, 28, 28}, {30, 30, 30, 29, 29}, {31, 31, 31, 30, 30},
        };
        for (int row = 0; row < 6; ++row) {
            for (int column = 0; column < 5; ++column) {
                Tokens[26 + row][column] = reordered[row][column];
            }
        }
    }
};

constexpr TInstructionTokens InstructionTokenTable;
static_assert(InstructionTokenTable.Tokens[26][3] == 31);
static_assert(InstructionTokenTable.Tokens[31][4] == 30);

} // namespace

int TExpressionBuffer::Bit(int index) const {
    const int word = index / 16;
    const int fullWords = Length / 16;
    if (word < fullWords) {
        return (Words[word] >> (15 - index % 16)) & 1;
    }
    const int bitsInLast = Length % 16;
    return (Words[word] >> (bitsInLast - 1 - index % 16)) & 1;
}

// The program grows from the top of the EEPROM down: bit b lies in byte
// 2047 - b / 8, most significant bit first.
void TTokenizer::EmitBits(int count, std::uint16_t value) {
    if (CodeBitAddress + count > ProgramBitCapacity) {
        RaiseError(127);
    }
    // A byte at a time: the bits of value that fall into the same byte are
    // written together (count is at most 16).
    int remaining = count;
    while (remaining > 0) {
        const int address = EEPROMSize - 1 - CodeBitAddress / 8;
        const std::uint8_t kind = Result.EEPROMFlags[address] & 3;
        if (kind == efReserved || kind == efData) {
            SetErrorSpan(DataSpanStart[address], DataSpanLength[address]);
            RaiseError(124);
        }
        const int used = CodeBitAddress % 8;
        const int take = remaining < 8 - used ? remaining : 8 - used;
        const unsigned field = (1u << take) - 1;
        const int shift = 8 - used - take;
        const unsigned bits = (static_cast<unsigned>(value) >> (remaining - take)) & field;
        const auto mask = static_cast<std::uint8_t>(field << shift);
        Result.EEPROM[address] =
            static_cast<std::uint8_t>((Result.EEPROM[address] & ~mask) | (bits << shift));
        Result.EEPROMFlags[address] = efProgram;
        CodeBitAddress = static_cast<std::uint16_t>(CodeBitAddress + take);
        remaining -= take;
    }
}

void TTokenizer::EmitInstruction(int code) {
    int column = Result.TargetModule - tmKM2;
    if (column < 0 || column > 4) {
        column = 0;
    }
    EmitBits(7, InstructionTokenTable.Tokens[code & 63][column]);
}

void TTokenizer::EmitAddress(std::uint16_t address) {
    EmitBits(3, address % 8);
    EmitBits(11, static_cast<std::uint16_t>(address / 8));
}

void TTokenizer::EmitLabelAddress() {
    TElement e;
    NextElement(e);
    if (e.Type == etLabel) {
        EmitAddress(e.Value);
    } else if (e.Type == etUndefined) {
        if (CodeBitAddress + 14 > ProgramBitCapacity) {
            RaiseError(127);
        }
        if (LabelReferenceCount < LabelReferenceCapacity) {
            LabelReferences[LabelReferenceCount].ElementIndex =
                static_cast<std::uint16_t>(LastReadIndex);
            LabelReferences[LabelReferenceCount].BitAddress = CodeBitAddress;
            ++LabelReferenceCount;
        }
        CodeBitAddress = static_cast<std::uint16_t>(CodeBitAddress + 14);
    } else {
        RaiseError(148);
    }
}

void TTokenizer::PatchAddress(std::uint16_t at) {
    const std::uint16_t current = CodeBitAddress;
    CodeBitAddress = at;
    EmitAddress(current);
    CodeBitAddress = current;
}

void TTokenizer::EmitFlaggedCode(int n) {
    EmitBits(1, 1);
    EmitBits(6, static_cast<std::uint16_t>(n));
}

void TTokenizer::WriteBuffer(int n, bool leadingOneBit) {
    if (leadingOneBit) {
        EmitBits(1, 1);
    }
    const TExpressionBuffer& buffer = ExpressionBuffer[n & 3];
    const int fullWords = buffer.Length / 16;
    for (int w = 0; w < fullWords; ++w) {
        EmitBits(16, buffer.Words[w]);
    }
    if (buffer.Length % 16 != 0) {
        EmitBits(buffer.Length % 16, buffer.Words[fullWords]);
    }
}

void TTokenizer::WriteConstant(std::uint16_t value, bool leadingOneBit) {
    ExpressionBuffer[0].Length = 0;
    StackDepth = 0;
    EmitConstantToken(value);
    WriteBuffer(0, leadingOneBit);
}

} // namespace wayline
