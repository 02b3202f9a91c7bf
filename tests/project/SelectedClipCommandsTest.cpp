// The clip menu's commands act on every selected clip as one undo step.
#include "ProjectOnWindowTest.h"
#include "gui/GuiMenu.h"
#include "project/CClip.h"
#include "support/LocalizedStrings.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using SelectedClipCommands = ProjectOnWindowTest;

TEST_F(SelectedClipCommands, MuteFromOneClipsMenuMutesTheWholeSelectionButLockedClips) {
    CClip* first = AddClipAt(0, 0.0);
    CClip* second = AddClipAt(1, 2000.0);
    CClip* locked = AddClipAt(2, 0.0);
    CClip* alone = AddClipAt(3, 0.0);
    ASSERT_TRUE(first && second && locked && alone);
    locked->SetLocked(true, false);
    m_undo.ClearUndoHistory();
    m_project->SelectClip(first, false);
    m_project->SelectClip(second, true);
    m_project->SelectClip(locked, true);
    second->DoMenuCommand(CClip::kMenuMute);
    EXPECT_TRUE(first->IsMuted());
    EXPECT_TRUE(second->IsMuted());
    EXPECT_FALSE(locked->IsMuted()) << "a locked clip stays as it is";
    EXPECT_FALSE(alone->IsMuted());
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_FALSE(first->IsMuted());
    EXPECT_FALSE(second->IsMuted());
    EXPECT_FALSE(m_undo.CanUndo()) << "one undo step";

    // Lock reaches locked clips: the leader's toggle unlocks them all.
    locked->DoMenuCommand(CClip::kMenuLock);
    EXPECT_FALSE(locked->IsLocked());
    EXPECT_FALSE(first->IsLocked());

    // A clip outside the selection acts alone.
    alone->DoMenuCommand(CClip::kMenuMute);
    EXPECT_TRUE(alone->IsMuted());
    EXPECT_FALSE(first->IsMuted());
}

TEST_F(SelectedClipCommands, ALockedClipsMenuSaysWhyItCannotMove) {
    const std::string before = GetStringFile();
    ASSERT_TRUE(SetStringFile(std::string(LOOMTONE_SOURCE_DIR) + "/data/loomstrings.ini"));
    CClip* clip = AddClipAt(0, 0.0);
    ASSERT_NE(clip, nullptr);
    clip->SetLocked(true, false);
    const GuiMenu menu = clip->BuildContextMenu();
    std::string lockLabel;
    for (int i = 0; i < menu.ItemCount(); ++i)
        if (menu.ItemAt(i).id == CClip::kMenuLock + 1)
            lockLabel = menu.ItemAt(i).label;
    SetStringFile(before);
    EXPECT_NE(lockLabel.find("cannot be moved"), std::string::npos) << lockLabel;
}

} // namespace
