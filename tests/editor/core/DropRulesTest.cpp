#include "editor/core/DropRules.h"
#include "editor/core/DragRules.h"
#include "editor/core/GridSelection.h"
#include "editor/core/VisibleActions.h"

#include "EditTestSupport.h"

#include <gtest/gtest.h>

namespace wayline {
namespace {

using test::FillNumbered;
using test::Loop;

class DropRules : public ::testing::Test {
protected:
    std::unique_ptr<TDocumentState> State = test::NewState();
    TDocumentState& S = *State;
    std::unique_ptr<TUndoRing> Ring = std::make_unique<TUndoRing>();
};

TEST_F(DropRules, LoopBackOnlyEverLandsInTheMainList) {
    EXPECT_EQ(DropTargetList(akLoopBack, true, false, true, 2), 0);
    EXPECT_EQ(DropTargetList(akLoopBack, true, true, false, 2), 1);
    EXPECT_EQ(DropTargetList(akTurnLeft, true, false, true, 2), 4);
    EXPECT_EQ(DropTargetList(akTurnLeft, false, false, true, 2), 0); // no tabs in beginner mode
    EXPECT_EQ(DropTargetList(akTurnLeft, true, false, false, 0), 0);

    FillNumbered(S, 3, 2);
    const TDropResult refused = DropAction(S, *Ring, 3, 1, akLoopBack, 1);
    EXPECT_FALSE(refused.Inserted);
    EXPECT_EQ(S.StepCount(3), 2);
    EXPECT_FALSE(Ring->CanUndo());
    EXPECT_FALSE(DoubleClickAppends(akLoopBack, 3));
    EXPECT_TRUE(DoubleClickAppends(akLoopBack, 1));
    EXPECT_TRUE(DoubleClickAppends(akStopAndWait, 6));
}

TEST_F(DropRules, TitleRowInsertsAtOneAndBelowTheRowsAppends) {
    EXPECT_EQ(DropRow(0, 5), 1);
    EXPECT_EQ(DropRow(-1, 5), 4);
    EXPECT_EQ(DropRow(4, 5), 4);
    EXPECT_EQ(DropRow(9, 5), 4);
    EXPECT_EQ(DropRow(2, 5), 2);
    EXPECT_EQ(DropRow(-1, 2), 1);
}

TEST_F(DropRules, DropInsertsTheDefaultValueAndTakesASnapshotFirst) {
    FillNumbered(S, 1, 3);
    const TDropResult result = DropAction(S, *Ring, 1, 0, akRotateLeft, 1);
    EXPECT_TRUE(result.Inserted);
    EXPECT_EQ(result.Row, 1);
    EXPECT_EQ(result.FirstSlot, 1);
    EXPECT_EQ(S.Step(1, 1), (TActionStep{akRotateLeft, 15, 0, 0, 0}));
    EXPECT_EQ(S.StepCount(1), 4);
    DoUndo(S, *Ring);
    EXPECT_EQ(S.StepCount(1), 3);
}

TEST_F(DropRules, DropMakesTheGridsListCurrent) {
    S.CurrentList = 1;
    DropAction(S, *Ring, 5, -1, akMoveForward, 1);
    EXPECT_EQ(S.CurrentList, 5);
    EXPECT_EQ(S.StepCount(5), 1);
}

TEST_F(DropRules, AppendingToALongListScrollsToItsEnd) {
    FillNumbered(S, 1, 6); // 8 rows: no scroll yet
    TDropResult result = DropAction(S, *Ring, 1, -1, akMoveForward, 1);
    EXPECT_EQ(result.Row, 7);
    EXPECT_EQ(result.TopRow, 2); // 9 rows - 7
    EXPECT_EQ(result.FirstSlot, 6);

    FillNumbered(S, 2, 6);
    result = DropAction(S, *Ring, 2, -1, akMoveForward, 1);
    EXPECT_EQ(result.TopRow, 3); // 9 rows - 6
    EXPECT_EQ(result.FirstSlot, 5);

    FillNumbered(S, 1, 20);
    result = DropAction(S, *Ring, 1, 2, akMoveForward, 10); // above the shown rows
    EXPECT_EQ(result.TopRow, 10);
    EXPECT_EQ(result.FirstSlot, 1);
}

TEST_F(DropRules, DropIntoAFullListOnlyTakesTheSnapshot) {
    FillNumbered(S, 1, MaxSteps);
    const TDropResult result = DropAction(S, *Ring, 1, 3, akMoveForward, 1);
    EXPECT_FALSE(result.Inserted);
    EXPECT_TRUE(Ring->CanUndo());
    EXPECT_EQ(S.StepCount(1), 255);
}

TEST_F(DropRules, PlusPanelWritesTheShownSetIntoBothLeftOrRight) {
    FillNumbered(S, 1, 2);
    EXPECT_TRUE(DropSensorSet(S, *Ring, 1, 2, 1, 3));
    EXPECT_TRUE(DropSensorSet(S, *Ring, 1, 3, 2, 4));
    EXPECT_TRUE(DropSensorSet(S, *Ring, 1, 4, 2, 1));
    EXPECT_EQ(S.Step(1, 1).BothSet, 3);
    EXPECT_EQ(S.Step(1, 2).LeftSet, 4);
    EXPECT_EQ(S.Step(1, 2).RightSet, 1);
    EXPECT_TRUE(Ring->CanUndo());
}

TEST_F(DropRules, PlusPanelIsRefusedOutsideTheSetCellsOfSteps) {
    FillNumbered(S, 1, 2); // 4 rows
    EXPECT_FALSE(SensorPanelDropAccepted(0, 1, 4));
    EXPECT_FALSE(SensorPanelDropAccepted(1, 1, 4));
    EXPECT_FALSE(SensorPanelDropAccepted(5, 1, 4));
    EXPECT_FALSE(SensorPanelDropAccepted(2, 0, 4));
    EXPECT_FALSE(SensorPanelDropAccepted(2, 3, 4)); // the append row
    EXPECT_TRUE(SensorPanelDropAccepted(4, 2, 4));
    EXPECT_FALSE(DropSensorSet(S, *Ring, 1, 2, 3, 1));
    EXPECT_FALSE(DropSensorSet(S, *Ring, 2, 2, 1, 1));
    EXPECT_FALSE(DropSensorSet(S, *Ring, 1, 2, 1, 5));
    EXPECT_FALSE(Ring->CanUndo());
    EXPECT_EQ(S.Step(1, 3), TActionStep{});
}

TEST_F(DropRules, ScrollingATwentyStepListRebindsEverySlot) {
    FillNumbered(S, 1, 20);
    TSlotPlan plan = BindVisibleActions(S, 1, 1, 1);
    plan = BindVisibleActions(S, 1, TopRowAfterScroll(2), 1);
    for (int slot = 1; slot <= 7; ++slot) {
        const TSlotBinding& binding = plan[static_cast<std::size_t>(slot - 1)];
        EXPECT_EQ(binding.Action, saBind);
        EXPECT_EQ(binding.Row, slot + 1);
        EXPECT_EQ(int{S.Step(1, binding.Row).Value}, slot + 1);
    }
    plan = BindVisibleActions(S, 1, 16, 1); // rows 16..20, then the append row
    EXPECT_EQ(plan[4].Row, 20);
    EXPECT_EQ(plan[5].Action, saHide);
    EXPECT_EQ(plan[6].Action, saHide);
}

TEST_F(DropRules, ShortListShowsItsStepsAndHidesTheRest) {
    FillNumbered(S, 3, 3);
    const TSlotPlan plan = BindVisibleActions(S, 3, 1, 1);
    EXPECT_EQ(plan[2].Action, saBind);
    EXPECT_EQ(plan[3].Action, saHide);
    EXPECT_EQ(plan[5].Action, saHide);
    EXPECT_EQ(plan[6].Action, saKeep); // sensor grids have six slots
    const TSlotPlan fromThree = BindVisibleActions(S, 3, 1, 3);
    EXPECT_EQ(fromThree[0].Action, saKeep);
    EXPECT_EQ(fromThree[2].Action, saBind);
}

TEST_F(DropRules, ShownLoopBackBelowItsRowTakesItsOwnRow) {
    FillNumbered(S, 1, 3);
    S.Step(1, 2) = Loop(8);
    S.Step(1, 3).Value = 400; // a duration out of range as well
    const TSlotPlan plan = BindVisibleActions(S, 1, 1, 1);
    EXPECT_EQ(int{S.Step(1, 2).Value}, 2);
    EXPECT_EQ(plan[1].Limits.MaxValue, 2);
    EXPECT_EQ(int{S.Step(1, 3).Value}, 255);
    EXPECT_EQ(int{S.Step(1, 1).Value}, 1);
}

TEST(DragRules, MovingFourPixelsIsStillAClick) {
    EXPECT_FALSE(DragStarts(4, -4));
    EXPECT_TRUE(DragStarts(-5, 0));
    EXPECT_TRUE(DragStarts(0, 5));
}

TEST(DragRules, DraggerStaysInsideTheMainWindow) {
    // Window from 100, 500 wide, frame edge 3; picture at 2 in the dragger, 54 wide.
    EXPECT_EQ(ClampedDraggerPosition(300, 20, 100, 500, 3, 2, 54), 280);
    EXPECT_EQ(ClampedDraggerPosition(50, 20, 100, 500, 3, 2, 54), 102);
    EXPECT_EQ(ClampedDraggerPosition(900, 20, 100, 500, 3, 2, 54), 541);
    EXPECT_EQ(ClampedDraggerPosition(900, 20, 100, 10, 3, 2, 54), 102);
}

TEST(DragRules, DropAnimationShrinksOntoTheRowsIcon) {
    const TPoint target = DropAnimationTarget(5, 3, 40);
    EXPECT_EQ(target.X, 41);
    EXPECT_EQ(target.Y, 85); // third shown row
    const TDropFrame first = DropAnimationFrame(0, {0, 0}, target);
    EXPECT_EQ(first.Size, 53);
    EXPECT_EQ(first.TopLeft.X, 0);
    const TDropFrame last = DropAnimationFrame(26, {0, 0}, target);
    EXPECT_EQ(last.Size, 27);
    EXPECT_EQ(last.ShapeSize, 28);
    EXPECT_EQ(last.ShapeCorner, 14);
    EXPECT_EQ(last.TopLeft.X, 41);
    EXPECT_EQ(last.TopLeft.Y, 85);
}

} // namespace
} // namespace wayline

