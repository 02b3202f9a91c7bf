// The transport in the editor on a JACK server of the test's own: the main
// window on the headless host plays through its JACK output while a test
// client keeps what the output's first port plays. The one clip's sound is a
// ramp, each frame's value one step more than the last, so every kept sample
// tells which frame of the timeline was heard.

#include "JackServer.h"
#include "JackTestClients.h"
#include "MainWindowFixture.h"
#include "engine/CAudioDevice.h"
#include "engine/WaveFormat.h"
#include "gui/GuiButton.h"
#include "gui/GuiInput.h"
#include "gui/VRGuiWindow.h"
#include "project/CTimeSelection.h"
#include "timeline/CPlaybackIndicator.h"
#include "transport/CMixMasterBar.h"
#include "transport/CPlayerInfoBar.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr const char* kClient = "loomtone-transport";
constexpr int64_t kClipFrames = 3 * kMixerSampleRate; // the project is 3 s long
// The ramp's step: (frame + 1) times it is exact in a float for every frame.
constexpr double kRampStep = 1.0 / (1 << 20);

int64_t FrameOfMs(double ms) {
    return std::llround(ms * kMixerSampleRate / 1000.0);
}

bool WriteRampWav(const std::string& path) {
    SF_INFO info{};
    info.samplerate = kMixerSampleRate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file)
        return false;
    std::vector<float> ramp(static_cast<size_t>(kClipFrames));
    for (size_t frame = 0; frame < ramp.size(); ++frame)
        ramp[frame] = static_cast<float>(static_cast<double>(frame + 1) * kRampStep);
    const bool written = sf_writef_float(file, ramp.data(), kClipFrames) == kClipFrames;
    sf_close(file);
    return written;
}

// The timeline frame each kept sample played, -1 for silence. The step as
// heard is the middle rise between sounding samples in a row: a cycle the
// server skipped under load makes one rise larger, and a gain in the mix
// would scale them all.
std::vector<int64_t> FramesHeard(const std::vector<float>& kept) {
    std::vector<double> rises;
    for (size_t index = 1; index < kept.size(); ++index)
        if (kept[index - 1] > 0.0f && kept[index] > kept[index - 1])
            rises.push_back(static_cast<double>(kept[index]) - kept[index - 1]);
    double step = 0.0;
    if (!rises.empty()) {
        const auto middle = rises.begin() + static_cast<std::ptrdiff_t>(rises.size() / 2);
        std::nth_element(rises.begin(), middle, rises.end());
        step = *middle;
    }
    std::vector<int64_t> frames;
    frames.reserve(kept.size());
    for (float sample : kept)
        frames.push_back(sample > 0.0f && step > 0.0 ? std::llround(sample / step) - 1 : -1);
    return frames;
}

int64_t FirstHeard(const std::vector<int64_t>& frames) {
    const auto first = std::find_if(frames.begin(), frames.end(), [](int64_t f) { return f >= 0; });
    return first == frames.end() ? -1 : *first;
}

class TransportInEditorOnJack : public MainWindowFixture {
protected:
    TransportInEditorOnJack() : MainWindowFixture("transportineditoronjack") {}
    void TearDown() override {
        window.reset();
        mixer.CloseDevice();
    }

    bool OpenDevice(std::string& reason) {
        AudioDeviceChoice choice;
        choice.driverType = AudioDeviceChoice::kJack;
        choice.clientName = kClient;
        return mixer.OpenDevice(choice, reason);
    }

    void MakeProject() {
        project.NewProject(true);
        ASSERT_TRUE(WriteRampWav(m_root + "ramp.wav"));
        project.SelectTrack(0, false);
        project.MoveCaretAndPlayback(0.0);
        ASSERT_NE(project.AddAudioClip(m_root + "ramp.wav"), nullptr);
        undo.ClearUndoHistory();
    }

    void Click(CMixMasterBar::Button which) {
        GuiButton& button = *window->MasterBar().GetButton(which);
        const int32_t x = button.GetAbsX() + button.GetWidth() / 2;
        const int32_t y = button.GetAbsY() + button.GetHeight() / 2;
        host.LeftDown(x, y);
        host.LeftUp(x, y);
    }
    void PressSpace() { host.KeyDown(VK_SPACE, 0); }

    // Lets the device play on until `ms` more of the timeline were heard.
    void PlayFor(double ms) {
        double heard = 0.0;
        double last = mixer.GetPositionMs();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (heard < ms && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            const double now = mixer.GetPositionMs();
            heard += now >= last ? now - last : now; // a loop went round
            last = now;
        }
    }
    // Runs the window's timers: the playback line's and the read-out's.
    void Tick() { host.Advance(3 * VRGuiWindow::kRefreshPeriodMs); }

