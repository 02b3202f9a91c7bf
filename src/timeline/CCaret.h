#pragma once

#include "gui/CImage.h"
#include "gui/VRGuiObject.h"

#include <cstdint>
#include <memory>

// The edit position: a one-pixel line of "caret color" down the track it
// stands on, with the "caret top" and "caret bottom" images at its ends. It
// lives among the track bodies, so it scrolls with them. Its time is heard
// (tempo-adjusted) milliseconds, as the timeline is drawn.
class CCaret : public VRGuiObject {
public:
    static constexpr int32_t kZOrder = 300;

    CCaret();

    // Moves the caret to the time on the track whose body spans top to
    // top + height (pixels of the track bodies); repaints only on a change.
    void Place(double heardMs, int32_t msPerPixel, int32_t top, int32_t height);
    // The timeline column the line is drawn in.
    int32_t GetColumn() const { return GetX() + m_lineOffset; }
    int32_t LineOffset() const { return m_lineOffset; }

    bool AcceptsHover() const override { return false; }
    void OnDraw(const GuiRect& r) override;

private:
    uint32_t m_colour = 0;
    std::shared_ptr<const CImage> m_top;
    std::shared_ptr<const CImage> m_bottom;
    int32_t m_lineOffset = 0;
};
