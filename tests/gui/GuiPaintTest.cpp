#include "GuiTestObjects.h"

#include "gui/CBackBuffer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <vector>

namespace {

constexpr uint32_t kRed = 0xFF0000;
constexpr uint32_t kBlue = 0x0000FF;
constexpr uint32_t kGreen = 0x00FF00;
constexpr uint32_t kWhite = 0xFFFFFF;

// A 200 x 100 window on the offscreen host, white, shown once.
class GuiPaint : public ::testing::Test {
protected:
    void SetUp() override {
        window.color = kWhite;
        ASSERT_TRUE(window.Initialize(&host, 200, 100));
    }
    // One refresh tick, with its paint.
    void Tick() { host.Advance(window.GetRefreshPeriod()); }
    uint32_t Screen(int x, int y) { return host.ScreenPixel(x, y); }
    void ClearRecords() {
        window.draws.clear();
        for (TestObject* object : {&a, &b})
            object->draws.clear();
    }

    COffscreenGuiHost host;
    TestWindow window;
    TestObject a{50, 40};
    TestObject b{50, 40};
};

} // namespace

TEST(VRGuiObjectBasics, DirtyBookkeepingWithAndWithoutARegion) {
    TestObject object(100, 50);
    GuiRect r{10, 10, 20, 20};
    object.SetClean(nullptr);
    EXPECT_FALSE(object.IsDirty(nullptr));
    object.SetDirty(&r);
    EXPECT_TRUE(object.IsDirty(nullptr));
    const GuiRect clean{30, 30, 40, 40};
    EXPECT_FALSE(object.IsDirty(&clean));
    GuiRect spot{0, 0, 100, 50};
    const GuiRect second{50, 30, 60, 40};
    object.SetDirty(&second);
    // Two small spots come back as one bounding box.
    ASSERT_TRUE(object.GetOverlappingDirtyRect(spot));
    EXPECT_EQ(spot, (GuiRect{10, 10, 60, 40}));
    GuiRect elsewhere{80, 0, 100, 10};
    EXPECT_FALSE(object.GetOverlappingDirtyRect(elsewhere));

    object.DropDirtyRegion();
    EXPECT_FALSE(object.HasDirtyRegion());
    EXPECT_TRUE(object.IsDirty(&elsewhere));
    GuiRect any{1, 1, 2, 2};
    ASSERT_TRUE(object.GetOverlappingDirtyRect(any));
    EXPECT_EQ(any, object.GetRect());
    object.SetClean(&any);
    EXPECT_FALSE(object.IsDirty(nullptr));
}

TEST(VRGuiContainerChildren, ManyChildrenKeepTheirZOrderAndLeaveTogether) {
    VRGuiContainer container;
    std::vector<std::unique_ptr<TestObject>> objects;
    for (int i = 0; i < 6; ++i) {
        objects.push_back(std::make_unique<TestObject>(10, 10));
        objects.back()->SetZOrder(i % 2 == 0 ? 5 : 3);
        container.AddChild(objects.back().get(), i * 10, 0);
    }
    // Adding a child again changes nothing.
    container.AddChild(objects[0].get(), 0, 0);
    ASSERT_EQ(container.ChildCount(), 6);
    // Lower z-orders first, each in the order added.
    const int expected[] = {1, 3, 5, 0, 2, 4};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(container.ChildAt(i), objects[static_cast<size_t>(expected[i])].get()) << i;
    container.RemoveChildren({objects[1].get(), objects[2].get(), objects[4].get()});
    ASSERT_EQ(container.ChildCount(), 3);
    EXPECT_EQ(container.ChildAt(0), objects[3].get());
    EXPECT_EQ(container.ChildAt(1), objects[5].get());
    EXPECT_EQ(container.ChildAt(2), objects[0].get());
    EXPECT_EQ(objects[2]->GetParent(), nullptr);
    EXPECT_FALSE(container.HasChild(objects[4].get()));
    container.RemoveChildren({objects[0].get(), objects[3].get(), objects[5].get()});
    EXPECT_EQ(container.ChildCount(), 0);
}

