#include "JackServer.h"
#include "engine/AudioDeviceChoice.h"
#include "engine/CMidiInput.h"
#include "engine/CMidiInputQueue.h"
#include "engine/CPCMMixer.h"
#include "engine/CPCMSound.h"
#include "engine/CSoundGroup.h"
#include "engine/MidiPortNames.h"
#include "engine/SoundFixtures.h"

#include <gtest/gtest.h>
#include <jack/jack.h>
#include <jack/midiport.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

namespace {

// A keyboard as a JACK MIDI client: every twentieth cycle it plays the next
// note and notes the mixer's play position as it sends it.
class NoteSender {
public:
    static constexpr int kNotes = 5;

    explicit NoteSender(const CPCMMixer& mixer) : m_mixer(mixer) {
        m_client = jack_client_open("notesender", JackNoStartServer, nullptr);
        if (!m_client)
            return;
        m_out = jack_port_register(m_client, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
        jack_set_process_callback(m_client, &NoteSender::Process, this);
        m_active = jack_activate(m_client) == 0;
    }
    ~NoteSender() {
        if (m_client)
            jack_client_close(m_client);
    }
    NoteSender(const NoteSender&) = delete;
    NoteSender& operator=(const NoteSender&) = delete;

    bool IsActive() const { return m_active; }
    void Start() { m_sending = true; }
    int Sent() const { return m_sent.load(); }
    double SentAtMs(int note) const { return m_sentAtMs[static_cast<size_t>(note)]; }
    static uint32_t Message(int note) { return 0x90u | ((60u + note) << 8) | (100u << 16); }

private:
    static int Process(jack_nframes_t frames, void* self) {
        auto& sender = *static_cast<NoteSender*>(self);
        void* buffer = jack_port_get_buffer(sender.m_out, frames);
        jack_midi_clear_buffer(buffer);
        const int sent = sender.m_sent.load();
        if (!sender.m_sending || sent >= kNotes || ++sender.m_cycle % 20 != 0)
            return 0;
        if (jack_midi_data_t* data = jack_midi_event_reserve(buffer, 0, 3)) {
            const uint32_t message = Message(sent);
            for (int byte = 0; byte < 3; ++byte)
                data[byte] = static_cast<jack_midi_data_t>(message >> (8 * byte));
            sender.m_sentAtMs[static_cast<size_t>(sent)] = sender.m_mixer.GetPositionMs();
            sender.m_sent.store(sent + 1);
        }
        return 0;
    }

    const CPCMMixer& m_mixer;
    jack_client_t* m_client = nullptr;
    jack_port_t* m_out = nullptr;
    bool m_active = false;
    std::atomic<bool> m_sending{false};
    std::atomic<int> m_sent{0};
    int m_cycle = 0;
    std::array<double, kNotes> m_sentAtMs{};
};

int PortIndex(const std::string& name) {
    const std::vector<std::string> names = MidiInputNames();
    for (size_t index = 0; index < names.size(); ++index)
        if (names[index].find(name) != std::string::npos)
            return static_cast<int>(index);
    return -1;
}

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

    NoteSender sender(mixer);
    ASSERT_TRUE(sender.IsActive());
    const int port = PortIndex("notesender:out");
    ASSERT_GE(port, 0) << "the sender's port is not listed";
    CMidiInputQueue queue;
    CMidiInput input(mixer, queue);
    ASSERT_TRUE(input.Open(port, reason)) << reason;

    ASSERT_TRUE(mixer.Play(mixer.GetSoundGroup(), 0.0, 0));
    sender.Start();
    std::vector<TimedMidiMessage> received;
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (received.size() < NoteSender::kNotes && std::chrono::steady_clock::now() < limit) {
        TimedMidiMessage event;
        while (queue.Pop(event))
            received.push_back(event);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    input.Close();
    mixer.Stop(0);

    ASSERT_EQ(received.size(), size_t{NoteSender::kNotes});
    // A note sent at a period's start is stamped at the next one: exactly one
    // period late, which the two times' rounding may put a hair over.
    const double periodMs = 1000.0 * JackServer::kPeriod / JackServer::kRate + 1e-6;
    for (int note = 0; note < NoteSender::kNotes; ++note) {
        const TimedMidiMessage& event = received[static_cast<size_t>(note)];
        EXPECT_EQ(event.message, NoteSender::Message(note)) << note;
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
