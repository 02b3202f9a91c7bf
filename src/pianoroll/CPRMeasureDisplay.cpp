#include "pianoroll/CPRMeasureDisplay.h"

#include "gui/CSkin.h"
#include "gui/GuiTextLayout.h"
#include "gui/VRGuiWindow.h"
#include "pianoroll/PRNoteGestures.h"
#include "pianoroll/PRSoundMeter.h"

CPRMeasureDisplay::CPRMeasureDisplay(const PRNoteGestures& gestures)
    : GuiTexturePanel("timeline background", 1, 1), m_gestures(gestures) {
    ShowTime(0.0);
}

void CPRMeasureDisplay::ShowTime(double soundMs) {
    std::string text = PRSoundMeter(m_gestures.Timing()).MeasureText(soundMs);
    if (text == m_text)
        return;
    m_text = std::move(text);
    Invalidate(nullptr);
}

void CPRMeasureDisplay::OnDraw(const GuiRect& r) {
    DrawTexture(r);
    GuiTextLayout layout(GuiFont{}, m_text);
    layout.DrawIn(GetWindow()->GetDrawContext(), 0, 0, GetWidth(), GetHeight(),
                  kTextCenter | kTextVCenter | kTextSingleLine, CSkin::ColorOf("time-text-color"));
}
