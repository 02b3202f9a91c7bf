#pragma once

#include "gui/VRGuiContainer.h"

// A container shown above all other content of its window: a pop-up menu, a
// drop-down list, a dialog. The window keeps open layers in a stack; while
// one is open, all input goes to the top layer and nothing below it sees the
// mouse or the keyboard, which is what makes a dialog modal and lets a pop-up
// close when the user clicks elsewhere.
//
// Open it with VRGuiWindow::OpenLayer; it closes itself when destroyed.
class VRGuiLayer : public VRGuiContainer {
public:
    VRGuiLayer(int32_t width, int32_t height);
    ~VRGuiLayer() override;

    // A press of either button outside the layer while it is the top layer,
    // at a point in window coordinates. Pop-ups close here; dialogs ignore it.
    virtual void OnPressOutside(GuiPoint windowPoint);
    // True from OpenLayer until CloseLayer.
    bool IsOpen() const { return m_open; }
    void SetOpen(bool open) { m_open = open; }

private:
    bool m_open = false;
};
