#include "transport/CRecordSession.h"
#include "engine/CAudioAtom.h"
#include "project/CAudioTrack.h"
#include "project/CClip.h"
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
        m_project->SetRecordingInput({0, 1, [](int) { return 2; }}, 0);
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

} // namespace
