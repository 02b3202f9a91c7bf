#include "pianoroll/PRAutoScroll.h"

#include <gtest/gtest.h>

namespace {

// A view as the piano roll lays it out: right of the 71-pixel keyboard,
// below the strip and the ruler.
const PRAutoScroll::View kView{71, 60, 771, 460};

PRAutoScroll::Step At(int32_t x, int32_t y, int32_t pressX = 400, int32_t pressY = 200) {
    return PRAutoScroll::StepFor(kView, x, y, pressX, pressY);
}

TEST(PRAutoScrollTest, InsideTheViewNothingScrolls) {
    EXPECT_EQ(At(500, 300), (PRAutoScroll::Step{0, 0}));
}

TEST(PRAutoScrollTest, TheRightZoneScrollsFasterTheDeeper) {
    EXPECT_EQ(At(700, 200).dx, 1);    // 24 into the zone
    EXPECT_EQ(At(781, 200).dx, 58);   // 105 into it: 1 + 0.00005 * 105^3
    EXPECT_EQ(At(2000, 200).dx, 110); // capped at 130
}

TEST(PRAutoScrollTest, NearTheKeyboardItScrollsLeft) {
    EXPECT_EQ(At(75, 200).dx, -2);     // depth 75 - 105 = -30
    EXPECT_EQ(At(50, 200).dx, -9);     // depth -55
    EXPECT_EQ(At(-500, 200).dx, -401); // capped at -200
    EXPECT_EQ(At(80, 200).dx, 0);
}

TEST(PRAutoScrollTest, BelowAndAboveTheViewItScrollsVertically) {
    EXPECT_EQ(At(400, 455, 400, 100).dy, 1);
    EXPECT_EQ(At(400, 470, 400, 100).dy, 1);
    EXPECT_EQ(At(400, 1000, 400, 100).dy, 51); // capped at 100
    EXPECT_EQ(At(400, 40, 400, 300).dy, -3);   // depth 40 - 75 = -35
    EXPECT_EQ(At(400, -500, 400, 300).dy, -51);
}

TEST(PRAutoScrollTest, AShortDragDoesNotScroll) {
    EXPECT_EQ(At(781, 200, 770, 200).dx, 0);
    EXPECT_EQ(At(400, 470, 400, 460).dy, 0);
    EXPECT_EQ(At(781, 470, 767, 456), (PRAutoScroll::Step{0, 0}));
}

} // namespace
