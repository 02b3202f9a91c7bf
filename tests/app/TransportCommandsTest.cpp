#include "MainWindowFixture.h"
#include "ToneWav.h"
#include "app/CommandAvailability.h"
#include "app/MainCommands.h"
#include "engine/CNullDevice.h"
#include "gui/GuiInput.h"
#include "gui/GuiMenu.h"
#include "project/CClip.h"
#include "project/CTrack.h"

#include <gtest/gtest.h>

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
          kCmdFastForwardToEnd, kCmdLoopPlay, kCmdMetronome, kCmdPlayFromMarkerFirst}) {
        EXPECT_TRUE(window->IsCommandEnabled(command)) << command;
    }
    // Recording does not exist yet.
    EXPECT_FALSE(window->IsCommandEnabled(kCmdRecord));
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

} // namespace
