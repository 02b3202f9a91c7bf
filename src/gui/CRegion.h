#pragma once

#include "gui/GuiRect.h"

#include <cstdint>
#include <vector>

// A set of pixels kept as non-overlapping, non-empty rectangles. After every
// operation, rectangles that line up exactly with a neighbour (same top and
// bottom and touching sides, or same left and right and touching edges) are
// merged, so the list stays short for the usual dirty spots.
class CRegion {
public:
    CRegion() = default;
    explicit CRegion(const GuiRect& rect);

    // Adds a rectangle; empty ones are ignored.
    void Unite(const GuiRect& rect);
    void Unite(const CRegion& other);
    // Removes a rectangle's pixels.
    void Subtract(const GuiRect& rect);
    void Subtract(const CRegion& other);
    // Keeps only the pixels also in the rectangle.
    void Intersect(const GuiRect& rect);
    void Intersect(const CRegion& other);

    void Clear() { m_rects.clear(); }
    // Replaces the region by one rectangle (empty gives an empty region).
    void SetRect(const GuiRect& rect);
    void Translate(int32_t dx, int32_t dy);

    bool IsEmpty() const { return m_rects.empty(); }
    bool Contains(int32_t x, int32_t y) const;
    bool Intersects(const GuiRect& rect) const;
    // The smallest rectangle holding every pixel; empty for an empty region.
    GuiRect BoundingBox() const;
    // Number of pixels.
    int64_t Area() const;
    const std::vector<GuiRect>& Rects() const { return m_rects; }

private:
    void MergeNeighbours();

    std::vector<GuiRect> m_rects;
};
