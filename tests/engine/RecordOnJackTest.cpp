#include "JackServer.h"
#include "engine/CAudioDevice.h"
#include "engine/CPCMMixer.h"
#include "engine/CPCMSound.h"
#include "engine/CRecordWriter.h"
#include "engine/CSoundGroup.h"
#include "engine/SoundFixtures.h"

#include <gtest/gtest.h>
#include <jack/jack.h>
#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr const char* kClient = "loomtone-rec";

// The analogue side of a sound card, as a JACK client: what Loomtone sends
// out comes back into its input after the latency the server declares for its
// physical ports, as through a cable from the line out to the line in. A loop
// of clients already takes one period (what one of them writes reaches the
// other in the next cycle), so the cable delays by the rest.
class LoopbackCable {
public:
    explicit LoopbackCable(int delayFrames) : m_delay(static_cast<size_t>(delayFrames) + 1, 0.0f) {
        m_client = jack_client_open("cable", JackNoStartServer, nullptr);
        if (!m_client)
            return;
        m_in = jack_port_register(m_client, "in", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
        m_out = jack_port_register(m_client, "out", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
        jack_set_process_callback(m_client, &LoopbackCable::Process, this);
        m_active = jack_activate(m_client) == 0;
    }
    ~LoopbackCable() {
        if (m_client)
            jack_client_close(m_client);
    }
    LoopbackCable(const LoopbackCable&) = delete;
    LoopbackCable& operator=(const LoopbackCable&) = delete;

    bool Connect(const std::string& client) {
        return ConnectFrom(client) &&
               jack_connect(m_client, "cable:out", (client + ":inport 0").c_str()) == 0;
    }
    // The client's first output into the cable; whoever reads "cable" hears it.
    bool ConnectFrom(const std::string& client) {
        return m_active && jack_connect(m_client, (client + ":outport 0").c_str(), "cable:in") == 0;
    }

private:
    static int Process(jack_nframes_t frames, void* self) {
        auto& cable = *static_cast<LoopbackCable*>(self);
        const auto* in = static_cast<const float*>(jack_port_get_buffer(cable.m_in, frames));
        auto* out = static_cast<float*>(jack_port_get_buffer(cable.m_out, frames));
        for (jack_nframes_t frame = 0; frame < frames; ++frame) {
            cable.m_delay[cable.m_position] = in[frame];
            cable.m_position = (cable.m_position + 1) % cable.m_delay.size();
            out[frame] = cable.m_delay[cable.m_position];
        }
        return 0;
    }

    jack_client_t* m_client = nullptr;
    jack_port_t* m_in = nullptr;
    jack_port_t* m_out = nullptr;
    bool m_active = false;
    std::vector<float> m_delay;
    size_t m_position = 0;
};

std::vector<float> ReadMono(const std::string& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file)
        return {};
    std::vector<float> samples(static_cast<size_t>(info.frames * info.channels));
    sf_readf_float(file, samples.data(), info.frames);
    sf_close(file);
    return samples;
}

int64_t FirstLoudFrame(const std::vector<float>& samples) {
    for (size_t index = 0; index < samples.size(); ++index)
        if (std::fabs(samples[index]) > 0.01f)
            return static_cast<int64_t>(index);
    return -1;
}

// An empty folder of its own for a test's files.
std::string FreshDir(const std::string& name) {
    const std::string dir = std::string(LOOMTONE_TEST_TMP) + "/" + name + "/";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

// A 1 kHz tone one second into the project, on the mixer's one track.
SoundFixtures::AtomPtr<CPCMSound> AddToneAtOneSecond(CPCMMixer& mixer) {
    mixer.AddTrack();
    SoundFixtures::AtomPtr<CPCMSound> tone(new CPCMSound());
    if (!tone->SetSoundData(SoundFixtures::SineData(0.5, 1000.0)))
        return {};
    tone->SetTrackNumber(0);
    mixer.GetSoundGroup()->Add(tone.get(), 1000.0);
    return tone;
}

AudioDeviceChoice JackWithOneInput(const std::string& client) {
    AudioDeviceChoice choice;
    choice.driverType = AudioDeviceChoice::kJack;
    choice.inputChannels = 1;
    choice.clientName = client;
    return choice;
}

// Plays until the project ends by itself after the tone, gives the tone
// time to come back through the cable, and stops the take.
void PlayToTheEnd(CPCMMixer& mixer, CRecordWriter& writer) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (mixer.Playing() && std::chrono::steady_clock::now() < limit)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    writer.Stop();
    mixer.Stop(0);
}

// How many frames after its place in the project the tone was recorded.
double PlacementErrorFrames(const std::vector<float>& take, double recordStartMs) {
    const int64_t onset = FirstLoudFrame(take);
    // The tone's first sample is 0 and its second the first above the threshold.
    const double heardAtMs = recordStartMs + (onset - 1) * 1000.0 / kMixerSampleRate;
    // Whole frames: the trip through milliseconds leaves a rounding error
    // that could put a one-period miss a hair over the bound.
    return std::round((heardAtMs - 1000.0) * kMixerSampleRate / 1000.0);
}

TEST(RecordOnJack, TheTakeLinesUpWithWhatPlayedWithinOnePeriod) {
    START_JACK_OR_SKIP(server);
    const std::string dir = FreshDir("RecordOnJack");
    CPCMMixer mixer;
    const auto tone = AddToneAtOneSecond(mixer);
    ASSERT_TRUE(tone);
    std::string reason;
    ASSERT_TRUE(mixer.OpenDevice(JackWithOneInput(kClient), reason)) << reason;
    const CAudioDevice& device = mixer.GetDevice();
    EXPECT_EQ(device.BlockFrames(), JackServer::kPeriod);
    const int roundTrip = device.OutputLatencyFrames() + device.InputLatencyFrames();
    ASSERT_GE(roundTrip, JackServer::kPeriod);
    LoopbackCable cable(roundTrip - JackServer::kPeriod);
    ASSERT_TRUE(cable.Connect(kClient));

    ASSERT_TRUE(mixer.Play(mixer.GetSoundGroup(), 0.0, 0));
    CRecordWriter writer(mixer);
    ASSERT_TRUE(writer.Start({{dir + "take.wav", 1, 0, ""}}, reason)) << reason;
    PlayToTheEnd(mixer, writer);
    const double callbackAverage = device.CallbackTimes().AverageMicroseconds();
    const double callbackWorst = device.CallbackTimes().WorstMicroseconds();

    const std::vector<float> take = ReadMono(dir + "take.wav");
    ASSERT_GE(FirstLoudFrame(take), 0) << "the tone never came back";
    const double errorFrames = PlacementErrorFrames(take, writer.RecordStartMs());
    EXPECT_LE(std::fabs(errorFrames), JackServer::kPeriod) << "off by " << errorFrames << " frames";
    RecordProperty("LatencyErrorFrames", std::to_string(errorFrames));
    RecordProperty("CallbackAverageUs", std::to_string(callbackAverage));
    RecordProperty("CallbackWorstUs", std::to_string(callbackWorst));
    std::printf("latency compensation error %.1f frames; callback average %.1f us, worst %.1f us\n",
                errorFrames, callbackAverage, callbackWorst);
}

// A track may record from another input than the one the mixer's device
// reads: the writer opens that device beside it, and each file holds its own
// device's input, placed by its own first frame.
TEST(RecordOnJack, AFileRecordsTheInputDeviceItNamesBesideTheMixersOwnInput) {
    START_JACK_OR_SKIP(server);
    const std::string dir = FreshDir("RecordOnJackTwoInputs");
    CPCMMixer mixer;
    const auto tone = AddToneAtOneSecond(mixer);
    ASSERT_TRUE(tone);
    // The mixer's own input is the server's capture ports, silent on the dummy backend.
    const std::string client = "loomtone-two";
    std::string reason;
    ASSERT_TRUE(mixer.OpenDevice(JackWithOneInput(client), reason)) << reason;
    CAudioDevice& device = mixer.GetDevice();
    ASSERT_EQ(device.InputName(), "system");
    // The other input, "cable", runs in the same server cycle after the
    // mixer, so its first frame is stamped one period late; the cable stands
    // for the rest of the way out to the listener.
    LoopbackCable cable(std::max(device.OutputLatencyFrames() - JackServer::kPeriod, 0));
    ASSERT_TRUE(cable.ConnectFrom(client));

    ASSERT_TRUE(mixer.Play(mixer.GetSoundGroup(), 0.0, 0));
    CRecordWriter writer(mixer);
    ASSERT_TRUE(
        writer.Start({{dir + "own.wav", 1, 0, ""}, {dir + "cable.wav", 1, 0, "cable"}}, reason))
        << reason;
    EXPECT_TRUE(JackServer::WaitForPort(client + "-in1:inport 0", std::chrono::seconds(5)));
    PlayToTheEnd(mixer, writer);

    EXPECT_LT(FirstLoudFrame(ReadMono(dir + "own.wav")), 0) << "the mixer's input heard the tone";
    EXPECT_GT(writer.FramesWritten(0), 0);
    const std::vector<float> take = ReadMono(dir + "cable.wav");
    ASSERT_GE(FirstLoudFrame(take), 0) << "the chosen input never heard the tone";
    const double errorFrames = PlacementErrorFrames(take, writer.RecordStartMs(1));
    EXPECT_LE(std::fabs(errorFrames), JackServer::kPeriod) << "off by " << errorFrames << " frames";
    std::printf("other input: placement error %.1f frames\n", errorFrames);
}

TEST(RecordOnJack, AnInputDeviceThatCannotOpenStartsNothingAndLeavesNoFile) {
    START_JACK_OR_SKIP(server);
    const std::string dir = FreshDir("RecordOnJackNoInput");
    CPCMMixer mixer;
    std::string reason;
    ASSERT_TRUE(mixer.OpenDevice(JackWithOneInput("loomtone-gone"), reason)) << reason;
    CRecordWriter writer(mixer);
    EXPECT_FALSE(writer.Start(
        {{dir + "own.wav", 1, 0, ""}, {dir + "gone.wav", 1, 0, "unplugged card"}}, reason));
    EXPECT_NE(reason.find("unplugged card"), std::string::npos) << reason;
    EXPECT_FALSE(writer.IsRecording());
    EXPECT_FALSE(mixer.IsCapturing());
    EXPECT_FALSE(std::filesystem::exists(dir + "own.wav"));
    EXPECT_FALSE(std::filesystem::exists(dir + "gone.wav"));
}

} // namespace
