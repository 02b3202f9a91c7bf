#pragma once

#include "support/Observable.h"
#include "gui/VRGuiObject.h"

#include <cstdint>

// A leaf object that tells its observers about user actions (a button press, a
// knob turned), carrying an identifier given by its creator.
class VRGuiControl : public VRGuiObject, public Observable {
public:
    explicit VRGuiControl(int32_t controlId);
    VRGuiControl(int32_t controlId, int32_t width, int32_t height);

    int32_t GetControlId() const { return m_controlId; }

private:
    int32_t m_controlId;
};
