#pragma once

#include <map>

// The points of one pencil or eraser stroke over a controller lane: one y
// per pixel column (content x, the note area's columns), in a drawing area
// of a fixed height. Each move joins the previous pointer position to the
// new one column by column, so a fast stroke leaves no column out.
class PRControllerStroke {
public:
    // Starts a stroke at the press point (its column is drawn).
    void Begin(int x, int y, int drawingHeight);
    // Draws the segment from the previous pointer position to (x, y); both
    // ends are clamped to x >= 0 and into the drawing area. A later point in
    // a column replaces the earlier one.
    void DrawTo(int x, int y);
    void Clear();

    bool Empty() const { return m_points.empty(); }
    int DrawingHeight() const { return m_height; }
    // Column -> y, ordered by column.
    const std::map<int, int>& Points() const { return m_points; }
    // y drawn in column x, or -1.
    int YAt(int x) const;
    // Least and greatest column drawn (meaningless while empty).
    int Least() const { return m_least; }
    int Greatest() const { return m_greatest; }

private:
    void Put(int x, int y);

    std::map<int, int> m_points;
    int m_height = 1;
    int m_lastX = 0;
    int m_lastY = 0;
    int m_least = 2147483647;
    int m_greatest = 0;
};
