// Zoom to Project: the finest zoom at which the whole project, as heard,
// fits the view, scrolled to its start, at several tempos.
#include "project/ZoomToProject.h"
#include "TempoCase.h"
#include "project/CProject.h"
#include "support/LogCapture.h"
#include "timeline/CTimeGrid.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(ZoomLevelToFit, TakesTheFinestLevelThatFits) {
    EXPECT_EQ(ZoomLevelToFit(900.0, 900), 0);
    EXPECT_EQ(ZoomLevelToFit(901.0, 900), 1);
    EXPECT_EQ(ZoomLevelToFit(18000.0, 900), 10); // 20 ms per pixel
    EXPECT_EQ(ZoomLevelToFit(18020.0, 900), 11); // 25
    EXPECT_EQ(ZoomLevelToFit(1e12, 900), 34);    // nothing fits: the coarsest
    EXPECT_EQ(ZoomLevelToFit(1000.0, 0), 34);
}

class ZoomToProjectTest : public SawAtTempoTest {};

TEST_P(ZoomToProjectTest, TheWholeProjectFitsTheViewFromItsStart) {
    EXPECT_FALSE(ZoomToProject(*m_project)) << "an empty project keeps its zoom";
    m_project->SelectTrack(2, false);
    m_project->MoveCaretAndPlayback(Heard(30000.0));
    ASSERT_NE(m_project->AddAudioClip(m_dir + "Saw.wav"), nullptr);
    m_project->SetHorizontalScroll(400);

    LogCapture log;
    ASSERT_TRUE(ZoomToProject(*m_project));
    EXPECT_TRUE(log.Contains("CProject::Zoom() zoomLevel="));
    const double heardEnd = Heard(m_project->GetProjectLengthMs());
    const int32_t view = m_project->GetViewWidth();
    const int level = m_project->GetZoomLevel();
    EXPECT_LE(std::trunc(heardEnd / m_project->MsPerPixel()), view);
    ASSERT_GT(level, 0);
    EXPECT_GT(std::trunc(heardEnd / CTimeGrid::MsPerPixel(level - 1)), view);
    EXPECT_EQ(m_project->GetTimelineScrollX(), 0);
    EXPECT_EQ(m_project->TimeGrid().GetMsPerPixel(), m_project->MsPerPixel());
}

INSTANTIATE_TEST_SUITE_P(Tempos, ZoomToProjectTest,
                         ::testing::Values(TempoCase{60.0, 0.0}, TempoCase{90.0, 0.0},
                                           TempoCase{120.0, 0.0}, TempoCase{173.0, 0.0},
                                           TempoCase{120.0, 90.0}),
                         CaseName);

} // namespace
