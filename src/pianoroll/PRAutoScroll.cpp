#include "pianoroll/PRAutoScroll.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

int32_t PRAutoScroll::Speed(int32_t depth) {
    const double d = std::abs(depth);
    return static_cast<int32_t>(std::trunc(1.0 + 0.00005 * d * d * d));
}

PRAutoScroll::Step PRAutoScroll::StepFor(const View& view, int32_t x, int32_t y, int32_t pressX,
                                         int32_t pressY) {
    Step step;
    if (std::abs(x - pressX) >= kMinDrag) {
        const int32_t zoneStart = view.right - kRightZone;
        if (x > zoneStart)
            step.dx = Speed(std::min(x - zoneStart, kMaxRightDepth));
        else if (x < view.left + kLeftZone)
            step.dx = -Speed(std::max(x - (view.left + kLeftDepthOrigin), -kMaxLeftDepth));
    }
    if (std::abs(y - pressY) >= kMinDrag) {
        const int32_t zoneStart = view.bottom - kBottomZone;
        if (y >= zoneStart)
            step.dy = Speed(std::min(y - zoneStart, kMaxVerticalDepth));
        else if (y < view.top)
            step.dy = -Speed(std::max(y - (view.top + kTopDepthOrigin), -kMaxVerticalDepth));
    }
    return step;
}
