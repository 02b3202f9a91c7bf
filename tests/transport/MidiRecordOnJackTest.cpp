// A take of an armed MIDI track from a JACK MIDI client, on a JACK server of
// the test's own: the notes land in the recorded clip where the play position
// was when they were sent.

#include "JackServer.h"
#include "JackTestClients.h"
#include "engine/AudioDeviceChoice.h"
#include "engine/CMidiInput.h"
#include "engine/CMidiInputQueue.h"
#include "engine/CMidiSound.h"
#include "engine/MidiNote.h"
#include "project/CMIDIClip.h"
#include "project/CMIDITrack.h"
#include "project/ProjectOnWindowTest.h"
#include "project/RecordingInput.h"
#include "transport/CRecordSession.h"
#include "transport/CTransport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <string>
#include <thread>

namespace {

constexpr double kRecordStartMs = 1000.0;

class MidiRecordOnJack : public ProjectOnWindowTest {
protected:
    void TearDown() override {
        m_session.reset();
        m_input.reset();
        m_mixer.Stop(0);
        m_mixer.CloseDevice();
        m_transport.reset();
        ProjectOnWindowTest::TearDown();
    }

    // Plays on the server and takes MIDI from the sender's port.
    bool OpenDevices(std::string& reason) {
        AudioDeviceChoice choice;
        choice.driverType = AudioDeviceChoice::kJack;
        choice.clientName = "loomtone-midirecord";
        if (!m_mixer.OpenDevice(choice, reason))
            return false;
        const int port = JackNoteSender::InputIndex();
        if (port < 0) {
            reason = "the sender's port is not listed";
            return false;
        }
        m_input = std::make_unique<CMidiInput>(m_mixer, m_queue);
        if (!m_input->Open(port, reason))
            return false;
        // Tracks arm on the one MIDI input the take reads.
        RecordingInput inputs{AudioDeviceChoice::kJack, 0, [](int) { return 0; }, {}, {"notes"}};
        m_project->SetRecordingInput(inputs, 1);
        return true;
    }

    void MakeSession() {
        // Ten seconds of tone to play along with.
        WriteToneWav(m_dir + "Long.wav", 441000, 8000);
        ASSERT_NE(AddClipAt(0, 0.0, m_dir + "Long.wav"), nullptr);
        m_project->MoveCaretAndPlayback(kRecordStartMs);
        m_undo.ClearUndoHistory();
        m_transport = std::make_unique<CTransport>(*m_project, m_mixer);
        m_session = std::make_unique<CRecordSession>(*m_transport, *m_project, m_mixer, m_undo);
        m_session->SetMidiInput(&m_queue);
    }

    CMidiInputQueue m_queue;
    std::unique_ptr<CMidiInput> m_input;
    std::unique_ptr<CTransport> m_transport;
    std::unique_ptr<CRecordSession> m_session;
};

TEST_F(MidiRecordOnJack, AnArmedTrackRecordsTheNotesWithinOnePeriodOfTheirSending) {
    START_JACK_OR_SKIP(server);
    JackNoteSender sender(m_mixer);
    ASSERT_TRUE(sender.IsActive());
    std::string reason;
    ASSERT_TRUE(OpenDevices(reason)) << reason;
    MakeSession();
    CMIDITrack* track = m_project->AddMIDITrack(-1, false);
    ASSERT_NE(track, nullptr);
    ASSERT_TRUE(track->Arm(0, -1));

    ASSERT_TRUE(m_session->Start());
    EXPECT_TRUE(m_mixer.Playing());
    sender.Start();
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (sender.Sent() < JackNoteSender::kNotes && std::chrono::steady_clock::now() < limit) {
        m_session->Tick();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_EQ(sender.Sent(), JackNoteSender::kNotes);
    // The last note's way through the input.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    m_session->Tick();
    EXPECT_EQ(m_session->Stop(), 1);

    ASSERT_EQ(track->Clips().size(), size_t{1});
    const auto& clip = *static_cast<CMIDIClip*>(track->Clips()[0]);
    EXPECT_FALSE(clip.IsRecording());
    EXPECT_DOUBLE_EQ(clip.GetStartMs(), kRecordStartMs);
    ASSERT_EQ(clip.GetAtom()->NumNotes(), JackNoteSender::kNotes);
    // A note sent at a period's start is taken at the next one: one period,
    // which the two times' rounding may put a hair over.
    const double periodMs = 1000.0 * JackServer::kPeriod / JackServer::kRate + 1e-6;
    for (int note = 0; note < JackNoteSender::kNotes; ++note) {
        const TMidiSndNoteData data = clip.GetAtom()->GetNote(note)->GetNoteData();
        EXPECT_EQ(data.pitch, 60 + note);
        EXPECT_EQ(data.velocity, 100);
        const double startMs = clip.GetStartMs() + data.start;
        EXPECT_LE(std::fabs(startMs - sender.SentAtMs(note)), periodMs)
            << "note " << note << " sent at " << sender.SentAtMs(note) << " ms recorded at "
            << startMs << " ms";
    }
    EXPECT_EQ(m_queue.Dropped(), 0);
    // One undo step takes the take away.
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_TRUE(track->Clips().empty());
}

} // namespace
