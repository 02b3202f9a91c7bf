#include "app/WindowPlacement.h"

#include "app/CPrefs.h"
#include "gui/IGuiHost.h"
#include "gui/VRGuiWindow.h"

#include <algorithm>

void RestoreWindowPlacement(VRGuiWindow& window, const CPrefs& prefs, int32_t minimumHeight) {
    const CPrefs::Rect& rect = prefs.lastMainWinRect;
    IGuiHost* host = window.GetHWND();
    if (!host)
        return;
    if (rect.right > rect.left && rect.bottom > rect.top) {
        host->Move(rect.left, rect.top);
        window.SetSize(rect.right - rect.left, std::max(rect.bottom - rect.top, minimumHeight));
    }
    if (prefs.bMainWindowMaximized)
        host->Maximize();
}

void StoreWindowPlacement(VRGuiWindow& window, CPrefs& prefs) {
    IGuiHost* host = window.GetHWND();
    if (!host)
        return;
    prefs.bMainWindowMaximized = host->IsMaximized();
    if (prefs.bMainWindowMaximized)
        return;
    const GuiPoint at = host->WindowPosition();
    prefs.lastMainWinRect = {at.x, at.y, at.x + window.GetWidth(), at.y + window.GetHeight()};
}
