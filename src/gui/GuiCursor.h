#pragma once

#include <cstdint>

// The mouse pointers the program shows. The first ones are the system's own;
// from kScissors on they are the program's, drawn by CCursorImages.
enum class GuiCursor : int32_t {
    kArrow,
    kIBeam,
    kHand,
    kResizeLeftRight,
    kResizeUpDown,
    kMove,
    kWait,
    kScissors, // splitting a clip
    kPencil,
    kEraser,
    kZoom,
    kEnvelopePoint, // adding a point to an envelope
};

constexpr int32_t kGuiCursorCount = int32_t(GuiCursor::kEnvelopePoint) + 1;
