// A track armed on another input device than the one the mixer's device
// reads monitors it too: the device opens beside the mixer's, its frames
// reach the mixing thread through a ring, and the track's chain plays them.

#include "AllocationCounter.h"
#include "JackServer.h"
#include "JackTestClients.h"
#include "engine/CAudioDevice.h"
#include "engine/CEffectChain.h"
#include "engine/CGainEffect.h"
#include "engine/CJackDevice.h"
#include "engine/CMonitoredInputs.h"
#include "engine/CPCMMixer.h"
#include "engine/CPCMTrack.h"
#include "engine/CRecordWriter.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr const char* kClient = "loomtone-mon";
// The tone's level, and what a track whose chain halves it plays.
constexpr float kToneLevel = 0.5f;
constexpr float kHeardLevel = 0.25f;

void Wait(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

AudioDeviceChoice JackWithOneInput() {
    AudioDeviceChoice choice;
    choice.driverType = AudioDeviceChoice::kJack;
    choice.inputChannels = 1;
    choice.clientName = kClient;
    return choice;
}

// A mixer on the test's server with one track that halves what it plays,
// armed on the first channel of the input device "tone", not yet monitoring.
class MonitorOnJack : public ::testing::Test {
protected:
    void SetUp() override {
        if (!JackInstalled())
            GTEST_SKIP() << "jackd is not installed";
        server = std::make_unique<JackServer>();
        ASSERT_TRUE(server->Started()) << "the JACK dummy server did not answer";
        tone = std::make_unique<JackToneSource>("tone", 1000.0, kToneLevel);
        ASSERT_TRUE(tone->Active());
        track = mixer.AddTrack();
        auto gain = std::make_unique<CGainEffect>();
        gain->SetParameter(CGainEffect::kGainDb, -6.0206f);
        ASSERT_TRUE(track->GetEffectChain()->Insert(std::move(gain), -1));
        track->SetMonitorInput(0);
        track->SetMonitorDevice("tone");
        std::string reason;
        ASSERT_TRUE(mixer.OpenDevice(JackWithOneInput(), reason)) << reason;
        ASSERT_EQ(mixer.GetDevice().InputName(), "system");
    }
    void TearDown() override {
        mixer.CloseDevice();
        tone.reset();
        server.reset();
    }

    void Monitor(bool on) {
        track->SetIsMonitoring(on);
        mixer.GetMonitoredInputs().Update();
    }

    std::unique_ptr<JackServer> server;
    std::unique_ptr<JackToneSource> tone;
    CPCMMixer mixer;
    CPCMTrack* track = nullptr;
};

TEST_F(MonitorOnJack, ATrackArmedOnAnotherDeviceHearsItThroughItsChainWhileMonitoring) {
    JackPeakMeter meter("meter");
    ASSERT_TRUE(meter.Listen(std::string(kClient) + ":outport 0"));
    Wait(200);
    EXPECT_LT(meter.Peak(), 0.01f) << "not monitoring: silence";
    EXPECT_EQ(mixer.GetMonitoredInputs().OpenCount(), 0);

    Monitor(true);
    EXPECT_EQ(mixer.GetMonitoredInputs().OpenCount(), 1);
    EXPECT_EQ(track->GetMonitorSource(), 0);
    ASSERT_TRUE(
        JackServer::WaitForPort(std::string(kClient) + "-in1:inport 0", std::chrono::seconds(5)));
    Wait(300);
    meter.Reset();
    Wait(300);
    EXPECT_NEAR(meter.Peak(), kHeardLevel, 0.03f) << "the tone through the track's gain";
    // Both clients run on the server's one clock: once running, the ring
    // keeps a block in hand and is behind only when the server itself is
    // late (a loaded machine without real-time scheduling).
    const int64_t underruns = mixer.GetMonitoredInputs().Underruns();
    const int64_t xruns = static_cast<const CJackDevice&>(mixer.GetDevice()).Xruns();
    Wait(500);
    const int64_t behind = mixer.GetMonitoredInputs().Underruns() - underruns;
    const int64_t late = static_cast<const CJackDevice&>(mixer.GetDevice()).Xruns() - xruns;
    EXPECT_LE(behind, 2 * late + 1);
    std::printf("monitored input: %lld blocks behind at the start, %lld in half a second "
                "with %lld server xruns, %lld frames passed over\n",
                static_cast<long long>(underruns), static_cast<long long>(behind),
                static_cast<long long>(late),
                static_cast<long long>(mixer.GetMonitoredInputs().SkippedFrames()));

    Monitor(false);
    EXPECT_EQ(mixer.GetMonitoredInputs().OpenCount(), 0) << "no track needs the device";
    Wait(100);
    meter.Reset();
    Wait(200);
    EXPECT_LT(meter.Peak(), 0.01f);

    Monitor(true);
    EXPECT_EQ(mixer.GetMonitoredInputs().OpenCount(), 1);
    ASSERT_TRUE(mixer.RemoveTrack(0));
    EXPECT_EQ(mixer.GetMonitoredInputs().OpenCount(), 0) << "its track is gone";
}

TEST_F(MonitorOnJack, ADeviceThatCannotOpenLeavesTheTrackSilentAndTheMixersOwnInputNeedsNone) {
    track->SetMonitorDevice("unplugged card");
    Monitor(true);
    EXPECT_EQ(mixer.GetMonitoredInputs().OpenCount(), 0);
    EXPECT_EQ(track->GetMonitorSource(), CPCMTrack::kInputClosed);
    // The mixer's own input needs no device of its own.
    track->SetMonitorDevice("system");
    mixer.GetMonitoredInputs().Update();
    EXPECT_EQ(mixer.GetMonitoredInputs().OpenCount(), 0);
    EXPECT_EQ(track->GetMonitorSource(), CPCMTrack::kOwnInput);
}

// A recording from a monitored device takes its input from the device the
// monitoring opened: some devices allow one client only. The device stays
// open for the track once the take ends.
TEST_F(MonitorOnJack, RecordingFromAMonitoredDeviceSharesItsInput) {
    const std::string dir = std::string(LOOMTONE_TEST_TMP) + "/MonitorOnJack/";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    Monitor(true);
    ASSERT_TRUE(
        JackServer::WaitForPort(std::string(kClient) + "-in1:inport 0", std::chrono::seconds(5)));
    CRecordWriter writer(mixer);
    std::string reason;
    ASSERT_TRUE(writer.Start({{dir + "tone.wav", 1, 0, "tone"}}, reason)) << reason;
    Wait(300);
    writer.Stop();
    EXPECT_EQ(CommandOutput("jack_lsp 2>/dev/null").find(std::string(kClient) + "-in2"),
              std::string::npos)
        << "a second client of the device";
    EXPECT_EQ(mixer.GetMonitoredInputs().OpenCount(), 1);
    EXPECT_GE(writer.RecordStartMs(0), -1000.0);
    EXPECT_GT(writer.FramesWritten(0), 4410);

    SF_INFO info{};
    SNDFILE* file = sf_open((dir + "tone.wav").c_str(), SFM_READ, &info);
    ASSERT_NE(file, nullptr);
    std::vector<float> samples(static_cast<size_t>(info.frames));
    sf_readf_float(file, samples.data(), info.frames);
    sf_close(file);
    float peak = 0.0f;
    for (float sample : samples)
        peak = std::max(peak, std::fabs(sample));
    EXPECT_NEAR(peak, kToneLevel, 0.02f) << "the tone as it came in";
}

// With the mixer's own device stopped, the test's thread mixes in its place:
// a ring that is behind is heard as silence and counted, one that is far
// ahead is brought back, and none of it allocates.
TEST_F(MonitorOnJack, TheMixingThreadTakesTheInputWithoutWaitingOrAllocating) {
    constexpr int kFrames = JackServer::kPeriod;
    Monitor(true);
    ASSERT_TRUE(
        JackServer::WaitForPort(std::string(kClient) + "-in1:inport 0", std::chrono::seconds(5)));
    mixer.GetDevice().Stop();
    std::vector<float> out(kFrames * 2);
    Wait(100);
    const int64_t skipped = mixer.GetMonitoredInputs().SkippedFrames();
    mixer.Mix(out.data(), kFrames);
    EXPECT_GT(mixer.GetMonitoredInputs().SkippedFrames(), skipped) << "a tenth of a second ahead";

    const int64_t underruns = mixer.GetMonitoredInputs().Underruns();
    for (int block = 0; block < 4; ++block)
        mixer.Mix(out.data(), kFrames);
    EXPECT_GE(mixer.GetMonitoredInputs().Underruns(), underruns + 2) << "mixed faster than it came";

    float peak = 0.0f;
#if defined(LOOMTONE_CAN_COUNT_ALLOCATIONS)
    AllocationCounter count;
#endif
    for (int block = 0; block < 40; ++block) {
        Wait(6);
        mixer.Mix(out.data(), kFrames);
        for (float sample : out)
            peak = std::max(peak, std::fabs(sample));
    }
#if defined(LOOMTONE_CAN_COUNT_ALLOCATIONS)
    EXPECT_EQ(count.Count(), 0);
#endif
    EXPECT_NEAR(peak, kHeardLevel, 0.03f);
}

} // namespace
