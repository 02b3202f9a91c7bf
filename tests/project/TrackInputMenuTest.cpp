#include "../timeline/TimelineTestHelpers.h"
#include "ProjectOnWindowTest.h"
#include "engine/CPCMTrack.h"
#include "gui/CSkin.h"
#include "gui/GuiButton.h"
#include "gui/GuiPopupMenu.h"
#include "project/CMIDITrack.h"
#include "project/CPCMAudTrack.h"
#include "project/CTrack.h"
#include "project/CTrackHeader.h"
#include "project/CTrackInputMenu.h"
#include "support/LocalizedStrings.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Two stereo recording devices and two MIDI inputs; the header's input
// button is pressed with the mouse and the menu driven like a user would.
class TrackInputMenu : public ProjectOnWindowTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_skin.Init(std::string(LOOMTONE_SOURCE_DIR) + "/data/loomskin.ini"));
        CSkin::SetCurrent(&m_skin);
        ProjectOnWindowTest::SetUp();
        m_project->SetRecordingInput(Inputs(), 2);
        m_project->NewProject(true);
        m_host.Advance(100);
    }
    void TearDown() override {
        ProjectOnWindowTest::TearDown();
        CSkin::SetCurrent(nullptr);
    }

    static RecordingInput Inputs() {
        RecordingInput input;
        input.deviceCount = 2;
        input.channelCount = [](int) { return 2; };
        input.deviceNames = {"Built-in Audio", "USB Interface"};
        input.midiDeviceNames = {"Keyboard", "Pads"};
        return input;
    }
    CPCMAudTrack* Track(int index) const {
        return dynamic_cast<CPCMAudTrack*>(m_project->GetTrack(index));
    }
    // Presses the input button of the track, opens the sub-menu of the
    // device and chooses the item at that index in it.
    void ChooseInput(int track, int device, int item) {
        const GuiButton& button = Track(track)->GetHeader()->GetButton(CTrackHeader::kInputButton);
        DriveMenu(m_host, {[this, device] { ClickMenuItem(m_host, m_window, device); },
                           [this, item] {
                               // The open sub-menu is the window's top layer.
                               auto* inputs = dynamic_cast<GuiPopupMenu*>(m_window.TopLayer());
                               ASSERT_NE(inputs, nullptr);
                               const int32_t x = inputs->GetAbsX() + 30;
                               const int32_t y = inputs->GetAbsY() + inputs->ItemTop(item) + 5;
                               m_host.MouseMove(x, y);
                               m_host.LeftDown(x, y);
                               m_host.LeftUp(x, y);
                           }});
        const int32_t x = button.GetAbsX() + 5, y = button.GetAbsY() + 5;
        m_host.MouseMove(x, y);
        m_host.LeftDown(x, y);
        m_host.LeftUp(x, y);
        m_host.SetModalDriver(nullptr);
        m_host.MouseMove(x + 400, y);
    }
    void SaveAndLoad() {
        const std::string path = m_dir + "inputs.lt4";
        ASSERT_TRUE(m_project->SaveProject(path));
        m_project->NewProject(true);
        bool cancelled = false;
        ASSERT_TRUE(m_project->LoadProject(path, cancelled));
    }

    CSkin m_skin;
};

