#pragma once

class GuiEditDrop;

// Told by a GuiEditDrop just before its list opens, so that the owner can
// refill the entries with what is true now.
class GuiEditDropCallback {
public:
    virtual ~GuiEditDropCallback() = default;
    virtual void OnBeforeDropDown(GuiEditDrop& drop) = 0;
};
