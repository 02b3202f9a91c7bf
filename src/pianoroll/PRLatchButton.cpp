#include "pianoroll/PRLatchButton.h"

#include "gui/CImageManager.h"
#include "gui/VRGuiWindow.h"

PRLatchButton::PRLatchButton(int32_t controlId, const std::string& skinBase,
                             const std::string& toolTipKey)
    : GuiButton(controlId, skinBase, "", toolTipKey),
      m_pressed(CImageManager::Instance().Get(skinBase + "-2")) {}

void PRLatchButton::SetLatched(bool latched) {
    if (latched == m_latched)
        return;
    m_latched = latched;
    Invalidate(nullptr);
}

void PRLatchButton::OnDraw(const GuiRect& r) {
    VRGuiWindow* window = GetWindow();
    if (m_latched && m_pressed && window && GetState() != kDisabled)
        m_pressed->Draw(window->GetDrawContext(), 0, 0);
    else
        GuiButton::OnDraw(r);
}
