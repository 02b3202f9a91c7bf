#include "timeline/LoomtoneCustomWindow.h"
#include "gui/COffscreenGuiHost.h"
#include "gui/GuiInput.h"
#include "gui/GuiScrollBar.h"
#include "gui/VRGuiWindow.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A track area whose document records what it was asked to do.
class RecordingTrackArea : public LoomtoneCustomWindow {
public:
    int32_t msPerPixel = 10;
    bool clipsSelected = false;
    TimelineExtents extents;
    bool follow = false;
    double followMs = 0.0;
    std::vector<std::string> calls;
    double lastDeltaMs = 0.0;
    int32_t lastTrackDelta = 0;
    bool lastSnap = false;
    GuiPoint dropPoint{-1, -1};

    void AddTrackHeader(int32_t y, int32_t height) {
        auto header = std::make_unique<VRGuiObject>(300, height);
        HeaderColumn().AddChild(header.get(), 0, y);
        m_headers.push_back(std::move(header));
    }

protected:
    int32_t TrackAreaMsPerPixel() const override { return msPerPixel; }
    double SnapAdjustedTime(double ms) const override { return ms; }
    TimelineExtents GetTimelineExtents() const override { return extents; }
    bool HasActiveTimeSelection() const override { return false; }
    void ClearTimeSelection() override { calls.push_back("clear selection"); }
    bool HasSelectedClips() const override { return clipsSelected; }
    void DeleteSelection() override { calls.push_back("delete"); }
    void SelectNextClip(int32_t direction) override {
        calls.push_back(direction > 0 ? "next" : "previous");
    }
    void DeselectEverything() override { calls.push_back("deselect"); }
    void PlayStopKey(uint32_t) override { calls.push_back("play"); }
    void MoveToProjectStart() override { calls.push_back("start"); }
    void MoveToProjectEnd() override { calls.push_back("end"); }
    void MoveClips(double x, int32_t y, bool snap) override { Record("clips", x, y, snap); }
    void MoveCaret(double x, int32_t y, bool snap) override { Record("caret", x, y, snap); }
    void Zoom(bool out) override {
        calls.push_back(out ? "zoom out" : "zoom in");
        msPerPixel = out ? msPerPixel * 2 : std::max(1, msPerPixel / 2);
    }
    bool PlaybackToFollow(double& ms) const override {
        ms = followMs;
        return follow;
    }
    void FilesDroppedOnTracks(const std::vector<std::string>&, GuiPoint p) override {
        dropPoint = p;
    }
    void OnClickBelowTracks(int32_t x, uint32_t keys) override {
        calls.push_back("below tracks");
        lastClickX = x;
        lastClickKeys = keys;
    }

public:
    int32_t lastClickX = -1;
    uint32_t lastClickKeys = 0;

private:
    void Record(const char* what, double x, int32_t y, bool snap) {
        calls.push_back(what);
        lastDeltaMs = x;
        lastTrackDelta = y;
        lastSnap = snap;
    }

    std::vector<std::unique_ptr<VRGuiObject>> m_headers;
};

class TrackAreaTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_window.Initialize(&m_host, 1000, 600));
        ASSERT_TRUE(m_area.Initialize(&m_window, 0, 0, 1000, 600));
    }
    void AddTracks(int count, int32_t height) {
        for (int i = 0; i < count; ++i)
            m_area.AddTrackHeader(i * height, height);
        m_area.RecomputeScrollRanges(true, true);
    }

    COffscreenGuiHost m_host;
    VRGuiWindow m_window;
    RecordingTrackArea m_area;
};

TEST_F(TrackAreaTest, LayoutHasAFloorAndScrollBarsAppearOnlyWhenNeeded) {
    m_area.SetSize(100, 100);
    EXPECT_EQ(m_area.GetWidth(), 330);
    EXPECT_EQ(m_area.GetHeight(), 228);

    m_area.SetSize(1000, 600);
    AddTracks(2, 70);
    EXPECT_FALSE(m_area.VerticalBar().IsVisible());
    // The timeline always reaches a little past the view.
    EXPECT_TRUE(m_area.HorizontalBar().IsVisible());
    // While everything fits the view stays at the top.
    m_area.SetVerticalScroll(50);
    EXPECT_EQ(m_area.GetTracksScrollY(), 0);

    AddTracks(10, 70);
    EXPECT_TRUE(m_area.VerticalBar().IsVisible());
    m_area.SetVerticalScroll(100000);
    // The view lies between the ruler and the horizontal bar.
    const int32_t view = 600 - 46 - 50 - 68 - 18;
    EXPECT_EQ(m_area.GetTracksViewHeight(), view);
    // The last track plus room to drop below it, less the view.
    EXPECT_EQ(m_area.GetTracksScrollY(), 700 + LoomtoneCustomWindow::kDropRoomBelowTracks - view);
    EXPECT_EQ(m_area.HeaderColumn().GetScrollY(), m_area.TrackBodies().GetScrollY());
}

