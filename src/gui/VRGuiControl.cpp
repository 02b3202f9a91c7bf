#include "gui/VRGuiControl.h"

VRGuiControl::VRGuiControl(int32_t controlId) : m_controlId(controlId) {
    SetType(kGuiTypeControl);
}

VRGuiControl::VRGuiControl(int32_t controlId, int32_t width, int32_t height)
    : VRGuiObject(width, height), m_controlId(controlId) {
    SetType(kGuiTypeControl);
}
