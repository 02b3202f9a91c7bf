#include "GuiTestObjects.h"

#include "gui/VRGuiLayer.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class TestLayer : public Recording<VRGuiLayer> {
public:
    using Recording<VRGuiLayer>::Recording;
    void OnPressOutside(GuiPoint p) override { outsidePresses.push_back(p); }
    std::vector<GuiPoint> outsidePresses;
};

// A 200 x 100 window whose content is one object under the whole left half;
// the layer (60 x 40) opens at (20, 20), over that content.
class GuiLayer : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(window.Initialize(&host, 200, 100));
        window.AddChild(&content, 0, 0);
        content.handleKeys = true;
        layer.handleKeys = true;
        layer.AddChild(&inner, 5, 5);
        host.Advance(40);
    }

    COffscreenGuiHost host;
    TestWindow window;
    TestObject content{100, 100};
    TestLayer layer{60, 40};
    TestObject inner{10, 10};
};

} // namespace

TEST_F(GuiLayer, TakesAllInputWhileOpen) {
    window.OpenLayer(&layer, 20, 20);
    EXPECT_EQ(window.TopLayer(), &layer);

    host.LeftDown(27, 27); // on the layer's child
    host.LeftUp(27, 27);
    EXPECT_TRUE(inner.Saw(kMouseLeftDown));
    host.LeftDown(90, 90); // on the content, outside the layer
    EXPECT_FALSE(content.Saw(kMouseLeftDown));
    ASSERT_EQ(layer.outsidePresses.size(), 1u);
    EXPECT_EQ(layer.outsidePresses[0], (GuiPoint{90, 90}));

    host.KeyDown('A');
    host.Text("a");
    EXPECT_TRUE(content.keys.empty());
    EXPECT_TRUE(content.texts.empty());
    EXPECT_EQ(layer.keys, std::vector<int32_t>{'A'});
}

TEST_F(GuiLayer, ContentGetsInputBackWhenClosed) {
    window.OpenLayer(&layer, 20, 20);
    host.MouseMove(27, 27);
    EXPECT_EQ(window.GetHovered(), &inner);
    window.CloseLayer(&layer);
    EXPECT_EQ(window.GetHovered(), nullptr);
    EXPECT_EQ(window.LayerCount(), 0);
    host.LeftDown(27, 27);
    EXPECT_TRUE(content.Saw(kMouseLeftDown));
    host.KeyDown('B');
    EXPECT_EQ(content.keys, std::vector<int32_t>{'B'});
}

TEST_F(GuiLayer, OpeningTakesHoverAndCaptureFromTheContent) {
    host.MouseMove(10, 10);
    window.SetCapture(&content);
    window.OpenLayer(&layer, 20, 20);
    EXPECT_EQ(window.GetCaptured(), nullptr);
    EXPECT_EQ(window.GetHovered(), nullptr);
    EXPECT_EQ(content.mouse.back().event, kMouseLeave);
}

TEST_F(GuiLayer, IsDrawnAboveTheContentAndMovedIntoTheWindow) {
    layer.color = 0x00FF00;
    window.OpenLayer(&layer, 180, 90); // would stick out: moved to (140, 60)
    EXPECT_EQ(layer.GetX(), 140);
    EXPECT_EQ(layer.GetY(), 60);
    host.Advance(40);
    EXPECT_EQ(host.ScreenPixel(199, 99), kOpaque | 0x00FF00);
    window.CloseLayer(&layer);
    host.Advance(40);
    EXPECT_NE(host.ScreenPixel(199, 99), kOpaque | 0x00FF00);
}

TEST_F(GuiLayer, ClosingRepaintsWhatItCoveredAsItWas) {
    // The layer straddles the content, an object above it and the bare window.
    TestObject child{30, 30};
    child.color = 0x2040C0;
    content.color = 0xC04020;
    window.AddChild(&child, 70, 30);
    window.Invalidate(nullptr);
    host.Advance(40);
    const auto screen = [this] {
        std::vector<uint32_t> pixels;
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 200; ++x)
                pixels.push_back(host.ScreenPixel(x, y));
        return pixels;
    };
    const std::vector<uint32_t> before = screen();
    layer.color = 0xF0F0F0;
    window.OpenLayer(&layer, 80, 20);
    host.Advance(40);
    ASSERT_EQ(host.ScreenPixel(130, 50), kOpaque | 0xF0F0F0);
    ASSERT_NE(screen(), before);
    window.CloseLayer(&layer);
    host.Advance(40);
    EXPECT_EQ(screen(), before);
    window.RemoveChild(&child);
}

TEST_F(GuiLayer, NewestLayerIsOnTopAndADestroyedLayerCloses) {
    auto second = std::make_unique<TestLayer>(30, 30);
    window.OpenLayer(&layer, 20, 20);
    window.OpenLayer(second.get(), 30, 30);
    EXPECT_EQ(window.TopLayer(), second.get());
    host.LeftDown(35, 35);
    EXPECT_TRUE(second->Saw(kMouseLeftDown));
    EXPECT_FALSE(inner.Saw(kMouseLeftDown));
    second.reset();
    EXPECT_EQ(window.TopLayer(), &layer);
}

TEST_F(GuiLayer, ModalLoopRunsTheDriverUntilFinished) {
    bool closed = false;
    int steps = 0;
    host.SetModalDriver([&](COffscreenGuiHost& h, int depth) {
        EXPECT_EQ(depth, 1);
        h.Advance(40);
        if (++steps == 3)
            closed = true;
    });
    EXPECT_TRUE(window.RunModal([&] { return closed; }));
    EXPECT_EQ(steps, 3);
    EXPECT_EQ(host.ModalDepth(), 0);
}

TEST_F(GuiLayer, ModalLoopGivesUpWithoutAnAnswer) {
    EXPECT_FALSE(window.RunModal([] { return false; }));
    int steps = 0;
    host.SetModalDriver([&](COffscreenGuiHost&, int) { ++steps; });
    EXPECT_FALSE(window.RunModal([] { return false; }));
    EXPECT_EQ(steps, COffscreenGuiHost::kMaxModalSteps);
    // Already finished: no step at all.
    steps = 0;
    EXPECT_TRUE(window.RunModal([] { return true; }));
    EXPECT_EQ(steps, 0);
}

TEST_F(GuiLayer, ModalDriverKeepsItsStateFromStepToStep) {
    host.SetModalDriver([steps = 0](COffscreenGuiHost& h, int) mutable {
        if (++steps == 3)
            h.PostQuit();
    });
    EXPECT_TRUE(window.RunModal([&] { return host.QuitPosted(); }));
}
