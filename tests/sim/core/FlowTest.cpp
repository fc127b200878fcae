#include "RunTimeTestSupport.h"

#include "sim/core/Operators.h"

namespace wayline::sim::testing {
namespace {

using FlowTest = RunTimeTest;

TEST_F(FlowTest, ForNextCountsBothWaysWithSteps) {
    Run(R"(i VAR WORD
FOR i = 1 TO 10
  W1 = W1 + i
NEXT
W2 = i
FOR i = 10 TO 1 STEP 3
  W3 = W3 + i
  W4 = W4 + 1
NEXT
FOR i = 1 TO 10 STEP 4
  W5 = W5 + 1
NEXT
FOR i = 65530 TO 65535 STEP 2
  W6 = W6 + 1
NEXT
FOR B20 = 250 TO 255
  W7 = W7 + 1
NEXT
FOR i = 5 TO 5
  W8 = W8 + 1
NEXT
)");
    ASSERT_EQ(RunTime->StopReason(), srEnd) << RunTime->StopMessage();
    EXPECT_EQ(Word(1), 55);
    EXPECT_EQ(Word(2), 11); // one step past the end
    EXPECT_EQ(Word(3), 10 + 7 + 4 + 1);
    EXPECT_EQ(Word(4), 4);
    EXPECT_EQ(Word(5), 3); // 1, 5, 9
    EXPECT_EQ(Word(6), 3); // no wrap past 65535
    EXPECT_EQ(Word(7), 6); // a byte counter ends too
    EXPECT_EQ(Word(8), 1);
}

TEST_F(FlowTest, IfElseIfElseSelectAndDoLoops) {
    Run(R"(FOR W0 = 0 TO 4
  IF W0 = 0 THEN
    W1 = W1 + 1
  ELSEIF W0 < 3 THEN
    W2 = W2 + 1
  ELSE
    W3 = W3 + 1
  ENDIF
  SELECT W0 * 5
    CASE 0
      W4 = W4 + 1
    CASE 5, 10 TO 12
      W5 = W5 + 1
    CASE > 15
      W6 = W6 + 1
    CASE ELSE
      W7 = W7 + 1
  ENDSELECT
NEXT
DO WHILE W8 < 5
  W8 = W8 + 1
LOOP
DO
  W9 = W9 + 1
LOOP UNTIL W9 >= 3
DO
  W10 = W10 + 1
  IF W10 = 7 THEN EXIT
LOOP
DO UNTIL W11 = 2 : W11 = W11 + 1 : LOOP
DO : W12 = W12 + 1 : LOOP WHILE W12 < 4
)");
    ASSERT_EQ(RunTime->StopReason(), srEnd) << RunTime->StopMessage();
    EXPECT_EQ(Word(1), 1);
    EXPECT_EQ(Word(2), 2);
    EXPECT_EQ(Word(3), 2);
    EXPECT_EQ(Word(4), 1); // 0
    EXPECT_EQ(Word(5), 2); // 5, 10
    EXPECT_EQ(Word(6), 1); // 20
    EXPECT_EQ(Word(7), 1); // 15
    EXPECT_EQ(Word(8), 5);
    EXPECT_EQ(Word(9), 3);
    EXPECT_EQ(Word(10), 7);
    EXPECT_EQ(Word(11), 2);
    EXPECT_EQ(Word(12), 4);
}

TEST_F(FlowTest, BranchLookupAndLookdownPickByPositionAndLeaveMissesAlone) {
    Run(R"(W1 = 99 : W2 = 99 : W3 = 99 : W4 = 99
LOOKUP 2, [10, 20, 30 + 3, 40], W1
LOOKUP 4, [10, 20, 30, 40], W2
LOOKDOWN 30, [10, 20, 30, 30], W3
LOOKDOWN 25, > [40, 30, 20, 10], W4
LOOKDOWN 99, [1, 2], W5
LOOKDOWN "R", ["FBRL"], W6
BRANCH 1, [Zero, One]
W7 = 3
GOTO Done
Zero: W7 = 1 : GOTO Done
One: W7 = 2
Done:
BRANCH 5, [Zero, One]
W8 = 1
)");
    ASSERT_EQ(RunTime->StopReason(), srEnd) << RunTime->StopMessage();
    EXPECT_EQ(Word(1), 33);
    EXPECT_EQ(Word(2), 99);
    EXPECT_EQ(Word(3), 2);
    EXPECT_EQ(Word(4), 2);
    EXPECT_EQ(Word(5), 0);
    EXPECT_EQ(Word(6), 2);
    EXPECT_EQ(Word(7), 2);
    EXPECT_EQ(Word(8), 1);
}

// ON ... GOSUB is a call of its own: four levels here.
TEST_F(FlowTest, GosubsNestFourDeepAndReturnBehindThemselves) {
    Run(R"(GOSUB A
W5 = W5 + 1
END
A: W1 = 1 : GOSUB B : W1 = W1 + 10 : RETURN
B: W2 = 1 : GOSUB C : RETURN
C: W3 = 1 : W4 = W4 + 1 : ON W4 GOSUB X, Y : RETURN
X: W6 = 1 : RETURN
Y: W6 = 2 : RETURN
)");
    ASSERT_EQ(RunTime->StopReason(), srEnd) << RunTime->StopMessage();
    EXPECT_EQ(Word(1), 11);
    EXPECT_EQ(Word(5), 1);
    EXPECT_EQ(Word(6), 2);
    EXPECT_EQ(RunTime->GosubDepth(), 0);
}

TEST_F(FlowTest, AFifthNestedGosubAndAStrayReturnStopTheRun) {
    Run("GOSUB A\nA: GOSUB B\nB: GOSUB C\nC: GOSUB D\nD: GOSUB E\nE: END\n");
    EXPECT_EQ(RunTime->StopReason(), srFault);
    EXPECT_TRUE(RunTime->StopMessage().starts_with("GOSUB nested deeper than 4 (bit address "))
        << RunTime->StopMessage();
    Run("W1 = 1\nRETURN\n");
    EXPECT_EQ(RunTime->StopReason(), srFault);
    EXPECT_TRUE(RunTime->StopMessage().starts_with("RETURN without GOSUB (bit address "))
        << RunTime->StopMessage();
}

TEST_F(FlowTest, EndAndStopEndTheRunWithTheirReason) {
    Run("W1 = 1\nSTOP\nW1 = 2\n");
    EXPECT_EQ(RunTime->StopReason(), srStop);
    EXPECT_FALSE(RunTime->Running());
    EXPECT_EQ(Word(1), 1);
    const std::vector<TRunTimeEvent> ends = EventsOf(ekEnd);
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends[0].A, srStop);
}

TEST_F(FlowTest, RandomStepsThroughItsSequenceFromTheVariable) {
    Run("RANDOM W1\nW2 = W1\nRANDOM W1\nB10 = 0\nRANDOM B10\n");
    EXPECT_NE(Word(2), 0);
    EXPECT_EQ(Word(2), NextRandom(0));
    EXPECT_EQ(Word(1), NextRandom(Word(2)));
    EXPECT_EQ(Byte(10), NextRandom(0) & 0xFF);
}

} // namespace
} // namespace wayline::sim::testing
