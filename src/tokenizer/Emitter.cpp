#include "tokenizer/TokenizerPasses.h"

#include "isa/Instructions.h"

namespace wayline {

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
void TTokenizerPasses::EmitBits(int count, std::uint16_t value) {
    if (CodeBitAddress + count > ProgramBitCapacity) {
        RaiseTokenizeError(msgEepromFull);
    }
    // A byte at a time: the bits of value that fall into the same byte are
    // written together (count is at most 16).
    int remaining = count;
    while (remaining > 0) {
        const int address = EEPROMSize - 1 - CodeBitAddress / 8;
        const std::uint8_t kind = Result.EEPROMFlags[address] & 3;
        if (kind == efReserved || kind == efData) {
            SetErrorSpan(DataSpanStart[address], DataSpanLength[address]);
            RaiseTokenizeError(msgDataOverlapsProgram);
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

// The 0 bit that ends the operands, then the module's token for the code.
void TTokenizerPasses::EmitInstruction(int code) {
    EmitBits(1 + InstructionTokenBits, ModuleToken(code, Result.TargetModule));
}

// A bit address: its low bits first, then the rest.
void TTokenizerPasses::EmitAddress(std::uint16_t address) {
    EmitBits(AddressLowBits, address % (1u << AddressLowBits));
    EmitBits(AddressBits - AddressLowBits, static_cast<std::uint16_t>(address >> AddressLowBits));
}

void TTokenizerPasses::EmitLabelAddress() {
    TElement e;
    NextElement(e);
    if (e.Type == etLabel) {
        EmitAddress(e.Value);
    } else if (e.Type == etUndefined) {
        if (CodeBitAddress + AddressBits > ProgramBitCapacity) {
            RaiseTokenizeError(msgEepromFull);
        }
        if (LabelReferenceCount < LabelReferenceCapacity) {
            LabelReferences[LabelReferenceCount].ElementIndex =
                static_cast<std::uint16_t>(LastReadIndex);
            LabelReferences[LabelReferenceCount].BitAddress = CodeBitAddress;
            ++LabelReferenceCount;
        }
        CodeBitAddress = static_cast<std::uint16_t>(CodeBitAddress + AddressBits);
    } else {
        RaiseTokenizeError(msgExpectedLabel);
    }
}

void TTokenizerPasses::PatchAddress(std::uint16_t at) {
    const std::uint16_t current = CodeBitAddress;
    CodeBitAddress = at;
    EmitAddress(current);
    CodeBitAddress = current;
}

void TTokenizerPasses::EmitFlaggedCode(int n) {
    EmitBits(1, 1);
    EmitBits(ExpressionCodeBits, static_cast<std::uint16_t>(n));
}

void TTokenizerPasses::WriteBuffer(int n, bool leadingOneBit) {
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

void TTokenizerPasses::WriteConstant(std::uint16_t value, bool leadingOneBit) {
    ExpressionBuffer[0].Length = 0;
    StackDepth = 0;
    EmitConstantToken(value);
    WriteBuffer(0, leadingOneBit);
}

} // namespace wayline
