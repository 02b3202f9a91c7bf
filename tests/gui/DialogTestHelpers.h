#pragma once

#include "gui/CBaseDialog.h"
#include "gui/COffscreenGuiHost.h"
#include "gui/MessageBoxes.h"
#include "gui/VRGuiWindow.h"

#include <gtest/gtest.h>

// A headless main window for dialog tests; hooks and the main window are
// reset afterwards so that no test leaks them into another.
class DialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(window.Initialize(&host, 800, 600));
        host.Advance(40);
    }
    void TearDown() override {
        SetMessageBoxHook({});
        SetMainWindow(nullptr);
    }

    // A press and release in the middle of the object.
    static void Click(COffscreenGuiHost& h, const VRGuiObject* object) {
        const GuiRect r = object->GetAbsRect();
        ClickAt(h, {(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    }
    static void ClickAt(COffscreenGuiHost& h, GuiPoint p) {
        h.LeftDown(p.x, p.y);
        h.LeftUp(p.x, p.y);
        h.Advance(600); // no double click with the next press
    }
    // A point of a dialog's own rectangle, in window coordinates.
    static GuiPoint InWindow(const VRGuiObject* dialog, const GuiRect& r) {
        return {dialog->GetAbsX() + (r.left + r.right) / 2,
                dialog->GetAbsY() + (r.top + r.bottom) / 2};
    }
    template <class Dialog> Dialog* Top() { return dynamic_cast<Dialog*>(window.TopLayer()); }

    COffscreenGuiHost host;
    VRGuiWindow window;
};
