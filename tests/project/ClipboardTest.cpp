// Cut, Copy and Paste of clips over the time selection, across tracks, at
// several tempos and across a tempo change: the render, the document and
// one undo step.
#include "ProjectOnWindowTest.h"
#include "TempoCase.h"
#include "engine/CMidiSound.h"
#include "engine/CNullDevice.h"
#include "engine/CPCMMixer.h"
#include "engine/CSoundGroup.h"
#include "engine/TempoMap.h"
#include "gui/GuiInput.h"
#include "project/CClip.h"
#include "project/CMIDIClip.h"
#include "project/CMIDITrack.h"
#include "project/CTrack.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kFrames = 44100 * 20; // past the clip at 60 bpm

class ClipboardTest : public SawAtTempoTest {
protected:
    CClip* AddSaw(int track, double referenceMs) {
        m_project->SelectTrack(track, false);
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
    const std::vector<CClip*>& ClipsOn(int track) { return m_project->GetTrack(track)->Clips(); }
};

TEST_P(ClipboardTest, CutOfTheMiddleSilencesThatSpanAndOneUndoBringsAllBack) {
    CClip* clip = AddSaw(0, 7000.0);
    ASSERT_NE(clip, nullptr);
    m_undo.ClearUndoHistory();
    const std::vector<float> original = Render();
    // Whole heard milliseconds inside the clip, across bar 5 where it
    // reaches that far.
    const double from = std::trunc(Heard(7000.0)) + 400.0;
    const double to = from + 900.0;
    m_project->TimeSelection().Set(from, to, 0, 0);
    m_project->SelectClip(clip, false);
    LogCapture log;
    ASSERT_TRUE(m_project->Clipboard().Cut());
    EXPECT_TRUE(log.Contains("CClipboard::Cut - ENTER"));
    ASSERT_EQ(ClipsOn(0).size(), 2u);
    // The cut lies on whole frames of the clip, within half a frame.
    EXPECT_NEAR(ClipsOn(0)[0]->GetHeardStartMs() + ClipsOn(0)[0]->GetLengthMs(), from, 0.012);
    EXPECT_NEAR(ClipsOn(0)[1]->GetHeardStartMs(), to, 0.012);
    EXPECT_FALSE(m_project->TimeSelection().IsActive());
    EXPECT_EQ(m_project->Clipboard().Count(), 1u);

    const std::vector<float> cut = Render();
    const int64_t silentFrom = CPCMMixer::FramesOf(from), silentTo = CPCMMixer::FramesOf(to);
    int64_t wrong = -1;
    for (int64_t frame = 0; frame < kFrames && wrong < 0; ++frame) {
        // A frame either side of each edge may round either way.
        if (std::abs(frame - silentFrom) <= 1 || std::abs(frame - silentTo) <= 1)
            continue;
        const bool silent = frame >= silentFrom && frame < silentTo;
        for (int channel = 0; channel < 2; ++channel) {
            const size_t i = size_t(frame) * 2 + size_t(channel);
            if (cut[i] != (silent ? 0.0f : original[i]))
                wrong = frame;
        }
    }
    EXPECT_EQ(wrong, -1) << "silence from " << silentFrom << " to " << silentTo;

    ASSERT_TRUE(m_undo.Undo());
    ASSERT_EQ(ClipsOn(0).size(), 1u);
    EXPECT_EQ(ClipsOn(0)[0], clip);
    EXPECT_TRUE(clip->IsSelected());
    const auto range = m_project->TimeSelection().Range();
    ASSERT_TRUE(range.has_value());
    EXPECT_DOUBLE_EQ(range->startMs, from);
    EXPECT_DOUBLE_EQ(range->endMs, to);
    EXPECT_EQ(Render(), original);
    EXPECT_FALSE(m_undo.CanUndo());
}

TEST_P(ClipboardTest, DeleteOverATimeSelectionCutsTheSpanButLeavesTheClipboard) {
    CClip* held = AddSaw(3, 0.0);
    ASSERT_NE(held, nullptr);
    m_project->SelectClip(held, false);
    ASSERT_TRUE(m_project->Clipboard().Copy());
    CClip* clip = AddSaw(0, 7000.0);
    CClip* locked = AddSaw(1, 7000.0);
    ASSERT_TRUE(clip && locked);
    locked->SetLocked(true, false);
    m_undo.ClearUndoHistory();
    const double from = std::trunc(Heard(7000.0)) + 400.0;
    const double to = from + 900.0;
    m_project->TimeSelection().Set(from, to, 0, 1);
    m_project->SelectClip(clip, false);
    m_project->SelectClip(locked, true);

    for (const int32_t key : {VK_DELETE, VK_BACK}) {
        m_host.KeyDown(key);
        ASSERT_EQ(ClipsOn(0).size(), 2u);
        EXPECT_NEAR(ClipsOn(0)[0]->GetHeardStartMs() + ClipsOn(0)[0]->GetLengthMs(), from, 0.012);
        EXPECT_NEAR(ClipsOn(0)[1]->GetHeardStartMs(), to, 0.012);
        // The locked clip stays whole; the clipboard still holds the copy.
        ASSERT_EQ(ClipsOn(1).size(), 1u);
        EXPECT_EQ(ClipsOn(1)[0], locked);
        EXPECT_NEAR(locked->GetLengthMs(), 2000.0, 0.012);
        EXPECT_FALSE(m_project->TimeSelection().IsActive());
        ASSERT_EQ(m_project->Clipboard().Count(), 1u);

        // One undo step brings the clip, its selection and the time back.
        ASSERT_TRUE(m_undo.Undo());
        ASSERT_EQ(ClipsOn(0).size(), 1u);
        EXPECT_EQ(ClipsOn(0)[0], clip);
        EXPECT_TRUE(clip->IsSelected());
        const auto range = m_project->TimeSelection().Range();
        ASSERT_TRUE(range.has_value());
        EXPECT_DOUBLE_EQ(range->startMs, from);
        EXPECT_DOUBLE_EQ(range->endMs, to);
        EXPECT_FALSE(m_undo.CanUndo());
    }
    m_project->SelectTrack(2, false);
    ASSERT_TRUE(m_project->Clipboard().Paste(Heard(12000.0)));
    ASSERT_EQ(ClipsOn(2).size(), 1u);
    EXPECT_NEAR(ClipsOn(2)[0]->GetLengthMs(), 2000.0, 0.012);
}

TEST_P(ClipboardTest, PastingTwiceGivesIndependentClipsAndLeavesTheCaretAtTheEnd) {
    CClip* clip = AddSaw(0, 1000.0);
    ASSERT_NE(clip, nullptr);
    m_project->SelectClip(clip, false);
    ASSERT_TRUE(m_project->Clipboard().Copy());
    m_project->SelectTrack(2, false);
    ASSERT_TRUE(m_project->Clipboard().Paste(Heard(6000.0)));
    EXPECT_NEAR(m_project->GetCaretTime(), Heard(6000.0) + 2000.0, 1e-6);
    ASSERT_TRUE(m_project->Clipboard().Paste(Heard(12000.0)));
    ASSERT_EQ(ClipsOn(2).size(), 2u);
    CClip* first = ClipsOn(2)[0];
    CClip* second = ClipsOn(2)[1];
    EXPECT_NE(first, second);
    EXPECT_NE(first->GetEngineAtom(), second->GetEngineAtom());
    EXPECT_NEAR(first->GetHeardStartMs(), Heard(6000.0), 1e-6);
    EXPECT_NEAR(second->GetHeardStartMs(), Heard(12000.0), 1e-6);
    first->SetMuted(true, false);
    EXPECT_FALSE(second->IsMuted());
    EXPECT_FALSE(clip->IsMuted());
    // Each paste is its own undo step.
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_EQ(ClipsOn(2).size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Tempos, ClipboardTest,
                         ::testing::Values(TempoCase{60.0, 0.0}, TempoCase{90.0, 0.0},
                                           TempoCase{120.0, 0.0}, TempoCase{173.0, 0.0},
                                           TempoCase{120.0, 90.0}),
                         CaseName);

class ClipboardRules : public ProjectOnWindowTest {
protected:
    const std::vector<CClip*>& ClipsOn(int track) { return m_project->GetTrack(track)->Clips(); }
    CMIDIClip* AddMidiClipOn(int track) {
        auto* sound = new CMidiSound;
        TMidiSndNoteData note;
        note.start = 100;
        note.end = 600;
        note.pitch = 60;
        sound->AddMidiNote(note, nullptr);
        sound->SetMediaLength(1000.0);
        sound->SetLoopEnd(sound->GetMediaLength());
        sound->SetVirtualLength(sound->GetMediaLength());
        auto* clip = new CMIDIClip(m_project->Clips(), sound);
        const bool added = m_project->GetTrack(track)->AddClip(clip, 0, false);
        clip->DeleteRefObject();
        return added ? clip : nullptr;
    }
};

TEST_F(ClipboardRules, ALockedClipIsCopiedByCutButStays) {
    CClip* locked = AddClipAt(0, 0.0);
    ASSERT_NE(locked, nullptr);
    locked->SetLocked(true, false);
    m_project->SelectClip(locked, false);
    ASSERT_TRUE(m_project->Clipboard().Cut());
    EXPECT_EQ(m_project->Clipboard().Count(), 1u);
    ASSERT_EQ(ClipsOn(0).size(), 1u);
    EXPECT_EQ(ClipsOn(0)[0], locked);
}

TEST_F(ClipboardRules, AClipTouchingTheSelectionOnlyAtItsEdgeIsSkipped) {
    CClip* clip = AddClipAt(0, 1000.0); // one second long
    ASSERT_NE(clip, nullptr);
    m_project->SelectClip(clip, false);
    m_project->TimeSelection().Set(2000.0, 3000.0, 0, 0);
    m_project->SelectClip(clip, false);
    LogCapture log;
    EXPECT_FALSE(m_project->Clipboard().Copy());
    EXPECT_TRUE(log.Contains("was barely selected"));

    m_project->TimeSelection().Set(1999.0, 3000.0, 0, 0);
    m_project->SelectClip(clip, false);
    ASSERT_TRUE(m_project->Clipboard().Copy());
    m_project->SelectTrack(1, false);
    ASSERT_TRUE(m_project->Clipboard().Paste(5000.0));
    ASSERT_EQ(ClipsOn(1).size(), 1u);
    EXPECT_NEAR(ClipsOn(1)[0]->GetLengthMs(), 1.0, 0.012) << "44 frames";
}

TEST_F(ClipboardRules, PiecesGoToTheNearestTrackOfTheirKindOrANewOne) {
    ASSERT_NE(m_project->AddMIDITrack(1, false), nullptr);
    CClip* audio = AddClipAt(0, 0.0);
    CMIDIClip* midi = AddMidiClipOn(1);
    ASSERT_TRUE(audio && midi);
    m_project->SelectClip(audio, false);
    m_project->SelectClip(midi, true);
    ASSERT_TRUE(m_project->Clipboard().Copy());
    ASSERT_EQ(m_project->Clipboard().Count(), 2u);

    // From the caret's track 5: the audio piece there, the MIDI piece on
    // the nearest MIDI track (track 1), not on audio track 6.
    m_project->SelectTrack(5, false);
    ASSERT_TRUE(m_project->Clipboard().Paste(3000.0));
    EXPECT_EQ(ClipsOn(5).size(), 1u);
    EXPECT_EQ(ClipsOn(6).size(), 0u);
    EXPECT_EQ(ClipsOn(1).size(), 2u);

    // Without a MIDI track one is made at the end.
    const int tracks = m_project->GetNumTracks();
    ASSERT_TRUE(m_project->DeleteTrack(1, false));
    m_project->SelectTrack(4, false);
    ASSERT_TRUE(m_project->Clipboard().Paste(6000.0));
    ASSERT_EQ(m_project->GetNumTracks(), tracks);
    EXPECT_EQ(m_project->GetTrack(tracks - 1)->GetKind(), CTrack::kMidi);
    EXPECT_EQ(ClipsOn(tracks - 1).size(), 1u);
    EXPECT_EQ(m_project->GetLastSelectedTrack(), 4);
    // One undo step takes the pasted clips and the new track away.
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_EQ(m_project->GetNumTracks(), tracks - 1);
}

} // namespace