TEST_F(TrackAreaTest, ContentWidthReachesEveryExtentAndTheHorizontalBarFollows) {
    m_area.extents.projectEndMs = 30000; // 3000 px at 10 ms per pixel
    m_area.RecomputeScrollRanges(false, true);
    EXPECT_EQ(m_area.GetContentWidth(), 200 + 3000 + 10);
    EXPECT_TRUE(m_area.HorizontalBar().IsVisible());
    m_area.extents.caretMs = 80000;
    m_area.RecomputeScrollRanges(false, true);
    EXPECT_EQ(m_area.GetContentWidth(), 200 + 8000);
}

TEST_F(TrackAreaTest, ScrollBarCodesMoveByATenthOrAFullView) {
    AddTracks(20, 70);
    m_area.extents.projectEndMs = 100000;
    m_area.RecomputeScrollRanges(true, true);
    const int32_t tenthHigh = m_area.GetTracksViewHeight() / 10;
    m_area.OnVerticalScroll(GuiScrollBar::kPageDown, 0);
    EXPECT_EQ(m_area.GetTracksScrollY(), tenthHigh);
    m_area.OnVerticalScroll(GuiScrollBar::kLineUp, 0);
    m_area.OnVerticalScroll(GuiScrollBar::kLineUp, 0);
    EXPECT_EQ(m_area.GetTracksScrollY(), 0);

    m_area.OnHorizontalScroll(GuiScrollBar::kPageDown, 0);
    EXPECT_EQ(m_area.GetTimelineScrollX(), 700);
    m_area.OnHorizontalScroll(GuiScrollBar::kLineUp, 0);
    EXPECT_EQ(m_area.GetTimelineScrollX(), 630);
    m_area.OnHorizontalScroll(GuiScrollBar::kThumbTracking, 123);
    EXPECT_TRUE(m_area.IsButtonHeld());
    EXPECT_EQ(m_area.GetTimelineScrollX(), 123);
    m_area.OnHorizontalScroll(GuiScrollBar::kThumbReleased, 0);
    EXPECT_FALSE(m_area.IsButtonHeld());
}

TEST_F(TrackAreaTest, KeysBecomeEditingCommands) {
    m_host.KeyDown(VK_RIGHT);
    EXPECT_EQ(m_area.calls.back(), "caret");
    // A twentieth of the 700-pixel view at 10 ms per pixel.
    EXPECT_DOUBLE_EQ(m_area.lastDeltaMs, 350.0);
    EXPECT_TRUE(m_area.lastSnap);
    m_area.clipsSelected = true;
    m_host.KeyDown(VK_LEFT, kModControl);
    EXPECT_EQ(m_area.calls.back(), "clips");
    EXPECT_DOUBLE_EQ(m_area.lastDeltaMs, -20.0);
    m_host.KeyDown(VK_LEFT, kModControl | kModShift);
    EXPECT_DOUBLE_EQ(m_area.lastDeltaMs, -1.0);
    m_host.KeyDown(VK_DOWN);
    EXPECT_EQ(m_area.lastTrackDelta, 1);
    m_host.KeyDown(VK_TAB, kModShift);
    EXPECT_EQ(m_area.calls.back(), "previous");
    m_host.KeyDown(VK_DELETE);
    EXPECT_EQ(m_area.calls.back(), "delete");
    m_host.KeyDown(VK_OEM_PLUS);
    EXPECT_EQ(m_area.calls.back(), "zoom in");
    m_host.KeyDown(VK_SUBTRACT);
    EXPECT_EQ(m_area.calls.back(), "zoom out");
    // An unlisted key is left to others.
    EXPECT_EQ(m_host.KeyDown('Q'), 0);
}

