// Recording in the editor on a JACK server of the test's own: a test client
// plays a 1 kHz tone into Loomtone's input while the user records two armed
// tracks with the master bar's record button, then a second take with the
// record key, and takes the second take away again with one Ctrl+Z.

#include "JackServer.h"
#include "JackTestClients.h"
#include "MainWindowFixture.h"
#include "ToneWav.h"
#include "engine/CAudioDevice.h"
#include "engine/WaveFormat.h"
#include "gui/GuiButton.h"
#include "gui/GuiInput.h"
#include "project/CAudioTrack.h"
#include "project/CClip.h"
#include "project/RecordingInput.h"
#include "transport/CMixMasterBar.h"
#include "transport/CRecordSession.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr const char* kClient = "loomtone-editor";
constexpr float kToneLevel = 0.5f;
constexpr double kRecordStartMs = 1000.0;

// A recorded mono file's loudest sample and its crossings of zero upwards
// per second, which for a sine are its frequency.
struct Heard {
    float peak = 0.0f;
    double hz = 0.0;
};

Heard Listen(const std::string& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file || info.channels != 1 || info.frames <= 0) {
        if (file)
            sf_close(file);
        return {};
    }
    std::vector<float> samples(static_cast<size_t>(info.frames));
    sf_readf_float(file, samples.data(), info.frames);
    sf_close(file);
    Heard heard;
    int rising = 0;
    for (size_t index = 0; index < samples.size(); ++index) {
        heard.peak = std::max(heard.peak, std::fabs(samples[index]));
        if (index > 0 && samples[index - 1] < 0.0f && samples[index] >= 0.0f)
            ++rising;
    }
    heard.hz = rising * static_cast<double>(info.samplerate) / static_cast<double>(info.frames);
    return heard;
}

class RecordInEditorOnJack : public MainWindowFixture {
protected:
    RecordInEditorOnJack() : MainWindowFixture("recordineditoronjack") {}
    void TearDown() override {
        window.reset();
        mixer.CloseDevice();
    }

    // The device reads the tone client's port as its input.
    bool OpenDeviceOnTheTone(std::string& reason) {
        AudioDeviceChoice choice;
        choice.driverType = AudioDeviceChoice::kJack;
        choice.inputName = "tone";
        choice.inputChannels = 1;
        choice.clientName = kClient;
        return mixer.OpenDevice(choice, reason);
    }

    // A new project of eight unnamed audio tracks, the second named Guitar,
    // with four seconds of something to play along on the first; the second
    // and the fifth armed on the device's input, both at once.
    void MakeProject() {
        project.NewProject(true);
        project.SetRecordingInput(
            {AudioDeviceChoice::kJack, 1, [](int) { return 1; }, {"tone"}, {}}, 0);
        WriteToneWav(m_root + "backing.wav", 4 * 44100, 4000);
        project.SelectTrack(0, false);
        project.MoveCaretAndPlayback(0.0);
        ASSERT_NE(project.AddAudioClip(m_root + "backing.wav"), nullptr);
        ASSERT_GE(project.GetNumTracks(), 5);
        for (int index = 0; index < project.GetNumTracks(); ++index) {
            ASSERT_EQ(project.GetTrack(index)->GetKind(), CTrack::kAudio);
            project.GetTrack(index)->SetName("", false);
        }
        project.GetTrack(1)->SetName("Guitar", false);
        // Both tracks record the one input.
        projectPrefs.recInputInUseBehavior = 0;
        ASSERT_TRUE(Track(1).Arm(0, 0));
        ASSERT_TRUE(Track(4).Arm(0, 0));
        project.MoveCaretAndPlayback(kRecordStartMs);
        undo.ClearUndoHistory();
    }

    CAudioTrack& Track(int index) { return *static_cast<CAudioTrack*>(project.GetTrack(index)); }
    CRecordSession& Session() { return *window->MasterBar().GetRecorder(); }

    // A left click in the middle of the master bar's record button.
    void ClickRecord() {
        GuiButton& button = *window->MasterBar().GetButton(CMixMasterBar::kRecord);
        const int32_t x = button.GetAbsX() + button.GetWidth() / 2;
        const int32_t y = button.GetAbsY() + button.GetHeight() / 2;
        host.LeftDown(x, y);
        host.LeftUp(x, y);
    }

    // Lets the take run until it holds ms of input, the recording clips
    // growing on the way.
    void RecordFor(double ms) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (Session().RecordedMs() < ms && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        host.Advance(CRecordSession::kProgressPeriodMs);
    }

