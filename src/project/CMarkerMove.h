#pragma once

#include "project/MarkerRecord.h"

class CProject;
class CUndoMgr;

// Moving and removing markers by hand, each one undo step of its own.
//
// Times are reference milliseconds, the base markers are kept in. Two
// markers never share a time: a marker let go on another one's time goes
// back where it was. A marker that changes the time signature always stands
// on a bar line of the measures before it: moved, it lands on the nearest
// bar line of the map without its own change, and the signature markers
// after it follow to theirs.
class CMarkerMove {
public:
    CMarkerMove(CProject& project, CUndoMgr& undo) : m_project(project), m_undo(undo) {}

    // False, with nothing changed, for the start marker, a bad index, a
    // move that lands where the marker is or on another marker.
    bool MoveTo(int index, double realMs);
    // False for the start marker and a bad index.
    bool Remove(int index);

private:
    // The bar line nearest to a time in the map with marker `index`'s
    // signature change left out.
    double BarLineWithout(int index, double realMs) const;
    // Puts a marker at another time with its undo record; false when the
    // time is taken.
    bool Relocate(int index, int32_t time);
    void PutLaterSignaturesOnBarLines(int32_t after);
    void ShowChanges();

    CProject& m_project;
    CUndoMgr& m_undo;
};
