#pragma once

#include <cstdint>

// How far the piano roll scrolls on one tick of its timer while a note or a
// rubber band is dragged near or past an edge of the note area's view. The
// step grows with the cube of the pointer's depth into the edge zone, so a
// pointer just inside creeps and one far outside races. Coordinates are the
// window's (or any frame that does not scroll with the notes).
class PRAutoScroll {
public:
    // A drag must have gone this far along an axis before that axis scrolls.
    static constexpr int32_t kMinDrag = 15;
    // The zone inside the right edge that scrolls right.
    static constexpr int32_t kRightZone = 95;
    static constexpr int32_t kMaxRightDepth = 130;
    // Left of the view's left edge plus this, the view scrolls left.
    static constexpr int32_t kLeftZone = 5;
    // The left depth is counted from this far right of the view's left edge.
    static constexpr int32_t kLeftDepthOrigin = 34;
    static constexpr int32_t kMaxLeftDepth = 200;
    // The zone above the bottom edge that scrolls down.
    static constexpr int32_t kBottomZone = 5;
    static constexpr int32_t kMaxVerticalDepth = 100;
    // The top depth is counted from this far below the view's top edge.
    static constexpr int32_t kTopDepthOrigin = 15;

    struct View {
        int32_t left = 0;
        int32_t top = 0;
        int32_t right = 0;
        int32_t bottom = 0;
    };
    struct Step {
        int32_t dx = 0; // pixels, positive to the right
        int32_t dy = 0; // pixels, positive down
        bool operator==(const Step&) const = default;
    };

    // The scroll for a pointer at (x, y) in a drag pressed at (pressX, pressY).
    static Step StepFor(const View& view, int32_t x, int32_t y, int32_t pressX, int32_t pressY);

private:
    // trunc(1 + 0.00005 d^3) for a depth d (negative depths give steps of
    // the other sign's size as a positive number of pixels).
    static int32_t Speed(int32_t depth);
};
