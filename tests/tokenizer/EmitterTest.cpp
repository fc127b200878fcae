#include "TokenizerTestSupport.h"

namespace wayline::testing {
namespace {

class EmitterTest : public TokenizerTest {
protected:
    void SetUp() override { Prepare("", tmKM2, true); }
};

TEST_F(EmitterTest, BitsFillTheImageFromTheTopDownMostSignificantFirst) {
    Passes.EmitBits(3, 0b101);
    EXPECT_EQ(R().EEPROM[2047], 0xA0);
    Passes.EmitBits(9, 0b111111111);
    EXPECT_EQ(R().EEPROM[2047], 0xBF);
    EXPECT_EQ(R().EEPROM[2046], 0xF0);
    EXPECT_EQ(R().EEPROMFlags[2046], efProgram);
    EXPECT_EQ(R().EEPROMFlags[2045], efFree);
    EXPECT_EQ(Passes.CodeBitAddress, 12);
}

TEST_F(EmitterTest, TheLastBitOfTheImageFitsAndTheNextRaises127) {
    Passes.CodeBitAddress = ProgramBitCapacity - 1;
    Passes.EmitBits(1, 1);
    EXPECT_EQ(R().EEPROM[0], 0x01);
    EXPECT_EQ(ErrorOf([&] { Passes.EmitBits(1, 1); }), "127-EEPROM full");
}

TEST_F(EmitterTest, ProgramBitOnDataRaises124WithTheDataItemSpan) {
    R().EEPROMFlags[2046] = efReserved;
    Passes.DataSpanStart[2046] = 40;
    Passes.DataSpanLength[2046] = 6;
    Passes.EmitBits(8, 0xFF);
    EXPECT_EQ(ErrorOf([&] { Passes.EmitBits(1, 0); }),
              "124-Data occupies same location as program");
    EXPECT_EQ(R().ErrorStart, 40);
    EXPECT_EQ(R().ErrorLength, 6);
}

TEST_F(EmitterTest, AddressesAreLowThreeBitsThenUpperEleven) {
    Passes.EmitAddress(0x1235); // 1235 = 0b1_0010_0011_0101
    // 101 then 01001000110
    EXPECT_EQ(R().EEPROM[2047], 0b10101001);
    EXPECT_EQ(R().EEPROM[2046], 0b00011000);
    Passes.CodeBitAddress = 40;
    Passes.PatchAddress(0);
    EXPECT_EQ(Passes.CodeBitAddress, 40);
    EXPECT_EQ(R().EEPROM[2047], 0b00000000);
    EXPECT_EQ(R().EEPROM[2046], 0b00010100);
}

TEST_F(EmitterTest, InstructionTokensFollowTheModule) {
    R().TargetModule = tmKM2C;
    Passes.EmitInstruction(26);
    EXPECT_EQ(R().EEPROM[2047] >> 1, 31);
    R().TargetModule = tmKM2A;
    Passes.CodeBitAddress = 0;
    Passes.EmitInstruction(27);
    EXPECT_EQ(R().EEPROM[2047] >> 1, 26);
    Passes.CodeBitAddress = 0;
    Passes.EmitInstruction(12);
    EXPECT_EQ(R().EEPROM[2047] >> 1, 12);
}

TEST_F(EmitterTest, LabelReferencesToUnknownNamesAreRecordedAndSkipped) {
    Prepare("ahead B0", tmKM2, true);
    Passes.CodeBitAddress = 20;
    Passes.EmitLabelAddress();
    EXPECT_EQ(Passes.CodeBitAddress, 34);
    ASSERT_EQ(Passes.LabelReferenceCount, 1);
    EXPECT_EQ(Passes.LabelReferences[0].ElementIndex, 0);
    EXPECT_EQ(Passes.LabelReferences[0].BitAddress, 20);
    EXPECT_EQ(ErrorOf([&] { Passes.EmitLabelAddress(); }), "148-Expected a label");
}

TEST_F(EmitterTest, BuffersAreWrittenWithAnOptionalLeadingBit) {
    Passes.WriteConstant(5, true);
    // 1, then 100010 101
    EXPECT_EQ(R().EEPROM[2047], 0b11000101);
    EXPECT_EQ(R().EEPROM[2046], 0b01000000);
    EXPECT_EQ(Passes.CodeBitAddress, 10);
    EXPECT_EQ(Passes.StackDepth, 1);
}

} // namespace
} // namespace wayline::testing
