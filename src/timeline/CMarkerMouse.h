#pragma once

#include "gui/GuiRect.h"

#include <cstdint>

class CTimeGrid;
class TimeGridHost;

// What the mouse does to the markers on the ruler: a marker is dragged by
// its flag and has a menu of its own there. The start marker has the menu
// but never moves.
//
// While dragged, a marker's flag follows the pointer at heard times snapped
// with the grid's snap level; the release hands the marker's new reference
// time to the document, which moves it or refuses.
class CMarkerMouse {
public:
    // The marker menu's commands.
    enum Command : int32_t { kPlayFromHere = 1, kEdit = 2, kRemove = 4 };

    CMarkerMouse(CTimeGrid& grid, TimeGridHost& host) : m_grid(grid), m_host(host) {}

    // The marker whose flag lies under a point of the ruler, -1 for none.
    int FlagAt(GuiPoint p) const;
    bool IsDragging() const { return m_index > 0; }

    // Starts a drag of marker `index` pressed at ruler x; false (nothing
    // starts) for the start marker.
    bool Press(int index, int32_t x);
    void Move(int32_t x);
    // Ends the drag: a marker that moved goes to the document, one that did
    // not is a click that puts the play position on it.
    void Release(int32_t x);
    // The menu of marker `index` at a point of the ruler.
    void RunMenu(int index, GuiPoint p);
    void RunCommand(int index, int32_t command);

private:
    // The heard time the dragged marker lands on for a pointer at ruler x.
    double DraggedHeardTime(int32_t x) const;
    // The heard time of marker `index` as the document has it.
    double HeardTimeOf(int index) const;
    void PutPlaybackAt(double heardMs);

    CTimeGrid& m_grid;
    TimeGridHost& m_host;
    int m_index = -1;
    int32_t m_pressX = 0;
    int32_t m_xAtPress = 0;
    bool m_moved = false;
};
