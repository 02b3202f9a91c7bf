#include "../timeline/TimelineTestHelpers.h"
#include "ProjectOnWindowTest.h"
#include "gui/CSkin.h"
#include "gui/GuiButton.h"
#include "gui/GuiSlider.h"
#include "project/CTrack.h"
#include "project/CTrackBody.h"
#include "project/CTrackHeader.h"
#include "project/CTrackMenus.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

namespace {

// The project as the track area inside a window, with the shipped skin and
// one recording input, driven through the track headers with the mouse.
class TrackHeaderControls : public ProjectOnWindowTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_skin.Init(std::string(LOOMTONE_SOURCE_DIR) + "/data/loomskin.ini"));
        CSkin::SetCurrent(&m_skin);
        m_prefs.mixWaveInput = 0;
        ProjectOnWindowTest::SetUp();
        RecordingInput input;
        input.deviceCount = 1;
        input.channelCount = [](int) { return 2; };
        m_project->SetRecordingInput(input, 0);
        m_project->NewProject(true);
        m_host.Advance(100);
    }
    void TearDown() override {
        ProjectOnWindowTest::TearDown();
        CSkin::SetCurrent(nullptr);
    }

    CTrack* Track(int index) const { return m_project->GetTrack(index); }
    CTrackHeader& Header(int index) const { return *Track(index)->GetHeader(); }
    void Click(const VRGuiObject& object, int32_t dx = 5, int32_t dy = 5) {
        const int32_t x = object.GetAbsX() + dx, y = object.GetAbsY() + dy;
        m_host.MouseMove(x, y);
        m_host.LeftDown(x, y);
        m_host.LeftUp(x, y);
        m_host.MouseMove(x + 400, y); // out of the button again
    }
    void ClickButton(int track, CTrackHeader::Button button) {
        Click(Header(track).GetButton(button));
    }
    void RightClick(const VRGuiObject& object) {
        const int32_t x = object.GetAbsX() + 200, y = object.GetAbsY() + 10;
        m_host.MouseMove(x, y);
        m_host.RightDown(x, y);
        m_host.RightUp(x, y);
    }
    // Opens the menu with a right click and chooses the item at itemIndex,
    // first opening the sub-menu at subMenuIndex when it is not negative.
    void ChooseFromMenu(const VRGuiObject& object, int itemIndex, int subMenuIndex = -1) {
        std::vector<std::function<void()>> steps;
        if (subMenuIndex >= 0)
            steps.push_back(
                [this, subMenuIndex] { ClickMenuItem(m_host, m_window, subMenuIndex); });
        steps.push_back([this, itemIndex, subMenuIndex] {
            auto* menu = dynamic_cast<GuiPopupMenu*>(m_window.TopLayer());
            ASSERT_NE(menu, nullptr);
            if (subMenuIndex >= 0 && menu->GetSubMenu())
                menu = menu->GetSubMenu();
            const int32_t x = menu->GetAbsX() + 30;
            const int32_t y = menu->GetAbsY() + menu->ItemTop(itemIndex) + 5;
            m_host.MouseMove(x, y);
            m_host.LeftDown(x, y);
            m_host.LeftUp(x, y);
        });
        DriveMenu(m_host, steps);
        RightClick(object);
        m_host.SetModalDriver(nullptr);
    }
    // Drags the header of a track by dy pixels, checking the raised look
    // half way.
    void DragHeader(int track, int32_t dy) {
        CTrackHeader& header = Header(track);
        const int32_t x = header.GetAbsX() + 200, y = header.GetAbsY() + 10;
        m_host.MouseMove(x, y);
        m_host.LeftDown(x, y);
        m_host.MouseMove(x, y + 2, MK_LBUTTON);
        m_host.MouseMove(x, y + dy, MK_LBUTTON);
        EXPECT_EQ(header.GetZOrder(), CTrack::kDraggedZOrder);
        EXPECT_EQ(Track(track)->GetBody()->GetZOrder(), CTrack::kDraggedZOrder);
        EXPECT_EQ(header.GetY(), std::max(0, 70 * track + dy)) << "follows the pointer";
        m_host.LeftUp(x, y + dy);
    }

    CSkin m_skin;
};

