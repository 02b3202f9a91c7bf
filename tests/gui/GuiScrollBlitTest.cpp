#include "GuiTestObjects.h"

#include "gui/CBackBuffer.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

constexpr int32_t kWindowWidth = 200;
constexpr int32_t kWindowHeight = 120;
// The scrolled container as shown in the window.
constexpr GuiRect kBox{20, 10, 180, 110};
// A bar over the container, short of its right edge, that does not scroll with it.
constexpr GuiRect kBar{150, 10, 160, 110};

// A window holding a container with tiles in distinct colours, reaching far
// beyond it, with gaps that show the container's own colour, and a bar above
// the container.
struct Scene {
    Scene() {
        window.color = 0xFFFFFF;
        box.color = 0x204060;
        bar.color = 0x000000;
        bar.SetZOrder(kDefaultZOrder + 1);
        window.AddChild(&box, kBox.left, kBox.top);
        window.AddChild(&bar, kBar.left, kBar.top);
        for (int row = 0; row < 12; ++row) {
            for (int column = 0; column < 16; ++column) {
                auto tile = std::make_unique<TestObject>(17 + column % 3, 13 + row % 4);
                tile->color = uint32_t(0x100000 * (column + 1) + 0x1000 * (row + 3) + 0x11 * row);
                box.AddChild(tile.get(), column * 23 + row % 5, row * 19 + column % 3);
                tiles.push_back(std::move(tile));
            }
        }
    }
    bool Open() { return window.Initialize(&host, kWindowWidth, kWindowHeight); }
    void Tick() { host.Advance(window.GetRefreshPeriod()); }
    void ForgetDraws() {
        window.draws.clear();
        box.draws.clear();
        bar.draws.clear();
        for (auto& tile : tiles)
            tile->draws.clear();
    }
    // Pixels drawn since ForgetDraws, each object's draws counted apart.
    uint64_t DrawnPixelCount() const {
        uint64_t count = 0;
        auto add = [&](const Recorder& recorder) {
            for (const GuiRect& r : recorder.draws)
                count += uint64_t(r.Width()) * uint64_t(r.Height());
        };
        add(window);
        add(box);
        add(bar);
        for (const auto& tile : tiles)
            add(*tile);
        return count;
    }
    // Everything drawn since ForgetDraws, in window coordinates.
    CRegion Drawn() const {
        CRegion drawn;
        auto add = [&](const VRGuiObject& object, const Recorder& recorder) {
            for (const GuiRect& r : recorder.draws)
                drawn.Unite(object.LocalToAbsRect(r));
        };
        add(window, window);
        add(box, box);
        add(bar, bar);
        for (const auto& tile : tiles)
            add(*tile, *tile);
        return drawn;
    }

    COffscreenGuiHost host;
    TestWindow window;
    TestContainer box{kBox.Width(), kBox.Height()};
    TestObject bar{kBar.Width(), kBar.Height()};
    std::vector<std::unique_ptr<TestObject>> tiles;
};

// The screen of a scene scrolled step by step equals, pixel for pixel, that
// of a fresh scene opened at the final offsets.
void ExpectSameAsFresh(Scene& scrolled, int32_t x, int32_t y) {
    Scene fresh;
    fresh.box.SetScrollX(x);
    fresh.box.SetScrollY(y);
    ASSERT_TRUE(fresh.Open());
    fresh.Tick();
    int wrong = 0;
    for (int32_t py = 0; py < kWindowHeight; ++py)
        for (int32_t px = 0; px < kWindowWidth; ++px)
            wrong += scrolled.host.ScreenPixel(px, py) != fresh.host.ScreenPixel(px, py);
    EXPECT_EQ(wrong, 0) << "at scroll " << x << ", " << y;
}

} // namespace

TEST(GuiScrollBlit, ScreenAfterEachScrollEqualsAFreshPaint) {
    Scene scene;
    ASSERT_TRUE(scene.Open());
    scene.Tick();
    struct Step {
        int32_t dx, dy;
    };
    // Small and large steps both ways, one short of the width, the width and
    // beyond (which repaint whole), and both axes at once.
    const Step steps[] = {{1, 0},  {3, 0},  {-2, 0},  {17, 0},   {-40, 0}, {0, 5},
                          {0, -3}, {0, 60}, {159, 0}, {-159, 0}, {160, 0}, {-200, 0},
                          {7, 9},  {-8, 4}, {0, 99},  {0, -100}, {30, -20}};
    int32_t x = 60, y = 30;
    scene.box.SetScrollX(x);
    scene.box.SetScrollY(y);
    scene.Tick();
    for (const Step& step : steps) {
        x += step.dx;
        y += step.dy;
        scene.box.SetScrollX(x);
        scene.box.SetScrollY(y);
        scene.Tick();
        ExpectSameAsFresh(scene, x, y);
    }
}

