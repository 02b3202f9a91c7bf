#pragma once

#include "gui/GuiRect.h"

#include <cairo.h>

#include <cstdint>

// What the caret and the playback line share: the timeline column a heard
// time falls in, and the one-pixel line each draws down its column.
class CColumnLine {
public:
    // The column of heard milliseconds at a zoom. Times before the start, or
    // not numbers at all, stand at column 0; far times stop at a billion
    // pixels rather than overflow.
    static int32_t ColumnOf(double heardMs, int32_t msPerPixel);
    // Fills the line's part of the repainted rectangle r, lineOffset pixels
    // into its object, in a skin colour (0x00BBGGRR).
    static void Draw(cairo_t* cr, uint32_t colour, int32_t lineOffset, const GuiRect& r);
};