TEST_F(TrackHeaderControls, MuteSoloAndArmButtonsAreUndoStepsAndShowTheirState) {
    ClickButton(1, CTrackHeader::kMuteButton);
    ClickButton(1, CTrackHeader::kSoloButton);
    ClickButton(1, CTrackHeader::kArmButton);
    CTrack* track = Track(1);
    EXPECT_TRUE(track->IsMute());
    EXPECT_TRUE(track->IsSolo());
    EXPECT_TRUE(track->IsArmed());
    EXPECT_TRUE(track->IsSelected()) << "a button selects its track";
    EXPECT_EQ(Header(1).GetButton(CTrackHeader::kMuteButton).GetSkin(), "mutedac");
    EXPECT_EQ(Header(1).GetButton(CTrackHeader::kSoloButton).GetSkin(), "soloac");
    EXPECT_EQ(Header(1).GetButton(CTrackHeader::kArmButton).GetSkin(), "recarmed");

    ASSERT_TRUE(m_undo.Undo());
    EXPECT_FALSE(track->IsArmed());
    EXPECT_TRUE(track->IsSolo()) << "each press is its own step";
    ASSERT_TRUE(m_undo.Undo());
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_FALSE(track->IsMute());
    EXPECT_FALSE(track->IsSolo());
    EXPECT_EQ(Header(1).GetButton(CTrackHeader::kMuteButton).GetSkin(), "mute");
    EXPECT_EQ(Header(1).GetButton(CTrackHeader::kSoloButton).GetSkin(), "solo");
    EXPECT_EQ(Header(1).GetButton(CTrackHeader::kArmButton).GetSkin(), "recarm");
    ASSERT_TRUE(m_undo.Redo());
    EXPECT_TRUE(track->IsMute());
    EXPECT_EQ(Header(1).GetButton(CTrackHeader::kMuteButton).GetSkin(), "mutedac");
}

TEST_F(TrackHeaderControls, TheHeaderPixelsShowTheButtonStates) {
    const GuiButton& mute = Header(0).GetButton(CTrackHeader::kMuteButton);
    const GuiButton& solo = Header(0).GetButton(CTrackHeader::kSoloButton);
    auto centre = [this](const GuiButton& button) {
        return m_host.ScreenPixel(button.GetAbsX() + button.GetWidth() / 2,
                                  button.GetAbsY() + button.GetHeight() / 2);
    };
    const uint32_t muteOff = centre(mute), soloOff = centre(solo);
    Track(0)->PressHeaderButton(CTrackHeader::kMuteButton);
    m_host.Advance(100);
    EXPECT_NE(centre(mute), muteOff);
    EXPECT_EQ(centre(solo), soloOff);
    m_undo.Undo();
    m_host.Advance(100);
    EXPECT_EQ(centre(mute), muteOff);
}

TEST_F(TrackHeaderControls, AFrozenTrackHasTheFrozenPanelAndNoArmInputOrEffectsButtons) {
    CTrackHeader& header = Header(0);
    // A spot of the panel below the controls, and the buttons' centres.
    auto panel = [&] {
        return m_host.ScreenPixel(header.GetAbsX() + 20, header.GetAbsY() + header.GetHeight() - 8);
    };
    auto centre = [this](const GuiButton& button) {
        return m_host.ScreenPixel(button.GetAbsX() + button.GetWidth() / 2,
                                  button.GetAbsY() + button.GetHeight() / 2);
    };
    const CTrackHeader::Button frozenOut[] = {CTrackHeader::kArmButton, CTrackHeader::kInputButton,
                                              CTrackHeader::kEffectsButton};
    const uint32_t normalPanel = panel();
    std::vector<uint32_t> normalButtons;
    for (const CTrackHeader::Button button : frozenOut)
        normalButtons.push_back(centre(header.GetButton(button)));
    const uint32_t mute = centre(header.GetButton(CTrackHeader::kMuteButton));

    CTrackHeader::Controls frozen = header.GetControls();
    frozen.frozen = true;
    header.ShowControls(frozen);
    m_host.Advance(100);
    // The skin's frozen panel is a lighter blue grey than the header's.
    const uint32_t frozenPanel = panel();
    EXPECT_NE(frozenPanel, normalPanel);
    EXPECT_GT(frozenPanel & 0xFF, normalPanel & 0xFF);
    for (size_t i = 0; i < std::size(frozenOut); ++i) {
        const GuiButton& button = header.GetButton(frozenOut[i]);
        EXPECT_FALSE(button.IsEnabled()) << i;
        EXPECT_NE(centre(button), normalButtons[i]) << "drawn disabled: " << i;
    }
    EXPECT_TRUE(header.GetButton(CTrackHeader::kMuteButton).IsEnabled());
    EXPECT_EQ(centre(header.GetButton(CTrackHeader::kMuteButton)), mute);

    frozen.frozen = false;
    header.ShowControls(frozen);
    m_host.Advance(100);
    EXPECT_EQ(panel(), normalPanel);
    for (size_t i = 0; i < std::size(frozenOut); ++i) {
        EXPECT_TRUE(header.GetButton(frozenOut[i]).IsEnabled()) << i;
        EXPECT_EQ(centre(header.GetButton(frozenOut[i])), normalButtons[i]) << i;
    }
}

TEST_F(TrackHeaderControls, AMovedSliderLeavesNoTrailBehind) {
    GuiSlider& slider = Header(1).GetVolumeSlider();
    const GuiRect area = slider.GetAbsRect();
    auto pixels = [&] {
        std::vector<uint32_t> all;
        for (int32_t y = area.top; y < area.bottom; ++y)
            for (int32_t x = area.left; x < area.right; ++x)
                all.push_back(m_host.ScreenPixel(x, y));
        return all;
    };
    const std::vector<uint32_t> before = pixels();
    for (double volume : {1.6, 0.3, 1.9, 1.0}) {
        Track(1)->SetVolume(volume, false);
        m_host.Advance(100);
    }
    EXPECT_EQ(pixels(), before) << "the thumb's old places are drawn over";
}

