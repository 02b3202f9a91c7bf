#pragma once

#include "project/MarkerChunk.h"
#include "project/MarkerRecord.h"

#include <functional>
#include <vector>

class TempoMap;
struct ProjectPreferences;

// The project's markers, in time order, each carrying its tempo event into
// the engine's tempo map (marker i is tempo event i). The first marker is the
// start marker at time 0. The time grid takes these over once the track area
// has one.
class CProjectMarkers {
public:
    explicit CProjectMarkers(TempoMap& tempoMap) : m_tempoMap(tempoMap) {}

    // The start marker of a new project: "TM_Start" at 0, CD-track start,
    // the default tempo, key and time signature, all three changes.
    static MarkerRecord MakeStartMarker(const ProjectPreferences& prefs);

    // Leaves only the start marker.
    void ResetToStartMarker(const MarkerRecord& start);
    // Takes the markers of a file. A file without a marker at time 0 gets
    // the start marker. False (markers as before) when the tempo map refuses
    // one, such as two markers at the same time.
    bool TakeFromFile(const MarkerChunk& chunk, const MarkerRecord& start);
    MarkerChunk ToChunk() const;

    // Refused when a marker lies at that time already. A refused change
    // leaves the markers as they were.
    bool Add(const MarkerRecord& marker);
    bool Replace(int index, const MarkerRecord& marker);
    // The start marker stays: removing it is refused.
    bool Remove(int index);
    // The marker whose tempo event lies at the time; -1 when none does.
    int IndexAt(double tempoEventTime) const;
    // All markers at once (undo and redo); refused as the others are.
    bool SetAll(std::vector<MarkerRecord> markers);
    const std::vector<MarkerRecord>& All() const { return m_markers; }
    int Count() const { return static_cast<int>(m_markers.size()); }
    const MarkerRecord& At(int index) const { return m_markers[static_cast<size_t>(index)]; }
    // Called whenever the tempo map was rebuilt from the markers.
    void SetOnTempoMapChanged(std::function<void()> changed) { m_changed = std::move(changed); }

private:
    bool Rebuild(std::vector<MarkerRecord> markers);

    TempoMap& m_tempoMap;
    std::vector<MarkerRecord> m_markers;
    std::function<void()> m_changed;
};
