#include "gui/VRGuiLayer.h"

#include "gui/VRGuiWindow.h"

VRGuiLayer::VRGuiLayer(int32_t width, int32_t height) : VRGuiContainer(width, height) {}

VRGuiLayer::~VRGuiLayer() {
    if (m_open) {
        if (VRGuiWindow* window = GetWindow())
            window->CloseLayer(this);
    }
}

void VRGuiLayer::OnPressOutside(GuiPoint) {}
