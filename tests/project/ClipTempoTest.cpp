// Clips stay on the beat at every tempo: their starts are reference time,
// drawn and heard through the tempo map. Each gesture that places a clip is
// checked at several tempos and across a tempo change, on the document, on
// the picture and on a render.
#include "ProjectOnWindowTest.h"
#include "TempoCase.h"
#include "engine/CNullDevice.h"
#include "engine/CPCMMixer.h"
#include "engine/CSoundGroup.h"
#include "engine/TempoMap.h"
#include "gui/GuiInput.h"
#include "project/CClip.h"
#include "project/CTrack.h"
#include "support/LogCapture.h"
#include "timeline/CTimeGrid.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace {

constexpr double kRate = 44100.0;
constexpr int kEighths = 4;         // snap level: 250 reference ms in 4/4
constexpr double kEighthMs = 250.0; // one snap step, reference
constexpr int16_t kLevel = 8000;

// Two seconds of a constant level, so that the first frame heard is plain.
void WriteLevelWav(const std::string& path) {
    WriteMonoWav(path, std::vector<short>(88200, kLevel));
}

class ClipTempoTest : public ProjectOnWindowTest, public ::testing::WithParamInterface<TempoCase> {
protected:
    void SetUp() override {
        ProjectOnWindowTest::SetUp();
        WriteLevelWav(m_dir + "Level.wav");
        ApplyTempoCase(*m_project, GetParam());
        if (HasFatalFailure())
            return;
        m_project->SetSnapLevel(kEighths);
    }
    void TearDown() override {
        m_mixer.Stop(0);
        ProjectOnWindowTest::TearDown();
    }

    const TempoMap& Map() { return m_project->GetTempoMap(); }
    double Heard(double referenceMs) { return Map().GetTempoAdjustedTime(referenceMs); }
    bool OnGrid(double referenceMs) {
        return m_project->TimeGrid().Snap(false, 0, referenceMs) == referenceMs;
    }
    CClip* AddLevelAtHeard(double heardMs) {
        m_project->SelectTrack(0, false);
        m_project->MoveCaretAndPlayback(heardMs);
        return m_project->AddAudioClip(m_dir + "Level.wav");
    }
    // The first frame of the mix that is not silent, counted from 0; -1 when
    // nothing sounds within a second of fromMs (heard).
    int64_t FirstFrameHeard(double fromMs) {
        const int64_t from = CPCMMixer::FramesOf(fromMs);
        std::vector<float> out(44100 * 2, 0.0f);
        EXPECT_TRUE(m_mixer.Play(m_mixer.GetSoundGroup(), fromMs, 0));
        m_mixer.GetNullDevice().RenderOffline(out.data(), 44100);
        m_mixer.Stop(0);
        for (size_t frame = 0; frame < out.size() / 2; ++frame)
            if (out[frame * 2] != 0.0f)
                return from + int64_t(frame);
        return -1;
    }
    // The clip is drawn where it is heard, and heard from its first frame on.
    void ExpectDrawnAndHeardAt(const CClip& clip) {
        const double heard = Heard(clip.GetStartMs());
        EXPECT_NEAR(clip.GetHeardStartMs(), heard, 1e-6);
        EXPECT_EQ(clip.GetX(), int32_t(heard / m_project->MsPerPixel()));
        EXPECT_NEAR(double(FirstFrameHeard(heard - 100.0)), heard * kRate / 1000.0, 1.0);
    }
};

TEST_P(ClipTempoTest, AnAddedSoundStartsOnTheSnappedCaret) {
    // Heard just past the grid line at reference 9250 (bar 5, beat 2, and a bit).
    CClip* clip = AddLevelAtHeard(Heard(9240.0));
    ASSERT_NE(clip, nullptr);
    EXPECT_DOUBLE_EQ(clip->GetStartMs(), 9250.0);
    ExpectDrawnAndHeardAt(*clip);
}

