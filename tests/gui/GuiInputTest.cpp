#include "GuiTestObjects.h"

#include "gui/VRGuiLayer.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

// A 200 x 100 window with two objects side by side: a at (10, 10), b at (100, 10).
class GuiInput : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(window.Initialize(&host, 200, 100));
        window.AddChild(&a, 10, 10);
        window.AddChild(&b, 100, 10);
        host.Advance(40);
    }

    COffscreenGuiHost host;
    TestWindow window;
    TestObject a{50, 40};
    TestObject b{50, 40};
};

} // namespace

TEST_F(GuiInput, MovesTrackHoverWithEnterAndLeave) {
    host.MouseMove(20, 20);
    EXPECT_EQ(window.GetHovered(), &a);
    ASSERT_GE(a.mouse.size(), 2u);
    EXPECT_EQ(a.mouse[0].event, kMouseMove);
    EXPECT_EQ(a.mouse[0].point, (GuiPoint{10, 10}));
    EXPECT_EQ(a.mouse[1].event, kMouseEnter);
    EXPECT_EQ(a.mouse[1].keys, 0u);

    host.MouseMove(110, 15);
    EXPECT_EQ(window.GetHovered(), &b);
    EXPECT_EQ(a.mouse.back().event, kMouseLeave);
    EXPECT_EQ(b.mouse.back().event, kMouseEnter);

    host.MouseMove(190, 90); // over the window only
    EXPECT_EQ(window.GetHovered(), nullptr);
    EXPECT_EQ(b.mouse.back().event, kMouseLeave);
}

TEST_F(GuiInput, HitTestingFollowsZOrderAndFallsThrough) {
    TestObject top(50, 40);
    top.SetZOrder(50);
    window.AddChild(&top, 30, 20);
    host.LeftDown(40, 30);
    EXPECT_TRUE(top.Saw(kMouseLeftDown));
    EXPECT_FALSE(a.Saw(kMouseLeftDown));
    EXPECT_EQ(window.GetHovered(), &top);

    // An object that does not handle the event lets the one below try.
    top.handleMouse = false;
    host.LeftUp(40, 30);
    host.Advance(1000);
    host.LeftDown(40, 30);
    EXPECT_TRUE(a.Saw(kMouseLeftDown));
    EXPECT_EQ(a.mouse.back().point, (GuiPoint{30, 20}));
    EXPECT_EQ(window.GetHovered(), &top); // still the top one under the pointer
}

TEST_F(GuiInput, HiddenDisabledAndNonHoverObjectsAreSkipped) {
    a.Hide();
    host.LeftDown(20, 20);
    EXPECT_FALSE(a.Saw(kMouseLeftDown));
    EXPECT_TRUE(window.Saw(kMouseLeftDown));
    a.Show();
    a.Disable();
    host.Advance(1000);
    host.LeftDown(20, 20);
    EXPECT_FALSE(a.Saw(kMouseLeftDown));
    a.Enable();
    a.acceptsHover = false;
    host.MouseMove(21, 21);
    EXPECT_TRUE(a.Saw(kMouseMove));
    EXPECT_EQ(window.GetHovered(), nullptr);
}

TEST_F(GuiInput, CapturedObjectGetsEveryEventUntilRelease) {
    host.MouseMove(20, 20);
    window.SetCapture(&a);
    EXPECT_TRUE(host.IsMouseCaptured());
    EXPECT_TRUE(window.IsCaptureSet());
    const size_t bEvents = b.mouse.size();
    const size_t aEvents = a.mouse.size();

    host.MouseMove(120, 30); // over b
    host.RightDown(120, 30);
    host.RightUp(120, 30);
    EXPECT_EQ(b.mouse.size(), bEvents);
    ASSERT_EQ(a.mouse.size(), aEvents + 3); // no leave or enter while captured
    EXPECT_EQ(a.mouse[aEvents].event, kMouseMove);
    EXPECT_EQ(a.mouse[aEvents].point, (GuiPoint{110, 20}));
    EXPECT_EQ(a.mouse[aEvents + 1].event, kMouseRightDown);
    // Outside its rectangle the captured object is not the hovered one.
    EXPECT_EQ(window.GetHovered(), nullptr);
    host.MouseMove(30, 30);
    EXPECT_EQ(window.GetHovered(), &a);

    window.ReleaseCapture();
    EXPECT_FALSE(host.IsMouseCaptured());
    host.MouseMove(120, 30);
    EXPECT_EQ(window.GetHovered(), &b);
    EXPECT_EQ(a.mouse.back().event, kMouseLeave);
    EXPECT_EQ(b.mouse.back().event, kMouseEnter);
}

