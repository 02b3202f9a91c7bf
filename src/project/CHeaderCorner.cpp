#include "project/CHeaderCorner.h"

#include "gui/GuiButton.h"
#include "gui/GuiMenu.h"
#include "gui/GuiPopupMenu.h"
#include "gui/IGuiHost.h"
#include "gui/VRGuiWindow.h"
#include "project/CProject.h"
#include "project/ProjectNotifications.h"
#include "support/CUndoMgr.h"
#include "support/CUndoStep.h"
#include "support/LocalizedStrings.h"

namespace {

constexpr int32_t kCornerButtonMargin = 8;
// Light on the dark face of the buttons, as every working button's text is.
constexpr uint32_t kCornerCaptionColor = 0xE6E6E6;
constexpr int32_t kMenuAudioTrack = 1;
constexpr int32_t kMenuMidiTrack = 2;

} // namespace

CHeaderCorner::CHeaderCorner(CProject& project, CUndoMgr& undo)
    : m_project(project), m_undo(undo) {}

CHeaderCorner::~CHeaderCorner() = default;

void CHeaderCorner::CreateButtons(Observer& observer) {
    m_modeButton = std::make_unique<GuiButton>(kToolbarButtonTimeLineMode, "snap", "", "");
    m_addTrackButton =
        std::make_unique<GuiButton>(kToolbarButtonAddTrack, "snap", "TH_AddTrack", "");
    int32_t x = kCornerButtonMargin;
    for (GuiButton* button : {m_modeButton.get(), m_addTrackButton.get()}) {
        const int32_t inset = button->GetHeight() / 4 + 1;
        button->SetTransparent(true);
        button->ShowCaption(true);
        button->SetCaptionFormat(GuiButton::DT_END_ELLIPSIS);
        button->SetCaptionRect({inset, inset, button->GetWidth() - inset, button->GetHeight()});
        for (int32_t state = GuiButton::kNormal; state < GuiButton::kDisabled; ++state)
            button->SetCaptionColor(state, kCornerCaptionColor);
        button->AddObserver(&observer);
        m_project.HeaderCorner().AddChild(button, x,
                                          (CProject::kRulerHeight - button->GetHeight()) / 2);
        x += button->GetWidth() + kCornerButtonMargin;
    }
    UpdateModeButton(m_project.GetTimeLineMode());
}

void CHeaderCorner::UpdateModeButton(uint32_t timeLineMode) {
    // The button offers the other mode.
    if (m_modeButton)
        m_modeButton->SetCaption(MyLoadString(timeLineMode == 1 ? "TH_BeatMode" : "TH_TimeMode"));
}

void CHeaderCorner::HandleButton(int button) {
    switch (button) {
    case kToolbarButtonTimeLineMode:
        m_project.SetTimeLineMode(m_project.GetTimeLineMode() ? 0 : 1);
        break;
    case kToolbarButtonAddTrack:
        AddTrackFromMenu();
        break;
    default:
        break;
    }
}

void CHeaderCorner::AddTrackFromMenu() {
    VRGuiWindow* window = m_project.GetWindow();
    IGuiHost* host = window ? window->GetHWND() : nullptr;
    if (!host)
        return;
    GuiMenu menu;
    menu.AddItem(kMenuAudioTrack, MyLoadString("NEW_TRACK_TYPE_AUDIO"));
    menu.AddItem(kMenuMidiTrack, MyLoadString("NEW_TRACK_TYPE_MIDI"));
    const GuiPoint at = host->CursorPos();
    GuiPopupMenu popup(menu);
    const int32_t chosen = popup.Run(window, at.x, at.y);
    if (chosen != kMenuAudioTrack && chosen != kMenuMidiTrack)
        return;
    CUndoStep step(m_undo);
    if (chosen == kMenuAudioTrack)
        m_project.AddAudioTrack(-1, true);
    else
        m_project.AddMIDITrack(-1, true);
}
