#include "burn/CBurnDialog.h"

#include "BurnTestDoubles.h"
#include "HeardOnce.h"
#include "burn/CLibburnBurner.h"
#include "engine/CNullDevice.h"
#include "engine/COneShotPlayer.h"
#include "engine/CPCMMixer.h"
#include "engine/CPCMSound.h"
#include "engine/CSoundGroup.h"
#include "gui/CDialogButton.h"
#include "gui/CDialogCheckBox.h"
#include "gui/CDialogChoice.h"
#include "gui/COffscreenGuiHost.h"
#include "gui/CSkin.h"
#include "gui/MessageBoxes.h"
#include "gui/VRGuiWindow.h"
#include "support/LocalizedStrings.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

// libburn's file pseudo-drive as the only writer: it writes data only and
// refuses an audio CD.
class FileDriveBurner : public CLibburnBurner {
public:
    explicit FileDriveBurner(std::string address) : m_address(std::move(address)) {}
    std::vector<Writer> Writers() override { return {{m_address, "file"}}; }

private:
    std::string m_address;
};

// The sound the current skin names for the item, as the output plays it.
std::vector<float> SkinSound(const char* item) {
    const std::string path = CSkin::Current()->GetSoundFile(item);
    std::vector<float> stereo;
    std::string reason;
    EXPECT_TRUE(COneShotPlayer::Decode(path, stereo, reason)) << item << ": " << reason;
    return stereo;
}

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

    // Burns through the dialog while the null device plays into a capture
    // file; gives what the output carried once the end sound is through.
    std::vector<float> BurnListening(CDiscBurner& burner, const CBurnDialog::Choices& choices) {
        const std::string capture = SoundFixtures::FreshDir("BurnDialogOutput") + "/out.wav";
        CNullDevice& device = mixer.GetNullDevice();
        EXPECT_TRUE(device.Start(256, capture));
        CBurnDialog dialog(burner, mixer, Source(), choices);
        dialog.ShowModeless(&window);
        host.Advance(40);
        Click(dialog.GetButton(CBurnDialog::kBurnId));
        AdvanceUntilDone(dialog);
        outcome = dialog.LastOutcome();
        // The skin's sounds last under a second: 2 s of blocks.
        LetPlay(device, 2 * kMixerSampleRate / 256);
        device.Stop();
        dialog.EndDialog(IDCANCEL);
        return ReadCapture(capture);
    }

    COffscreenGuiHost host;
    VRGuiWindow window;
    CPCMMixer mixer;
    SoundPtr tone;
    std::string dir;
    std::vector<std::string> boxes;
    CBurnSession::Outcome outcome = CBurnSession::Outcome::None;
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

TEST_F(BurnDialogTest, ASuccessfulBurnPlaysTheSkinsSuccessSound) {
    ScriptedBurner burner;
    CBurnDialog::Choices choices;
    choices.testMode = true;
    const std::vector<float> heard = BurnListening(burner, choices);
    EXPECT_EQ(outcome, CBurnSession::Outcome::TestSuccess);
    EXPECT_EQ(boxes, std::vector<std::string>{MyLoadString("BurnerTestSuccess")});
    EXPECT_TRUE(HeardOnceOnSilence(heard, SkinSound(CBurnDialog::kSuccessSound)));
}

TEST_F(BurnDialogTest, AFileDriveRefusingAudioPlaysTheSkinsFailureSound) {
    const std::string drive = SoundFixtures::FreshDir("BurnDialogDrive") + "/disc.img";
    FileDriveBurner burner("stdio:" + drive);
    const std::vector<float> heard = BurnListening(burner, {});
    EXPECT_EQ(outcome, CBurnSession::Outcome::BurnError);
    EXPECT_EQ(boxes, std::vector<std::string>{MyLoadString("BurnerError")});
    EXPECT_TRUE(HeardOnceOnSilence(heard, SkinSound(CBurnDialog::kFailureSound)));
    EXPECT_TRUE(fs::is_empty(dir));
}

TEST_F(BurnDialogTest, AnEndSoundThatCannotBePlayedIsLoggedAndTheOutcomeStillTold) {
    CSkin* const shipped = CSkin::Current();
    CSkin skin;
    skin.InitFromMemory("[BurnerSuccessSound]\nsound fn = nowhere.wav\n", dir);
    CSkin::SetCurrent(&skin);
    LogCapture log;
    ScriptedBurner burner;
    const std::vector<float> heard = BurnListening(burner, {});
    CSkin::SetCurrent(shipped);
    EXPECT_EQ(outcome, CBurnSession::Outcome::Success);
    EXPECT_EQ(boxes, std::vector<std::string>{MyLoadString("BurnerSuccess")});
    EXPECT_TRUE(log.Contains("CPCMMixer::PlayOneShot - cannot play 'nowhere.wav'"));
    EXPECT_EQ(FirstSound(heard), heard.size());

    // A skin that names no sound for the item: the dialog says so in the log.
    CSkin silent;
    silent.InitFromMemory("", dir);
    CSkin::SetCurrent(&silent);
    boxes.clear();
    ScriptedBurner again;
    BurnListening(again, {});
    CSkin::SetCurrent(shipped);
    EXPECT_TRUE(log.Contains("CMixBurner - the skin names no BurnerSuccessSound"));
    EXPECT_EQ(boxes, std::vector<std::string>{MyLoadString("BurnerSuccess")});
}