TEST_F(GuiInput, DoubleClickArrivesAsFiveThenSix) {
    host.LeftDown(20, 20);
    host.LeftUp(20, 20);
    host.Advance(100);
    host.LeftDown(21, 20);
    EXPECT_TRUE(window.GetDoubleClickFlag());
    EXPECT_EQ(a.mouse.back().event, kMouseLeftDoubleClick);
    host.LeftUp(21, 20);
    EXPECT_EQ(a.mouse.back().event, kMouseLeftUpAfterDoubleClick);
    // The next press starts over.
    host.Advance(600);
    host.LeftDown(20, 20);
    EXPECT_FALSE(window.GetDoubleClickFlag());
    host.LeftUp(20, 20);
    EXPECT_EQ(a.mouse.back().event, kMouseLeftUp);
}

TEST_F(GuiInput, DoubleClickIsNeverRoutedToTheCapturedObject) {
    host.LeftDown(20, 20);
    host.LeftUp(20, 20);
    window.SetCapture(&b);
    host.LeftDown(20, 20);
    EXPECT_TRUE(a.Saw(kMouseLeftDoubleClick));
    EXPECT_FALSE(b.Saw(kMouseLeftDoubleClick));
    host.LeftUp(20, 20);
    EXPECT_EQ(b.mouse.back().event, kMouseLeftUpAfterDoubleClick);
}

TEST_F(GuiInput, DestroyingTheHoveredOrCapturedObjectClearsIt) {
    auto doomed = std::make_unique<TestObject>(20, 20);
    window.AddChild(doomed.get(), 10, 60);
    host.MouseMove(15, 65);
    EXPECT_EQ(window.GetHovered(), doomed.get());
    window.SetCapture(doomed.get());
    doomed->StartTimer(600, 100);
    doomed.reset();
    EXPECT_EQ(window.GetHovered(), nullptr);
    EXPECT_EQ(window.GetCaptured(), nullptr);
    EXPECT_FALSE(window.IsCaptureSet());
    EXPECT_FALSE(host.IsMouseCaptured());
    EXPECT_EQ(window.ChildCount(), 2);
    EXPECT_FALSE(host.IsTimerRunning(600));
    host.MouseMove(20, 20); // no leave to the dead object
    EXPECT_EQ(window.GetHovered(), &a);
}

// A handler that destroys the object that was hovered before the move.
TEST_F(GuiInput, HoveredObjectDestroyedDuringTheMoveGetsNoLeave) {
    auto doomed = std::make_unique<TestObject>(20, 20);
    window.AddChild(doomed.get(), 10, 60);
    host.MouseMove(15, 65);
    class Killer : public TestObject {
    public:
        using TestObject::TestObject;
        std::unique_ptr<TestObject>* victim = nullptr;
        bool OnMouse(int32_t event, GuiPoint p, uint32_t keys) override {
            if (event == kMouseMove && victim)
                victim->reset();
            return TestObject::OnMouse(event, p, keys);
        }
    } killer(20, 20);
    killer.victim = &doomed;
    window.AddChild(&killer, 150, 60);
    host.MouseMove(155, 65);
    EXPECT_EQ(doomed, nullptr);
    EXPECT_EQ(window.GetHovered(), &killer);
    EXPECT_TRUE(killer.Saw(kMouseEnter));
}

TEST_F(GuiInput, FocusLossSendsLeaveAndReleasesCapture) {
    host.MouseMove(20, 20);
    window.SetCapture(&a);
    host.Activate(false);
    EXPECT_EQ(a.mouse.back().event, kMouseLeave);
    EXPECT_EQ(a.mouse.back().point, (GuiPoint{10, 10}));
    EXPECT_EQ(window.GetHovered(), nullptr);
    EXPECT_FALSE(window.IsCaptureSet());
    host.Activate(true);
    EXPECT_TRUE(host.HasFocus());
}

TEST_F(GuiInput, KeysAndTextGoToTheFirstChildThatTakesThem) {
    host.KeyDown(VK_DELETE, kModShift);
    EXPECT_EQ(a.keys.size(), 1u);
    EXPECT_EQ(b.keys.size(), 1u); // a declined it
    a.handleKeys = true;
    EXPECT_TRUE(host.KeyDown(VK_LEFT));
    EXPECT_EQ(a.keys.back(), VK_LEFT);
    EXPECT_EQ(b.keys.size(), 1u);
    a.Disable();
    host.Text("é");
    EXPECT_TRUE(a.texts.empty());
    ASSERT_EQ(b.texts.size(), 1u);
    EXPECT_EQ(b.texts[0], "é");
    // A disabled window takes no input at all.
    window.Disable();
    EXPECT_FALSE(host.KeyDown(VK_LEFT));
    EXPECT_EQ(host.LeftDown(110, 20), 0);
}

