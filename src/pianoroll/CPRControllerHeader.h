#pragma once

#include "gui/GuiEditDrop.h"
#include "gui/GuiEditDropCallback.h"
#include "gui/GuiTexturePanel.h"
#include "support/Observer.h"

#include <cstdint>
#include <string>

class CPRControllerBody;

// The head of the controller lane, left of its body: a drop-down that
// chooses what the lane shows (the velocities, program change, channel
// pressure, pitch bend or a MIDI controller). The list is made afresh each
// time it opens, so that controllers the sound has come to use appear, in
// bold. A typed number below 128 chooses that controller; any other text
// that names no entry gives way to the lane's own name again.
class CPRControllerHeader : public GuiTexturePanel, public Observer, private GuiEditDropCallback {
public:
    static constexpr int32_t kDropId = 1;
    static constexpr int32_t kInset = 3;

    explicit CPRControllerHeader(CPRControllerBody& body);
    ~CPRControllerHeader() override;

    GuiEditDrop& Drop() { return m_drop; }
    // Shows the lane a text names; false (and the lane's own name shown
    // again) when it names none.
    bool Choose(const std::string& text);

    void SetSize(int32_t width, int32_t height) override;
    void OnNotification(int message, void* parameter) override;

private:
    void OnBeforeDropDown(GuiEditDrop& drop) override;
    void ShowLane();

    CPRControllerBody& m_body;
    GuiEditDrop m_drop;
};
