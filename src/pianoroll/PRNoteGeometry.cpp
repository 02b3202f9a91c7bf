#include "pianoroll/PRNoteGeometry.h"

#include <algorithm>
#include <cmath>

namespace {

int ClampPitch(int pitch) {
    return std::clamp(pitch, 0, PRNoteGeometry::kNumPitches - 1);
}

// Content x of a time, kept within int even for absurd times.
int TruncatedX(double x) {
    if (!(x > -1e9))
        return -1000000000;
    if (x > 1e9)
        return 1000000000;
    return static_cast<int>(std::trunc(x));
}

} // namespace

PRNoteGeometry::PRNoteGeometry(double msPerPixel)
    : m_msPerPixel(msPerPixel >= 1.0 && std::isfinite(msPerPixel) ? msPerPixel : 1.0) {}

int PRNoteGeometry::XOfTime(double soundMs) const {
    return TruncatedX(soundMs / m_msPerPixel);
}

int PRNoteGeometry::RowTop(int pitch) {
    return std::max(0, (kNumPitches - ClampPitch(pitch)) * kRowHeight - kTopMargin);
}

int PRNoteGeometry::PitchOfRowTop(int top) {
    return ClampPitch((kLowestRowTop - top) / kRowHeight);
}

bool PRNoteGeometry::IsBlackKey(int pitch) {
    switch (pitch % 12) {
    case 1:
    case 3:
    case 6:
    case 8:
    case 10:
        return true;
    default:
        return false;
    }
}

int PRNoteGeometry::PitchAtY(int y) {
    // Row p covers kLowestRowTop - 10p up to 10 pixels further down; floor
    // division keeps the row's first pixel in the row.
    const int fromBottom = kLowestRowTop + kRowHeight - 1 - y;
    const int rows = fromBottom >= 0 ? fromBottom / kRowHeight : -1;
    return ClampPitch(rows);
}

PRNoteRect PRNoteGeometry::NoteRect(double startMs, double endMs, int pitch) const {
    const int top = RowTop(pitch);
    return {XOfTime(startMs), top, XOfTime(endMs), top + kRowHeight};
}

PRHitZone PRNoteGeometry::ZoneAt(const PRNoteRect& note, int x, PRTool tool) {
    const int w = note.Width();
    if (w < 7 || tool == PRTool::kEraser)
        return PRHitZone::kBody;
    if (w < 22) {
        if (x <= note.left + 1)
            return PRHitZone::kStartEdge;
        return x >= note.right - 1 ? PRHitZone::kEndEdge : PRHitZone::kBody;
    }
    if (x < note.left + 8)
        return PRHitZone::kStartEdge;
    return x > note.right - 8 ? PRHitZone::kEndEdge : PRHitZone::kBody;
}

PRNoteRect PRNoteGeometry::EraserFootprint(int x, int y) {
    return {x, y - 10, x + 15, y + 2};
}