TEST_F(GuiInput, TheWheelGoesToTheObjectUnderThePointerOrToTheOpenLayerOnly) {
    EXPECT_NE(host.Wheel(20, 30, -240, MK_SHIFT), 0);
    ASSERT_EQ(a.wheels.size(), 1u);
    EXPECT_EQ(a.wheels[0].event, -240);
    EXPECT_EQ(a.wheels[0].point, (GuiPoint{10, 20}));
    EXPECT_EQ(a.wheels[0].keys, MK_SHIFT);
    EXPECT_TRUE(b.wheels.empty());
    // Nothing else there: only the window itself hears it (it heard the first one on its way).
    host.Wheel(80, 90, 120);
    EXPECT_EQ(window.wheels.size(), 2u);
    EXPECT_EQ(a.wheels.size(), 1u);
    EXPECT_TRUE(b.wheels.empty());

    Recording<VRGuiLayer> layer{40, 30};
    window.OpenLayer(&layer, 100, 50);
    EXPECT_EQ(host.Wheel(20, 30, 120), 0) << "the content below a layer is out of reach";
    EXPECT_EQ(a.wheels.size(), 1u);
    EXPECT_EQ(window.wheels.size(), 2u);
    EXPECT_NE(host.Wheel(110, 60, 120), 0);
    ASSERT_EQ(layer.wheels.size(), 1u);
    EXPECT_EQ(layer.wheels[0].point, (GuiPoint{10, 10}));
    window.CloseLayer(&layer);
}

TEST_F(GuiInput, TimersFireOnTheirObjectsAndStop) {
    a.StartTimer(555, 100);
    b.StartTimer(623, 30);
    EXPECT_TRUE(window.HasTimer(&a, 555));
    host.Advance(100);
    EXPECT_EQ(a.timers.size(), 1u);
    EXPECT_EQ(b.timers.size(), 3u);
    a.KillTimer(555);
    EXPECT_FALSE(host.IsTimerRunning(555));
    host.Advance(200);
    EXPECT_EQ(a.timers.size(), 1u);
    // Starting again replaces the entry.
    b.StartTimer(623, 50);
    b.StartTimer(623, 50);
    b.StartTimer(624, 50);
    window.KillTimer(&b, 0);
    EXPECT_FALSE(host.IsTimerRunning(623));
    EXPECT_FALSE(host.IsTimerRunning(624));
    EXPECT_TRUE(host.IsTimerRunning(VRGuiWindow::REFRESH_TIMER));

    // A timer message without an entry reaches no object.
    GuiMessage message;
    message.type = GuiMessageType::Timer;
    message.timerId = 777;
    EXPECT_EQ(window.WindowProc(message), 0);
    EXPECT_EQ(a.timers.size(), 1u);
    // Objects outside a window have no timers.
    TestObject loose(5, 5);
    loose.StartTimer(600, 10);
    EXPECT_FALSE(host.IsTimerRunning(600));
}

TEST_F(GuiInput, DroppedFilesReachTheHandlerAsAbsolutePaths) {
    std::vector<std::string> received;
    window.SetDropHandler(
        [&received](const std::vector<std::string>& files, GuiPoint) { received = files; });
    GuiMessage message;
    message.type = GuiMessageType::DropFiles;
    message.files = {"song.lt4", "/already/absolute.wav"};
    host.Send(message);
    const std::string folder = std::filesystem::current_path().string();
    EXPECT_EQ(received, (std::vector<std::string>{folder + "/song.lt4", "/already/absolute.wav"}));
}

TEST_F(GuiInput, ScrolledContainerHitTestsInContentCoordinates) {
    TestContainer box(100, 50);
    TestObject inner(30, 20);
    box.handleMouse = false;
    window.AddChild(&box, 50, 50);
    box.AddChild(&inner, 200, 10);
    box.SetScrollX(180);
    host.LeftDown(75, 65); // box point (25, 15), content (205, 15)
    ASSERT_TRUE(inner.Saw(kMouseLeftDown));
    EXPECT_EQ(inner.mouse.back().point, (GuiPoint{5, 5}));
    EXPECT_EQ(window.GetHovered(), &inner); // the deepest object wins
}

