#include "MainWindowFixture.h"
#include "ToneWav.h"
#include "app/CommandAvailability.h"
#include "app/MainCommands.h"
#include "app/RecordTimerDialog.h"
#include "engine/CNullDevice.h"
#include "gui/GuiInput.h"
#include "gui/GuiMenu.h"
#include "project/CClip.h"
#include "project/CTrack.h"
#include "transport/CRecordSession.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

namespace {

// The main window over a project of two seconds of tone at the start of the
// first track.
class TransportCommandsTest : public MainWindowFixture {
protected:
    TransportCommandsTest() : MainWindowFixture("transportcommands") {}
    void SetUp() override {
        Open();
        project.NewProject(true);
        WriteToneWav(m_root + "tone.wav", 88200, 8000);
        project.SelectTrack(0, false);
        project.MoveCaretAndPlayback(0.0);
        m_clip = project.AddAudioClip(m_root + "tone.wav");
        ASSERT_NE(m_clip, nullptr);
        project.SelectAllClips(-1, false);
        project.MoveCaretAndPlayback(500.0);
    }
    void TearDown() override {
        window.reset();
        mixer.GetNullDevice().Stop();
    }

    CClip* m_clip = nullptr;
};

TEST_F(TransportCommandsTest, TheTransportCommandsAreEnabled) {
    for (int32_t command :
         {kCmdPlay, kCmdPlayFromPreviousMarker, kCmdPlayFromNextMarker, kCmdRewindToStart,
          kCmdFastForwardToEnd, kCmdLoopPlay, kCmdMetronome, kCmdPlayFromMarkerFirst, kCmdRecord}) {
        EXPECT_TRUE(window->IsCommandEnabled(command)) << command;
    }
    // A clip's sound plays only with a clip selected.
    EXPECT_FALSE(window->IsCommandEnabled(kCmdPlaySound));
    project.SelectClip(m_clip, false);
    EXPECT_TRUE(window->IsCommandEnabled(kCmdPlaySound));
}

TEST_F(TransportCommandsTest, SpacePlaysFromTheCaretThroughAStartedOutputAndStops) {
    host.KeyDown(VK_SPACE, 0);
    EXPECT_TRUE(mixer.Playing());
    EXPECT_TRUE(mixer.GetNullDevice().IsRunning());
    EXPECT_GE(mixer.GetPositionMs(), 500.0);
    host.KeyDown(VK_SPACE, 0);
    EXPECT_FALSE(mixer.Playing());
}

TEST_F(TransportCommandsTest, PositionCommands) {
    ASSERT_TRUE(window->ExecuteCommand(kCmdFastForwardToEnd));
    EXPECT_DOUBLE_EQ(project.GetCaretTime(), 2000.0);
    ASSERT_TRUE(window->ExecuteCommand(kCmdRewindToStart));
    EXPECT_DOUBLE_EQ(project.GetCaretTime(), 0.0);
    // The start marker is the only one: there is none after the caret.
    EXPECT_FALSE(window->ExecuteCommand(kCmdPlayFromNextMarker));
    mixer.GetNullDevice().Stop();
    project.MoveCaretAndPlayback(1200.0);
    ASSERT_TRUE(window->ExecuteCommand(kCmdPlayFromPreviousMarker));
    EXPECT_DOUBLE_EQ(mixer.GetPositionMs(), 0.0);
    window->ExecuteCommand(kCmdPlay);
    mixer.GetNullDevice().Stop();
    project.MoveCaretAndPlayback(1200.0);
    ASSERT_TRUE(window->ExecuteCommand(kCmdPlayFromMarkerFirst));
    EXPECT_TRUE(mixer.Playing());
    EXPECT_DOUBLE_EQ(mixer.GetPositionMs(), 0.0);
}

TEST_F(TransportCommandsTest, LoopPlayAndMetronomeSwitchAndShowTheirState) {
    ASSERT_TRUE(window->ExecuteCommand(kCmdLoopPlay));
    EXPECT_TRUE(mixer.IsLooping());
    EXPECT_DOUBLE_EQ(mixer.GetLoopEndMs(), 2000.0);
    ASSERT_TRUE(window->ExecuteCommand(kCmdMetronome));
    EXPECT_TRUE(mixer.IsMetronomeOn());

    GuiMenu menu;
    menu.AddItem(kCmdLoopPlay, "loop");
    menu.AddItem(kCmdMetronome, "metronome");
    window->PrepareMenu(menu);
    EXPECT_TRUE(menu.ItemAt(0).checked);
    EXPECT_TRUE(menu.ItemAt(1).checked);
    window->ExecuteCommand(kCmdLoopPlay);
    window->ExecuteCommand(kCmdMetronome);
    window->PrepareMenu(menu);
    EXPECT_FALSE(menu.ItemAt(0).checked);
    EXPECT_FALSE(menu.ItemAt(1).checked);
    EXPECT_FALSE(mixer.IsLooping());
    EXPECT_FALSE(mixer.IsMetronomeOn());
}

TEST_F(TransportCommandsTest, PlaySoundPlaysTheSelectedClipFromItsStart) {
    project.SelectClip(m_clip, false);
    ASSERT_TRUE(window->ExecuteCommand(kCmdPlaySound));
    EXPECT_TRUE(mixer.Playing());
    EXPECT_GE(mixer.GetPositionMs(), 0.0);
    EXPECT_LT(mixer.GetPositionMs(), 500.0);
    // The caret stays where it was.
    EXPECT_DOUBLE_EQ(project.GetCaretTime(), 500.0);
}

TEST_F(TransportCommandsTest, ClosingTheWindowStopsPlayback) {
    ASSERT_TRUE(window->ExecuteCommand(kCmdPlay));
    window.reset();
    EXPECT_FALSE(mixer.Playing());
}

TEST_F(TransportCommandsTest, RecordFromTheEditorRecordsTheSelectedTrackUntilSpace) {
    project.SetRecordingInput({0, 1, [](int) { return 2; }, {}, {}}, 0);
    project.GetTrack(0)->SetName("", false);
    project.SelectTrack(0, false);
    undo.ClearUndoHistory();
    ASSERT_TRUE(window->ExecuteCommand(kCmdRecord));
    ASSERT_NE(window->MasterBar().GetRecorder(), nullptr);
    CRecordSession& session = *window->MasterBar().GetRecorder();
    ASSERT_TRUE(session.IsRecording());
    EXPECT_TRUE(project.GetTrack(0)->IsArmed());
    EXPECT_TRUE(mixer.Playing());
    EXPECT_EQ(window->MasterBar().GetButton(CMixMasterBar::kRecord)->GetSkin(), "master rec-on");
    GuiMenu menu;
    menu.AddItem(kCmdRecord, "record");
    window->PrepareMenu(menu);
    EXPECT_TRUE(menu.ItemAt(0).checked);

    const std::vector<float> block(2 * 441, 0.25f);
    for (int n = 0; n < 20; ++n)
        mixer.CaptureInput(block.data(), 441, 2);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (session.RecordedMs() < 199.0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    host.KeyDown(VK_SPACE, 0);
    EXPECT_FALSE(session.IsRecording());
    EXPECT_FALSE(mixer.Playing());
    EXPECT_EQ(window->MasterBar().GetButton(CMixMasterBar::kRecord)->GetSkin(), "master rec");
    ASSERT_EQ(project.GetTrack(0)->Clips().size(), size_t{2});
    EXPECT_TRUE(std::filesystem::exists(m_root + "01.wav"));
    ASSERT_TRUE(undo.Undo());
    EXPECT_EQ(project.GetTrack(0)->Clips().size(), size_t{1});
}

TEST(RecordTimerLimit, MinutesAboveZeroThatFitGiveTheLimit) {
    EXPECT_EQ(RecordTimerLimitFrom("0.05"), 3000);
    EXPECT_EQ(RecordTimerLimitFrom("1.5"), 90000);
    for (const char* refused : {"0", "-1", "", "abc", "2x", "0.0000001", "1e9", "nan"})
        EXPECT_FALSE(RecordTimerLimitFrom(refused).has_value()) << refused;
}

TEST_F(TransportCommandsTest, TheRecordTimerDialogSetsTheLimitOrSwitchesTheTimerOff) {
    prefs.recTimerMils = 90000;
    auto typeInto = [this](const std::string& text) {
        host.SetModalDriver([text, step = 0](COffscreenGuiHost& h, int) mutable {
            if (step++ != 0)
                return;
            for (int n = 0; n < 8; ++n)
                h.KeyDown(VK_BACK);
            h.Text(text);
            h.KeyDown(VK_RETURN);
        });
    };
    GuiMenu menu;
    menu.AddItem(kCmdRecordingTimer, "timer");
    ASSERT_TRUE(window->IsCommandEnabled(kCmdRecordingTimer));
    typeInto("0.05");
    ASSERT_TRUE(window->ExecuteCommand(kCmdRecordingTimer));
    EXPECT_EQ(prefs.recTimerMils, 3000);
    window->PrepareMenu(menu);
    EXPECT_TRUE(menu.ItemAt(0).checked);
    // Not a number: the timer goes off and the limit stays.
    typeInto("soon");
    ASSERT_TRUE(window->ExecuteCommand(kCmdRecordingTimer));
    EXPECT_EQ(prefs.recTimerMils, 3000);
    window->PrepareMenu(menu);
    EXPECT_FALSE(menu.ItemAt(0).checked);
    host.SetModalDriver(nullptr);
}

} // namespace
