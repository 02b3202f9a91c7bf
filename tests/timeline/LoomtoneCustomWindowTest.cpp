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
    void Zoom(bool out) override { calls.push_back(out ? "zoom out" : "zoom in"); }
    bool PlaybackToFollow(double& ms) const override {
        ms = followMs;
        return follow;
    }
    void FilesDroppedOnTracks(const std::vector<std::string>&, GuiPoint p) override {
        dropPoint = p;
    }

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
    // The last track plus room to drop below it, less the view.
    EXPECT_EQ(m_area.GetTracksScrollY(), 700 + 140 - (600 - 72));
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
    const int32_t tenthHigh = (600 - 72) / 10;
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
