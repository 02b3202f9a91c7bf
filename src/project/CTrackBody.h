#pragma once

#include "gui/GuiTexturePanel.h"
#include "support/Observable.h"

#include <cstdint>
#include <functional>

// The body of a track, the lane its clips lie on. It draws the skin's lane
// with the ruler's grid lines behind the clips. A click on an empty spot
// selects the track, puts the caret there and deselects the clips; a double
// click asks for a new clip; the right button opens the track's lane menu;
// the track hears these as notifications.
class CTrackBody : public GuiTexturePanel, public Observable {
public:
    static constexpr int32_t kWidth = 0x4000000;
    // Movement under which a release still counts as a click, per axis.
    static constexpr int32_t kClickSlack = 3;
    // Movement beyond which a press drags out a time selection, per axis.
    static constexpr int32_t kDragSlack = 2;

    CTrackBody();

    // Draws the grid behind the clips: (target, rectangle in its coordinates).
    using GridPainter = std::function<void(VRGuiObject& target, const GuiRect& r)>;
    void SetGridPainter(GridPainter painter) { m_gridPainter = std::move(painter); }

    bool OnMouse(int32_t event, GuiPoint p, uint32_t keys) override;
    void OnDraw(const GuiRect& r) override;

private:
    void OnDrag(GuiPoint p, uint32_t keys);
    void OnRelease(GuiPoint p, uint32_t keys);

    GridPainter m_gridPainter;
    bool m_pressed = false;
    GuiPoint m_press{0, 0};
};