    bool Exists(const std::string& name) const { return std::filesystem::exists(m_root + name); }
};

TEST_F(RecordInEditorOnJack, TwoArmedTracksRecordTheToneAndOneUndoTakesTheSecondTakeAway) {
    START_JACK_OR_SKIP(server);
    JackToneSource tone("tone", 1000.0, kToneLevel);
    ASSERT_TRUE(tone.Active());
    std::string reason;
    ASSERT_TRUE(OpenDeviceOnTheTone(reason)) << reason;
    const CAudioDevice& device = mixer.GetDevice();
    ASSERT_EQ(device.InputName(), "tone");
    const double periodMs = device.BlockFrames() * 1000.0 / kMixerSampleRate;
    const double latencyMs =
        (device.OutputLatencyFrames() + device.InputLatencyFrames()) * 1000.0 / kMixerSampleRate;
    Open();
    MakeProject();

    // The first take: the record button, and again to stop.
    ClickRecord();
    ASSERT_NE(window->MasterBar().GetRecorder(), nullptr);
    ASSERT_TRUE(Session().IsRecording());
    EXPECT_TRUE(mixer.Playing()) << "the project plays along";
    EXPECT_EQ(window->MasterBar().GetButton(CMixMasterBar::kRecord)->GetSkin(), "master rec-on");
    RecordFor(1000.0);
    ASSERT_EQ(Track(1).Clips().size(), size_t{1});
    EXPECT_TRUE(Track(1).Clips()[0]->IsRecording());
    EXPECT_GT(Track(1).Clips()[0]->GetLengthMs(), 900.0) << "the recording clip grew";
    ClickRecord();
    ASSERT_FALSE(Session().IsRecording());
    EXPECT_FALSE(mixer.Playing());
    EXPECT_EQ(window->MasterBar().GetButton(CMixMasterBar::kRecord)->GetSkin(), "master rec");

    ASSERT_TRUE(Exists("02 Guitar.wav"));
    ASSERT_TRUE(Exists("05.wav"));
    // What was heard when the take began sat a round trip earlier on the timeline.
    const double expectedStart = project.GetTempoMap().GetRealTime(kRecordStartMs - latencyMs);
    for (int index : {1, 4}) {
        ASSERT_EQ(Track(index).Clips().size(), size_t{1}) << index;
        const CClip& clip = *Track(index).Clips()[0];
        EXPECT_FALSE(clip.IsRecording());
        EXPECT_NEAR(clip.GetStartMs(), expectedStart, periodMs + 0.01) << index;
        EXPECT_GE(clip.GetLengthMs(), 1000.0) << index;
        std::printf("track %d: the clip starts %.2f ms from the compensated record start "
                    "(round trip %.2f ms, period %.2f ms)\n",
                    index + 1, clip.GetStartMs() - expectedStart, latencyMs, periodMs);
    }
    for (int index : {2, 3})
        EXPECT_TRUE(Track(index).Clips().empty()) << "not armed";
    for (const char* name : {"02 Guitar.wav", "05.wav"}) {
        const Heard heard = Listen(m_root + name);
        EXPECT_NEAR(heard.peak, kToneLevel, 0.02f) << name;
        EXPECT_NEAR(heard.hz, 1000.0, 20.0) << name;
    }

    // The second take, with the record key, goes to new files.
    host.KeyDown('R', kModControl);
    ASSERT_TRUE(Session().IsRecording());
    RecordFor(500.0);
    host.KeyDown('R', kModControl);
    ASSERT_FALSE(Session().IsRecording());
    EXPECT_TRUE(Exists("02 Guitar-1.wav"));
    EXPECT_TRUE(Exists("05-1.wav"));
    EXPECT_EQ(Track(1).Clips().size(), size_t{2});
    EXPECT_EQ(Track(4).Clips().size(), size_t{2});

    // One Ctrl+Z takes the whole second take away; its files stay.
    host.KeyDown('Z', kModControl);
    EXPECT_EQ(Track(1).Clips().size(), size_t{1});
    EXPECT_EQ(Track(4).Clips().size(), size_t{1});
    EXPECT_TRUE(Exists("02 Guitar-1.wav"));
    EXPECT_TRUE(Exists("05-1.wav"));
    host.KeyDown('Z', kModControl);
    EXPECT_TRUE(Track(1).Clips().empty());
    EXPECT_TRUE(Track(4).Clips().empty());
    EXPECT_TRUE(Exists("02 Guitar.wav"));
    EXPECT_TRUE(Exists("05.wav"));

    window.reset();
    mixer.CloseDevice();
}

} // namespace
