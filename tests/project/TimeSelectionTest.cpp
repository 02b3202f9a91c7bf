// The time selection: dragged out on the lanes, over clips and on the ruler,
// snapped to the grid as heard at every tempo, drawn over the tracks it
// spans, selecting the clips it touches, and gone after a click or Escape.
#include "ProjectOnWindowTest.h"
#include "TempoCase.h"
#include "engine/TempoMap.h"
#include "gui/CSkin.h"
#include "gui/GuiInput.h"
#include "project/CClip.h"
#include "project/CTrack.h"
#include "project/CTrackBody.h"
#include "timeline/CTimeGrid.h"
#include "timeline/CTrackSelRect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

constexpr int kEighths = 4;

class TimeSelectionTest : public ProjectOnWindowTest,
                          public ::testing::WithParamInterface<TempoCase> {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_skin.Init(std::string(LOOMTONE_SOURCE_DIR) + "/data/loomskin.ini"));
        CSkin::SetCurrent(&m_skin);
        ProjectOnWindowTest::SetUp();
        ApplyTempoCase(*m_project, GetParam());
        if (HasFatalFailure())
            return;
        m_project->SetSnapLevel(kEighths);
    }
    void TearDown() override {
        ProjectOnWindowTest::TearDown();
        CSkin::SetCurrent(nullptr);
    }
    const TempoMap& Map() { return m_project->GetTempoMap(); }
    // The grid line as heard nearest to a heard time, whole milliseconds.
    double Snapped(double heardMs) {
        return std::trunc(Map().GetTempoAdjustedTime(
            m_project->TimeGrid().Snap(false, 0, Map().GetRealTime(heardMs))));
    }
    GuiPoint OnLane(int track, int32_t x, int32_t y = 30) {
        const CTrackBody* body = m_project->GetTrack(track)->GetBody();
        return {body->GetAbsX() + x, body->GetAbsY() + y};
    }
    void DragOnScreen(GuiPoint from, GuiPoint to, uint32_t keys = 0) {
        m_host.MouseMove(from.x, from.y);
        m_host.LeftDown(from.x, from.y, MK_LBUTTON | keys);
        m_host.MouseMove((from.x + to.x) / 2, (from.y + to.y) / 2, MK_LBUTTON | keys);
        m_host.MouseMove(to.x, to.y, MK_LBUTTON | keys);
        m_host.LeftUp(to.x, to.y, keys);
    }
    uint32_t ScreenAt(GuiPoint p) {
        m_host.Advance(VRGuiWindow::kRefreshPeriodMs);
        m_host.DeliverPaint();
        return m_host.ScreenPixel(p.x, p.y) & 0xFFFFFF;
    }
    const CTrackSelRect& Rect() { return m_project->SelectionRect(); }

    CSkin m_skin;
};

TEST_P(TimeSelectionTest, ADragOnTheLanesSelectsSnappedTimeOverTheTracksItCrossed) {
    // Pixels of the timeline around bar 5, where the tempo may change.
    const double mpp = m_project->MsPerPixel();
    const int32_t fromX = int32_t(Map().GetTempoAdjustedTime(7000.0) / mpp) + 3;
    const int32_t toX = int32_t(Map().GetTempoAdjustedTime(9000.0) / mpp) + 5;
    m_project->SetHorizontalScroll(fromX - 100);
    const uint32_t before = ScreenAt(OnLane(2, fromX + 20, 10));
    DragOnScreen(OnLane(1, fromX), OnLane(2, toX));

    const auto range = m_project->TimeSelection().Range();
    ASSERT_TRUE(range.has_value());
    EXPECT_DOUBLE_EQ(range->startMs, Snapped(fromX * mpp));
    EXPECT_DOUBLE_EQ(range->endMs, Snapped(toX * mpp));
    const CTrackBody& top = *m_project->GetTrack(1)->GetBody();
    const CTrackBody& bottom = *m_project->GetTrack(2)->GetBody();
    EXPECT_EQ(Rect().GetY(), top.GetY());
    EXPECT_EQ(Rect().GetY() + Rect().GetHeight(), bottom.GetY() + bottom.GetHeight());
    EXPECT_EQ(Rect().GetX(), int32_t(range->startMs / mpp));
    // Drawn over the lanes it spans, not over the others.
    EXPECT_NE(ScreenAt(OnLane(2, fromX + 20, 10)), before);
    EXPECT_EQ(ScreenAt(OnLane(3, fromX + 20, 10)), before);
}

