#include "pianoroll/CPRControllerHeader.h"

#include "gui/GuiNotifications.h"
#include "pianoroll/CPRControllerBody.h"
#include "pianoroll/PRControllerChoices.h"

#include <algorithm>

CPRControllerHeader::CPRControllerHeader(CPRControllerBody& body)
    : GuiTexturePanel("track header", 1, 1), m_body(body),
      m_drop(kDropId, "controller-drop", 1, this) {
    AddChild(&m_drop, kInset, kInset + 1);
    m_drop.AddObserver(this);
    ShowLane();
}

CPRControllerHeader::~CPRControllerHeader() {
    m_drop.RemoveObserver(this);
    RemoveChild(&m_drop);
}

void CPRControllerHeader::SetSize(int32_t width, int32_t height) {
    GuiTexturePanel::SetSize(width, height);
    const int32_t dropWidth = std::max(1, width - 2 * kInset);
    if (m_drop.GetWidth() != dropWidth) {
        m_drop.SetSize(dropWidth, m_drop.GetHeight());
        m_drop.GetEditBox().SetSize(std::max(1, dropWidth - m_drop.ButtonRect().Width() - 2),
                                    m_drop.GetEditBox().GetHeight());
    }
}

void CPRControllerHeader::ShowLane() {
    m_drop.SetText(PRControllerChoices(m_body.Sound()).TextOf(m_body.Lane()));
}

bool CPRControllerHeader::Choose(const std::string& text) {
    PRControllerLane lane;
    const bool known = PRControllerChoices(m_body.Sound()).Parse(text, lane);
    if (known)
        m_body.SetLane(lane);
    ShowLane();
    return known;
}

void CPRControllerHeader::OnBeforeDropDown(GuiEditDrop& drop) {
    drop.ClearEntries();
    const PRControllerChoices choices(m_body.Sound());
    for (const PRControllerChoice& entry : choices.Entries())
        drop.AddEntry(entry.text, entry.hasEvents);
}

void CPRControllerHeader::OnNotification(int message, void*) {
    if (message == GuiEditDrop::kNotifyEntryChosen || message == GuiEditBox::kNotifyTextChanged)
        Choose(m_drop.GetText());
}