TEST_P(ClipTempoTest, ASnappedDragLandsOnTheLineItWasShownOn) {
    CClip* clip = AddLevelAtHeard(Heard(9000.0));
    ASSERT_NE(clip, nullptr);
    m_project->SelectAllClips(-1, false);
    // The clip in view, away from the edges that scroll while dragging.
    m_project->SetHorizontalScroll(std::max(0, clip->GetX() - 300));
    const int32_t x = clip->GetAbsX() + 10, y = clip->GetAbsY() + 5;
    m_host.MouseMove(x, y);
    m_host.LeftDown(x, y);
    m_host.MouseMove(x + 5, y, MK_LBUTTON);
    m_host.MouseMove(x + 37, y, MK_LBUTTON);
    const int32_t shownAt = clip->GetAbsX();
    m_host.LeftUp(x + 37, y);
    EXPECT_GT(clip->GetStartMs(), 9000.0);
    EXPECT_TRUE(OnGrid(clip->GetStartMs())) << clip->GetStartMs();
    EXPECT_EQ(clip->GetAbsX(), shownAt);
    ExpectDrawnAndHeardAt(*clip);
}

TEST_P(ClipTempoTest, ANudgeMovesOneSnapStep) {
    CClip* clip = AddLevelAtHeard(Heard(7750.0));
    ASSERT_NE(clip, nullptr);
    m_project->SelectClip(clip, false);
    // Across bar 5, where the tempo may change.
    m_host.KeyDown(VK_RIGHT);
    EXPECT_DOUBLE_EQ(clip->GetStartMs(), 7750.0 + kEighthMs);
    ExpectDrawnAndHeardAt(*clip);
    m_host.KeyDown(VK_RIGHT);
    EXPECT_DOUBLE_EQ(clip->GetStartMs(), 7750.0 + 2 * kEighthMs);
    m_host.KeyDown(VK_LEFT);
    EXPECT_DOUBLE_EQ(clip->GetStartMs(), 7750.0 + kEighthMs);
    ExpectDrawnAndHeardAt(*clip);

    // The caret steps the same grid.
    m_project->SelectAllClips(-1, false);
    m_project->MoveCaretAndPlayback(Heard(7750.0));
    m_host.KeyDown(VK_RIGHT);
    EXPECT_NEAR(m_project->GetCaretTime(), Heard(8000.0), 1e-6);
}

TEST_P(ClipTempoTest, AClipKeepsItsBeatWhenTheTempoChangesUnderIt) {
    CClip* clip = AddLevelAtHeard(Heard(10000.0));
    ASSERT_NE(clip, nullptr);
    MarkerRecord start = m_project->Markers().At(0);
    start.tempoEvent.tempo = 150.0;
    ASSERT_TRUE(m_project->Markers().Replace(0, start));
    EXPECT_DOUBLE_EQ(clip->GetStartMs(), 10000.0);
    ExpectDrawnAndHeardAt(*clip);
}

INSTANTIATE_TEST_SUITE_P(Tempos, ClipTempoTest,
                         ::testing::Values(TempoCase{60.0, 0.0}, TempoCase{90.0, 0.0},
                                           TempoCase{120.0, 0.0}, TempoCase{173.0, 0.0},
                                           TempoCase{120.0, 90.0}),
                         CaseName);

using AddAndDelete = ProjectOnWindowTest;

TEST_F(AddAndDelete, BeatMatchingRunsOnceTheSoundIsAdded) {
    m_project->SetAutoBeatMatch(true);
    m_answer = IDNO; // asked about beat matching: not now
    LogCapture log;
    ASSERT_NE(AddClipAt(0, 0.0), nullptr);
    EXPECT_TRUE(log.Contains("CProject::AutoBeatMatch() ENTER"));
    EXPECT_FALSE(log.Contains("Already in file activity mode...returning"));
    EXPECT_FALSE(m_project->InFileActivity());
}

TEST_F(AddAndDelete, DeleteLeavesLockedClipsWhereTheyAreAndSelected) {
    CClip* locked = AddClipAt(0, 0.0);
    CClip* free = AddClipAt(1, 0.0);
    ASSERT_NE(locked, nullptr);
    ASSERT_NE(free, nullptr);
    locked->SetLocked(true, false);
    m_project->SelectAllClips(-1, true);
    m_host.KeyDown(VK_DELETE);
    EXPECT_EQ(locked->GetTrack(), m_project->GetTrack(0));
    EXPECT_TRUE(locked->IsSelected());
    EXPECT_EQ(free->GetTrack(), nullptr);
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_EQ(free->GetTrack(), m_project->GetTrack(1));
    EXPECT_TRUE(free->IsSelected());

    // A selection of locked clips only: nothing happens, and no undo step
    // takes the place of the one to redo.
    m_project->SelectClip(locked, false);
    m_host.KeyDown(VK_BACK);
    EXPECT_EQ(locked->GetTrack(), m_project->GetTrack(0));
    EXPECT_TRUE(m_undo.CanRedo());
}

} // namespace