TEST(GuiScrollBlit, ScrollRedrawsOnlyTheUncoveredStripAndAroundTheBar) {
    Scene scene;
    ASSERT_TRUE(scene.Open());
    scene.Tick();
    for (int32_t dx : {6, -6}) {
        scene.ForgetDraws();
        const uint64_t drawnBefore = scene.window.DrawnPixels();
        scene.box.SetScrollX(scene.box.GetScrollX() + dx);
        // The screen is given the whole container, drawn or moved.
        EXPECT_EQ(scene.window.GetPendingInvalidRegion().BoundingBox(), kBox);
        scene.Tick();
        // The strip at the edge the content moves away from, the bar, and
        // where the pixels hidden under the bar would have landed.
        const GuiRect strip = dx > 0 ? GuiRect{kBox.right - dx, kBox.top, kBox.right, kBox.bottom}
                                     : GuiRect{kBox.left, kBox.top, kBox.left - dx, kBox.bottom};
        CRegion expected(strip);
        expected.Unite(kBar);
        expected.Unite(kBar.Offset(-dx, 0));
        CRegion outside = scene.Drawn();
        outside.Subtract(expected);
        EXPECT_TRUE(outside.IsEmpty()) << "drew " << outside.Area() << " pixels beyond the strip";
        EXPECT_EQ(scene.bar.draws.size(), 1u);
        // The window's own count, which the paint benchmark reports, agrees.
        EXPECT_EQ(scene.window.DrawnPixels() - drawnBefore, scene.DrawnPixelCount());
    }
    ExpectSameAsFresh(scene, 0, 0);
}

TEST(GuiScrollBlit, PendingChangesOrAnUnpaintedWindowRepaintWhole) {
    Scene scene;
    // Never painted: the tiles are still dirty.
    scene.box.SetScrollX(10);
    ASSERT_TRUE(scene.Open());
    scene.Tick();
    ExpectSameAsFresh(scene, 10, 0);

    // A tile changed colour and is not drawn yet: its old pixels must not travel.
    scene.tiles[3]->color = 0xFF00FF;
    scene.tiles[3]->Invalidate(nullptr);
    scene.ForgetDraws();
    scene.box.SetScrollX(14);
    scene.Tick();
    EXPECT_EQ(scene.Drawn().BoundingBox(), kBox);

    // Two scrolls within one tick: the second finds the first's strip pending.
    scene.box.SetScrollX(19);
    scene.box.SetScrollX(23);
    scene.Tick();
    Scene fresh;
    fresh.tiles[3]->color = 0xFF00FF;
    fresh.box.SetScrollX(23);
    ASSERT_TRUE(fresh.Open());
    fresh.Tick();
    for (int32_t py = 0; py < kWindowHeight; py += 3)
        for (int32_t px = 0; px < kWindowWidth; px += 3)
            ASSERT_EQ(scene.host.ScreenPixel(px, py), fresh.host.ScreenPixel(px, py));
}

TEST(CBackBufferMove, OverlappingMovesBothWaysAndRefusesOutside) {
    CBackBuffer buffer;
    ASSERT_TRUE(buffer.Create(8, 8));
    cairo_t* cr = buffer.Context();
    for (int i = 0; i < 8; ++i) {
        cairo_set_source_rgb(cr, i / 8.0, 0, (7 - i) / 8.0);
        cairo_rectangle(cr, i, i, 1, 1);
        cairo_fill(cr);
    }
    const uint32_t diagonal3 = buffer.PixelAt(3, 3);
    const uint32_t diagonal5 = buffer.PixelAt(5, 5);
    // Down-right by one: what was at (3, 3) shows at (4, 4).
    ASSERT_TRUE(buffer.MoveRect({1, 1, 8, 8}, -1, -1));
    EXPECT_EQ(buffer.PixelAt(4, 4), diagonal3);
    EXPECT_EQ(buffer.PixelAt(6, 6), diagonal5);
    // And back up-left.
    ASSERT_TRUE(buffer.MoveRect({0, 0, 7, 7}, 1, 1));
    EXPECT_EQ(buffer.PixelAt(3, 3), diagonal3);
    EXPECT_EQ(buffer.PixelAt(5, 5), diagonal5);
    EXPECT_FALSE(buffer.MoveRect({0, 0, 8, 8}, 1, 0));
    EXPECT_FALSE(buffer.MoveRect({-1, 0, 4, 4}, 1, 0));
    EXPECT_EQ(buffer.PixelAt(3, 3), diagonal3);
}