TEST_F(TrackInputMenu, TheRightChannelOfTheSecondInputIsSavedLoadedAndUndone) {
    ChooseInput(1, 1, 2); // USB Interface: Stereo, Left, Right
    CPCMAudTrack* track = Track(1);
    ASSERT_TRUE(track->IsArmed());
    EXPECT_EQ(track->GetArmedDevice(), 1);
    EXPECT_EQ(track->GetArmedChannel(), 1) << "the right channel";
    EXPECT_TRUE(track->IsSelected());
    EXPECT_EQ(track->GetHeader()->GetButton(CTrackHeader::kArmButton).GetSkin(), "recarmed");
    EXPECT_EQ(track->GetHeader()->GetButton(CTrackHeader::kInputButton).GetSkin(),
              "recacarmed-tri");

    SaveAndLoad();
    track = Track(1);
    ASSERT_TRUE(track->IsArmed()) << "the choice comes back with the file";
    EXPECT_EQ(track->GetArmedDevice(), 1);
    EXPECT_EQ(track->GetArmedChannel(), 1);
    EXPECT_FALSE(Track(0)->IsArmed());

    // The loaded track chooses again: left of the first input, then undo.
    ChooseInput(1, 0, 1);
    EXPECT_EQ(track->GetArmedDevice(), 0);
    EXPECT_EQ(track->GetArmedChannel(), 0);
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_TRUE(track->IsArmed());
    EXPECT_EQ(track->GetArmedDevice(), 1) << "one undo step puts the earlier input back";
    EXPECT_EQ(track->GetArmedChannel(), 1);
    ASSERT_TRUE(m_undo.Redo());
    EXPECT_EQ(track->GetArmedDevice(), 0);
}

TEST_F(TrackInputMenu, UndoOfTheFirstChoiceDisarms) {
    ChooseInput(0, 0, 0);
    ASSERT_TRUE(Track(0)->IsArmed());
    EXPECT_EQ(Track(0)->GetArmedChannel(), 2) << "stereo";
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_FALSE(Track(0)->IsArmed());
    EXPECT_EQ(Track(0)->GetHeader()->GetButton(CTrackHeader::kInputButton).GetSkin(), "recac");
}

TEST_F(TrackInputMenu, TheMenuNamesTheDevicesAndTicksTheArmedInput) {
    ASSERT_TRUE(Track(2)->Arm(1, 0));
    GuiMenu menu;
    CTrackInputMenu inputs(*Track(2), Inputs(), 2);
    ASSERT_TRUE(inputs.Build(menu));
    ASSERT_EQ(menu.ItemCount(), 4) << "two devices, a separator and monitoring";
    EXPECT_EQ(menu.ItemAt(0).label, "Built-in Audio");
    EXPECT_EQ(menu.ItemAt(1).label, "USB Interface");
    EXPECT_EQ(menu.ItemAt(3).label, MyLoadString("ARM_MONITOR"));
    EXPECT_FALSE(menu.ItemAt(3).checked);
    const GuiMenu& second = *menu.ItemAt(1).subMenu;
    ASSERT_EQ(second.ItemCount(), 3);
    EXPECT_EQ(second.ItemAt(0).label, MyLoadString("ARM_STEREO"));
    EXPECT_FALSE(second.ItemAt(0).checked);
    EXPECT_TRUE(second.ItemAt(1).checked) << "left of the second device";
    EXPECT_FALSE(menu.ItemAt(0).subMenu->ItemAt(1).checked);
}

TEST_F(TrackInputMenu, MonitoringFromTheMenuHearsTheArmedInputAndIsOneUndoStep) {
    ChooseInput(0, 1, 2); // the right channel of the second device
    CPCMTrack* engine = Track(0)->GetPCMTrack();
    ASSERT_NE(engine, nullptr);
    EXPECT_EQ(engine->GetMonitorInput(), 1);
    EXPECT_FALSE(engine->HearsInput()) << "armed, not yet monitoring";

    const GuiButton& button = Track(0)->GetHeader()->GetButton(CTrackHeader::kInputButton);
    m_titles.clear();
    m_tickCheckBox = true; // "do not tell me again"
    DriveMenu(m_host, {[this] { ClickMenuItem(m_host, m_window, 3); }});
    m_host.MouseMove(button.GetAbsX() + 5, button.GetAbsY() + 5);
    m_host.LeftDown(button.GetAbsX() + 5, button.GetAbsY() + 5);
    m_host.LeftUp(button.GetAbsX() + 5, button.GetAbsY() + 5);
    m_host.SetModalDriver(nullptr);
    EXPECT_TRUE(Track(0)->IsMonitoring());
    EXPECT_TRUE(engine->HearsInput());
    ASSERT_EQ(m_titles.size(), 1u);
    EXPECT_EQ(m_titles[0], MyLoadString("T_Monitor_Warning_Title")) << "the latency is told";
    EXPECT_FALSE(m_prefs.bWarnAboutMonitorLatency);
    EXPECT_EQ(Track(0)->GetArmedChannel(), 1) << "the input stays as it was";

    ASSERT_TRUE(m_undo.Undo());
    EXPECT_FALSE(Track(0)->IsMonitoring());
    EXPECT_FALSE(engine->HearsInput());
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_FALSE(Track(0)->IsArmed());
    EXPECT_EQ(engine->GetMonitorInput(), CPCMTrack::kNoInput) << "disarmed: no input to hear";
}