    // Plays from the caret with Space for `ms`, stops with Space, and gives
    // the timeline frames heard.
    std::vector<int64_t> SpaceFor(JackCapture& capture, double ms) {
        capture.Start();
        PressSpace();
        EXPECT_TRUE(mixer.Playing());
        PlayFor(ms);
        PressSpace();
        EXPECT_FALSE(mixer.Playing());
        // The blocks mixed before the stop are still on their way.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        return FramesHeard(capture.Stop());
    }
};

// Every time `last` was heard, `first` came next; true when it was heard at
// all and nothing outside [first, last] was heard from then on.
::testing::AssertionResult LoopsBetween(const std::vector<int64_t>& frames, int64_t first,
                                        int64_t last) {
    int wraps = 0;
    for (size_t index = 0; index + 1 < frames.size(); ++index) {
        if (wraps > 0 && frames[index] >= 0 && (frames[index] < first || frames[index] > last))
            return ::testing::AssertionFailure()
                   << "frame " << frames[index] << " heard inside the loop at " << index;
        if (frames[index] != last)
            continue;
        if (frames[index + 1] != first)
            return ::testing::AssertionFailure() << "frame " << frames[index + 1] << " followed "
                                                 << last << " at " << index << ", not " << first;
        ++wraps;
    }
    if (wraps == 0)
        return ::testing::AssertionFailure() << "the loop never went round";
    return ::testing::AssertionSuccess() << wraps << " wraps";
}

TEST_F(TransportInEditorOnJack, SpaceLoopAndTheStepsPlayTheFramesTheyShould) {
    START_JACK_OR_SKIP(server);
    JackCapture capture("capture", static_cast<size_t>(20 * kMixerSampleRate));
    ASSERT_TRUE(capture.Active());
    std::string reason;
    ASSERT_TRUE(OpenDevice(reason)) << reason;
    ASSERT_TRUE(capture.Listen(std::string(kClient) + ":outport 0"));
    Open();
    MakeProject();

    // Space plays from the caret; the line moves and the read-out counts.
    project.MoveCaretAndPlayback(500.0);
    capture.Start();
    PressSpace();
    ASSERT_TRUE(mixer.Playing());
    PlayFor(200.0);
    Tick();
    const int32_t column = project.PlaybackLine().GetColumn();
    const std::string readOut = window->MasterBar().ReadOut().GetText();
    PlayFor(400.0);
    Tick();
    EXPECT_GT(project.PlaybackLine().GetColumn(), column);
    EXPECT_NE(window->MasterBar().ReadOut().GetText(), readOut);
    PressSpace();
    EXPECT_FALSE(mixer.Playing());
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::vector<int64_t> frames = FramesHeard(capture.Stop());
    EXPECT_EQ(FirstHeard(frames), FrameOfMs(500.0));
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(frames.back(), -1) << "silence after the stop";

    // Within 100 ms of the end, Space starts over at 0.
    project.MoveCaretAndPlayback(2950.0);
    frames = SpaceFor(capture, 200.0);
    EXPECT_EQ(FirstHeard(frames), 0);

    // Step back at 0 stays at 0.
    Click(CMixMasterBar::kGoToStart);
    Click(CMixMasterBar::kStepBack);
    EXPECT_DOUBLE_EQ(project.GetCaretTime(), 0.0);
    EXPECT_DOUBLE_EQ(mixer.GetPositionMs(), 0.0);

    // Loop play with no selection loops the whole project.
    Click(CMixMasterBar::kLoopPlay);
    ASSERT_TRUE(mixer.IsLooping());
    project.MoveCaretAndPlayback(2700.0);
    frames = SpaceFor(capture, 600.0);
    EXPECT_EQ(FirstHeard(frames), FrameOfMs(2700.0));
    EXPECT_TRUE(LoopsBetween(frames, 0, kClipFrames - 1));

    // With a selection, exactly the selection.
    project.TimeSelection().Set(1000.0, 1500.0, 0, 0);
    project.MoveCaretAndPlayback(1300.0);
    frames = SpaceFor(capture, 1200.0);
    EXPECT_EQ(FirstHeard(frames), FrameOfMs(1300.0));
    EXPECT_TRUE(LoopsBetween(frames, FrameOfMs(1000.0), FrameOfMs(1500.0) - 1));
}

} // namespace