TEST_F(GuiPaint, FirstDisplayPaintsEverything) {
    a.color = kRed;
    window.AddChild(&a, 10, 10);
    EXPECT_EQ(host.InvalidateRectCalls(), 0);
    Tick();
    EXPECT_EQ(host.PaintCount(), 1);
    EXPECT_EQ(Screen(0, 0), kOpaque | kWhite);
    EXPECT_EQ(Screen(10, 10), kOpaque | kRed);
    EXPECT_EQ(Screen(59, 49), kOpaque | kRed);
    EXPECT_EQ(Screen(60, 50), kOpaque | kWhite);
    EXPECT_EQ(window.GetBackBuffer()->PixelAt(10, 10), kOpaque | kRed);
}

TEST_F(GuiPaint, OverlappingObjectsPaintInZOrder) {
    a.color = kRed;
    b.color = kBlue;
    b.SetZOrder(40);
    window.AddChild(&b, 30, 20); // added first, yet on top
    window.AddChild(&a, 10, 10);
    EXPECT_EQ(window.ChildAt(0), &a);
    EXPECT_EQ(window.ChildAt(1), &b);
    Tick();
    EXPECT_EQ(Screen(15, 15), kOpaque | kRed);
    EXPECT_EQ(Screen(40, 30), kOpaque | kBlue); // overlap: the upper one
    EXPECT_EQ(Screen(75, 55), kOpaque | kBlue);
    EXPECT_EQ(Screen(5, 5), kOpaque | kWhite);

    // Lowering b below a repaints the overlap red.
    b.SetZOrder(10);
    EXPECT_EQ(window.ChildAt(0), &b);
    Tick();
    EXPECT_EQ(Screen(40, 30), kOpaque | kRed);
    EXPECT_EQ(Screen(75, 55), kOpaque | kBlue);

    const std::string dir = LOOMTONE_TEST_TMP;
    std::filesystem::create_directories(dir);
    EXPECT_TRUE(host.SaveScreenPng(dir + "/gui-zorder.png"));
    EXPECT_TRUE(window.GetBackBuffer()->SavePng(dir + "/gui-zorder-back.png"));
    EXPECT_GT(std::filesystem::file_size(dir + "/gui-zorder.png"), 0u);
}

TEST_F(GuiPaint, AnUpperObjectStaysOnTopOfALowerOneThatRedraws) {
    // As a menu over a toolbar button: the button, deeper in the tree,
    // changes while the menu lies over it.
    TestContainer holder{120, 80};
    holder.color = kGreen;
    a.color = kRed;
    b.color = kBlue;
    b.SetZOrder(40);
    window.AddChild(&holder, 0, 0);
    holder.AddChild(&a, 10, 10);
    window.AddChild(&b, 30, 20);
    Tick();
    ASSERT_EQ(Screen(40, 30), kOpaque | kBlue);
    ClearRecords();
    a.Invalidate(nullptr);
    Tick();
    EXPECT_EQ(Screen(15, 15), kOpaque | kRed);
    EXPECT_EQ(Screen(40, 30), kOpaque | kBlue);
    EXPECT_EQ(Screen(59, 49), kOpaque | kBlue);
    // Only where the two overlap.
    ASSERT_EQ(b.draws.size(), 1u);
    EXPECT_EQ(b.draws[0], (GuiRect{0, 0, 30, 30}));
    window.RemoveChild(&b);
    holder.RemoveChild(&a);
}