TEST_F(TrackInputMenu, AMonoInputOffersNoRightChannel) {
    RecordingInput mono = Inputs();
    mono.channelCount = [](int) { return 1; };
    m_project->SetRecordingInput(mono, 0);
    GuiMenu menu;
    CTrackInputMenu inputs(*Track(0), mono, 0);
    ASSERT_TRUE(inputs.Build(menu));
    EXPECT_FALSE(menu.ItemAt(0).subMenu->ItemAt(2).enabled);
    EXPECT_FALSE(inputs.Choose(0)) << "nothing chosen";
    EXPECT_FALSE(Track(0)->IsArmed());
    // A device of one channel records that channel whatever was asked.
    EXPECT_TRUE(inputs.Choose(CTrackInputMenu::AudioItem(0, 1)));
    EXPECT_EQ(Track(0)->GetArmedChannel(), 0);
}

TEST_F(TrackInputMenu, WithoutDevicesTheUserIsToldAndNothingArms) {
    m_project->SetRecordingInput(RecordingInput{}, 0);
    const GuiButton& button = Track(0)->GetHeader()->GetButton(CTrackHeader::kInputButton);
    m_host.MouseMove(button.GetAbsX() + 5, button.GetAbsY() + 5);
    m_host.LeftDown(button.GetAbsX() + 5, button.GetAbsY() + 5);
    m_host.LeftUp(button.GetAbsX() + 5, button.GetAbsY() + 5);
    ASSERT_EQ(m_titles.size(), 1u);
    EXPECT_EQ(m_titles[0], MyLoadString("ARM_ErrorNoDevicesTitle"));
    EXPECT_FALSE(Track(0)->IsArmed());
    EXPECT_FALSE(m_undo.CanUndo());
}

TEST_F(TrackInputMenu, AMidiTrackChoosesItsInputDeviceAndChannelAndKeepsThem) {
    CMIDITrack* midi = m_project->AddMIDITrack(-1, false);
    ASSERT_NE(midi, nullptr);
    const int index = midi->GetIndex();
    m_host.Advance(100);
    ChooseInput(index, 1, 3); // Pads: All Channels, Channel 1, Channel 2, ...
    ASSERT_TRUE(midi->IsArmed());
    EXPECT_EQ(midi->GetArmedDevice(), 1);
    EXPECT_EQ(midi->GetArmedChannel(), 2) << "the third channel is number 2";
    EXPECT_EQ(midi->GetMidiInputChannel(), 2);

    SaveAndLoad();
    auto* loaded = dynamic_cast<CMIDITrack*>(m_project->GetTrack(index));
    ASSERT_NE(loaded, nullptr);
    EXPECT_TRUE(loaded->IsArmed());
    EXPECT_EQ(loaded->GetArmedDevice(), 1);
    EXPECT_EQ(loaded->GetMidiInputChannel(), 2);

    ChooseInput(index, 0, 0);
    EXPECT_EQ(loaded->GetMidiInputChannel(), -1);
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_EQ(loaded->GetArmedDevice(), 1);
    EXPECT_EQ(loaded->GetMidiInputChannel(), 2);
}

} // namespace
