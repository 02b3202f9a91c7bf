#pragma once

#include "gui/GuiButton.h"

#include <string>

// The push button of the dialogs: a skinned GuiButton that, where the skin has
// no images for it, draws itself as a plain "gui-button" face, and that shows
// a focus frame while its dialog has it focused. Clicks reach the dialog as
// GuiButton's click notification.
class CDialogButton : public GuiButton {
public:
    static constexpr int32_t kWidth = 84;
    static constexpr int32_t kHeight = 24;
    static constexpr const char* kSkinBase = "gui-button";

    CDialogButton(int32_t controlId, const std::string& caption);

    void OnDraw(const GuiRect& r) override;
};