TEST_F(GuiPaint, OnlyDirtyPartsAreRepainted) {
    window.AddChild(&a, 10, 10);
    window.AddChild(&b, 100, 10);
    Tick();
    ClearRecords();
    const int paints = host.PaintCount();

    const GuiRect spot{5, 5, 15, 15};
    a.Invalidate(&spot);
    Tick();
    EXPECT_EQ(host.PaintCount(), paints + 1);
    ASSERT_EQ(a.draws.size(), 1u);
    EXPECT_EQ(a.draws[0], spot);
    EXPECT_TRUE(b.draws.empty());
    EXPECT_TRUE(window.draws.empty()); // a is opaque
    EXPECT_EQ(host.LastPresented().BoundingBox(), spot.Offset(10, 10));

    // A tick with nothing dirty paints nothing.
    Tick();
    EXPECT_EQ(host.PaintCount(), paints + 1);
}

TEST_F(GuiPaint, TransparentChildInvalidatesItsParent) {
    window.AddChild(&a, 10, 10);
    Tick();
    ClearRecords();
    a.SetTransparent(true);
    a.Invalidate(nullptr);
    Tick();
    ASSERT_FALSE(window.draws.empty());
    EXPECT_EQ(window.draws[0], (GuiRect{10, 10, 60, 50}));
    ASSERT_EQ(a.draws.size(), 1u); // drawn again over the parent's background

    ClearRecords();
    a.SetTransparent(false);
    a.Invalidate(nullptr);
    Tick();
    EXPECT_TRUE(window.draws.empty());
    EXPECT_EQ(a.draws.size(), 1u);
}

TEST_F(GuiPaint, OpaqueChildrenAreLeftOutOfTheParentsRepaint) {
    window.AddChild(&a, 10, 10);
    Tick();
    ClearRecords();
    const GuiRect area{10, 10, 60, 80}; // a, and the strip below it
    window.Invalidate(&area);
    Tick();
    ASSERT_EQ(window.draws.size(), 1u);
    EXPECT_EQ(window.draws[0], (GuiRect{10, 50, 60, 80}));
    ASSERT_EQ(a.draws.size(), 1u);
    EXPECT_EQ(a.draws[0], a.GetRect());
}

TEST_F(GuiPaint, TwoInvalidationsInOneTickReachTheHostOnce) {
    window.AddChild(&a, 10, 10);
    window.AddChild(&b, 100, 10);
    Tick();
    const int calls = host.InvalidateRectCalls();
    const int paints = host.PaintCount();
    a.Invalidate(nullptr);
    host.Advance(10);
    b.Invalidate(nullptr);
    host.Advance(10);
    EXPECT_EQ(host.InvalidateRectCalls(), calls); // nothing between ticks
    EXPECT_FALSE(window.GetPendingInvalidRegion().IsEmpty());
    host.Advance(20);
    EXPECT_GT(host.InvalidateRectCalls(), calls);
    EXPECT_EQ(host.PaintCount(), paints + 1);
    EXPECT_TRUE(window.GetPendingInvalidRegion().IsEmpty());
}

TEST_F(GuiPaint, RefreshPeriodAndConserveCpuMode) {
    EXPECT_EQ(host.TimerPeriod(VRGuiWindow::REFRESH_TIMER), 40u);
    window.SetRefreshPeriod(VRGuiWindow::RefreshPeriodFor(true));
    EXPECT_EQ(host.TimerPeriod(VRGuiWindow::REFRESH_TIMER), 150u);
    window.AddChild(&a, 10, 10);
    const int paints = host.PaintCount();
    host.Advance(149);
    EXPECT_EQ(host.PaintCount(), paints);
    host.Advance(1);
    EXPECT_EQ(host.PaintCount(), paints + 1);
    window.SetRefreshPeriod(VRGuiWindow::RefreshPeriodFor(false));
    EXPECT_EQ(host.TimerPeriod(VRGuiWindow::REFRESH_TIMER), 40u);
}

