#include "MainWindowFixture.h"
#include "app/MainCommands.h"
#include "app/ScreenshotCommand.h"
#include "details/CCustomEffectView.h"
#include "engine/CEffectChain.h"
#include "engine/CGainEffect.h"
#include "gui/CDialogChoice.h"
#include "gui/GuiInput.h"
#include "project/CMIDITrack.h"
#include "project/CNewMidiClip.h"
#include "project/CTrack.h"

#include <gtest/gtest.h>

namespace {

class EffectViewCommandsTest : public MainWindowFixture {
protected:
    EffectViewCommandsTest() : MainWindowFixture("effect-view-commands") {}

    void SetUp() override {
        Open();
        project.NewProject(true);
        window->SetSize(1200, 900);
        host.Advance(VRGuiWindow::kRefreshPeriodMs);
    }

    CCustomEffectView& View() { return window->EffectView(); }
};

TEST_F(EffectViewCommandsTest, GlobalAndTrackEffectsOpenTheViewOnTheirChain) {
    EXPECT_TRUE(window->IsCommandEnabled(kCmdGlobalEffects));
    ASSERT_TRUE(window->ExecuteCommand(kCmdGlobalEffects));
    ASSERT_TRUE(View().IsOpen());
    EXPECT_TRUE(View().Owner()->IsGlobal());
    EXPECT_TRUE(View().IsVisible());
    EXPECT_TRUE(prefs.bDetailsShowingState);
    EXPECT_EQ(View().GetY() + View().GetHeight(),
              window->GetHeight() - LoomtoneMainWindow::kStatusBarHeight);

    ASSERT_GT(project.GetNumTracks(), 0);
    project.SelectTrack(0, false);
    EXPECT_TRUE(window->IsCommandEnabled(kCmdTrackEffects));
    ASSERT_TRUE(window->ExecuteCommand(kCmdTrackEffects));
    ASSERT_TRUE(View().IsOpen());
    EXPECT_EQ(View().Owner()->Track(), project.GetTrack(0));

    // An effect added in the view is heard through the track's chain, and
    // one undo takes it away again.
    CDialogChoice& add = View().EffectChoice(0);
    add.SetSelected(1); // the heading
    add.OnKey(kKeyDown, VK_DOWN, 0);
    ASSERT_EQ(project.GetTrack(0)->GetEffectChain()->NumEffects(), 1);
    ASSERT_TRUE(window->ExecuteCommand(kCmdUndo));
    EXPECT_EQ(project.GetTrack(0)->GetEffectChain()->NumEffects(), 0);
    EXPECT_EQ(View().RowCount(), 1);
}

TEST_F(EffectViewCommandsTest, ThePianoRollAndTheEffectsTakeTurnsInTheDetailsArea) {
    CMIDITrack* midi = project.AddMIDITrack(0, false);
    ASSERT_NE(midi, nullptr);
    project.SelectTrack(midi->GetIndex(), false);
    ASSERT_TRUE(window->ExecuteCommand(kCmdTrackEffects));
    ASSERT_TRUE(View().IsOpen());

    ASSERT_NE(CNewMidiClip(project, undo).AddAtCaret(), nullptr);
    EXPECT_TRUE(window->PianoRollDock().IsOpen());
    EXPECT_FALSE(View().IsOpen());

    ASSERT_TRUE(window->ExecuteCommand(kCmdGlobalEffects));
    EXPECT_TRUE(View().IsOpen());
    EXPECT_FALSE(window->PianoRollDock().IsOpen());
}

TEST(ScreenshotArguments, OpenEffectTakesTrackAndEffectCountedFromOne) {
    std::string reason;
    ScreenshotRequest request;
    char out[] = "out.png", option[] = "--open-effect", place[] = "2:3", file[] = "song.lt4";
    char* good[] = {out, option, place, file};
    ASSERT_TRUE(ParseScreenshotArguments(4, good, request, reason)) << reason;
    EXPECT_EQ(request.effectTrack, 2);
    EXPECT_EQ(request.effectSlot, 3);
    EXPECT_EQ(request.file, "song.lt4");
    for (const char* bad : {"0:1", "1:0", "1", "1:2x", "-1:2", ""}) {
        std::string text = bad;
        char* args[] = {out, option, text.data()};
        ScreenshotRequest refused;
        EXPECT_FALSE(ParseScreenshotArguments(3, args, refused, reason)) << bad;
    }
    char* missing[] = {out, option};
    EXPECT_FALSE(ParseScreenshotArguments(2, missing, request, reason));
}

} // namespace
