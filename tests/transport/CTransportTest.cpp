#include "transport/CTransport.h"
#include "engine/CNullDevice.h"
#include "engine/TempoMap.h"
#include "project/CMarkerDialog.h"
#include "project/CTrack.h"
#include "project/ProjectOnWindowTest.h"
#include "support/LocalizedStrings.h"
#include "timeline/CTimeGrid.h"
#include "timeline/CTrackMarker.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

namespace {

// Ten seconds of tone at the start of the first track, the caret at 0 and
// snap off. Heard and reference milliseconds agree at the reference tempo of
// 120; tests that set another tempo name the base of what they check.
class TransportTest : public ProjectOnWindowTest {
protected:
    void SetUp() override {
        ProjectOnWindowTest::SetUp();
        WriteToneWav(m_dir + "Long.wav", 441000, 8000);
        ASSERT_NE(AddClipAt(0, 0.0, m_dir + "Long.wav"), nullptr);
        m_project->MoveCaretAndPlayback(0.0);
        m_transport = std::make_unique<CTransport>(*m_project, m_mixer);
        m_transport->SetStepsAsClicks(false);
    }
    void TearDown() override {
        m_mixer.GetNullDevice().Stop();
        m_mixer.Stop(0);
        m_transport.reset();
        ProjectOnWindowTest::TearDown();
    }

    void SetStartTempo(double bpm) {
        MarkerRecord start = m_project->Markers().At(0);
        start.tempoEvent.tempo = bpm;
        start.tempoEvent.tempoChange = true;
        ASSERT_TRUE(m_project->Markers().Replace(0, start));
    }
    // A marker whose tempo event changes the tempo at a reference time.
    void AddTempoMarker(double referenceMs, double bpm) {
        MarkerRecord marker;
        marker.time = static_cast<int32_t>(referenceMs);
        marker.name = "change";
        marker.tempoEvent.time = referenceMs;
        marker.tempoEvent.tempo = bpm;
        marker.tempoEvent.tempoChange = true;
        ASSERT_TRUE(m_project->Markers().Add(marker));
    }
    CTransport& Transport() { return *m_transport; }

