#include "transport/CRecordSession.h"
#include "engine/CAudioAtom.h"
#include "engine/CMidiInput.h"
#include "engine/CMidiInputQueue.h"
#include "engine/CMidiSound.h"
#include "engine/MidiNote.h"
#include "project/CAudioTrack.h"
#include "project/CClip.h"
#include "project/CMIDIClip.h"
#include "project/CMIDITrack.h"
#include "project/ProjectOnWindowTest.h"
#include "support/LocalizedStrings.h"
#include "transport/CTransport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>
#include <vector>

namespace {

// Four audio tracks over ten seconds of tone on the first, on a machine with
// one stereo input; the recording folder is the test's own.
class RecordSessionTest : public ProjectOnWindowTest {
protected:
    void SetUp() override {
        ProjectOnWindowTest::SetUp();
        m_project->SetRecordingInput({0, 1, [](int) { return 2; }}, 1);
        WriteToneWav(m_dir + "Long.wav", 441000, 8000);
        ASSERT_NE(AddClipAt(0, 0.0, m_dir + "Long.wav"), nullptr);
        while (m_project->GetNumTracks() < 4)
            m_project->AddAudioTrack(-1, false);
        for (int index = 0; index < m_project->GetNumTracks(); ++index)
            m_project->GetTrack(index)->SetName("", false);
        m_project->GetTrack(1)->SetName("Guitar", false);
        m_project->MoveCaretAndPlayback(1000.0);
        m_undo.ClearUndoHistory();
        m_transport = std::make_unique<CTransport>(*m_project, m_mixer);
        m_session = std::make_unique<CRecordSession>(*m_transport, *m_project, m_mixer, m_undo);
    }
    void TearDown() override {
        m_session.reset();
        m_mixer.Stop(0);
        m_transport.reset();
        ProjectOnWindowTest::TearDown();
    }

