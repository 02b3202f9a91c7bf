#include "JackServer.h"
#include "engine/CAudioDevice.h"
#include "engine/CPCMMixer.h"
#include "engine/CPCMSound.h"
#include "engine/CSoundGroup.h"
#include "engine/SoundFixtures.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
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
// closed the client itself. The number of moments that went wrong.
int KillTheServerWhileTheClientStarts() {
    int wrong = 0;
    for (const int delayUs : {0, 500, 1000, 2000, 5000, 10000, 20000}) {
        JackServer server;
        if (!server.Started()) {
            std::fprintf(stderr, "the JACK server did not start\n");
            return 1;
        }
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
            if (!WaitUntilFailed(mixer.GetDevice())) {
                std::fprintf(stderr, "after %d us the device did not notice\n", delayUs);
                ++wrong;
            }
            mixer.Stop(0);
        } else if (reason.empty()) {
            std::fprintf(stderr, "after %d us the open failed without a reason\n", delayUs);
            ++wrong;
        }
        mixer.CloseDevice();
        if (mixer.IsOpen()) {
            std::fprintf(stderr, "after %d us the device stayed open\n", delayUs);
            ++wrong;
        }
    }
    return wrong;
}

// Run in a child process, which must end on its own, and leaves as the
// program quits, through the exit handlers. Closing a client cancels JACK's
// threads at any instruction; one cancelled while reporting the server gone
// held the C library's locale lock, and the process hung in its exit
// handlers. The race is narrow: a run that passes does not prove it gone.
TEST(JackDevice, AServerKilledWhileTheClientStartsNeverAbortsTheProgram) {
    if (!JackInstalled())
        GTEST_SKIP() << "jackd is not installed";
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        std::exit(KillTheServerWhileTheClientStarts() == 0 ? 0 : 1);
    int status = 0;
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    pid_t ended = 0;
    while ((ended = waitpid(child, &status, WNOHANG)) == 0 &&
           std::chrono::steady_clock::now() < limit)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (ended == 0) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        FAIL() << "the client's start and close hung";
    }
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

} // namespace