    std::unique_ptr<CTransport> m_transport;
};

TEST_F(TransportTest, PlayStartsAtTheCaretAndSpaceToggles) {
    m_project->MoveCaretAndPlayback(1500.0);
    Transport().PlayStop();
    EXPECT_TRUE(m_mixer.Playing());
    EXPECT_DOUBLE_EQ(m_mixer.GetPositionMs(), 1500.0);
    Transport().PlayStop();
    EXPECT_FALSE(m_mixer.Playing());
    EXPECT_DOUBLE_EQ(m_project->GetCaretTime(), 1500.0);
}

TEST_F(TransportTest, PlayNearTheEndStartsOverAtBothTempos) {
    // 120 bpm: the ten-second clip ends at 10000 heard ms.
    EXPECT_DOUBLE_EQ(Transport().ProjectEndMs(), 10000.0);
    m_project->MoveCaretAndPlayback(9950.0);
    ASSERT_TRUE(Transport().Play());
    EXPECT_DOUBLE_EQ(m_mixer.GetPositionMs(), 0.0);
    EXPECT_DOUBLE_EQ(m_project->GetCaretTime(), 0.0);
    m_project->MoveCaretAndPlayback(9850.0);
    ASSERT_TRUE(Transport().Play());
    EXPECT_DOUBLE_EQ(m_mixer.GetPositionMs(), 9850.0);

    // 60 bpm: the clip moved to reference 5000 is heard from 10000 and,
    // lasting ten seconds, ends at 20000 heard ms, so 9950 heard is far
    // from the end and 19950 heard is near it.
    SetStartTempo(60.0);
    CTrack* track = m_project->GetTrack(0);
    ASSERT_TRUE(track->AddClip(track->Clips().front(), 5000.0, false));
    EXPECT_DOUBLE_EQ(Transport().ProjectEndMs(), 20000.0);
    m_project->MoveCaretAndPlayback(9950.0);
    ASSERT_TRUE(Transport().Play());
    EXPECT_DOUBLE_EQ(m_mixer.GetPositionMs(), 9950.0);
    m_project->MoveCaretAndPlayback(19950.0);
    ASSERT_TRUE(Transport().Play());
    EXPECT_DOUBLE_EQ(m_mixer.GetPositionMs(), 0.0);
}

TEST_F(TransportTest, AnEmptyProjectDoesNotPlay) {
    m_project->NewProject(true);
    EXPECT_FALSE(Transport().Play());
    EXPECT_FALSE(m_mixer.Playing());
}

TEST_F(TransportTest, NoOutputShowsTheMessageAndPlaysNothing) {
    Transport().SetStartOutput([] { return false; });
    EXPECT_FALSE(Transport().Play());
    EXPECT_FALSE(m_mixer.Playing());
    EXPECT_EQ(m_titles.size(), 1u);
}

TEST_F(TransportTest, PlayRunsThroughTheOutputThatIsStarted) {
    Transport().SetStartOutput([this] { return m_mixer.GetNullDevice().Start(128); });
    m_project->MoveCaretAndPlayback(1000.0);
    ASSERT_TRUE(Transport().Play());
    EXPECT_TRUE(m_mixer.GetNullDevice().IsRunning());
    // The device pulls blocks: the heard position moves on from the caret.
    for (int i = 0; i < 200 && m_mixer.GetPositionMs() <= 1000.0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_GT(m_mixer.GetPositionMs(), 1000.0);
}

TEST_F(TransportTest, StepBackAtZeroStaysAtZero) {
    Transport().StepBack();
    EXPECT_DOUBLE_EQ(m_project->GetCaretTime(), 0.0);
    m_project->SetSnapLevel(1);
    Transport().StepBack();
    EXPECT_DOUBLE_EQ(m_project->GetCaretTime(), 0.0);
    EXPECT_DOUBLE_EQ(m_mixer.GetPositionMs(), 0.0);
}

TEST_F(TransportTest, StepsWithoutSnapMoveATwentiethOfTheView) {
    const double step =
        std::trunc((m_project->GetViewWidth() - 300) * m_project->MsPerPixel() / 20.0);
    ASSERT_GT(step, 0.0);
    m_project->MoveCaretAndPlayback(5000.0);
    Transport().StepForward();
    EXPECT_DOUBLE_EQ(m_project->GetCaretTime(), 5000.0 + step);
    Transport().StepBack();
    Transport().StepBack();
    EXPECT_DOUBLE_EQ(m_project->GetCaretTime(), 5000.0 - step);
}

TEST_F(TransportTest, SnappedStepsGoByTwoBarsOfReferenceTime) {
    m_project->SetSnapLevel(1); // bars: steps of 8000 reference ms
    Transport().StepForward();
    EXPECT_DOUBLE_EQ(m_project->GetCaretTime(), 8000.0);
    Transport().StepBack();
    EXPECT_DOUBLE_EQ(m_project->GetCaretTime(), 0.0);

    // At 60 bpm the same reference step is heard twice as long.
    SetStartTempo(60.0);
    Transport().StepForward();
    EXPECT_DOUBLE_EQ(m_project->GetCaretTime(), 16000.0);
}

TEST_F(TransportTest, StepsWhilePlayingRelocatePlayback) {
    m_project->SetSnapLevel(1);
    ASSERT_TRUE(Transport().Play());
    Transport().StepForward();
    EXPECT_TRUE(m_mixer.Playing());
    EXPECT_DOUBLE_EQ(m_mixer.GetPositionMs(), 8000.0);
}

TEST_F(TransportTest, StepsAsClicksLandOnAPixelColumn) {
    Transport().SetStepsAsClicks(true);
    const int32_t msPerPixel = m_project->MsPerPixel();
    ASSERT_GT(msPerPixel, 1);
    m_project->MoveCaretAndPlayback(msPerPixel * 100.0 + 1.0);
    Transport().StepForward();
    EXPECT_EQ(std::fmod(m_project->GetCaretTime(), msPerPixel), 0.0);
    EXPECT_DOUBLE_EQ(m_mixer.GetPositionMs(), m_project->GetCaretTime());
}

TEST_F(TransportTest, GoToStartAndEnd) {
    m_project->MoveCaretAndPlayback(4000.0);
    ASSERT_TRUE(Transport().Play());
    Transport().GoToEnd();
    EXPECT_FALSE(m_mixer.Playing());
    EXPECT_DOUBLE_EQ(m_project->GetCaretTime(), 10000.0);
    // The end stays 270 pixels short of the view's right edge.
    const int32_t endX = 10000 / m_project->MsPerPixel();
    EXPECT_EQ(m_project->GetTimelineScrollX(),
              std::max(0, endX - (m_project->GetViewWidth() - 300) + 30));

    ASSERT_TRUE(Transport().PlayFrom(3000.0));
    Transport().GoToStart();
    EXPECT_TRUE(m_mixer.Playing());
    EXPECT_DOUBLE_EQ(m_mixer.GetPositionMs(), 0.0);
    EXPECT_EQ(m_project->GetTimelineScrollX(), 0);
}

TEST_F(TransportTest, LoopWithoutSelectionIsTheWholeProject) {
    SetStartTempo(60.0);
    CTrack* track = m_project->GetTrack(0);
    ASSERT_TRUE(track->AddClip(track->Clips().front(), 5000.0, false));
    Transport().SetLoopPlay(true);
    EXPECT_TRUE(m_mixer.IsLooping());
    // Heard: the clip starts at reference 5000, heard 10000 at 60 bpm, and
    // lasts its ten seconds.
    EXPECT_DOUBLE_EQ(m_mixer.GetLoopStartMs(), 0.0);
    EXPECT_DOUBLE_EQ(m_mixer.GetLoopEndMs(), 20000.0);
    Transport().ToggleLoopPlay();
    EXPECT_FALSE(m_mixer.IsLooping());
}

TEST_F(TransportTest, LoopWithSelectionIsExactlyTheSelection) {
    std::optional<HeardRange> selection = HeardRange{3000.0, 1000.0};
    Transport().SetTimeSelectionSource([&] { return selection; });
    Transport().SetLoopPlay(true);
    EXPECT_DOUBLE_EQ(Transport().GetLoopRange().startMs, 1000.0);
    EXPECT_DOUBLE_EQ(Transport().GetLoopRange().endMs, 3000.0);
    // The caret lies outside the loop: play starts at the loop start.
    ASSERT_TRUE(Transport().Play());
    EXPECT_DOUBLE_EQ(m_mixer.GetPositionMs(), 1000.0);
    // Play takes the range again.
    selection = HeardRange{2000.0, 2500.0};
    m_project->MoveCaretAndPlayback(2100.0);
    ASSERT_TRUE(Transport().Play());
    EXPECT_DOUBLE_EQ(m_mixer.GetPositionMs(), 2100.0);
    EXPECT_DOUBLE_EQ(m_mixer.GetLoopStartMs(), 2000.0);
    EXPECT_DOUBLE_EQ(m_mixer.GetLoopEndMs(), 2500.0);
}

TEST_F(TransportTest, LoopPlaybackWrapsAtTheSelectionEnd) {
    Transport().SetTimeSelectionSource([] { return std::optional<HeardRange>({1000.0, 1500.0}); });
    Transport().SetLoopPlay(true);
    m_project->MoveCaretAndPlayback(1400.0);
    ASSERT_TRUE(Transport().Play());
    // 4410 frames (100 ms) to the loop end, then 2205 more from its start.
    std::vector<float> out(2 * 6615);
    m_mixer.GetNullDevice().RenderOffline(out.data(), 6615, 441);
    EXPECT_TRUE(m_mixer.Playing());
    EXPECT_NEAR(m_mixer.GetPositionMs(), 1050.0, 0.05);
}

TEST_F(TransportTest, MetronomeSwitches) {
    Transport().ToggleMetronome();
    EXPECT_TRUE(Transport().IsMetronomeOn());
    EXPECT_TRUE(m_mixer.IsMetronomeOn());
    EXPECT_TRUE(m_prefs.bUseMetronome);
    Transport().SetMetronome(false);
    EXPECT_FALSE(m_mixer.IsMetronomeOn());
    EXPECT_FALSE(m_prefs.bUseMetronome);
}

TEST_F(TransportTest, PlayFromMarkersAcrossATempoChange) {
    // 120 bpm up to reference 2000, then 60 bpm: reference 3000 is heard at
    // 2000 + 2 * 1000 = 4000.
    AddTempoMarker(2000.0, 60.0);
    AddTempoMarker(3000.0, 60.0);
    ASSERT_TRUE(Transport().PlayFromMarker(2));
    EXPECT_DOUBLE_EQ(m_mixer.GetPositionMs(), 4000.0);
    ASSERT_TRUE(Transport().PlayFromMarker(1));
    EXPECT_DOUBLE_EQ(m_mixer.GetPositionMs(), 2000.0);
    EXPECT_FALSE(Transport().PlayFromMarker(3));
    EXPECT_FALSE(Transport().PlayFromMarker(-1));

    Transport().Stop();
    m_project->MoveCaretAndPlayback(2500.0); // reference 2250
    ASSERT_TRUE(Transport().PlayFromNextMarker());
    EXPECT_DOUBLE_EQ(m_mixer.GetPositionMs(), 4000.0);
    // Playing: the previous marker is found from the play position.
    m_mixer.SetPositionMs(4500.0); // reference 3250
    ASSERT_TRUE(Transport().PlayFromPreviousMarker());
    EXPECT_DOUBLE_EQ(m_mixer.GetPositionMs(), 4000.0);
    m_mixer.SetPositionMs(20000.0);
    EXPECT_FALSE(Transport().PlayFromNextMarker());
}

TEST_F(TransportTest, TheMarkerDialogOfADoubleClickedMarkerPlaysFromItAndStops) {
    // At 60 bpm the marker at reference 2000 is heard at 4000.
    SetStartTempo(60.0);
    AddTempoMarker(2000.0, 60.0);
    m_project->TimeGrid().SyncMarkers();
    const CTrackMarker* marker = m_project->TimeGrid().GetMarker(1);
    ASSERT_NE(marker, nullptr);
    const GuiRect flag = marker->GetAbsRect();
    const int32_t x = flag.left + 2;
    const int32_t y = flag.top + 2;
    auto dialog = [this] { return dynamic_cast<CMarkerDialog*>(m_window.TopLayer()); };
    auto playButton = [&] { return dialog()->GetButton(CMarkerDialog::kPlayId); };
    Drive({
        [&] {
            ASSERT_NE(dialog(), nullptr);
            EXPECT_EQ(dialog()->GetTitle(), MyLoadString("MDT_EditTitle"));
            EXPECT_EQ(dialog()->Session().Index(), 1);
            EXPECT_EQ(playButton()->GetCaption(), MyLoadString("SDTip_Play"));
            Click(playButton());
            EXPECT_TRUE(m_mixer.Playing());
            EXPECT_DOUBLE_EQ(m_mixer.GetPositionMs(), 4000.0);
            EXPECT_EQ(playButton()->GetCaption(), MyLoadString("SDTip_Stop"));
        },
        [&] {
            Click(playButton());
            EXPECT_FALSE(m_mixer.Playing());
            EXPECT_EQ(playButton()->GetCaption(), MyLoadString("SDTip_Play"));
        },
        [&] { ClickDialogButton(IDCANCEL); },
    });
    m_host.LeftDown(x, y);
    m_host.LeftUp(x, y);
    m_host.LeftDown(x, y);
    m_host.LeftUp(x, y);
    EXPECT_EQ(m_window.TopLayer(), nullptr);
    EXPECT_EQ(m_project->Markers().Count(), 2);
}

} // namespace