TEST_F(GuiInput, ToolTipShowsAfterTheDelayAndIsDrawnOverThePicture) {
    a.toolTip = "Volume";
    host.MouseMove(20, 20);
    host.Advance(480);
    EXPECT_FALSE(window.GetToolTipWindow().IsShown());
    host.Advance(80);
    ASSERT_TRUE(window.GetToolTipWindow().IsShown());
    EXPECT_EQ(window.GetToolTipWindow().Text(), "Volume");
    const GuiRect box = window.GetToolTipWindow().Rect();
    EXPECT_EQ(box.left, 20);
    EXPECT_EQ(box.top, 40);
    EXPECT_GT(box.Width(), 20);
    EXPECT_EQ(host.ScreenPixel(box.left, box.top), kOpaque);              // border
    EXPECT_EQ(host.ScreenPixel(box.left + 1, box.top + 1), 0xFFFFFFE1u);  // fill
    EXPECT_EQ(window.GetBackBuffer()->PixelAt(box.left + 1, box.top + 1), // not in the back buffer
              kOpaque | a.color);

    // Pressing hides it; the picture beneath comes back.
    host.LeftDown(20, 20);
    host.Advance(40);
    EXPECT_FALSE(window.GetToolTipWindow().IsShown());
    EXPECT_EQ(host.ScreenPixel(box.left + 1, box.top + 1), kOpaque | a.color);
}

TEST_F(GuiInput, ToolTipHidesAfterItsDisplayTimeAndFollowsTheText) {
    a.toolTip = "One";
    host.MouseMove(20, 20);
    window.GetToolTipWindow().SetDelay(1);
    host.Advance(40);
    ASSERT_TRUE(window.GetToolTipWindow().IsShown());
    a.toolTip = "Another";
    host.Advance(40);
    EXPECT_EQ(window.GetToolTipWindow().Text(), "Another");
    host.Advance(7000);
    EXPECT_FALSE(window.GetToolTipWindow().IsShown());
    host.Advance(1000); // not again until the pointer moves
    EXPECT_FALSE(window.GetToolTipWindow().IsShown());
    host.MouseMove(25, 20);
    host.Advance(40);
    EXPECT_TRUE(window.GetToolTipWindow().IsShown());
    host.MouseMove(150, 90); // nothing with a tooltip there
    host.Advance(40);
    EXPECT_FALSE(window.GetToolTipWindow().IsShown());
}

TEST(GuiWindow, FailedCreationLogsAndStartsNoTimer) {
    COffscreenGuiHost host;
    TestWindow window;
    LogCapture log;
    host.FailNextOpen();
    EXPECT_FALSE(window.Initialize(&host, 100, 100));
    EXPECT_TRUE(log.Contains("VRGuiWindow::Initialize failed!"));
    EXPECT_FALSE(host.IsTimerRunning(VRGuiWindow::REFRESH_TIMER));
    EXPECT_EQ(window.GetBackBuffer(), nullptr);
}

TEST(GuiWindow, FailedTimerStartsAreLoggedAndHarmless) {
    COffscreenGuiHost host;
    TestWindow window;
    LogCapture log;
    host.SetFailTimerStarts(true);
    EXPECT_TRUE(window.Initialize(&host, 100, 100));
    EXPECT_TRUE(log.Contains("****FAILED on VRGuiWindow::Initialize SetTimer failed"));
    TestObject object(10, 10);
    window.AddChild(&object, 0, 0);
    object.StartTimer(555, 100);
    EXPECT_TRUE(log.Contains("****FAILED on VRGuiWindow::StartTimer - timerID = 555"));
}

TEST(GuiWindow, DestroyMessageAsksTheLoopToEnd) {
    COffscreenGuiHost host;
    TestWindow window;
    ASSERT_TRUE(window.Initialize(&host, 100, 100));
    GuiMessage message;
    message.type = GuiMessageType::Destroy;
    window.WindowProc(message);
    EXPECT_TRUE(host.QuitPosted());
}

TEST(GuiWindow, ObjectsMayOutliveTheirContainerAndWindow) {
    auto host = std::make_unique<COffscreenGuiHost>();
    TestObject child(10, 10);
    TestObject other(10, 10);
    {
        TestWindow window;
        ASSERT_TRUE(window.Initialize(host.get(), 100, 100));
        auto box = std::make_unique<TestContainer>(50, 50);
        window.AddChild(box.get(), 0, 0);
        box->AddChild(&child, 5, 5);
        window.AddChild(&other, 60, 60);
        other.StartTimer(555, 10);
        box.reset();
        EXPECT_EQ(child.GetParent(), nullptr);
        EXPECT_EQ(window.ChildCount(), 1);
    }
    EXPECT_EQ(other.GetParent(), nullptr);
    EXPECT_EQ(other.GetWindow(), nullptr);
    other.Invalidate(nullptr); // reaches no window
}