namespace wayline {
namespace {

// Rows 1..5 hold steps, row 6 is the append row (R = 7); the grid is
// scrolled to top row 2.
TEST(RowMove, ReleasedOutsideTheRowsTheStepStays) {
    EXPECT_EQ(RowMoveTarget(2, false, -1, 2, 7), 0); // above the grid, or beside it
    EXPECT_EQ(RowMoveTarget(2, false, 4, 2, 7), 0);  // over the scroll bar
    EXPECT_EQ(RowMoveTarget(3, true, 3, 2, 7), 0);   // on itself
}

TEST(RowMove, InsideTheGridTheNearestRowTakesIt) {
    EXPECT_EQ(RowMoveTarget(2, true, 4, 2, 7), 4);
    EXPECT_EQ(RowMoveTarget(4, true, 0, 2, 7), 2);  // title row: the first row shown
    EXPECT_EQ(RowMoveTarget(2, true, 6, 2, 7), 5);  // the append row: the last step
    EXPECT_EQ(RowMoveTarget(2, true, -1, 2, 7), 5); // the empty space below the steps
    EXPECT_EQ(RowMoveTarget(6, true, 2, 2, 7), 0);  // the append row holds no step
}

TEST(RowMove, DragAtTheGridsEdgesScrolls) {
    constexpr int Height = 226;
    EXPECT_EQ(RowDragScroll(-40, Height), -1);
    EXPECT_EQ(RowDragScroll(10, Height), -1); // the title row
    EXPECT_EQ(RowDragScroll(GridRowPitch, Height), 0);
    EXPECT_EQ(RowDragScroll(Height - GridRowPitch / 2 - 1, Height), 0);
    EXPECT_EQ(RowDragScroll(Height - GridRowPitch / 2, Height), 1);
    EXPECT_EQ(RowDragScroll(Height + 50, Height), 1);
}

TEST(GridSelection, ShiftExtendsFromTheTopRowWhicheverWay) {
    EXPECT_EQ(PressSelection(3, false, 1).Top, 3);
    EXPECT_EQ(PressSelection(3, false, 1).Bottom, 3);
    EXPECT_EQ(PressSelection(5, true, 2).Top, 2);
    EXPECT_EQ(PressSelection(5, true, 2).Bottom, 5);
    EXPECT_EQ(PressSelection(1, true, 4).Top, 1);
    EXPECT_EQ(PressSelection(1, true, 4).Bottom, 4);
    // Nothing selected before (the title row): Shift selects the row alone.
    EXPECT_EQ(PressSelection(3, true, 0).Top, 3);
}

// Enter on a palette action puts it after the selected step; with no step
// selected it goes to the end, so a list can be built in order.
TEST(KeyboardDropRules, AddsAfterTheSelectedStepOrAtTheEnd) {
    EXPECT_EQ(KeyboardInsertRow(2, 5), 3);  // three steps, step 2 selected
    EXPECT_EQ(KeyboardInsertRow(3, 5), 4);  // the last step: after it
    EXPECT_EQ(KeyboardInsertRow(4, 5), 4);  // the append row: at the end
    EXPECT_EQ(KeyboardInsertRow(0, 5), 4);  // the title row
    EXPECT_EQ(KeyboardInsertRow(1, 2), 1);  // an empty list
    EXPECT_EQ(TopRowShowing(9, 1, 7), 3);
    EXPECT_EQ(TopRowShowing(2, 4, 7), 2);
    EXPECT_EQ(TopRowShowing(5, 1, 7), 1);
}

TEST(KeyboardDropRules, SetChoiceGoesRoundTheFiveSets) {
    EXPECT_EQ(NextSensorSet(0, 1), 1);
    EXPECT_EQ(NextSensorSet(4, 1), 0);
    EXPECT_EQ(NextSensorSet(0, -1), 4);
    EXPECT_EQ(NextSensorSet(2, -1), 1);
}

} // namespace
} // namespace wayline
