#pragma once

#include "gui/CImage.h"
#include "gui/VRGuiControl.h"

#include <cstdint>
#include <memory>
#include <string>

// A horizontal slider drawn from two skin images: the groove ("<base>") and
// the thumb ("<base>-thumb"). The groove sizes the control's width, the
// thumb its height. Dragging the thumb, or pressing anywhere on the groove,
// sends kNotifyValueChange with a GuiSliderChange: phase kStart at the
// press, kMove while the pointer moves, kEnd at the release, so that an
// observer can make the whole gesture one change.
class GuiSlider : public VRGuiControl {
public:
    static constexpr int kNotifyValueChange = 1002;
    enum Phase : int32_t { kStart = 1, kMove = 2, kEnd = 3 };

    GuiSlider(int32_t controlId, const std::string& skinBase, double minimum, double maximum);

    // Limited to the range; sends nothing.
    void SetValue(double value);
    double GetValue() const { return m_value; }
    // The x of the thumb's left edge for the current value.
    int32_t ThumbX() const;

    bool OnMouse(int32_t event, GuiPoint p, uint32_t keys) override;
    void OnDraw(const GuiRect& r) override;

private:
    int32_t Travel() const;
    double ValueAt(int32_t x) const;
    void Send(int32_t phase);

    std::shared_ptr<const CImage> m_groove;
    std::shared_ptr<const CImage> m_thumb;
    double m_minimum;
    double m_maximum;
    double m_value;
    bool m_dragging = false;
};

// The payload of GuiSlider::kNotifyValueChange.
struct GuiSliderChange {
    int32_t controlId = 0;
    double value = 0;
    int32_t phase = GuiSlider::kStart;
};