TEST_F(GuiPaint, DisabledWindowNeitherFlushesNorRepaints) {
    window.AddChild(&a, 10, 10);
    window.Disable();
    host.Advance(200);
    EXPECT_EQ(host.PaintCount(), 0);
    EXPECT_FALSE(window.GetPendingInvalidRegion().IsEmpty());
    window.Enable();
    Tick();
    EXPECT_EQ(host.PaintCount(), 1);
    EXPECT_EQ(Screen(10, 10), kOpaque | a.color);
}

TEST_F(GuiPaint, MovingAnObjectRepaintsWhereItWasAndWhereItIs) {
    a.color = kRed;
    window.AddChild(&a, 10, 10);
    Tick();
    ClearRecords();
    a.SetPosition(100, 50);
    Tick();
    EXPECT_EQ(Screen(10, 10), kOpaque | kWhite);
    EXPECT_EQ(Screen(100, 50), kOpaque | kRed);
    EXPECT_EQ(Screen(149, 89), kOpaque | kRed);
    ASSERT_FALSE(window.draws.empty());
    EXPECT_EQ(window.draws[0], (GuiRect{10, 10, 60, 50}));
    EXPECT_EQ(a.GetAbsX(), 100);
    EXPECT_EQ(a.GetAbsY(), 50);
}

TEST_F(GuiPaint, GrowingAndShrinkingTouchOnlyTheStrips) {
    a.color = kRed;
    window.AddChild(&a, 10, 10);
    Tick();
    ClearRecords();
    a.SetSize(70, 40);
    Tick();
    ASSERT_EQ(a.draws.size(), 1u);
    EXPECT_EQ(a.draws[0], (GuiRect{50, 0, 70, 40}));
    EXPECT_EQ(Screen(75, 20), kOpaque | kRed);

    ClearRecords();
    a.SetSize(30, 20);
    Tick();
    EXPECT_TRUE(a.draws.empty());
    EXPECT_EQ(Screen(75, 20), kOpaque | kWhite);
    EXPECT_EQ(Screen(20, 40), kOpaque | kWhite);
    EXPECT_EQ(Screen(20, 20), kOpaque | kRed);
}

TEST_F(GuiPaint, HiddenChildrenAreNotPaintedAndContainersHideTheirs) {
    TestContainer box(100, 60);
    box.color = kGreen;
    a.color = kRed;
    b.color = kBlue;
    window.AddChild(&box, 0, 0);
    box.AddChild(&a, 0, 0);
    box.AddChild(&b, 50, 0);
    b.Hide();
    Tick();
    EXPECT_EQ(Screen(10, 10), kOpaque | kRed);
    EXPECT_EQ(Screen(60, 10), kOpaque | kGreen);
    EXPECT_TRUE(b.draws.empty());

    box.Hide();
    EXPECT_FALSE(a.IsVisible());
    Tick();
    EXPECT_EQ(Screen(10, 10), kOpaque | kWhite);
    EXPECT_EQ(Screen(60, 10), kOpaque | kWhite);

    box.Show(); // shows b too, although it was hidden on its own
    EXPECT_TRUE(b.IsVisible());
    Tick();
    EXPECT_EQ(Screen(10, 10), kOpaque | kRed);
    EXPECT_EQ(Screen(60, 10), kOpaque | kBlue);

    // A child added to a hidden container is hidden with it.
    TestObject late(5, 5);
    box.Hide();
    box.AddChild(&late, 90, 50);
    EXPECT_FALSE(late.IsVisible());
}

