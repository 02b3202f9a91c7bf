#include "JackServer.h"
#include "JackTestClients.h"
#include "engine/AudioDeviceChoice.h"
#include "engine/CMidiInput.h"
#include "engine/CMidiInputQueue.h"
#include "engine/CPCMMixer.h"
#include "engine/CPCMSound.h"
#include "engine/CSoundGroup.h"
#include "engine/SoundFixtures.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

namespace {

TEST(MidiInputOnJack, NotesArriveStampedWithinOnePeriodOfTheirSending) {
    START_JACK_OR_SKIP(server);
    CPCMMixer mixer;
    mixer.AddTrack();
    // Ten seconds to play, so that the play position moves.
    SoundFixtures::AtomPtr<CPCMSound> sound(new CPCMSound());
    ASSERT_TRUE(sound->SetSoundData(SoundFixtures::SineData(10.0, 100.0)));
    sound->SetTrackNumber(0);
    mixer.GetSoundGroup()->Add(sound.get(), 0.0);
    AudioDeviceChoice choice;
    choice.driverType = AudioDeviceChoice::kJack;
    choice.clientName = "loomtone-midi";
    std::string reason;
    ASSERT_TRUE(mixer.OpenDevice(choice, reason)) << reason;

    JackNoteSender sender(mixer);
    ASSERT_TRUE(sender.IsActive());
    const int port = JackNoteSender::InputIndex();
    ASSERT_GE(port, 0) << "the sender's port is not listed";
    CMidiInputQueue queue;
    CMidiInput input(mixer, queue);
    ASSERT_TRUE(input.Open(port, reason)) << reason;

    ASSERT_TRUE(mixer.Play(mixer.GetSoundGroup(), 0.0, 0));
    sender.Start();
    std::vector<TimedMidiMessage> received;
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (received.size() < JackNoteSender::kNotes && std::chrono::steady_clock::now() < limit) {
        TimedMidiMessage event;
        while (queue.Pop(event))
            received.push_back(event);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    input.Close();
    mixer.Stop(0);

    ASSERT_EQ(received.size(), size_t{JackNoteSender::kNotes});
    // A note sent at a period's start is stamped at the next one: exactly one
    // period late, which the two times' rounding may put a hair over.
    const double periodMs = 1000.0 * JackServer::kPeriod / JackServer::kRate + 1e-6;
    for (int note = 0; note < JackNoteSender::kNotes; ++note) {
        const TimedMidiMessage& event = received[static_cast<size_t>(note)];
        EXPECT_EQ(event.message, JackNoteSender::Message(note)) << note;
        EXPECT_LE(std::fabs(event.heardMs - sender.SentAtMs(note)), periodMs)
            << "note " << note << " sent at " << sender.SentAtMs(note) << " ms arrived stamped "
            << event.heardMs << " ms";
    }
    EXPECT_GT(received.back().heardMs, received.front().heardMs);
    EXPECT_EQ(queue.Dropped(), 0);
}

TEST(MidiInput, PackTakesOneToThreeBytes) {
    EXPECT_EQ(CMidiInput::Pack({0x90, 0x3C, 0x64}), 0x643C90u);
    EXPECT_EQ(CMidiInput::Pack({0xC0, 0x05}), 0x05C0u);
    EXPECT_EQ(CMidiInput::Pack({}), 0u);
    EXPECT_EQ(CMidiInput::Pack({0xF0, 1, 2, 3}), 0u);
}

} // namespace
