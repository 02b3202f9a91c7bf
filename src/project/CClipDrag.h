#pragma once

#include <cstdint>
#include <vector>

class CClip;
class CProject;
class CTrack;

// A mouse drag of the selected clips. While it lasts the clips float above
// all tracks at the pointer's offset; on release each lands on the track
// under it (a new track of its kind when there is none) at its new time.
// Clips never go before time 0 or above the first track; the earliest one
// stops at 0 and the others keep their spacing.
class CClipDrag {
public:
    static constexpr int32_t kFloatingZOrder = 333;
    enum Phase : int32_t { kFirstMove = 1, kLaterMove = 2, kRelease = 3 };

    explicit CClipDrag(CProject& project) : m_project(project) {}

    // The clip the gesture began on; its snapped place decides the shift.
    void SetCurrentClip(CClip* clip) { m_current = clip; }
    CClip* GetCurrentClip() const { return m_current; }
    // dx, dy: pixels from the press point.
    void Handle(int32_t dx, int32_t dy, int32_t phase);
    bool IsDragging() const { return !m_entries.empty(); }

private:
    struct Entry {
        CClip* clip;
        int32_t x;
        int32_t y;
    };

    void Begin();
    double TimeShift(int32_t dx) const;
    void Limit(double& shift, int32_t& dy) const;
    void Place(const Entry& entry, double shift, int32_t dy, int32_t phase, bool& trackChanged);
    void Drop(const Entry& entry, double timeMs, int32_t y, bool& trackChanged);
    CTrack* TrackAt(int32_t y, int32_t height) const;

    CProject& m_project;
    CClip* m_current = nullptr;
    int32_t m_startDx = 0;
    bool m_moved = false;
    std::vector<Entry> m_entries;
};