TEST_P(TimeSelectionTest, TheRubberBandSelectsTheClipsItTouches) {
    CClip* inside = AddClipAt(1, 1000.0);
    CClip* below = AddClipAt(3, 1000.0);
    CClip* later = AddClipAt(1, 6000.0);
    ASSERT_TRUE(inside && below && later);
    m_project->SelectAllClips(-1, false);
    const double mpp = m_project->MsPerPixel();
    const int32_t x = int32_t(1500.0 / mpp);
    DragOnScreen(OnLane(0, x), OnLane(2, x + 40));
    EXPECT_TRUE(inside->IsSelected());
    EXPECT_FALSE(below->IsSelected());
    EXPECT_FALSE(later->IsSelected());

    // A click on a lane ends the selection and lets go of the clips.
    m_host.Advance(1000);
    const GuiPoint click = OnLane(5, x);
    m_host.LeftDown(click.x, click.y);
    m_host.LeftUp(click.x, click.y);
    EXPECT_FALSE(m_project->TimeSelection().IsActive());
    EXPECT_FALSE(Rect().IsVisible());
    EXPECT_FALSE(inside->IsSelected());
}

TEST_P(TimeSelectionTest, ADragOnTheRulerSelectsEveryTrackAndLeavesThePlayPositionAlone) {
    const double mpp = m_project->MsPerPixel();
    m_project->MoveCaretAndPlayback(0.0);
    const CTimeGrid& ruler = m_project->TimeGrid();
    // Below the markers' flags, away from any marker.
    const int32_t y = ruler.GetAbsY() + 45;
    const int32_t x = ruler.GetAbsX();
    DragOnScreen({x + 150, y}, {x + 270, y});
    const auto range = m_project->TimeSelection().Range();
    ASSERT_TRUE(range.has_value());
    EXPECT_DOUBLE_EQ(range->startMs, Snapped(150 * mpp));
    EXPECT_DOUBLE_EQ(range->endMs, Snapped(270 * mpp));
    const CTrackBody& last = *m_project->GetTrack(m_project->GetNumTracks() - 1)->GetBody();
    EXPECT_EQ(Rect().GetY(), 0);
    EXPECT_EQ(Rect().GetY() + Rect().GetHeight(), last.GetY() + last.GetHeight());
    EXPECT_DOUBLE_EQ(m_project->GetCaretTime(), 0.0);

    // Back to the start of the timeline: an edge at 0 stays there.
    m_host.Advance(1000);
    DragOnScreen({x + 150, y}, {x - 40, y});
    const auto again = m_project->TimeSelection().Range();
    ASSERT_TRUE(again.has_value());
    EXPECT_DOUBLE_EQ(again->startMs, 0.0);
    EXPECT_DOUBLE_EQ(again->endMs, Snapped(150 * mpp));
    // The zoom keeps it at its times; Escape ends it.
    m_project->SetZoomLevel(m_project->GetZoomLevel() - 1);
    EXPECT_EQ(Rect().GetX() + Rect().GetWidth(), int32_t(again->endMs / m_project->MsPerPixel()));
    m_host.KeyDown(VK_ESCAPE);
    EXPECT_FALSE(m_project->TimeSelection().IsActive());
}

INSTANTIATE_TEST_SUITE_P(Tempos, TimeSelectionTest,
                         ::testing::Values(TempoCase{60.0, 0.0}, TempoCase{90.0, 0.0},
                                           TempoCase{120.0, 0.0}, TempoCase{173.0, 0.0},
                                           TempoCase{120.0, 90.0}),
                         CaseName);

} // namespace
