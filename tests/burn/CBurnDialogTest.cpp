#include "burn/CBurnDialog.h"

#include "BurnTestDoubles.h"
#include "engine/CPCMMixer.h"
#include "engine/CPCMSound.h"
#include "engine/CSoundGroup.h"
#include "gui/CDialogButton.h"
#include "gui/CDialogCheckBox.h"
#include "gui/CDialogChoice.h"
#include "gui/COffscreenGuiHost.h"
#include "gui/MessageBoxes.h"
#include "gui/VRGuiWindow.h"
#include "support/LocalizedStrings.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

class BurnDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(window.Initialize(&host, 800, 600));
        SetMainWindow(&window);
        dir = SoundFixtures::FreshDir("BurnDialog") + "/";
        tone = AddTone(mixer, 9.0);
        SetMessageBoxHook([this](const MessageBoxRequest& request, bool&) {
            boxes.push_back(request.title);
            return IDYES;
        });
    }
    void TearDown() override {
        SetMessageBoxHook({});
        SetMainWindow(nullptr);
    }

    CBurnDialog::Source Source() const {
        CBurnDialog::Source source;
        source.request.markers = {{0, "One", "", true}, {5000, "Two", "", true}};
        source.request.projectEndMs = 9000;
        source.albumTitle = "Album";
        source.tempFolder = dir;
        return source;
    }

    void Click(const VRGuiObject* object) {
        const GuiRect r = object->GetAbsRect();
        host.LeftDown((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        host.LeftUp((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        host.Advance(600);
    }

    void AdvanceUntilDone(const CBurnDialog& dialog) {
        for (int step = 0; step < 400 && (dialog.IsBurning() || boxes.empty()); ++step) {
            host.Advance(CBurnDialog::kPollMs);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    COffscreenGuiHost host;
    VRGuiWindow window;
    CPCMMixer mixer;
    SoundPtr tone;
    std::string dir;
    std::vector<std::string> boxes;
};

} // namespace

TEST_F(BurnDialogTest, WithoutAWriterItSaysSoAndCannotBurn) {
    ScriptedBurner burner;
    burner.writers.clear();
    CBurnDialog dialog(burner, mixer, Source(), {});
    dialog.ShowModeless(&window);
    host.Advance(40);
    EXPECT_EQ(dialog.StageText(), MyLoadString("BD_NoWriterBody"));
    EXPECT_FALSE(dialog.GetButton(CBurnDialog::kBurnId)->IsEnabled());
    Click(dialog.GetButton(CBurnDialog::kBurnId));
    EXPECT_TRUE(burner.opened.empty());
    dialog.EndDialog(IDCANCEL);
}

TEST_F(BurnDialogTest, BurnRunsTheSessionAndTellsTheOutcome) {
    ScriptedBurner burner;
    CBurnDialog::Choices choices;
    choices.testMode = true;
    choices.speed = 8;
    CBurnDialog dialog(burner, mixer, Source(), choices);
    dialog.ShowModeless(&window);
    host.Advance(40);
    // The middle of the progress bar: empty before the burn, filled after it.
    const GuiRect rect = dialog.ProgressBarRect();
    const GuiPoint bar{dialog.GetAbsX() + (rect.left + rect.right) / 2,
                       dialog.GetAbsY() + (rect.top + rect.bottom) / 2};
    const uint32_t empty = window.GetBackBuffer()->PixelAt(bar.x, bar.y);
    Click(dialog.GetButton(CBurnDialog::kBurnId));
    AdvanceUntilDone(dialog);
    host.Advance(100);
    EXPECT_NE(window.GetBackBuffer()->PixelAt(bar.x, bar.y), empty);
    EXPECT_EQ(dialog.LastOutcome(), CBurnSession::Outcome::TestSuccess);
    EXPECT_EQ(boxes, std::vector<std::string>{MyLoadString("BurnerTestSuccess")});
    ASSERT_EQ(burner.started.tracks.size(), 2u);
    EXPECT_TRUE(burner.started.simulate);
    EXPECT_EQ(burner.started.speed, 8);
    EXPECT_EQ(burner.started.albumTitle, "Album");
    // The temporary files are gone once the burn ended.
    EXPECT_TRUE(fs::is_empty(dir));
    EXPECT_EQ(dialog.GetChoices().speed, 8);
    EXPECT_FALSE(host.IsDisplayKeptAwake());
    dialog.EndDialog(IDCANCEL);
}

TEST_F(BurnDialogTest, AUsedDiscIsRefused) {
    ScriptedBurner burner;
    burner.disc = CDiscBurner::DiscState::NotBlank;
    CBurnDialog dialog(burner, mixer, Source(), {});
    dialog.ShowModeless(&window);
    host.Advance(40);
    Click(dialog.GetButton(CBurnDialog::kBurnId));
    EXPECT_EQ(boxes, std::vector<std::string>{MyLoadString("BurnerUsedCD")});
    EXPECT_TRUE(burner.started.tracks.empty());
    EXPECT_FALSE(dialog.IsBurning());
    dialog.EndDialog(IDCANCEL);
}

TEST_F(BurnDialogTest, TheSelectionIsOfferedOnlyWhenThereIsOne) {
    ScriptedBurner burner;
    CBurnDialog::Choices choices;
    choices.selectionOnly = true;
    {
        CBurnDialog whole(burner, mixer, Source(), choices);
        EXPECT_FALSE(whole.RangeChoice()->IsEnabled());
        EXPECT_EQ(whole.RangeChoice()->GetSelectedText(), MyLoadString("BD_All"));
        EXPECT_FALSE(whole.GetChoices().selectionOnly);
        EXPECT_EQ(whole.Layout().Length(), 9000);
    }
    CBurnDialog::Source source = Source();
    source.hasSelection = true;
    source.request.selectionStartMs = 5000;
    source.request.selectionEndMs = 9000;
    CBurnDialog dialog(burner, mixer, source, choices);
    dialog.ShowModeless(&window);
    host.Advance(40);
    EXPECT_TRUE(dialog.RangeChoice()->IsEnabled());
    EXPECT_EQ(dialog.RangeChoice()->GetSelectedText(), MyLoadString("BD_Selection"));
    EXPECT_EQ(dialog.Layout().RangeStart(), 5000);
    EXPECT_EQ(dialog.Layout().Length(), 4000);
    Click(dialog.GetButton(CBurnDialog::kBurnId));
    AdvanceUntilDone(dialog);
    // Only the selection went to the disc: one track, from the marker at 5 s.
    ASSERT_EQ(burner.started.tracks.size(), 1u);
    EXPECT_TRUE(dialog.GetChoices().selectionOnly);
    // Once burnt, the controls come back, the range choice with them.
    EXPECT_TRUE(dialog.RangeChoice()->IsEnabled());
    dialog.EndDialog(IDCANCEL);
}

// A burn keeps the display awake until it ends, however it ends: here the
// user closes the dialog while it waits for a blank disc, is asked, and the
// burn stops.
TEST_F(BurnDialogTest, ClosingWhileBurningAsksStopsAndLetsTheDisplaySleep) {
    ScriptedBurner burner;
    burner.disc = CDiscBurner::DiscState::NoDisc;
    CBurnDialog dialog(burner, mixer, Source(), {});
    dialog.ShowModeless(&window);
    host.Advance(40);
    EXPECT_FALSE(host.IsDisplayKeptAwake());
    Click(dialog.GetButton(CBurnDialog::kBurnId));
    ASSERT_TRUE(dialog.IsBurning());
    EXPECT_TRUE(host.IsDisplayKeptAwake());
    EXPECT_EQ(dialog.StageText(), MyLoadString("WaitingForBlank"));
    Click(dialog.GetButton(IDCANCEL));
    EXPECT_EQ(boxes, std::vector<std::string>{MyLoadString("BurnerAbortQuestion")});
    EXPECT_FALSE(dialog.IsBurning());
    EXPECT_FALSE(host.IsDisplayKeptAwake());
    EXPECT_TRUE(burner.started.tracks.empty());
}

TEST_F(BurnDialogTest, ARefusedDiscLetsTheDisplaySleep) {
    ScriptedBurner burner;
    burner.disc = CDiscBurner::DiscState::NoDisc;
    CBurnDialog dialog(burner, mixer, Source(), {});
    dialog.ShowModeless(&window);
    host.Advance(40);
    Click(dialog.GetButton(CBurnDialog::kBurnId));
    EXPECT_TRUE(host.IsDisplayKeptAwake());
    burner.disc = CDiscBurner::DiscState::NotBlank;
    host.Advance(CBurnDialog::kPollMs);
    EXPECT_EQ(boxes, std::vector<std::string>{MyLoadString("BurnerUsedCD")});
    EXPECT_FALSE(host.IsDisplayKeptAwake());
    dialog.EndDialog(IDCANCEL);
}
