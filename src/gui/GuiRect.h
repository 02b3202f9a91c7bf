#pragma once

#include <algorithm>
#include <cstdint>

// A rectangle in pixels: left and top inclusive, right and bottom exclusive. A
// rectangle whose right is not beyond its left (or bottom not below its top) is
// empty. Coordinates are those of one object, its parent or the hosting window.
struct GuiRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool Contains(int32_t x, int32_t y) const {
        return x >= left && x < right && y >= top && y < bottom;
    }
    bool Intersects(const GuiRect& other) const { return !Intersection(other).IsEmpty(); }
    bool ContainsRect(const GuiRect& other) const {
        return other.left >= left && other.top >= top && other.right <= right &&
               other.bottom <= bottom;
    }
    // The common part; empty when they do not meet.
    GuiRect Intersection(const GuiRect& other) const {
        return {std::max(left, other.left), std::max(top, other.top), std::min(right, other.right),
                std::min(bottom, other.bottom)};
    }
    GuiRect Offset(int32_t dx, int32_t dy) const {
        return {left + dx, top + dy, right + dx, bottom + dy};
    }
    bool operator==(const GuiRect&) const = default;
};

struct GuiPoint {
    int32_t x = 0;
    int32_t y = 0;
    bool operator==(const GuiPoint&) const = default;
};
