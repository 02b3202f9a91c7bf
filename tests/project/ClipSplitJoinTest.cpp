// Split at the caret and Join of the selected clips, at several tempos and
// across a tempo change: the pieces play exactly what the clip played.
#include "ProjectOnWindowTest.h"
#include "TempoCase.h"
#include "engine/CNullDevice.h"
#include "engine/CPCMMixer.h"
#include "engine/CSoundGroup.h"
#include "engine/TempoMap.h"
#include "project/CClip.h"
#include "project/CTrack.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

constexpr int kFrames = 44100 * 20; // past the clip at 60 bpm

class ClipSplitJoinTest : public SawAtTempoTest {
protected:
    // A clip of the saw on track 0, starting at a reference time (just
    // before bar 5, so that it runs across a tempo change there).
    CClip* AddSaw(double referenceMs = 7000.0) {
        m_project->SelectTrack(0, false);
        m_project->MoveCaretAndPlayback(Heard(referenceMs));
        return m_project->AddAudioClip(m_dir + "Saw.wav");
    }
    std::vector<float> Render() {
        std::vector<float> out(size_t(kFrames) * 2, 0.0f);
        EXPECT_TRUE(m_mixer.Play(m_mixer.GetSoundGroup(), 0.0, 0));
        m_mixer.GetNullDevice().RenderOffline(out.data(), kFrames);
        m_mixer.Stop(0);
        return out;
    }
    const std::vector<CClip*>& ClipsOnTrack0() { return m_project->GetTrack(0)->Clips(); }
    // Index of the first sample that differs; -1 when the renders are equal.
    static int64_t FirstDifference(const std::vector<float>& a, const std::vector<float>& b) {
        for (size_t i = 0; i < a.size() && i < b.size(); ++i)
            if (a[i] != b[i])
                return int64_t(i);
        return a.size() == b.size() ? -1 : int64_t(std::min(a.size(), b.size()));
    }
};

TEST_P(ClipSplitJoinTest, SplitThenJoinSoundsExactlyLikeTheClip) {
    CClip* clip = AddSaw();
    ASSERT_NE(clip, nullptr);
    const double heardStart = clip->GetHeardStartMs();
    const std::vector<float> original = Render();
    ASSERT_NE(FirstDifference(original, std::vector<float>(original.size(), 0.0f)), -1);

    // Off the grid, and past bar 5 where the tempo may change.
    m_project->SelectClip(clip, false);
    const double at = heardStart + 1123.4567;
    m_project->MoveCaretAndPlayback(at);
    LogCapture log;
    EXPECT_EQ(m_project->SplitSelectedClips(), 1);
    EXPECT_TRUE(log.Contains("CProject::SplitSelectedClips() ENTER"));
    EXPECT_TRUE(log.Contains("CProject::SplitSelectedClips() EXIT"));
    ASSERT_EQ(ClipsOnTrack0().size(), 2u);
    const CClip& first = *ClipsOnTrack0()[0];
    const CClip& second = *ClipsOnTrack0()[1];
    EXPECT_DOUBLE_EQ(first.GetStartMs(), 7000.0);
    EXPECT_NEAR(first.GetHeardStartMs() + first.GetLengthMs(), second.GetHeardStartMs(), 1e-6)
        << first.GetHeardStartMs() << " + " << first.GetLengthMs();
    // The split lies on a whole frame of the clip, within half a frame.
    EXPECT_NEAR(second.GetHeardStartMs(), at, 0.012);
    EXPECT_NEAR(second.GetHeardStartMs() + second.GetLengthMs() - heardStart, 2000.0, 1e-6);
    EXPECT_TRUE(m_project->Selection().IsEmpty());
    EXPECT_EQ(FirstDifference(Render(), original), -1);

    m_project->SelectAllClips(0, true);
    m_project->JoinSelectedClips();
    EXPECT_EQ(ClipsOnTrack0().size(), 2u);
    EXPECT_EQ(FirstDifference(Render(), original), -1);
}

TEST_P(ClipSplitJoinTest, OneUndoBringsBackTheClipAndItsSelection) {
    CClip* clip = AddSaw();
    ASSERT_NE(clip, nullptr);
    m_undo.ClearUndoHistory();
    const std::vector<float> original = Render();
    m_project->SelectClip(clip, false);
    m_project->MoveCaretAndPlayback(clip->GetHeardStartMs() + 500.0);
    ASSERT_EQ(m_project->SplitSelectedClips(), 1);
    ASSERT_TRUE(m_undo.Undo());
    ASSERT_EQ(ClipsOnTrack0().size(), 1u);
    EXPECT_EQ(ClipsOnTrack0()[0], clip);
    EXPECT_TRUE(clip->IsSelected());
    EXPECT_EQ(FirstDifference(Render(), original), -1);
    EXPECT_FALSE(m_undo.CanUndo());
    ASSERT_TRUE(m_undo.Redo());
    EXPECT_EQ(ClipsOnTrack0().size(), 2u);
    EXPECT_EQ(FirstDifference(Render(), original), -1);
}

TEST_P(ClipSplitJoinTest, JoinClosesTheGapsOfEachTrackAsOneStep) {
    CClip* first = AddSaw(1000.0);
    CClip* second = AddSaw(5000.0);
    CClip* third = AddSaw(9000.0);
    ASSERT_TRUE(first && second && third);
    m_project->SelectAllClips(0, true);
    EXPECT_EQ(m_project->JoinSelectedClips(), 2);
    EXPECT_NEAR(second->GetHeardStartMs(), first->GetHeardStartMs() + 2000.0, 1e-6);
    EXPECT_NEAR(third->GetHeardStartMs(), second->GetHeardStartMs() + 2000.0, 1e-6);
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_DOUBLE_EQ(second->GetStartMs(), 5000.0);
    EXPECT_DOUBLE_EQ(third->GetStartMs(), 9000.0);
    EXPECT_NEAR(second->GetAbsX() - first->GetAbsX(),
                int32_t(Heard(5000.0) / m_project->MsPerPixel()) -
                    int32_t(Heard(1000.0) / m_project->MsPerPixel()),
                1);
}

INSTANTIATE_TEST_SUITE_P(Tempos, ClipSplitJoinTest,
                         ::testing::Values(TempoCase{60.0, 0.0}, TempoCase{90.0, 0.0},
                                           TempoCase{120.0, 0.0}, TempoCase{173.0, 0.0},
                                           TempoCase{120.0, 90.0}),
                         CaseName);

using SplitAndJoin = ProjectOnWindowTest;

TEST_F(SplitAndJoin, LockedClipsAndClipsAwayFromTheCaretStayWhole) {
    CClip* locked = AddClipAt(0, 0.0);
    CClip* away = AddClipAt(1, 5000.0);
    CClip* free = AddClipAt(2, 0.0);
    ASSERT_TRUE(locked && away && free);
    locked->SetLocked(true, false);
    m_project->SelectAllClips(-1, true);
    m_project->MoveCaretAndPlayback(400.0);
    EXPECT_EQ(m_project->SplitSelectedClips(), 1);
    EXPECT_EQ(m_project->GetTrack(0)->Clips().size(), 1u);
    EXPECT_EQ(m_project->GetTrack(1)->Clips().size(), 1u);
    EXPECT_EQ(m_project->GetTrack(2)->Clips().size(), 2u);
    EXPECT_EQ(free->GetTrack(), nullptr);

    // The caret exactly on a clip's edge splits nothing.
    m_project->SelectAllClips(-1, true);
    m_project->MoveCaretAndPlayback(5000.0);
    EXPECT_EQ(m_project->SplitSelectedClips(), 0);
}

} // namespace
