#pragma once

#include "gui/GuiButton.h"

#include <memory>
#include <string>

// A button of a radio group: while latched it shows its pressed picture,
// whatever the pointer does over it, so the chosen tool or length stays
// visible. Clicks work as on any button.
class PRLatchButton : public GuiButton {
public:
    PRLatchButton(int32_t controlId, const std::string& skinBase, const std::string& toolTipKey);

    void SetLatched(bool latched);
    bool IsLatched() const { return m_latched; }

    void OnDraw(const GuiRect& r) override;

private:
    bool m_latched = false;
    std::shared_ptr<const CImage> m_pressed;
};