TEST_F(TrackAreaTest, EdgeScrollingWaitsForFifteenPixelsOfMovement) {
    m_area.extents.projectEndMs = 100000;
    m_area.RecomputeScrollRanges(true, true);
    m_area.AllowEdgeScrolling(true, false);
    m_host.LeftDown(990, 300);
    m_host.MouseMove(995, 300, MK_LBUTTON);
    ASSERT_TRUE(m_area.IsEdgeScrolling());
    m_host.Advance(LoomtoneCustomWindow::kScrollTimerMs);
    EXPECT_EQ(m_area.GetTimelineScrollX(), 0) << "only 5 pixels from the press";

    m_host.LeftUp(995, 300);
    m_host.LeftDown(900, 300);
    m_host.MouseMove(992, 300, MK_LBUTTON);
    m_host.Advance(LoomtoneCustomWindow::kScrollTimerMs);
    // 100 pixels into the zone: 1 + 100^3 * 0.00005 = 51 pixels per tick.
    EXPECT_EQ(m_area.GetTimelineScrollX(), 51);
    m_host.LeftUp(992, 300);
    EXPECT_FALSE(m_area.IsEdgeScrolling());
    m_host.Advance(LoomtoneCustomWindow::kScrollTimerMs);
    EXPECT_EQ(m_area.GetTimelineScrollX(), 51);
}

TEST_F(TrackAreaTest, PlaybackIsFollowedByJumpingAPageAhead) {
    m_area.follow = true;
    m_area.followMs = 6900; // x 690, within 20 pixels of the right edge
    m_host.Advance(LoomtoneCustomWindow::kScrollTimerMs);
    EXPECT_EQ(m_area.GetTimelineScrollX(), 690);
    m_area.followMs = 7000;
    m_host.Advance(LoomtoneCustomWindow::kScrollTimerMs);
    EXPECT_EQ(m_area.GetTimelineScrollX(), 690);
}

TEST_F(TrackAreaTest, DropsArriveInTrackBodyCoordinates) {
    AddTracks(20, 70);
    m_area.SetVerticalScroll(100);
    m_area.DropFiles({"a.wav"}, {400, 200});
    // Bodies start at x 300 and y 46 + 50 in the window.
    EXPECT_EQ(m_area.dropPoint.x, 100);
    EXPECT_EQ(m_area.dropPoint.y, 200 - 96 + 100);
    m_area.dropPoint = {-1, -1};
    m_area.DropFiles({"a.wav"}, {100, 200});
    EXPECT_EQ(m_area.dropPoint.x, -1) << "a drop on the headers is ignored";
}

} // namespace

namespace {

// Headers of the given count and height, replacing none: for one layout each.
class TrackAreaSizes : public TrackAreaTest {};

} // namespace

TEST_F(TrackAreaSizes, EveryTrackCanBeScrolledIntoViewAndTheBarMatchesTheView) {
    AddTracks(8, 70);
    for (const GuiPoint size : {GuiPoint{1024, 720 - 22 - 20 - 150}, GuiPoint{1000, 600},
                                GuiPoint{330, 228}, GuiPoint{1920, 1080}}) {
        m_area.SetSize(size.x, size.y);
        m_area.RecomputeScrollRanges(true, true);
        m_area.SetVerticalScroll(1 << 20);
        const int32_t view = m_area.GetTracksViewHeight();
        const int32_t y = m_area.GetTracksScrollY();
        SCOPED_TRACE(std::to_string(size.x) + " x " + std::to_string(size.y));
        // The eighth track's lower edge is in view.
        EXPECT_LE(8 * 70 - y, view);
        EXPECT_EQ(m_area.VerticalBar().IsVisible(), 8 * 70 > view);
        // Headers and bodies scroll together and end where the view ends.
        EXPECT_EQ(m_area.HeaderColumn().GetScrollY(), y);
        EXPECT_EQ(m_area.TrackBodies().GetScrollY(), y);
        EXPECT_EQ(m_area.HeaderColumn().GetHeight(), view);
        if (!m_area.VerticalBar().IsVisible())
            continue;
        // The bar runs beside the bodies' view and its thumb reaches the end.
        const GuiScrollBar& bar = m_area.VerticalBar();
        EXPECT_EQ(bar.GetY(), LoomtoneCustomWindow::kBodiesTop);
        EXPECT_EQ(bar.GetHeight(), view);
        EXPECT_EQ(bar.GetPos(), y);
        EXPECT_EQ(bar.GetMax() - bar.GetPage() + 1, y);
    }
}

