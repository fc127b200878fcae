#include "tokenizer/TokenizerPasses.h"

#include "isa/Instructions.h"
#include "isa/Keywords.h"

namespace wayline {

void TTokenizerPasses::CountGosubs() {
    GosubCount = 0;
    ElementIndex = 0;
    TElement e;
    while (SeekScannedElement(etInstruction, e)) {
        if (e.Value == kwGosub) {
            if (++GosubCount > MaxGosubNumber) {
                RaiseTokenizeError(msgTooManyGosubs);
            }
        }
    }
}

// Fills the 14-bit fields of labels that were not yet defined when their
// reference was compiled.
void TTokenizerPasses::ResolveLabelReferences() {
    const std::uint16_t programEnd = CodeBitAddress;
    for (int i = 0; i < LabelReferenceCount; ++i) {
        ElementIndex = LabelReferences[i].ElementIndex;
        CodeBitAddress = LabelReferences[i].BitAddress;
        TElement e;
        NextElement(e);
        if (e.Type != etLabel) {
            RaiseTokenizeError(msgUndefinedLabel);
        }
        EmitAddress(e.Value);
    }
    // Leave the address at the end of the program for those who report it.
    CodeBitAddress = programEnd;
}

// One packet per 16-byte block that holds DATA values or program bits:
// 0x80 + block, the 16 bytes, and a checksum that makes the sum 0.
void TTokenizerPasses::BuildPackets() {
    TTokenizerResult& r = Result;
    r.PacketCount = 0;
    for (int block = 0; block < EEPROMSize / 16; ++block) {
        bool send = false;
        for (int i = 0; i < 16; ++i) {
            send = send || (r.EEPROMFlags[block * 16 + i] & 2) != 0;
        }
        if (!send) {
            continue;
        }
        std::uint8_t* packet = r.PacketBuffer[r.PacketCount];
        packet[0] = static_cast<std::uint8_t>(0x80 + block);
        unsigned sum = packet[0];
        for (int i = 0; i < 16; ++i) {
            packet[1 + i] = r.EEPROM[block * 16 + i];
            sum += packet[1 + i];
            r.EEPROMFlags[block * 16 + i] |= efInPacket;
        }
        packet[17] = static_cast<std::uint8_t>(0x100 - (sum & 0xFF));
        ++r.PacketCount;
    }
}

} // namespace wayline
