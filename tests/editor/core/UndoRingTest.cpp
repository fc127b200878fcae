#include "editor/core/UndoRing.h"
#include "editor/core/EditOperations.h"

#include "EditTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace wayline {
namespace {

using test::FillNumbered;
using test::Values;
using ::testing::ElementsAre;

class UndoRing : public ::testing::Test {
protected:
    std::unique_ptr<TDocumentState> State = test::NewState();
    TDocumentState& S = *State;
    std::unique_ptr<TUndoRing> Ring = std::make_unique<TUndoRing>();
    TStepClipboard Clipboard;
};

TEST_F(UndoRing, RingIndicesFollowTheSnapshots) {
    EXPECT_EQ(Ring->UndoNewest(), -1);
    EXPECT_EQ(Ring->UndoOldest(), -1);
    TakeUndoSnapshot(S, *Ring);
    EXPECT_EQ(Ring->UndoNewest(), 0);
    EXPECT_EQ(Ring->UndoOldest(), 0);
    for (int i = 0; i < 9; ++i) {
        TakeUndoSnapshot(S, *Ring);
    }
    EXPECT_EQ(Ring->UndoNewest(), 9);
    EXPECT_EQ(Ring->UndoOldest(), 0);
    TakeUndoSnapshot(S, *Ring);
    EXPECT_EQ(Ring->UndoNewest(), 0);
    EXPECT_EQ(Ring->UndoOldest(), 1);
    DoUndo(S, *Ring);
    EXPECT_EQ(Ring->UndoNewest(), 9); // 0 goes to 9
}

TEST_F(UndoRing, EleventhSnapshotOverwritesTheFirst) {
    // Snapshot k holds a list of k steps.
    for (int k = 1; k <= 11; ++k) {
        FillNumbered(S, 1, k);
        TakeUndoSnapshot(S, *Ring);
    }
    for (int expected = 11; expected >= 2; --expected) {
        const TUndoResult result = DoUndo(S, *Ring);
        EXPECT_TRUE(result.Restored);
        EXPECT_EQ(S.StepCount(1), expected);
        EXPECT_EQ(result.UndoEnabled, expected != 2);
    }
    EXPECT_EQ(Ring->UndoNewest(), -1);
    EXPECT_EQ(Ring->UndoOldest(), -1);
    const TUndoResult eleventh = DoUndo(S, *Ring);
    EXPECT_FALSE(eleventh.Restored);
    EXPECT_FALSE(eleventh.UndoEnabled);
    EXPECT_EQ(S.StepCount(1), 2);
}

TEST_F(UndoRing, UndoReversesADeleteInEveryList) {
    FillNumbered(S, 1, 4);
    FillNumbered(S, 3, 2);
    S.Step(3, 2).BothSet = 3;
    DeleteSteps(S, *Ring, 1, 2, 3);
    DeleteSteps(S, *Ring, 3, 1, 2);
    DoUndo(S, *Ring);
    EXPECT_EQ(S.StepCount(3), 2);
    EXPECT_EQ(S.Step(3, 2).BothSet, 3);
    EXPECT_THAT(Values(S, 1), ElementsAre(1, 4));
    DoUndo(S, *Ring);
    EXPECT_THAT(Values(S, 1), ElementsAre(1, 2, 3, 4));
    EXPECT_EQ(int{S.Step(1, 0).Value}, -1); // the live header entry never takes a count
}

TEST_F(UndoRing, UndoAfterCopyShowsNoChange) {
    FillNumbered(S, 1, 3);
    CopySteps(S, *Ring, Clipboard, 1, 1, 2);
    EXPECT_TRUE(S.ListModified);
    const TUndoResult result = DoUndo(S, *Ring);
    EXPECT_TRUE(result.Restored);
    EXPECT_THAT(Values(S, 1), ElementsAre(1, 2, 3));
}

TEST_F(UndoRing, ValueChangeSnapshotHoldsTheNewValue) {
    FillNumbered(S, 1, 1);
    DeleteSteps(S, *Ring, 1, 1, 1); // an earlier level: a list with one step
    DoUndo(S, *Ring);
    TakeUndoSnapshot(S, *Ring); // level with step 1 = 1
    S.Step(1, 1).Value = 40;    // the spin edit writes first
    ValueChanged(S, *Ring);
    DoUndo(S, *Ring);
    EXPECT_EQ(int{S.Step(1, 1).Value}, 40); // the first undo shows no change
    DoUndo(S, *Ring);
    EXPECT_EQ(int{S.Step(1, 1).Value}, 1);
}

TEST_F(UndoRing, UndoDoesNotClearModified) {
    TakeUndoSnapshot(S, *Ring);
    S.ListModified = false; // as after a save
    DoUndo(S, *Ring);
    EXPECT_FALSE(S.ListModified);
    TakeUndoSnapshot(S, *Ring);
    EXPECT_TRUE(S.ListModified);
}

} // namespace
} // namespace wayline
