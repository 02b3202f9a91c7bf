#include "gui/CRegion.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

constexpr int kGrid = 40;

// The reference: one boolean per pixel of a kGrid x kGrid area.
class PixelGrid {
public:
    PixelGrid() : m_cells(kGrid * kGrid, false) {}
    void Set(const GuiRect& r, bool value) {
        for (int y = std::max(r.top, 0); y < std::min(r.bottom, kGrid); ++y)
            for (int x = std::max(r.left, 0); x < std::min(r.right, kGrid); ++x)
                m_cells[size_t(y * kGrid + x)] = value;
    }
    void KeepOnly(const GuiRect& r) {
        for (int y = 0; y < kGrid; ++y)
            for (int x = 0; x < kGrid; ++x)
                if (!r.Contains(x, y))
                    m_cells[size_t(y * kGrid + x)] = false;
    }
    bool At(int x, int y) const { return m_cells[size_t(y * kGrid + x)]; }
    void And(const PixelGrid& other) {
        for (size_t i = 0; i < m_cells.size(); ++i)
            m_cells[i] = m_cells[i] && other.m_cells[i];
    }

private:
    std::vector<bool> m_cells;
};

GuiRect RandomRect(std::mt19937& random) {
    std::uniform_int_distribution<int> coordinate(-3, kGrid + 3);
    int a = coordinate(random), b = coordinate(random), c = coordinate(random),
        d = coordinate(random);
    // Some empty and inverted rectangles on purpose.
    if (random() % 8 == 0)
        return {a, b, c, d};
    return {std::min(a, c), std::min(b, d), std::max(a, c), std::max(b, d)};
}

// The region equals the grid pixel for pixel, its rectangles are non-empty and
// disjoint, and its bounding box and area agree.
void ExpectSame(const CRegion& region, const PixelGrid& grid) {
    int64_t count = 0;
    GuiRect box{kGrid, kGrid, -1, -1};
    for (int y = 0; y < kGrid; ++y) {
        for (int x = 0; x < kGrid; ++x) {
            ASSERT_EQ(region.Contains(x, y), grid.At(x, y)) << "pixel " << x << "," << y;
            if (grid.At(x, y)) {
                ++count;
                box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                       std::max(box.bottom, y + 1)};
            }
        }
    }
    EXPECT_EQ(region.Area(), count);
    EXPECT_EQ(region.IsEmpty(), count == 0);
    if (count > 0) {
        EXPECT_EQ(region.BoundingBox(), box);
    }
    const auto& rects = region.Rects();
    for (size_t i = 0; i < rects.size(); ++i) {
        EXPECT_FALSE(rects[i].IsEmpty());
        for (size_t j = i + 1; j < rects.size(); ++j)
            EXPECT_FALSE(rects[i].Intersects(rects[j]));
    }
}

} // namespace

TEST(CRegion, EmptyRegionAndEmptyRectangles) {
    CRegion region;
    EXPECT_TRUE(region.IsEmpty());
    EXPECT_TRUE(region.BoundingBox().IsEmpty());
    region.Unite(GuiRect{5, 5, 5, 10});
    region.Unite(GuiRect{5, 5, 2, 10});
    EXPECT_TRUE(region.IsEmpty());
    EXPECT_FALSE(region.Intersects({0, 0, 100, 100}));
    region.SetRect({1, 2, 3, 4});
    EXPECT_EQ(region.Rects().size(), 1u);
    region.SetRect({3, 2, 1, 4});
    EXPECT_TRUE(region.IsEmpty());
}

TEST(CRegion, RightAndBottomAreExclusive) {
    CRegion region(GuiRect{0, 0, 10, 10});
    EXPECT_TRUE(region.Contains(9, 9));
    EXPECT_FALSE(region.Contains(10, 9));
    EXPECT_FALSE(region.Contains(9, 10));
    EXPECT_FALSE(region.Intersects({10, 0, 20, 10}));
    EXPECT_TRUE(region.Intersects({9, 9, 20, 20}));
}

TEST(CRegion, TouchingRectanglesMergeIntoOne) {
    CRegion region;
    region.Unite(GuiRect{0, 0, 10, 10});
    region.Unite(GuiRect{10, 0, 20, 10});
    region.Unite(GuiRect{0, 10, 20, 15});
    ASSERT_EQ(region.Rects().size(), 1u);
    EXPECT_EQ(region.Rects()[0], (GuiRect{0, 0, 20, 15}));
    region.Subtract(GuiRect{0, 10, 20, 15});
    ASSERT_EQ(region.Rects().size(), 1u);
    EXPECT_EQ(region.Rects()[0], (GuiRect{0, 0, 20, 10}));
    // A hole leaves a frame of at most four rectangles.
    region.Subtract(GuiRect{5, 3, 15, 7});
    EXPECT_LE(region.Rects().size(), 4u);
}

TEST(CRegion, TranslateMovesEveryPixel) {
    CRegion region(GuiRect{0, 0, 4, 4});
    region.Unite(GuiRect{10, 10, 12, 12});
    region.Translate(-100, 67108864);
    EXPECT_TRUE(region.Contains(-100, 67108864));
    EXPECT_TRUE(region.Contains(-89, 67108875));
    EXPECT_FALSE(region.Contains(0, 0));
    EXPECT_EQ(region.Area(), 16 + 4);
}

TEST(CRegion, OperationsWithItself) {
    CRegion region(GuiRect{0, 0, 5, 5});
    region.Unite(region);
    EXPECT_EQ(region.Area(), 25);
    region.Intersect(region);
    EXPECT_EQ(region.Area(), 25);
    region.Subtract(region);
    EXPECT_TRUE(region.IsEmpty());
}

// Random sequences of operations checked pixel by pixel against the grid.
TEST(CRegion, RandomOperationsMatchAPixelGrid) {
    std::mt19937 random(1234);
    for (int round = 0; round < 200; ++round) {
        CRegion region;
        PixelGrid grid;
        for (int step = 0; step < 12; ++step) {
            const GuiRect r = RandomRect(random);
            switch (random() % 5) {
            case 0:
            case 1:
                region.Unite(r);
                grid.Set(r, true);
                break;
            case 2:
                region.Subtract(r);
                grid.Set(r, false);
                break;
            case 3:
                region.Intersect(r.IsEmpty() ? GuiRect{0, 0, kGrid, kGrid} : r);
                grid.KeepOnly(r.IsEmpty() ? GuiRect{0, 0, kGrid, kGrid} : r);
                break;
            default: {
                // With a region made of several rectangles.
                CRegion other;
                PixelGrid otherGrid;
                for (int k = 0; k < 3; ++k) {
                    const GuiRect part = RandomRect(random);
                    other.Unite(part);
                    otherGrid.Set(part, true);
                }
                const int kind = int(random() % 3);
                if (kind == 0) {
                    region.Unite(other);
                    for (const GuiRect& part : other.Rects())
                        grid.Set(part, true);
                } else if (kind == 1) {
                    region.Subtract(other);
                    for (const GuiRect& part : other.Rects())
                        grid.Set(part, false);
                } else {
                    region.Intersect(other);
                    grid.And(otherGrid);
                }
            }
            }
            // Keep the reference within the grid it can see.
            region.Intersect(GuiRect{0, 0, kGrid, kGrid});
            ASSERT_NO_FATAL_FAILURE(ExpectSame(region, grid)) << "round " << round;
        }
    }
}
