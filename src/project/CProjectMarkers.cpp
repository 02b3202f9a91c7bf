#include "project/CProjectMarkers.h"

#include "engine/TempoMap.h"
#include "project/ProjectPreferences.h"
#include "support/LocalizedStrings.h"

#include <algorithm>

MarkerRecord CProjectMarkers::MakeStartMarker(const ProjectPreferences& prefs) {
    MarkerRecord start;
    start.time = 0;
    start.name = MyLoadString("TM_Start");
    start.colour = MarkerRecord::kStartMarkerColour;
    start.cdTrack = true;
    start.tempoEvent.time = 0.0;
    start.tempoEvent.tempo = prefs.defaultTempo;
    start.tempoEvent.key = prefs.defaultKey;
    start.tempoEvent.numerator = prefs.defaultTimeSigNumerator;
    start.tempoEvent.denominator = prefs.defaultTimeSigDenominator;
    start.tempoEvent.tempoChange = true;
    start.tempoEvent.keyChange = true;
    start.tempoEvent.timeSigChange = true;
    start.tempoEvent.setting = 1;
    return start;
}

void CProjectMarkers::ResetToStartMarker(const MarkerRecord& start) {
    if (!Rebuild({start})) {
        // Preferences out of range: the engine's own defaults still make a start.
        MarkerRecord fallback = start;
        fallback.tempoEvent = TempoEvent{};
        fallback.tempoEvent.tempoChange = true;
        fallback.tempoEvent.keyChange = true;
        fallback.tempoEvent.timeSigChange = true;
        Rebuild({fallback});
    }
}

bool CProjectMarkers::TakeFromFile(const MarkerChunk& chunk, const MarkerRecord& start) {
    std::vector<MarkerRecord> markers = chunk.markers;
    if (!chunk.HasStartMarker())
        markers.insert(markers.begin(), start);
    return SetAll(std::move(markers));
}

MarkerChunk CProjectMarkers::ToChunk() const {
    MarkerChunk chunk;
    chunk.markers = m_markers;
    return chunk;
}

bool CProjectMarkers::Add(const MarkerRecord& marker) {
    std::vector<MarkerRecord> markers = m_markers;
    markers.push_back(marker);
    return SetAll(std::move(markers));
}

bool CProjectMarkers::Replace(int index, const MarkerRecord& marker) {
    if (index < 0 || index >= Count())
        return false;
    std::vector<MarkerRecord> markers = m_markers;
    markers[static_cast<size_t>(index)] = marker;
    return SetAll(std::move(markers));
}

bool CProjectMarkers::Remove(int index) {
    if (index <= 0 || index >= Count())
        return false;
    std::vector<MarkerRecord> markers = m_markers;
    markers.erase(markers.begin() + index);
    return SetAll(std::move(markers));
}

int CProjectMarkers::IndexAt(double tempoEventTime) const {
    const auto found =
        std::find_if(m_markers.begin(), m_markers.end(), [tempoEventTime](const MarkerRecord& m) {
            return m.tempoEvent.time == tempoEventTime;
        });
    return found == m_markers.end() ? -1 : static_cast<int>(found - m_markers.begin());
}

bool CProjectMarkers::SetAll(std::vector<MarkerRecord> markers) {
    std::vector<MarkerRecord> before = m_markers;
    if (Rebuild(std::move(markers)))
        return true;
    Rebuild(std::move(before));
    return false;
}

bool CProjectMarkers::Rebuild(std::vector<MarkerRecord> markers) {
    // Stable, so that a file's order survives a load and a save.
    std::stable_sort(markers.begin(), markers.end(), [](const auto& a, const auto& b) {
        return a.tempoEvent.time < b.tempoEvent.time;
    });
    std::vector<TempoEvent> events;
    events.reserve(markers.size());
    for (const MarkerRecord& marker : markers)
        events.push_back(marker.tempoEvent);
    // The map is built once for all markers: a file may hold very many.
    const bool built = m_tempoMap.SetEvents(std::move(events));
    if (built)
        m_markers = std::move(markers);
    else
        m_markers.clear();
    if (m_changed)
        m_changed();
    return built;
}