TEST_F(GuiPaint, ScrolledContainerPaintsChildrenAtTheirShownPlace) {
    TestContainer box(150, 80);
    box.color = kGreen;
    a.color = kRed;
    window.AddChild(&box, 20, 10);
    box.AddChild(&a, 100, 20);
    box.SetScrollX(80);
    box.SetScrollY(10);
    EXPECT_EQ(a.GetAbsX(), 20 + 100 - 80);
    EXPECT_EQ(a.GetAbsY(), 10 + 20 - 10);
    EXPECT_EQ(a.GetRectInParent(), (GuiRect{20, 10, 70, 50}));
    Tick();
    EXPECT_EQ(Screen(40, 20), kOpaque | kRed);
    EXPECT_EQ(Screen(89, 59), kOpaque | kRed);
    EXPECT_EQ(Screen(90, 20), kOpaque | kGreen);
    EXPECT_EQ(Screen(25, 15), kOpaque | kGreen);

    // Scrolling further moves the picture.
    box.SetScrollX(60);
    Tick();
    EXPECT_EQ(Screen(40, 20), kOpaque | kGreen);
    EXPECT_EQ(Screen(60, 20), kOpaque | kRed);
}

// A timeline-like object far wider than cairo can address: it is only ever
// asked to draw parts within the window, translated to its own coordinates.
TEST_F(GuiPaint, HugeObjectsDrawOnlyTheirVisiblePart) {
    TestContainer ruler(200, 100);
    ruler.color = kWhite;
    TestObject lane(67108864, 30);
    lane.color = kBlue;
    window.AddChild(&ruler, 0, 0);
    ruler.AddChild(&lane, 0, 40);
    ruler.SetScrollX(67108864 - 150);
    Tick();
    ASSERT_FALSE(lane.draws.empty());
    for (const GuiRect& r : lane.draws) {
        EXPECT_GE(r.left, 67108864 - 150);
        EXPECT_LE(r.right, 67108864);
    }
    EXPECT_EQ(Screen(0, 45), kOpaque | kBlue);
    EXPECT_EQ(Screen(149, 69), kOpaque | kBlue);
    EXPECT_EQ(Screen(150, 45), kOpaque | kWhite);
}

TEST_F(GuiPaint, RemovingAChildRepaintsItsArea) {
    a.color = kRed;
    window.AddChild(&a, 10, 10);
    Tick();
    window.RemoveChild(&a);
    EXPECT_EQ(a.GetParent(), nullptr);
    Tick();
    EXPECT_EQ(Screen(10, 10), kOpaque | kWhite);
}

TEST_F(GuiPaint, GrowingTheWindowGrowsTheBackBufferOnly) {
    a.color = kRed;
    window.AddChild(&a, 10, 10);
    Tick();
    host.UserResize(300, 150);
    EXPECT_EQ(window.GetWidth(), 300);
    EXPECT_EQ(window.GetBackBuffer()->Width(), 300);
    EXPECT_EQ(window.GetBackBuffer()->Height(), 150);
    EXPECT_EQ(Screen(250, 120), kOpaque | kWhite);
    EXPECT_EQ(Screen(10, 10), kOpaque | kRed); // copied over from the old buffer
    host.UserResize(100, 50);
    EXPECT_EQ(window.GetWidth(), 100);
    EXPECT_EQ(window.GetBackBuffer()->Width(), 300);
    EXPECT_EQ(host.Width(), 100);
}

TEST_F(GuiPaint, OverlaysDrawOverTheirContainer) {
    TestContainer box(100, 60);
    TestObject caret(2, 60);
    caret.color = kRed;
    window.AddChild(&box, 0, 0);
    box.AddOverlay(&caret, 40, 0);
    EXPECT_EQ(box.OverlayCount(), 1);
    Tick();
    EXPECT_TRUE(caret.draws.empty()); // no dirty bookkeeping for overlays
    box.DrawOverlays(nullptr, false);
    ASSERT_EQ(caret.draws.size(), 1u);
    EXPECT_EQ(window.GetBackBuffer()->PixelAt(40, 30), kOpaque | kRed);
    caret.draws.clear();
    const GuiRect part{0, 10, 100, 20};
    box.DrawOverlays(&part, true);
    ASSERT_EQ(caret.draws.size(), 1u);
    EXPECT_EQ(caret.draws[0], (GuiRect{0, 10, 2, 20}));
}