    CAudioTrack& Track(int index) { return *static_cast<CAudioTrack*>(m_project->GetTrack(index)); }
    // Input arriving as from a device, and the writer given time to take it.
    void Input(double ms) {
        const int frames = static_cast<int>(ms * 44.1);
        const std::vector<float> block(2 * 441, 0.25f);
        const double before = m_session->RecordedMs();
        for (int done = 0; done < frames; done += 441)
            m_mixer.CaptureInput(block.data(), 441, 2);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (m_session->RecordedMs() < before + ms - 1.0 &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }

    std::unique_ptr<CTransport> m_transport;
    std::unique_ptr<CRecordSession> m_session;
};

TEST_F(RecordSessionTest, StartedWhileStoppedPlaysAlongAndTheClipGrowsUntilTheStop) {
    ASSERT_TRUE(Track(1).Arm(0, 2));
    ASSERT_TRUE(m_session->Start());
    EXPECT_TRUE(m_session->IsRecording());
    EXPECT_FALSE(m_session->IsPunchIn());
    // Sync recording: playback starts with the take, from the caret.
    EXPECT_TRUE(m_mixer.Playing());
    EXPECT_DOUBLE_EQ(m_mixer.GetPositionMs(), 1000.0);
    ASSERT_EQ(Track(1).Clips().size(), size_t{1});
    CClip* growing = Track(1).Clips()[0];
    EXPECT_TRUE(growing->IsRecording());
    EXPECT_DOUBLE_EQ(growing->GetStartMs(), 1000.0);

    Input(500.0);
    EXPECT_FALSE(m_session->Tick());
    EXPECT_NEAR(growing->GetLengthMs(), 500.0, 1.0);
    Input(500.0);
    m_session->Tick();
    EXPECT_NEAR(growing->GetLengthMs(), 1000.0, 1.0);

    EXPECT_EQ(m_session->Stop(), 1);
    EXPECT_FALSE(m_session->IsRecording());
    EXPECT_FALSE(m_mixer.Playing());
    ASSERT_EQ(Track(1).Clips().size(), size_t{1});
    const CClip& recorded = *Track(1).Clips()[0];
    EXPECT_FALSE(recorded.IsRecording());
    EXPECT_DOUBLE_EQ(recorded.GetStartMs(), 1000.0);
    EXPECT_NEAR(recorded.GetLengthMs(), 1000.0, 1.0);
    // The caret waits at the end of the take.
    EXPECT_NEAR(m_project->GetCaretTime(), 2000.0, 1.0);

    // One undo step takes the whole take away; the file stays.
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_TRUE(Track(1).Clips().empty());
    EXPECT_FALSE(m_undo.CanUndo());
    EXPECT_TRUE(std::filesystem::exists(m_dir + "02 Guitar.wav"));
}

TEST_F(RecordSessionTest, StartedWhilePlayingPunchesInAndPlaybackGoesOn) {
    ASSERT_TRUE(Track(2).Arm(0, 0));
    ASSERT_TRUE(m_transport->Play());
    ASSERT_TRUE(m_session->Start());
    EXPECT_TRUE(m_session->IsPunchIn());
    Input(300.0);
    EXPECT_EQ(m_session->Stop(), 1);
    EXPECT_TRUE(m_mixer.Playing());
    EXPECT_FALSE(m_session->IsPunchIn());
    // The caret is playback's, not moved to the take's end.
    EXPECT_DOUBLE_EQ(m_project->GetCaretTime(), 1000.0);
}

TEST_F(RecordSessionTest, WithoutPlaybackARunningPlaybackStopsAndTheCaretFollowsTheTake) {
    m_session->SetPlayWhileRecording(false);
    ASSERT_TRUE(Track(1).Arm(0, 2));
    ASSERT_TRUE(m_transport->Play());
    ASSERT_TRUE(m_session->Start());
    EXPECT_FALSE(m_mixer.Playing());
    EXPECT_FALSE(m_session->IsPunchIn());
    Input(500.0);
    m_session->Tick();
    EXPECT_NEAR(m_project->GetCaretTime(), 1500.0, 1.0);
    EXPECT_EQ(m_session->Stop(), 1);
    EXPECT_DOUBLE_EQ(Track(1).Clips()[0]->GetStartMs(), 1000.0);
}

TEST_F(RecordSessionTest, TheRecordTimerStopsTheTakeByItself) {
    // 0.05 minutes.
    m_session->SetTimer(true, 3000);
    ASSERT_TRUE(Track(1).Arm(0, 2));
    ASSERT_TRUE(m_session->Start());
    Input(2500.0);
    EXPECT_FALSE(m_session->Tick());
    EXPECT_TRUE(m_session->IsRecording());
    Input(500.0);
    EXPECT_TRUE(m_session->Tick());
    EXPECT_FALSE(m_session->IsRecording());
    ASSERT_EQ(Track(1).Clips().size(), size_t{1});
    EXPECT_NEAR(Track(1).Clips()[0]->GetLengthMs(), 3000.0, 1.0);
}

TEST_F(RecordSessionTest, NothingArmedRecordsTheSelectedTrack) {
    m_project->SelectTrack(3, false);
    ASSERT_TRUE(m_session->Start());
    EXPECT_TRUE(Track(3).IsArmed());
    Input(200.0);
    EXPECT_EQ(m_session->Stop(), 1);
    EXPECT_TRUE(std::filesystem::exists(m_dir + "04.wav"));
    EXPECT_TRUE(m_titles.empty());
}

TEST_F(RecordSessionTest, AMissingRecordingFolderIsToldAndNothingStarts) {
    std::filesystem::path blocker = m_dir + "blocker";
    { std::ofstream(blocker.string()) << "x"; }
    m_project->SetRecordingFolder(blocker.string() + "/rec/");
    ASSERT_TRUE(Track(1).Arm(0, 2));
    EXPECT_FALSE(m_session->Start());
    EXPECT_FALSE(m_session->IsRecording());
    EXPECT_FALSE(m_mixer.Playing());
    ASSERT_EQ(m_titles.size(), size_t{1});
    EXPECT_EQ(m_titles[0], MyLoadString("RecFolderMissing_Title"));
    EXPECT_TRUE(Track(1).Clips().empty());
}

TEST_F(RecordSessionTest, AStopBeforeAnyInputLeavesNoClipAndNoUndoStep) {
    ASSERT_TRUE(Track(1).Arm(0, 2));
    ASSERT_TRUE(m_session->Start());
    m_session->Tick();
    EXPECT_EQ(m_session->Stop(), 0);
    EXPECT_TRUE(Track(1).Clips().empty());
    EXPECT_FALSE(m_undo.CanUndo());
}

TEST_F(RecordSessionTest, AnArmedMidiTrackRecordsItsChannelIntoAClipAtTheStart) {
    CMidiInputQueue input;
    m_session->SetMidiInput(&input);
    CMIDITrack* all = m_project->AddMIDITrack(-1, false);
    CMIDITrack* second = m_project->AddMIDITrack(-1, false);
    ASSERT_TRUE(all && second);
    ASSERT_TRUE(all->Arm(0, -1));
    ASSERT_TRUE(second->Arm(0, 1));
    // Played before the take: not part of it.
    input.Push({0x403C90, 900.0});
    ASSERT_TRUE(m_session->Start());
    ASSERT_EQ(all->Clips().size(), size_t{1});
    EXPECT_TRUE(all->Clips()[0]->IsRecording());
    input.Push({0x643C90, 1100.0}); // note on, channel 1
    input.Push({0x003C80, 1600.0}); // note off
    input.Push({0x504091, 1200.0}); // channel 2, held to the stop
    m_session->Tick();
    EXPECT_EQ(m_session->Stop(), 2);
    EXPECT_FALSE(m_mixer.Playing());

    ASSERT_EQ(all->Clips().size(), size_t{1});
    auto& clip = *static_cast<CMIDIClip*>(all->Clips()[0]);
    EXPECT_FALSE(clip.IsRecording());
    EXPECT_DOUBLE_EQ(clip.GetStartMs(), 1000.0);
    ASSERT_EQ(clip.GetAtom()->NumNotes(), 2);
    const TMidiSndNoteData first = clip.GetAtom()->GetNote(0)->GetNoteData();
    EXPECT_EQ(first.pitch, 60);
    EXPECT_EQ(first.velocity, 100);
    EXPECT_DOUBLE_EQ(first.start, 100.0);
    EXPECT_DOUBLE_EQ(first.end, 600.0);
    // The held note ends with the take.
    const TMidiSndNoteData held = clip.GetAtom()->GetNote(1)->GetNoteData();
    EXPECT_EQ(held.channel, 1);
    EXPECT_DOUBLE_EQ(held.start, 200.0);
    EXPECT_GE(held.end, 600.0);

    ASSERT_EQ(second->Clips().size(), size_t{1});
    EXPECT_EQ(static_cast<CMIDIClip*>(second->Clips()[0])->GetAtom()->NumNotes(), 1);
    // One undo step takes both clips away.
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_TRUE(all->Clips().empty());
    EXPECT_TRUE(second->Clips().empty());
}

TEST(MidiInputQueue, AFullQueueDropsAndCountsWithoutWaiting) {
    CMidiInputQueue queue;
    size_t pushed = 0;
    while (queue.Push({0x403C90, static_cast<double>(pushed)}))
        ++pushed;
    EXPECT_EQ(pushed, CMidiInputQueue::kCapacity - 1);
    EXPECT_EQ(queue.Dropped(), 1);
    TimedMidiMessage event;
    ASSERT_TRUE(queue.Pop(event));
    EXPECT_DOUBLE_EQ(event.heardMs, 0.0);
    queue.Clear();
    EXPECT_FALSE(queue.Pop(event));
    EXPECT_TRUE(queue.Push({0x403C90, 1.0}));
}

TEST_F(RecordSessionTest, WithoutPlaybackMidiIsPlacedByItsArrivalOnTheClock) {
    CMidiInputQueue input;
    m_session->SetMidiInput(&input);
    m_session->SetPlayWhileRecording(false);
    CMIDITrack* track = m_project->AddMIDITrack(-1, false);
    ASSERT_TRUE(track && track->Arm(0, -1));
    const double start = CMidiInput::ClockMs();
    ASSERT_TRUE(m_session->Start());
    // The play position stands at the caret; the clock goes on.
    input.Push({0x643C90, 1000.0, start + 250.0});
    input.Push({0x003C80, 1000.0, start + 750.0});
    EXPECT_EQ(m_session->Stop(), 1);
    ASSERT_EQ(track->Clips().size(), size_t{1});
    const auto& clip = *static_cast<CMIDIClip*>(track->Clips()[0]);
    ASSERT_EQ(clip.GetAtom()->NumNotes(), 1);
    const TMidiSndNoteData note = clip.GetAtom()->GetNote(0)->GetNoteData();
    // The take started a moment after the clock was read here.
    EXPECT_NEAR(note.start, 250.0, 50.0);
    EXPECT_NEAR(note.end - note.start, 500.0, 1e-6);
}

} // namespace
