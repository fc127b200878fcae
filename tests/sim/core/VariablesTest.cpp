#include "RunTimeTestSupport.h"

namespace wayline::sim::testing {
namespace {

using VariablesTest = RunTimeTest;

// Words first from word 3, then bytes, nibbles and bits, each array indexed
// in cells of its own size.
TEST_F(VariablesTest, ArraysOfEverySizeLieWhereTheyAreDeclaredAndIndexInTheirCells) {
    Run(R"(w    VAR WORD(2)
bb   VAR BYTE(4)
i    VAR BYTE
n    VAR NIB(4)
b    VAR BIT(8)
FOR i = 0 TO 3
  bb(i) = i * 10 + 1
  n(i) = i + 12
  b(i * 2) = 1
NEXT
w(1) = 1234
w(0) = bb(2) + n(3)
)");
    ASSERT_EQ(RunTime->StopReason(), srEnd) << RunTime->StopMessage();
    const TVariableSpace& v = RunTime->Variables();
    EXPECT_EQ(v.Word(3), 21 + 15);
    EXPECT_EQ(v.Word(4), 1234);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(v.Read(csByte, 10 + i), i * 10 + 1);
        EXPECT_EQ(v.Read(csNibble, 30 + i), i + 12);
    }
    EXPECT_EQ(v.Read(csByte, 14), 4); // i, after the loop
    EXPECT_EQ(v.Read(csByte, 17), 0b01010101);
}

TEST_F(VariablesTest, ModifiersNarrowToTheRightCell) {
    Run(R"(W1 = $1234
B0 = W1.HIGHBYTE
B1 = W1.NIB0
W2.BIT15 = 1
W2.LOWBYTE = 7
W3 = W1.HIGHBYTE.HIGHNIB
)");
    EXPECT_EQ(Byte(0), 0x12);
    EXPECT_EQ(Byte(1), 0x4);
    EXPECT_EQ(Word(2), 0x8007);
    EXPECT_EQ(Word(3), 0x1);
}

TEST_F(VariablesTest, IndexesReachNeighboursAndWrapRoundTheSpace) {
    Run(R"(B0 = 1
B0(3) = 5
W0(20) = 99
B2 = B0(B0 + 2)
)");
    EXPECT_EQ(Byte(3), 5);
    EXPECT_EQ(Byte(2), 5);
    EXPECT_EQ(RunTime->Variables().Word(20 % 16 + 3), 99);
}

TEST_F(VariablesTest, EverythingStartsAtZeroAndTheInputWordCannotBeWritten) {
    PinsHw.Levels.fill(false);
    Run("W1 = W2 + W12\nINS = $FFFF\nW3 = INS\n");
    EXPECT_EQ(Word(1), 0);
    EXPECT_EQ(Word(3), 0);
}

TEST_F(VariablesTest, WordItemsOfReadAndWriteAreLowByteFirstAlsoWhenIndexed) {
    Run(R"(tbl DATA WORD 1000, WORD 2000
w VAR WORD(3)
READ tbl, WORD w(0)
READ tbl + 2, WORD w(2)
WRITE 100, WORD 65534
READ 100, WORD w(1)
)");
    ASSERT_EQ(RunTime->StopReason(), srEnd) << RunTime->StopMessage();
    EXPECT_EQ(Word(0), 1000);
    EXPECT_EQ(Word(1), 65534);
    EXPECT_EQ(Word(2), 2000);
    EXPECT_EQ(Eeprom.Read(100), 0xFE);
    EXPECT_EQ(Eeprom.Read(101), 0xFF);
}

} // namespace
} // namespace wayline::sim::testing
