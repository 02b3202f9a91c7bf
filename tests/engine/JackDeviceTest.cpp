#include "JackServer.h"
#include "engine/CAudioDevice.h"
#include "engine/CPCMMixer.h"
#include "engine/CPCMSound.h"
#include "engine/CSoundGroup.h"
#include "engine/SoundFixtures.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <string>
#include <thread>

namespace {

AudioDeviceChoice JackOutput(const std::string& client) {
    AudioDeviceChoice choice;
    choice.driverType = AudioDeviceChoice::kJack;
    choice.clientName = client;
    return choice;
}

bool WaitUntilFailed(CAudioDevice& device) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!device.Failed() && std::chrono::steady_clock::now() < limit)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return device.Failed();
}

TEST(JackDevice, AServerThatGoesAwayWhilePlayingIsNotedAndTheDeviceClosesCleanly) {
    START_JACK_OR_SKIP(server);
    CPCMMixer mixer;
    mixer.AddTrack();
    SoundFixtures::AtomPtr<CPCMSound> tone(new CPCMSound());
    ASSERT_TRUE(tone->SetSoundData(SoundFixtures::SineData(5.0, 440.0)));
    tone->SetTrackNumber(0);
    mixer.GetSoundGroup()->Add(tone.get(), 0.0);
    std::string reason;
    ASSERT_TRUE(mixer.OpenDevice(JackOutput("loomtone-gone"), reason)) << reason;
    ASSERT_TRUE(mixer.Play(mixer.GetSoundGroup(), 0.0, 0));
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (mixer.GetDevice().CallbackTimes().Count() < 10 &&
           std::chrono::steady_clock::now() < limit)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_GE(mixer.GetDevice().CallbackTimes().Count(), 10);
    server.Kill();
    EXPECT_TRUE(WaitUntilFailed(mixer.GetDevice()));
    EXPECT_FALSE(mixer.GetDevice().IsRunning());
    mixer.Stop(0);
    mixer.CloseDevice();
    EXPECT_FALSE(mixer.IsOpen());
}

// The server killed at moments around the client's start: registered but
// not yet active, activating, connecting, just running. Whatever the device
// reports, the program goes on; it aborted once when JACK's shutdown thread
// closed the client itself.
TEST(JackDevice, AServerKilledWhileTheClientStartsNeverAbortsTheProgram) {
    if (!JackInstalled())
        GTEST_SKIP() << "jackd is not installed";
    for (const int delayUs : {0, 500, 1000, 2000, 5000, 10000, 20000}) {
        JackServer server;
        ASSERT_TRUE(server.Started());
        CPCMMixer mixer;
        std::thread killer([&server, delayUs] {
            std::this_thread::sleep_for(std::chrono::microseconds(delayUs));
            server.Signal(SIGTERM);
        });
        std::string reason;
        const bool opened = mixer.OpenDevice(JackOutput("loomtone-start"), reason);
        killer.join();
        if (opened) {
            mixer.Play(mixer.GetSoundGroup(), 0.0, 0);
            EXPECT_TRUE(WaitUntilFailed(mixer.GetDevice())) << "after " << delayUs << " us";
            mixer.Stop(0);
        } else {
            EXPECT_FALSE(reason.empty());
        }
        mixer.CloseDevice();
        EXPECT_FALSE(mixer.IsOpen());
    }
}

} // namespace
