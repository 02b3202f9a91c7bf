#include "pianoroll/PRLoopRange.h"

#include "pianoroll/PRNoteTiming.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

const PRNoteTiming k120(120, 4, 4);

TEST(PRLoopRangeTest, TheEndDraggedBeforeTheStartStaysATenthOfASecondAfterIt) {
    PRLoopRange range(1000, 4000);
    range.DragEnd(-500, k120, 4);
    EXPECT_EQ(range.EndMs(), 1100);
    EXPECT_EQ(range.StartMs(), 1000);
}

TEST(PRLoopRangeTest, TheStartStopsATenthOfASecondBeforeTheEnd) {
    PRLoopRange range(0, 2000);
    range.DragStart(1990, k120, 4); // snaps to 2000, the end itself
    EXPECT_EQ(range.StartMs(), 1900);
    range.DragStart(-300, k120, 4);
    EXPECT_EQ(range.StartMs(), 0);
}

TEST(PRLoopRangeTest, DraggedFlagsGoToTheSnapGrid) {
    PRLoopRange range(0, 2000);
    range.DragStart(374, k120, 4);
    EXPECT_EQ(range.StartMs(), 250);
    range.DragEnd(3100, k120, 1); // bar snap: past beat 2 of bar 2 goes on to bar 3
    EXPECT_EQ(range.EndMs(), 4000);
    range.DragEnd(2345.5, k120, 0);
    EXPECT_EQ(range.EndMs(), 2345.5);
}

TEST(PRLoopRangeTest, SnapFollowsTheSoundsOwnTempoAndSixEight) {
    // 90 bpm eighths last 333.3 ms.
    PRLoopRange at90(0, 4000);
    at90.DragEnd(1100, PRNoteTiming(90, 4, 4), 4);
    EXPECT_NEAR(at90.EndMs(), 1000, 0.01);
    // 6/8 bars last 3000 ms at the reference tempo.
    PRLoopRange sixEight(0, 1000);
    sixEight.DragEnd(4000, PRNoteTiming(120, 6, 8), 1);
    EXPECT_EQ(sixEight.EndMs(), 3000);
}

TEST(PRLoopRangeTest, ATimeThatIsNoNumberChangesNothing) {
    PRLoopRange range(0, 2000);
    range.DragEnd(std::numeric_limits<double>::quiet_NaN(), k120, 4);
    range.DragStart(std::numeric_limits<double>::infinity(), k120, 4);
    EXPECT_EQ(range.StartMs(), 0);
    EXPECT_EQ(range.EndMs(), 2000);
}

} // namespace