TEST_F(TrackHeaderControls, TheVolumeSliderIsOneUndoStepPerDragAndTheControlsHideInASmallTrack) {
    GuiSlider& slider = Header(2).GetVolumeSlider();
    const int32_t y = slider.GetAbsY() + slider.GetHeight() / 2;
    m_host.MouseMove(slider.GetAbsX() + 10, y);
    m_host.LeftDown(slider.GetAbsX() + 10, y);
    m_host.MouseMove(slider.GetAbsX() + 40, y, MK_LBUTTON);
    m_host.MouseMove(slider.GetAbsX() + slider.GetWidth() + 50, y, MK_LBUTTON);
    m_host.LeftUp(slider.GetAbsX() + slider.GetWidth() + 50, y);
    EXPECT_DOUBLE_EQ(Track(2)->GetVolume(), CTrackHeader::kMaxVolume) << "limited at the end";
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_DOUBLE_EQ(Track(2)->GetVolume(), 1.0);
    EXPECT_DOUBLE_EQ(slider.GetValue(), 1.0);

    m_project->Tracks().SetHeight(2, CTrack::kMinHeight, false);
    EXPECT_FALSE(slider.IsVisible());
    EXPECT_FALSE(Header(2).GetButton(CTrackHeader::kMuteButton).IsVisible());
    m_project->Tracks().SetHeight(2, CTrack::kNormalHeight, false);
    EXPECT_TRUE(slider.IsVisible());
}

TEST_F(TrackHeaderControls, TheHeaderMenuSelectsTheTrackAndCarriesOutACommand) {
    m_project->SelectTrack(0, false);
    // Item 3: move the track down.
    ChooseFromMenu(Header(1), 3);
    CTrack* moved = Track(2);
    EXPECT_EQ(moved->GetIndex(), 2);
    EXPECT_TRUE(moved->IsSelected());
    EXPECT_EQ(m_project->GetLastSelectedTrack(), 2);
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_EQ(Track(1), moved);
}

TEST_F(TrackHeaderControls, AVolumePresetFromTheMenuThenUndoFromTheLaneMenu) {
    // The volume sub-menu is item 18; its item 4 is 60%.
    ChooseFromMenu(Header(0), 4, 18);
    EXPECT_DOUBLE_EQ(Track(0)->GetVolume(), 0.6);
    EXPECT_DOUBLE_EQ(Header(0).GetVolumeSlider().GetValue(), 0.6);
    // The lane menu's first item undoes.
    ChooseFromMenu(*Track(0)->GetBody(), 0);
    EXPECT_DOUBLE_EQ(Track(0)->GetVolume(), 1.0);
}

TEST_F(TrackHeaderControls, CommandsThatCannotRunAreDisabledAndOthersRunDirectly) {
    m_project->SelectTrack(0, false);
    CTrack& track = *Track(0);
    for (int32_t command : {CTrackMenus::kFreeze, CTrackMenus::kMoveUp})
        EXPECT_FALSE(track.CanHandleCommand(command)) << command;
    for (int32_t command :
         {CTrackMenus::kDuplicate, CTrackMenus::kMoveDown, CTrackMenus::kChoosePicture,
          CTrackMenus::kRename, CTrackMenus::kColour, CTrackMenus::kEffects})
        EXPECT_TRUE(track.CanHandleCommand(command)) << command;
    track.HandleCommand(CTrackMenus::kInsertMidi);
    EXPECT_EQ(Track(0)->GetKind(), CTrack::kMidi);
    EXPECT_TRUE(Track(0)->IsSelected());
    EXPECT_FALSE(Track(0)->CanHandleCommand(CTrackMenus::kBodyAddSound));
    track.HandleCommand(CTrackMenus::kPanFirst + 2);
    EXPECT_DOUBLE_EQ(track.GetPan(), -0.5);
    EXPECT_EQ(CTrackHeader::PanText(track.GetPan()), "Pan L 50");
}

TEST_F(TrackHeaderControls, DraggingAHeaderMovesItsTrackAsOneUndoStep) {
    CTrack* first = Track(0);
    CTrack* second = Track(1);
    DragHeader(0, 150);
    EXPECT_EQ(first->GetIndex(), 2);
    EXPECT_EQ(Track(0), second);
    EXPECT_EQ(first->GetHeader()->GetY(), 140);
    EXPECT_EQ(first->GetBody()->GetY(), 140);
    EXPECT_EQ(first->GetHeader()->GetZOrder(), CTrack::kZOrder);
    ASSERT_TRUE(m_undo.Undo());
    EXPECT_EQ(Track(0), first);
    EXPECT_EQ(first->GetHeader()->GetY(), 0);

    DragHeader(1, -500); // never above the first place
    EXPECT_EQ(Track(0), second);
    DragHeader(0, 10); // dropped on its own place
    EXPECT_EQ(Track(0), second);
    EXPECT_EQ(second->GetHeader()->GetY(), 0);
}

} // namespace
