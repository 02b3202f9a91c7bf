// The caret: drawn on the selected track at the column of its heard time,
// moved by clicks on the lanes and by the arrow keys, at several tempos.
#include "ProjectOnWindowTest.h"
#include "engine/TempoMap.h"
#include "gui/CSkin.h"
#include "gui/GuiInput.h"
#include "project/CTrack.h"
#include "project/CTrackBody.h"
#include "timeline/CCaret.h"
#include "timeline/CPlaybackIndicator.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr uint32_t kCaretRgb = 0xF0A030; // "caret color" of the shipped skin
constexpr int kEighths = 4;

class CaretTest : public ProjectOnWindowTest, public ::testing::WithParamInterface<double> {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_skin.Init(std::string(LOOMTONE_SOURCE_DIR) + "/data/loomskin.ini"));
        CSkin::SetCurrent(&m_skin);
        ProjectOnWindowTest::SetUp();
        MarkerRecord start = m_project->Markers().At(0);
        start.tempoEvent.tempo = GetParam();
        start.tempoEvent.tempoChange = true;
        ASSERT_TRUE(m_project->Markers().Replace(0, start));
        m_project->SetSnapLevel(kEighths);
    }
    void TearDown() override {
        ProjectOnWindowTest::TearDown();
        CSkin::SetCurrent(nullptr);
    }
    uint32_t ScreenAt(int32_t x, int32_t y) {
        m_host.Advance(VRGuiWindow::kRefreshPeriodMs);
        m_host.DeliverPaint();
        return m_host.ScreenPixel(x, y) & 0xFFFFFF;
    }
    int32_t ExpectedColumn() {
        return int32_t(m_project->GetCaretTime() / m_project->MsPerPixel());
    }
    // The caret is drawn on the track, at the column of its time, and
    // nowhere beside it.
    void ExpectCaretDrawnOn(int track) {
        const CCaret& caret = m_project->Caret();
        const CTrackBody& body = *m_project->GetTrack(track)->GetBody();
        EXPECT_TRUE(caret.IsVisible());
        EXPECT_EQ(caret.GetColumn(), ExpectedColumn());
        EXPECT_EQ(caret.GetY(), body.GetY());
        EXPECT_EQ(caret.GetHeight(), body.GetHeight());
        // The play position, moved with the caret, would hide it.
        m_project->PlaybackLine().Hide();
        const int32_t x = body.GetAbsX() + ExpectedColumn();
        const int32_t y = body.GetAbsY() + body.GetHeight() / 2;
        EXPECT_EQ(ScreenAt(x, y), kCaretRgb);
        EXPECT_NE(ScreenAt(x + 3, y), kCaretRgb);
        const CTrackBody& other = *m_project->GetTrack(track == 0 ? 1 : 0)->GetBody();
        EXPECT_NE(ScreenAt(x, other.GetAbsY() + other.GetHeight() / 2), kCaretRgb);
    }

    CSkin m_skin;
};

TEST_P(CaretTest, AClickOnALanePutsTheVisibleCaretThere) {
    const CTrackBody* body = m_project->GetTrack(3)->GetBody();
    const int32_t x = body->GetAbsX() + 150, y = body->GetAbsY() + 20;
    m_host.LeftDown(x, y);
    m_host.LeftUp(x, y);
    ASSERT_EQ(m_project->GetLastSelectedTrack(), 3);
    ExpectCaretDrawnOn(3);
}

TEST_P(CaretTest, ArrowKeysStepTheCaretAlongTheGridAndAcrossTracks) {
    const TempoMap& map = m_project->GetTempoMap();
    m_project->SelectTrack(1, false);
    m_project->MoveCaretAndPlayback(map.GetTempoAdjustedTime(1000.0));
    m_host.KeyDown(VK_RIGHT);
    EXPECT_NEAR(m_project->GetCaretTime(), map.GetTempoAdjustedTime(1250.0), 1e-6);
    ExpectCaretDrawnOn(1);
    m_host.KeyDown(VK_DOWN);
    EXPECT_EQ(m_project->GetLastSelectedTrack(), 2);
    ExpectCaretDrawnOn(2);
    m_host.KeyDown(VK_LEFT);
    m_host.KeyDown(VK_LEFT);
    EXPECT_NEAR(m_project->GetCaretTime(), map.GetTempoAdjustedTime(750.0), 1e-6);
    ExpectCaretDrawnOn(2);
}

TEST_P(CaretTest, TheCaretFollowsTheZoomAndTheTrackHeight) {
    m_project->SelectTrack(1, false);
    m_project->MoveCaretAndPlayback(3000.0);
    m_project->SetZoomLevel(m_project->GetZoomLevel() - 2);
    ExpectCaretDrawnOn(1);
    m_project->ResizeAllTracks(255);
    ExpectCaretDrawnOn(1);
}

INSTANTIATE_TEST_SUITE_P(Tempos, CaretTest, ::testing::Values(60.0, 90.0, 120.0, 173.0),
                         [](const ::testing::TestParamInfo<double>& info) {
                             return std::to_string(int(info.param)) + "bpm";
                         });

} // namespace
