#include "MainWindowFixture.h"
#include "ToneWav.h"
#include "app/MainCommands.h"
#include "gui/GuiInput.h"
#include "project/CClip.h"
#include "project/CTrack.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

// The Track menu's duplicate, move and freeze commands on a window showing a
// project made of one tone, driven by the menu commands and the shortcuts.
class TrackCommandsTest : public MainWindowFixture {
protected:
    TrackCommandsTest() : MainWindowFixture("trackcommands") {}

    void SetUp() override {
        WriteToneWav(m_root + "tone.wav", 44100, 8000);
        Open(m_root + "tone.wav");
        window->RunAfterCreationSequence();
        ASSERT_EQ(project.GetTrack(0)->Clips().size(), 1u);
        project.SelectTrack(0, false);
    }
};

TEST_F(TrackCommandsTest, MoveUpAndDownFollowTheSelectedTrackAndStopAtTheEnds) {
    CTrack* toned = project.GetTrack(0);
    EXPECT_FALSE(window->IsCommandEnabled(kCmdMoveTrackUp));
    EXPECT_TRUE(window->IsCommandEnabled(kCmdMoveTrackDown));
    host.KeyDown('D', kModControl | kModShift);
    EXPECT_EQ(project.GetTrack(1), toned);
    EXPECT_EQ(project.GetLastSelectedTrack(), 1);
    EXPECT_TRUE(window->IsCommandEnabled(kCmdMoveTrackUp));
    host.KeyDown('U', kModControl | kModShift);
    EXPECT_EQ(project.GetTrack(0), toned);
    host.KeyDown('D', kModControl | kModShift);
    host.KeyDown('Z', kModControl);
    EXPECT_EQ(project.GetTrack(0), toned) << "one undo step per move";
    EXPECT_EQ(project.GetTrack(0)->Clips().size(), 1u);

    project.SelectTrack(project.GetNumTracks() - 1, false);
    EXPECT_FALSE(window->IsCommandEnabled(kCmdMoveTrackDown));
    EXPECT_FALSE(window->ExecuteCommand(kCmdMoveTrackDown));
    EXPECT_TRUE(window->ExecuteCommand(kCmdMoveTrackUp));
}

TEST_F(TrackCommandsTest, DuplicateTrackPutsACopyBelowAsOneUndoStep) {
    const int tracks = project.GetNumTracks();
    ASSERT_TRUE(window->IsCommandEnabled(kCmdDuplicateTrack));
    ASSERT_TRUE(window->ExecuteCommand(kCmdDuplicateTrack));
    ASSERT_EQ(project.GetNumTracks(), tracks + 1);
    CTrack* copy = project.GetTrack(1);
    ASSERT_EQ(copy->Clips().size(), 1u);
    EXPECT_EQ(copy->GetName(), project.GetTrack(0)->GetName());
    EXPECT_NE(copy->Clips().front(), project.GetTrack(0)->Clips().front());
    host.KeyDown('Z', kModControl);
    EXPECT_EQ(project.GetNumTracks(), tracks);
}

TEST_F(TrackCommandsTest, FreezeTrackFreezesAndThawsFromTheShortcut) {
    CTrack* toned = project.GetTrack(0);
    ASSERT_TRUE(window->IsCommandEnabled(kCmdFreezeTrack));
    host.KeyDown('F', kModControl | kModShift);
    ASSERT_TRUE(toned->IsFrozen());
    const std::string frozen = toned->GetFrozenFilePath();
    EXPECT_EQ(fs::path(frozen).parent_path(), fs::path(m_root).parent_path());
    EXPECT_TRUE(fs::exists(frozen));
    EXPECT_FALSE(project.InFileActivity());
    host.KeyDown('F', kModControl | kModShift);
    EXPECT_FALSE(toned->IsFrozen());
    EXPECT_FALSE(fs::exists(frozen));
    EXPECT_TRUE(fs::exists(m_root + "tone.wav"));

    project.SelectTrack(1, false);
    EXPECT_FALSE(window->IsCommandEnabled(kCmdFreezeTrack)) << "a track without clips";
}

} // namespace
