#include "editor/core/EditOperations.h"

#include "EditTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <random>

namespace wayline {
namespace {

using test::Fill;
using test::FillNumbered;
using test::Loop;
using test::Move;
using test::Values;
using ::testing::ElementsAre;

class EditOperations : public ::testing::Test {
protected:
    std::unique_ptr<TDocumentState> State = test::NewState();
    TDocumentState& S = *State;
    std::unique_ptr<TUndoRing> Ring = std::make_unique<TUndoRing>();
    TStepClipboard Clipboard;
};

TEST_F(EditOperations, InsertAboveLoopBackRaisesTargetsAtOrBelowTheRow) {
    // Row 4 loops to 2, row 5 loops to 3, row 6 loops to 1.
    Fill(S, 1, {Move(10), Move(11), Move(12), Loop(2), Loop(3), Loop(1)});
    ASSERT_TRUE(InsertIntoList(S, 1, 2, akStopAndWait, 10));
    EXPECT_EQ(S.StepCount(1), 7);
    EXPECT_EQ(S.RowCount(1), 9);
    EXPECT_EQ(S.Step(1, 2).Kind, akStopAndWait);
    EXPECT_THAT(Values(S, 1), ElementsAre(10, 10, 11, 12, 3, 4, 1));
}

TEST_F(EditOperations, NewStepContinuesTheSetsOfTheStepAbove) {
    Fill(S, 1, {Move(10, 1, 2, 3), Move(11, 4, 4, 4)});
    ASSERT_TRUE(InsertIntoList(S, 1, 2, akTurnLeft, 13));
    EXPECT_EQ(S.Step(1, 2), (TActionStep{akTurnLeft, 13, 1, 2, 3}));
    ASSERT_TRUE(InsertIntoList(S, 1, 1, akTurnRight, 13));
    EXPECT_EQ(S.Step(1, 1), (TActionStep{akTurnRight, 13, 0, 0, 0}));
    ASSERT_TRUE(InsertIntoList(S, 1, S.StepCount(1) + 1, akStopAndWait, 10));
    EXPECT_EQ(S.Step(1, 5), (TActionStep{akStopAndWait, 10, 4, 4, 4}));
}

TEST_F(EditOperations, FullListRefusesInsertionAndKeepsItsSteps) {
    FillNumbered(S, 2, MaxSteps);
    EXPECT_FALSE(InsertIntoList(S, 2, 1, akStopAndWait, 10));
    EXPECT_FALSE(InsertStepIntoList(S, 2, 256, Move(5)));
    EXPECT_EQ(S.StepCount(2), 255);
    EXPECT_EQ(int{S.Step(2, 1).Value}, 1);
    EXPECT_EQ(int{S.Step(2, 255).Value}, 255);
}

TEST_F(EditOperations, InsertRowOutsideTheListIsClampedAndHeaderSurvives) {
    Fill(S, 1, {Move(10)});
    ASSERT_TRUE(InsertIntoList(S, 1, 0, akTurnLeft, 13));
    ASSERT_TRUE(InsertIntoList(S, 1, 99, akTurnRight, 13));
    EXPECT_EQ(int{S.Step(1, 0).Value}, -1);
    EXPECT_THAT(Values(S, 1), ElementsAre(13, 10, 13));
    EXPECT_FALSE(InsertIntoList(S, 0, 1, akTurnLeft, 13));
    EXPECT_FALSE(InsertIntoList(S, 7, 1, akTurnLeft, 13));
}

TEST_F(EditOperations, DeleteAboveLoopBackLowersItsTarget) {
    // Row 5 loops to 4, row 6 loops to 2 (the row about to go), row 7 to 1.
    Fill(S, 1, {Move(10), Move(11), Move(12), Move(13), Loop(4), Loop(2), Loop(1)});
    const std::optional<TActionStep> removed = DeleteFromList(S, 1, 2);
    ASSERT_TRUE(removed);
    EXPECT_EQ(int{removed->Value}, 11);
    EXPECT_EQ(S.StepCount(1), 6);
    EXPECT_THAT(Values(S, 1), ElementsAre(10, 12, 13, 3, 2, 1));
}

TEST_F(EditOperations, DeleteOfARowWithoutStepChangesNothing) {
    Fill(S, 1, {Move(10)});
    EXPECT_FALSE(DeleteFromList(S, 1, 0));
    EXPECT_FALSE(DeleteFromList(S, 1, 2));
    EXPECT_FALSE(DeleteFromList(S, 9, 1));
    EXPECT_EQ(S.StepCount(1), 1);
}

TEST_F(EditOperations, DeleteTheLastStepOfAFullList) {
    FillNumbered(S, 6, MaxSteps);
    ASSERT_TRUE(DeleteFromList(S, 6, 255));
    ASSERT_TRUE(DeleteFromList(S, 6, 1));
    EXPECT_EQ(S.StepCount(6), 253);
    EXPECT_EQ(int{S.Step(6, 1).Value}, 2);
    EXPECT_EQ(int{S.Step(6, 253).Value}, 254);
}

TEST_F(EditOperations, RowMoveReinsertsWithRenumbering) {
    // Move step 1 down to row 3: the loop's target (the step 12) moves up
    // with the removal and is not touched by the insertion below it; the
    // moved step takes the sets of the step above it.
    Fill(S, 1, {Move(10, 1, 1, 1), Move(11, 2, 2, 2), Move(12, 3, 3, 3), Loop(3)});
    ASSERT_TRUE(MoveStepInList(S, 1, 1, 3));
    EXPECT_THAT(Values(S, 1), ElementsAre(11, 12, 10, 2));
    EXPECT_EQ(S.Step(1, 3), Move(10, 3, 3, 3));
    EXPECT_EQ(S.StepCount(1), 4);
    EXPECT_TRUE(S.ListModified); // no undo level, but Quit must ask
    EXPECT_FALSE(Ring->CanUndo());
}

TEST_F(EditOperations, RowMoveBeyondTheLastStepMovesToTheEnd) {
    FillNumbered(S, 1, 4);
    ASSERT_TRUE(MoveStepInList(S, 1, 2, 5)); // dropped on the append row
    EXPECT_THAT(Values(S, 1), ElementsAre(1, 3, 4, 2));
    EXPECT_FALSE(MoveStepInList(S, 1, 4, 4));
    EXPECT_FALSE(MoveStepInList(S, 1, 5, 1));
}

TEST_F(EditOperations, RowMoveInAFullListKeepsEveryStep) {
    FillNumbered(S, 1, MaxSteps);
    ASSERT_TRUE(MoveStepInList(S, 1, 255, 1));
    ASSERT_TRUE(MoveStepInList(S, 1, 2, 255));
    EXPECT_EQ(S.StepCount(1), 255);
    EXPECT_EQ(int{S.Step(1, 1).Value}, 255);
    EXPECT_EQ(int{S.Step(1, 2).Value}, 2);
    EXPECT_EQ(int{S.Step(1, 254).Value}, 254);
    EXPECT_EQ(int{S.Step(1, 255).Value}, 1);
}

TEST_F(EditOperations, CopyThreePasteTwiceGivesSix) {
    FillNumbered(S, 1, 4);
    ASSERT_TRUE(CopySteps(S, *Ring, Clipboard, 1, 2, 4).Ran);
    EXPECT_EQ(Clipboard.Count(), 3);
    const TEditResult first = PasteSteps(S, *Ring, Clipboard, 2, 1);
    EXPECT_TRUE(first.Ran);
    EXPECT_EQ(first.RowDelta, 3);
    PasteSteps(S, *Ring, Clipboard, 2, 4); // the append row of a 3-step list
    EXPECT_THAT(Values(S, 2), ElementsAre(2, 3, 4, 2, 3, 4));
    EXPECT_THAT(Values(S, 1), ElementsAre(1, 2, 3, 4));
}

TEST_F(EditOperations, PasteStandsBeforeTheSelectedRowWithItsSets) {
    Fill(S, 1, {Move(1, 1, 2, 3), Move(2, 4, 4, 4)});
    CopySteps(S, *Ring, Clipboard, 1, 1, 1);
    PasteSteps(S, *Ring, Clipboard, 1, 2);
    EXPECT_THAT(Values(S, 1), ElementsAre(1, 1, 2));
    EXPECT_EQ(S.Step(1, 2), Move(1, 1, 2, 3));
}

TEST_F(EditOperations, PastedLoopBackKeepsItsTarget) {
    Fill(S, 1, {Move(1), Move(2), Loop(2)});
    CopySteps(S, *Ring, Clipboard, 1, 3, 3);
    PasteSteps(S, *Ring, Clipboard, 1, 1);
    EXPECT_EQ(S.Step(1, 1), Loop(2));
    EXPECT_EQ(S.Step(1, 4), Loop(3)); // the original moved down, so did its target
}

TEST_F(EditOperations, CopyLimitsTheSelectionToTheSteps) {
    FillNumbered(S, 1, 3);
    EXPECT_FALSE(CopySteps(S, *Ring, Clipboard, 1, 0, 2).Ran);
    EXPECT_FALSE(CopySteps(S, *Ring, Clipboard, 1, 4, 4).Ran); // the append row alone
    EXPECT_FALSE(Ring->CanUndo());
    EXPECT_FALSE(S.ListModified);
    EXPECT_TRUE(CopySteps(S, *Ring, Clipboard, 1, 2, 9).Ran);
    EXPECT_EQ(Clipboard.Count(), 2);
}

TEST_F(EditOperations, CopyingAll255StepsFillsTheClipboardAndPastesThemAll) {
    FillNumbered(S, 1, MaxSteps);
    CopySteps(S, *Ring, Clipboard, 1, 1, 255);
    EXPECT_EQ(Clipboard.Count(), 255);
    PasteSteps(S, *Ring, Clipboard, 3, 1);
    EXPECT_EQ(S.StepCount(3), 255);
    EXPECT_EQ(int{S.Step(3, 255).Value}, 255);
}

TEST_F(EditOperations, ShorterCopyOverwritesAndEndsTheClipboard) {
    FillNumbered(S, 1, 5);
    CopySteps(S, *Ring, Clipboard, 1, 1, 5);
    CopySteps(S, *Ring, Clipboard, 1, 4, 5);
    EXPECT_EQ(Clipboard.Count(), 2);
    EXPECT_EQ(int{Clipboard.Entry(1).Value}, 4);
}

TEST_F(EditOperations, PasteIntoAFullListSkipsWhatDoesNotFit) {
    FillNumbered(S, 1, 2);
    CopySteps(S, *Ring, Clipboard, 1, 1, 2);
    FillNumbered(S, 2, 254);
    const TEditResult result = PasteSteps(S, *Ring, Clipboard, 2, 1);
    EXPECT_TRUE(result.Ran);
    EXPECT_EQ(result.RowDelta, 1);
    EXPECT_EQ(S.StepCount(2), 255);
    EXPECT_EQ(int{S.Step(2, 1).Value}, 1);
}

TEST_F(EditOperations, PasteOnTheTitleRowDoesNothing) {
    FillNumbered(S, 1, 2);
    CopySteps(S, *Ring, Clipboard, 1, 1, 2);
    const int levels = Ring->UndoNewest();
    EXPECT_FALSE(PasteSteps(S, *Ring, Clipboard, 1, 0).Ran);
    EXPECT_EQ(Ring->UndoNewest(), levels);
    EXPECT_EQ(int{S.Step(1, 0).Value}, -1);
    EXPECT_EQ(S.StepCount(1), 2);
}

TEST_F(EditOperations, CutMovesTheRowsIntoTheClipboard) {
    Fill(S, 1, {Move(1), Move(2), Move(3), Move(4), Loop(4)});
    const TEditResult result = CutSteps(S, *Ring, Clipboard, 1, 2, 3);
    EXPECT_TRUE(result.Ran);
    EXPECT_EQ(result.RowDelta, -2);
    EXPECT_TRUE(result.Rebind);
    EXPECT_THAT(Values(S, 1), ElementsAre(1, 4, 2));
    EXPECT_EQ(Clipboard.Count(), 2);
    EXPECT_EQ(int{Clipboard.Entry(2).Value}, 3);
}

TEST_F(EditOperations, DeleteRemovesTheRowsAndLeavesTheClipboard) {
    FillNumbered(S, 1, 5);
    CopySteps(S, *Ring, Clipboard, 1, 5, 5);
    const TEditResult result = DeleteSteps(S, *Ring, 1, 1, 6);
    EXPECT_EQ(result.RowDelta, -5);
    EXPECT_EQ(S.StepCount(1), 0);
    EXPECT_EQ(Clipboard.Count(), 1);
    EXPECT_FALSE(DeleteSteps(S, *Ring, 1, 1, 1).Ran);
}

TEST_F(EditOperations, ClearEmptiesEveryListAndCanBeUndone) {
    FillNumbered(S, 1, 3);
    FillNumbered(S, 4, 2);
    CopySteps(S, *Ring, Clipboard, 1, 1, 1);
    ClearLists(S, *Ring);
    for (int list = 1; list <= ListCount; ++list) {
        EXPECT_EQ(S.RowCount(list), 2);
    }
    EXPECT_EQ(Clipboard.Count(), 1);
    DoUndo(S, *Ring);
    EXPECT_EQ(S.StepCount(1), 3);
    EXPECT_EQ(S.StepCount(4), 2);
}

TEST_F(EditOperations, RandomEditingKeepsTheListsWellFormed) {
    // Long runs of every operation, near-full lists included: header entries
    // stay, counts stay in range, Loop Back targets never fall below 1.
    std::mt19937 random(20261208);
    FillNumbered(S, 1, 250);
    int fullSeen = 0;
    auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    for (int i = 0; i < 5000; ++i) {
        const int list = pick(1, 2);
        const int n = S.StepCount(list);
        const int top = pick(0, n + 2);
        const int bottom = top + pick(0, 3);
        switch (pick(0, 6)) {
        case 0:
        case 1:
            InsertIntoList(S, list, top, static_cast<TActionKind>(pick(0, 7)),
                           static_cast<std::int16_t>(pick(1, n + 1)));
            break;
        case 2:
            DeleteSteps(S, *Ring, list, top, bottom);
            break;
        case 3:
            MoveStepInList(S, list, top, pick(0, n + 2));
            break;
        case 4:
            (pick(0, 1) ? CopySteps : CutSteps)(S, *Ring, Clipboard, list, top, bottom + 200);
            break;
        case 5:
            PasteSteps(S, *Ring, Clipboard, list, top);
            break;
        default:
            DoUndo(S, *Ring);
            break;
        }
        fullSeen += S.StepCount(1) == MaxSteps;
        for (int l = 1; l <= 2; ++l) {
            ASSERT_EQ(int{S.Step(l, 0).Value}, -1);
            ASSERT_GE(S.StepCount(l), 0);
            ASSERT_LE(S.StepCount(l), MaxSteps);
            for (int row = 1; row <= S.StepCount(l); ++row) {
                ASSERT_GE(int{S.Step(l, row).Value}, 1) << "op " << i;
            }
        }
    }
    EXPECT_GT(fullSeen, 0); // the run did reach a full list
}

} // namespace
} // namespace wayline
