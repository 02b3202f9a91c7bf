#pragma once

#include "gui/COffscreenGuiHost.h"
#include "gui/GuiInput.h"
#include "gui/GuiPopupMenu.h"
#include "gui/VRGuiWindow.h"

#include <functional>
#include <memory>
#include <vector>

// Answers pop-up menus: runs the steps in turn, one per step of the modal
// loop, then Escape once they run out.
inline void DriveMenu(COffscreenGuiHost& host, std::vector<std::function<void()>> steps) {
    auto next = std::make_shared<size_t>(0);
    host.SetModalDriver([steps, next](COffscreenGuiHost& h, int) {
        h.Advance(40);
        if (*next < steps.size())
            steps[(*next)++]();
        else
            h.KeyDown(VK_ESCAPE);
    });
}

// Clicks item `index` of the open pop-up menu.
inline void ClickMenuItem(COffscreenGuiHost& host, VRGuiWindow& window, int index) {
    auto* popup = dynamic_cast<GuiPopupMenu*>(window.TopLayer());
    if (!popup)
        return;
    const int32_t x = popup->GetAbsX() + 30;
    const int32_t y = popup->GetAbsY() + popup->ItemTop(index) + 5;
    host.MouseMove(x, y);
    host.LeftDown(x, y);
    host.LeftUp(x, y);
}
