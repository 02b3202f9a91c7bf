#pragma once

#include "gui/GuiCursor.h"
#include "gui/GuiRect.h"

class CImage;

// The pictures of the program's own pointers (GuiCursor::kScissors onwards):
// 32 x 32 with transparency, dark shapes outlined in white so that they show
// on light and dark surfaces alike, and the hot spot, the pixel that points.
class CCursorImages {
public:
    static constexpr int32_t kSize = 32;

    // False for a system pointer, which has no picture of ours.
    static bool IsDrawnByProgram(GuiCursor cursor);
    // Draws the pointer; false for a system pointer.
    static bool Draw(GuiCursor cursor, CImage& image, GuiPoint& hotSpot);
};
