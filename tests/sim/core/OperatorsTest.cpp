#include "RunTimeTestSupport.h"

#include "sim/core/Operators.h"

namespace wayline::sim::testing {
namespace {

// Each operator's meaning, observed on compiled programs: the value an
// expression leaves in a word variable.
class OperatorsTest : public RunTimeTest {
protected:
    std::uint16_t ValueOf(const std::string& expression) {
        Run("W1 = " + expression + "\n", 1.0);
        EXPECT_EQ(RunTime->StopReason(), srEnd) << RunTime->StopMessage();
        return Word(1);
    }
    bool ConditionHolds(const std::string& condition) {
        Run("IF " + condition + " THEN\n W1 = 1\nELSE\n W1 = 2\nENDIF\n", 1.0);
        EXPECT_EQ(RunTime->StopReason(), srEnd) << RunTime->StopMessage();
        return Word(1) == 1;
    }
};

TEST_F(OperatorsTest, ArithmeticIsSixteenBitsUnsignedLeftToRight) {
    const struct {
        const char* Expression;
        std::uint16_t Value;
    } rows[] = {
        {"2 + 3 * 4", 20},     // strictly left to right
        {"0 - 1", 65535},      // wraps below 0
        {"65535 + 2", 1},      // and above 65535
        {"300 * 300", 24464},  // low word of 90000
        {"300 ** 300", 1},     // high word of 90000
        {"1000 */ 384", 1500}, // times 1.5 in 256ths
        {"17 / 5", 3},
        {"17 // 5", 2},
        {"17 / 0", 65535}, // no crash: the largest value
        {"17 // 0", 17},   // the dividend stays whole
        {"$F0F0 & $FF00", 0xF000},
        {"$F0F0 | $0F00", 0xFFF0},
        {"$F0F0 ^ $FF00", 0x0FF0},
        {"1 << 15", 32768},
        {"1 << 16", 0},
        {"32768 >> 15", 1},
        {"$FFFF >> 20", 0},
        {"12345 DIG 0", 5},
        {"12345 DIG 4", 1},
        {"12345 DIG 5", 0},
        {"%1011 REV 4", 13},
        {"1 REV 16", 32768},
        {"3 HYP 4", 5},
        {"-3 HYP -4", 5},
        {"1 ATN 1", 32},
        {"0 ATN 1", 64},
        {"-1 ATN 0", 128},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Expression);
        EXPECT_EQ(ValueOf(row.Expression), row.Value);
    }
}

TEST_F(OperatorsTest, MaxIsAnUpperAndMinALowerLimit) {
    // The robot program ramps by "difference MAX 4": never more than 4.
    EXPECT_EQ(ValueOf("7 MAX 4"), 4);
    EXPECT_EQ(ValueOf("2 MAX 4"), 2);
    EXPECT_EQ(ValueOf("7 MIN 4"), 7);
    EXPECT_EQ(ValueOf("2 MIN 4"), 4);
    EXPECT_EQ(ValueOf("200 - 100 MAX 4"), 4);
    EXPECT_EQ(ValueOf("102 - 100 MAX 4"), 2);
}

TEST_F(OperatorsTest, UnaryOperators) {
    const struct {
        const char* Expression;
        std::uint16_t Value;
    } rows[] = {
        {"SQR 100", 10},    {"SQR 99", 9},     {"SQR 65535", 255},  {"ABS -5", 5},
        {"ABS 5", 5},       {"-5", 65531},     {"-(2 + 3)", 65531}, {"~0", 65535},
        {"~$00FF", 0xFF00}, {"DCD 3", 8},      {"DCD 19", 8},       {"NCD 8", 4},
        {"NCD 0", 0},       {"NCD 65535", 16}, {"SIN 0", 0},        {"SIN 64", 127},
        {"SIN 192", 65409}, {"COS 0", 127},    {"COS 128", 65409},  {"SIN 32", 90},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Expression);
        EXPECT_EQ(ValueOf(row.Expression), row.Value);
    }
}

TEST_F(OperatorsTest, ComparisonsAreUnsignedAndAllOnesOrZero) {
    EXPECT_TRUE(ConditionHolds("5 >= 5"));
    EXPECT_FALSE(ConditionHolds("4 >= 5"));
    EXPECT_TRUE(ConditionHolds("5 <= 5"));
    EXPECT_FALSE(ConditionHolds("6 <= 5"));
    EXPECT_TRUE(ConditionHolds("5 = 5"));
    EXPECT_FALSE(ConditionHolds("5 <> 5"));
    EXPECT_TRUE(ConditionHolds("65535 > 1"));
    EXPECT_FALSE(ConditionHolds("-1 < 0"));
    // NOT inverts every bit: only all ones turns into false.
    EXPECT_FALSE(ConditionHolds("NOT 5 > 3"));
    EXPECT_TRUE(ConditionHolds("NOT 5 < 3"));
    EXPECT_FALSE(ConditionHolds("5 > 3 XOR 2 > 1"));
    EXPECT_TRUE(ConditionHolds("5 > 3 AND 2 > 1 OR 0 > 1"));
    // Comparisons take the whole arithmetic on either side.
    EXPECT_TRUE(ConditionHolds("2 + 3 = 10 / 2"));
}

TEST_F(OperatorsTest, ConditionOnAPlainValueIsTrueWhenNotZero) {
    Run("W0 = 2\nIF W0 THEN W1 = 1\nW0 = 0\nIF W0 THEN W2 = 1\n", 1.0);
    EXPECT_EQ(Word(1), 1);
    EXPECT_EQ(Word(2), 0);
}

TEST(RandomSequence, VisitsEveryNonZeroValueOnceAndLeavesZero) {
    std::vector<bool> seen(65536, false);
    std::uint16_t x = NextRandom(0);
    ASSERT_NE(x, 0);
    for (int i = 0; i < 65535; ++i) {
        ASSERT_FALSE(seen[x]) << "repeats after " << i << " steps";
        seen[x] = true;
        x = NextRandom(x);
        ASSERT_NE(x, 0);
    }
}

} // namespace
} // namespace wayline::sim::testing
