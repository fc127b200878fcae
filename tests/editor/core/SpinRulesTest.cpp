#include "editor/core/SpinRules.h"

#include <gtest/gtest.h>

namespace wayline {
namespace {

const TNumberFormat Dot{};
const TNumberFormat Comma{",", "-"};

TEST(SpinRules, DurationsShowOneDecimalAndLoopBackAStepNumber) {
    EXPECT_EQ(SpinDisplayText(12, 1, "", " sec", true, Dot), "1.2 sec");
    EXPECT_EQ(SpinDisplayText(255, 1, "", " sec", true, Comma), "25,5 sec");
    EXPECT_EQ(SpinDisplayText(3, 0, "step ", "", true, Dot), "step 3");
    EXPECT_EQ(SpinDisplayText(12, 1, "", " sec", false, Dot), "1.2");
    EXPECT_EQ(SpinDisplayText(-5, 2, "", "", false, Dot), "-0.05");
    EXPECT_EQ(SpinDisplayText(-1234, 1, "", "", false, {".", "\u2212"}), "\u2212123.4");
}

TEST(SpinRules, TypedTextIsReadUpToItsDecimals) {
    EXPECT_EQ(ParseSpinText("2", 1, 1, 255, Dot), 20);
    EXPECT_EQ(ParseSpinText("1.25", 1, 1, 255, Dot), 12);
    EXPECT_EQ(ParseSpinText("1,25", 1, 1, 255, Comma), 12);
    EXPECT_EQ(ParseSpinText("3.", 1, 1, 255, Dot), 30);
    EXPECT_EQ(ParseSpinText("12 sec", 1, 1, 255, Dot), 120);
    EXPECT_EQ(ParseSpinText("7.9", 0, 1, 20, Dot), 7); // no decimals: stops at the separator
}

// A comma and a point are both the decimal point, whichever the language
// shows; a language may add a separator of its own.
TEST(SpinRules, CommaAndPointAreTheDecimalPointInEveryLanguage) {
    for (const TNumberFormat& format : {Dot, Comma}) {
        EXPECT_EQ(ParseSpinText("1,5", 1, 1, 255, format), 15);
        EXPECT_EQ(ParseSpinText("1.5", 1, 1, 255, format), 15);
        EXPECT_EQ(ParseSpinText(",5", 1, 1, 255, format), 5);
        EXPECT_EQ(ParseSpinText("2,", 1, 1, 255, format), 20);
    }
    TNumberFormat arabic{"\u066B", "-"};
    EXPECT_EQ(ParseSpinText("1\u066B5", 1, 1, 255, arabic), 15);
    EXPECT_EQ(ParseSpinText("1,5", 1, 1, 255, arabic), 15);
    arabic.TypedDecimalSeparators = {};
    EXPECT_EQ(ParseSpinText("1,5", 1, 1, 255, arabic), 10); // only what the language accepts
    EXPECT_EQ(DecimalSeparatorAt("\u066B5", arabic), 2u);
    EXPECT_EQ(DecimalSeparatorAt("5", Dot), 0u);
}

// The box refuses a change that would leave anything but a number in it,
// rather than reading a number with characters dropped from its middle.
TEST(SpinRules, OnlyANumberCanStandInTheBoxWhileTyping) {
    for (const char* text : {"", "1", "1,5", "1.5", ",", "255", "12,"}) {
        EXPECT_TRUE(IsTypedNumber(text, 1, 1, Dot)) << text;
    }
    for (const char* text : {"1a5", "1,5,3", "1.5,", "1 5", "-1", "1-", "1.5 sec"}) {
        EXPECT_FALSE(IsTypedNumber(text, 1, 1, Dot)) << text;
    }
    EXPECT_TRUE(IsTypedNumber("-1,5", 1, -10, Comma));
    EXPECT_FALSE(IsTypedNumber("1-5", 1, -10, Comma));
    // A step number has no decimals.
    EXPECT_TRUE(IsTypedNumber("12", 0, 1, Dot));
    EXPECT_FALSE(IsTypedNumber("1,2", 0, 1, Dot));
}

TEST(SpinRules, NonsenseGivesTheMinimumAndLargeValuesTheMaximum) {
    EXPECT_EQ(ParseSpinText("abc", 1, 1, 255, Dot), 1);
    EXPECT_EQ(ParseSpinText("", 1, 1, 255, Dot), 1);
    EXPECT_EQ(ParseSpinText("-4", 1, 1, 255, Dot), 1);
    EXPECT_EQ(ParseSpinText("99", 1, 1, 255, Dot), 255);
    EXPECT_EQ(ParseSpinText("99999999999999999999999", 0, 1, 7, Dot), 7);
    EXPECT_EQ(ParseSpinText("-4", 0, -10, 10, Dot), -4);
    EXPECT_EQ(ParseSpinText("4-", 0, -10, 10, Dot), -4);
}

TEST(SpinRules, KeyFilterLetsOnlyNumberCharactersThrough) {
    EXPECT_EQ(FilterSpinKey("7", 1, Dot), skAccept);
    EXPECT_EQ(FilterSpinKey(".", 1, Dot), skAccept);
    EXPECT_EQ(FilterSpinKey(".", 1, Comma), skAccept);
    EXPECT_EQ(FilterSpinKey(",", 1, Dot), skAccept);
    EXPECT_EQ(FilterSpinKey(",", 1, Comma), skAccept);
    EXPECT_EQ(FilterSpinKey("\b", 1, Dot), skAccept);
    EXPECT_EQ(FilterSpinKey("\r", 1, Dot), skEnter);
    EXPECT_EQ(FilterSpinKey("a", 1, Dot), skDrop);
    EXPECT_EQ(FilterSpinKey(" ", 1, Dot), skDrop);
    EXPECT_EQ(FilterSpinKey("-", 1, Dot), skDrop);
    EXPECT_EQ(FilterSpinKey("-", -1, Dot), skAccept);
    EXPECT_EQ(FilterSpinKey("", 1, Dot), skAccept);
}

TEST(SpinRules, TypedNumbersStartWithADigitOrTheSeparator) {
    EXPECT_TRUE(StartsTypedNumber("2", Dot));
    EXPECT_TRUE(StartsTypedNumber(".", Dot));
    EXPECT_TRUE(StartsTypedNumber(".", Comma));
    EXPECT_TRUE(StartsTypedNumber(",", Comma));
    EXPECT_FALSE(StartsTypedNumber("a", Dot));
    EXPECT_FALSE(StartsTypedNumber("", Dot));
    EXPECT_FALSE(StartsTypedNumber("\t", Dot));
}

TEST(SpinRules, OnlyTextBeingTypedIsReadBack) {
    TActionStep step{akLoopBack, 4, 0, 0, 0};
    TSpinState spin;
    spin.SetLimits(SpinLimitsFor(akLoopBack, 5));
    spin.Bind(&step);
    // The focus passed through without the edit being entered: its text
    // still carries the prefix and must not be read as a number.
    EXPECT_FALSE(spin.EndTyping("step 4", Dot));
    EXPECT_EQ(int{step.Value}, 4);
    spin.BeginTyping();
    EXPECT_TRUE(spin.Typing());
    EXPECT_TRUE(spin.EndTyping("3", Dot));
    EXPECT_EQ(int{step.Value}, 3);
    EXPECT_FALSE(spin.Typing());
    EXPECT_FALSE(spin.EndTyping("2", Dot)); // one focus-out per entry
    EXPECT_EQ(int{step.Value}, 3);
}

TEST(SpinRules, BindingClampsAndWritesBackAndEveryChangeReachesTheStep) {
    TSpinState spin(RowAccelThreshold, RowAccelFactor);
    TActionStep target{akLoopBack, 8, 0, 0, 0};
    spin.SetLimits(SpinLimitsFor(akLoopBack, 2));
    spin.Bind(&target);
    EXPECT_EQ(int{target.Value}, 2);
    spin.TakeText("1", Dot);
    EXPECT_EQ(int{target.Value}, 1);
    EXPECT_EQ(spin.Text("step ", "", true, Dot), "step 1");

    // Detached, new limits do not touch the step shown before.
    spin.Bind(nullptr);
    spin.SetLimits(SpinLimitsFor(akMoveForward, 1));
    spin.SetPosition(200);
    EXPECT_EQ(int{target.Value}, 1);
}

TEST(SpinRules, LoopBackArrowsAreInvertedAndStopAtTheOwnRow) {
    TSpinState spin(RowAccelThreshold, RowAccelFactor);
    TActionStep target{akLoopBack, 2, 0, 0, 0};
    spin.SetLimits(SpinLimitsFor(akLoopBack, 3));
    spin.Bind(&target);
    EXPECT_EQ(spin.Arrow(true), 1); // up points further up the list
    EXPECT_EQ(spin.Arrow(true), 1);
    EXPECT_EQ(spin.Arrow(false), 2);
    EXPECT_EQ(spin.Arrow(false), 3);
    EXPECT_EQ(spin.Arrow(false), 3);
    EXPECT_EQ(int{target.Value}, 3);
}

TEST(SpinRules, HeldArrowDoublesTheStepAfterEveryFifteen) {
    TSpinState spin(RowAccelThreshold, RowAccelFactor);
    TActionStep step{akMoveForward, 1, 0, 0, 0};
    spin.SetLimits(SpinLimitsFor(akMoveForward, 1));
    spin.Bind(&step);
    for (int i = 0; i < 15; ++i) {
        spin.Arrow(true);
    }
    EXPECT_EQ(int{step.Value}, 16);
    EXPECT_EQ(spin.Increment(), 1);
    spin.Arrow(true); // 17: moved 16 > 15 since the press
    EXPECT_EQ(spin.Increment(), 2);
    for (int i = 0; i < 8; ++i) {
        spin.Arrow(true);
    }
    EXPECT_EQ(int{step.Value}, 33);
    EXPECT_EQ(spin.Increment(), 4);
    spin.ArrowReleased();
    EXPECT_EQ(spin.Increment(), 1);
    EXPECT_EQ(spin.Arrow(true), 34);
    for (int i = 0; i < 100; ++i) {
        spin.Arrow(true);
    }
    EXPECT_EQ(int{step.Value}, 255);
}

TEST(SpinRules, WithoutAccelerationTheStepStaysOne) {
    TSpinState spin; // threshold 32767, factor 1
    spin.SetLimits(SpinLimitsFor(akMoveForward, 1));
    for (int i = 0; i < 100; ++i) {
        spin.Arrow(true);
    }
    EXPECT_EQ(spin.Position(), 101);
    spin.SetAcceleration(RowAccelThreshold, RowAccelFactor);
    spin.Arrow(true);
    EXPECT_EQ(spin.Increment(), 2);
}

TEST(SpinRules, RebindingStartsAccelerationAfresh) {
    TSpinState spin(RowAccelThreshold, RowAccelFactor);
    TActionStep first{akMoveForward, 200, 0, 0, 0};
    TActionStep second{akMoveForward, 10, 0, 0, 0};
    spin.SetLimits(SpinLimitsFor(akMoveForward, 1));
    spin.Bind(&first);
    spin.ArrowReleased();
    spin.Bind(&second);
    spin.Arrow(true);
    EXPECT_EQ(int{second.Value}, 11);
    EXPECT_EQ(spin.Increment(), 1);
    EXPECT_EQ(int{first.Value}, 200);
}

} // namespace
} // namespace wayline
