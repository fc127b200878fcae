#include "TokenizerTestSupport.h"

namespace wayline::testing {
namespace {

class EmitterTest : public TokenizerTest {
protected:
    void SetUp() override { Prepare("", tmKM2, true); }
};

TEST_F(EmitterTest, BitsFillTheImageFromTheTopDownMostSignificantFirst) {
    Tok->EmitBits(3, 0b101);
    EXPECT_EQ(R().EEPROM[2047], 0xA0);
    Tok->EmitBits(9, 0b111111111);
    EXPECT_EQ(R().EEPROM[2047], 0xBF);
    EXPECT_EQ(R().EEPROM[2046], 0xF0);
    EXPECT_EQ(R().EEPROMFlags[2046], efProgram);
    EXPECT_EQ(R().EEPROMFlags[2045], efFree);
    EXPECT_EQ(Tok->CodeBitAddress, 12);
}

TEST_F(EmitterTest, TheLastBitOfTheImageFitsAndTheNextRaises127) {
    Tok->CodeBitAddress = ProgramBitCapacity - 1;
    Tok->EmitBits(1, 1);
    EXPECT_EQ(R().EEPROM[0], 0x01);
    EXPECT_EQ(ErrorOf([&] { Tok->EmitBits(1, 1); }), "127-EEPROM full");
}

TEST_F(EmitterTest, ProgramBitOnDataRaises124WithTheDataItemSpan) {
    R().EEPROMFlags[2046] = efReserved;
    Tok->DataSpanStart[2046] = 40;
    Tok->DataSpanLength[2046] = 6;
    Tok->EmitBits(8, 0xFF);
    EXPECT_EQ(ErrorOf([&] { Tok->EmitBits(1, 0); }), "124-Data occupies same location as program");
    EXPECT_EQ(R().ErrorStart, 40);
    EXPECT_EQ(R().ErrorLength, 6);
}

TEST_F(EmitterTest, AddressesAreLowThreeBitsThenUpperEleven) {
    Tok->EmitAddress(0x1235); // 1235 = 0b1_0010_0011_0101
    // 101 then 01001000110
    EXPECT_EQ(R().EEPROM[2047], 0b10101001);
    EXPECT_EQ(R().EEPROM[2046], 0b00011000);
    Tok->CodeBitAddress = 40;
    Tok->PatchAddress(0);
    EXPECT_EQ(Tok->CodeBitAddress, 40);
    EXPECT_EQ(R().EEPROM[2047], 0b00000000);
    EXPECT_EQ(R().EEPROM[2046], 0b00010100);
}

TEST_F(EmitterTest, InstructionTokensFollowTheModule) {
    R().TargetModule = tmKM2C;
    Tok->EmitInstruction(26);
    EXPECT_EQ(R().EEPROM[2047] >> 1, 31);
    R().TargetModule = tmKM2A;
    Tok->CodeBitAddress = 0;
    Tok->EmitInstruction(27);
    EXPECT_EQ(R().EEPROM[2047] >> 1, 26);
    Tok->CodeBitAddress = 0;
    Tok->EmitInstruction(12);
    EXPECT_EQ(R().EEPROM[2047] >> 1, 12);
}

TEST_F(EmitterTest, LabelReferencesToUnknownNamesAreRecordedAndSkipped) {
    Prepare("ahead B0", tmKM2, true);
    Tok->CodeBitAddress = 20;
    Tok->EmitLabelAddress();
    EXPECT_EQ(Tok->CodeBitAddress, 34);
    ASSERT_EQ(Tok->LabelReferenceCount, 1);
    EXPECT_EQ(Tok->LabelReferences[0].ElementIndex, 0);
    EXPECT_EQ(Tok->LabelReferences[0].BitAddress, 20);
    EXPECT_EQ(ErrorOf([&] { Tok->EmitLabelAddress(); }), "148-Expected a label");
}

TEST_F(EmitterTest, BuffersAreWrittenWithAnOptionalLeadingBit) {
    Tok->WriteConstant(5, true);
    // 1, then 100010 101
    EXPECT_EQ(R().EEPROM[2047], 0b11000101);
    EXPECT_EQ(R().EEPROM[2046], 0b01000000);
    EXPECT_EQ(Tok->CodeBitAddress, 10);
    EXPECT_EQ(Tok->StackDepth, 1);
}

} // namespace
} // namespace wayline::testing