TEST_F(TrackAreaSizes, FewerTracksOrAResetLeaveNoStaleScroll) {
    AddTracks(12, 70);
    m_area.SetVerticalScroll(300);
    m_area.SetHorizontalScroll(200);
    ASSERT_EQ(m_area.GetTracksScrollY(), 300);
    m_area.ResetScroll();
    EXPECT_EQ(m_area.GetTracksScrollY(), 0);
    EXPECT_EQ(m_area.GetTimelineScrollX(), 0);
    EXPECT_EQ(m_area.VerticalBar().GetPos(), 0);
    EXPECT_EQ(m_area.HorizontalBar().GetPos(), 0);

    m_area.SetVerticalScroll(300);
    m_area.SetSize(1000, 1200); // now all twelve fit
    m_area.RecomputeScrollRanges(true, true);
    EXPECT_EQ(m_area.GetTracksScrollY(), 0);
    EXPECT_FALSE(m_area.VerticalBar().IsVisible());
}

TEST_F(TrackAreaSizes, TheWheelScrollsTracksWithShiftTheTimelineWithControlItZooms) {
    AddTracks(20, 70);
    m_area.extents.projectEndMs = 100000;
    m_area.RecomputeScrollRanges(true, true);
    // Towards the user: down the tracks.
    m_host.Wheel(500, 300, -120);
    EXPECT_EQ(m_area.GetTracksScrollY(), LoomtoneCustomWindow::kWheelStep);
    m_host.Wheel(500, 300, 3 * 120);
    EXPECT_EQ(m_area.GetTracksScrollY(), 0);
    m_host.Wheel(100, 300, -120); // over the headers too
    EXPECT_EQ(m_area.GetTracksScrollY(), LoomtoneCustomWindow::kWheelStep);

    m_host.Wheel(500, 300, -120, MK_SHIFT);
    EXPECT_EQ(m_area.GetTimelineScrollX(), 70); // a tenth of the 700-pixel view
    m_host.Wheel(500, 300, 120, MK_SHIFT);
    EXPECT_EQ(m_area.GetTimelineScrollX(), 0);

    // Zooming keeps the time under the pointer where it was.
    m_area.SetHorizontalScroll(1000);
    const int32_t pointerX = 700;
    const double before = (m_area.GetTimelineScrollX() + pointerX - 300) * m_area.msPerPixel;
    m_host.Wheel(pointerX, 300, 120, MK_CONTROL);
    EXPECT_EQ(m_area.calls.back(), "zoom in");
    EXPECT_EQ(m_area.msPerPixel, 5);
    const double after = (m_area.GetTimelineScrollX() + pointerX - 300) * m_area.msPerPixel;
    EXPECT_EQ(after, before);
    m_host.Wheel(pointerX, 300, -120, MK_CONTROL);
    EXPECT_EQ(m_area.calls.back(), "zoom out");
    EXPECT_EQ((m_area.GetTimelineScrollX() + pointerX - 300) * m_area.msPerPixel, before);
}

TEST_F(TrackAreaSizes, AClickOnTheEmptySpaceBelowTheTracksIsReported) {
    AddTracks(2, 70);
    // The bodies' view starts at y 96; the tracks end 140 pixels below.
    m_host.LeftDown(450, 96 + 100);
    m_host.LeftUp(450, 96 + 100);
    EXPECT_TRUE(m_area.calls.empty()) << "that was the second track";
    m_host.LeftDown(450, 96 + 200);
    m_host.LeftUp(451, 96 + 201, MK_SHIFT);
    ASSERT_EQ(m_area.calls, std::vector<std::string>{"below tracks"});
    EXPECT_EQ(m_area.lastClickX, 151);
    EXPECT_EQ(m_area.lastClickKeys, MK_SHIFT);
    m_host.LeftDown(450, 96 + 200);
    m_host.LeftUp(480, 96 + 240);
    EXPECT_EQ(m_area.calls.size(), 1u) << "a drag is no click";
}
