#include "burn/CBurnLayout.h"

#include "engine/CPCMMixer.h"
#include "engine/CSoundGroup.h"
#include "engine/TempoMap.h"
#include "gui/MessageBoxes.h"
#include "project/CProjectMarkers.h"
#include "support/Log.h"

#include <algorithm>
#include <cmath>

namespace {

int32_t WholeMs(double ms) {
    return static_cast<int32_t>(std::lround(std::clamp(ms, 0.0, 2.0e9)));
}

} // namespace

std::vector<CBurnLayout::Marker> CBurnLayout::MarkersOf(const CProjectMarkers& markers,
                                                        const TempoMap& tempoMap) {
    std::vector<Marker> result;
    for (const MarkerRecord& record : markers.All())
        result.push_back(
            {tempoMap.GetTempoAdjustedTime(record.time), record.name, record.isrc, record.cdTrack});
    return result;
}

double CBurnLayout::ProjectEndOf(CPCMMixer& mixer) {
    return mixer.GetRingingEndTime(*mixer.GetSoundGroup());
}

void CBurnLayout::PrepareBurn(const Request& request) {
    m_tracks.clear();
    m_cut = false;
    const double startMs = request.selection ? std::max(0.0, request.selectionStartMs) : 0.0;
    const double endMs = request.selection ? request.selectionEndMs : request.projectEndMs;
    m_rangeStart = WholeMs(startMs);
    const int32_t rangeEnd = std::max(m_rangeStart, WholeMs(endMs));
    const std::vector<Kept> kept = KeepSpacedMarkers(request);
    // The marker that was playing where the selection begins starts its first track.
    const Kept* first = nullptr;
    for (const Kept& marker : kept) {
        if (marker.timeMs <= m_rangeStart)
            first = &marker;
    }
    const int32_t selectionStart = m_rangeStart;
    if (m_rangeStart > 0)
        MoveRangeStartForSelection(kept, rangeEnd);
    m_length = rangeEnd - m_rangeStart;
    if (request.forBurn)
        CutToCapacity(request);
    // The tracks: the first from the range start, then every kept marker
    // after the selection's start that lies inside the range.
    std::vector<Kept> starts;
    if (first)
        starts.push_back(*first);
    for (const Kept& marker : kept) {
        if (marker.timeMs > selectionStart && marker.timeMs < m_rangeStart + m_length)
            starts.push_back(marker);
    }
    MakeTracks(starts, request);
    MergeShortLastTrack();
}

std::vector<CBurnLayout::Kept> CBurnLayout::KeepSpacedMarkers(const Request& request) const {
    std::vector<Kept> kept;
    for (size_t index = 0; index < request.markers.size(); ++index) {
        const Marker& marker = request.markers[index];
        if (!marker.cdTrack)
            continue;
        const int32_t time = WholeMs(marker.timeMs);
        if (!kept.empty() && time < kept.back().timeMs + kMinTrackMs) {
            LogFmt("Skipping marker %d because it was too short!  (All tracks must be at least 4 "
                   "seconds long for audio CD)",
                   static_cast<int>(index));
            continue;
        }
        kept.push_back({time, &marker});
    }
    return kept;
}

void CBurnLayout::MoveRangeStartForSelection(const std::vector<Kept>& kept, int32_t rangeEnd) {
    int32_t boundary = rangeEnd;
    for (const Kept& marker : kept) {
        if (marker.timeMs > m_rangeStart) {
            boundary = std::min(boundary, marker.timeMs);
            break;
        }
    }
    if (boundary - m_rangeStart < kMinTrackMs)
        m_rangeStart = std::max(0, boundary - kMinTrackMs);
}

void CBurnLayout::CutToCapacity(const Request& request) {
    const int32_t capacity = request.capacityMs > 0 ? request.capacityMs : kDefaultCapacityMs;
    if (m_length > capacity) {
        m_length = capacity;
        m_cut = true;
        LogFmt("CMixBurner::PrepareBurn() - new maxLength=%d", m_length);
    } else {
        Log("CMixBurner::PrepareBurn() - project fits on 1 CD");
    }
}

void CBurnLayout::MakeTracks(const std::vector<Kept>& starts, const Request& request) {
    if (starts.empty()) {
        m_tracks.push_back({"", "", 0, m_length, m_length, ""});
        return;
    }
    const size_t count = request.burnAsOne ? 1 : starts.size();
    for (size_t index = 0; index < count; ++index) {
        BurnTrack track;
        track.title = starts[index].marker->title;
        track.isrc = starts[index].marker->isrc;
        // The first track takes in whatever lies before its marker.
        track.start = index == 0 ? 0 : starts[index].timeMs - m_rangeStart;
        m_tracks.push_back(track);
    }
    for (size_t index = 0; index < m_tracks.size(); ++index) {
        BurnTrack& track = m_tracks[index];
        track.end = index + 1 < m_tracks.size() ? m_tracks[index + 1].start : m_length;
        track.length = track.end - track.start;
    }
}

void CBurnLayout::MergeShortLastTrack() {
    if (m_tracks.size() < 2 || m_tracks.back().length >= kMinTrackMs)
        return;
    ShowMessage(nullptr, "BD_ShortTrackBody", MB_OK | MB_ICONEXCLAMATION, "BD_ShortTrackTitle");
    while (m_tracks.size() > 1 && m_tracks.back().length < kMinTrackMs) {
        const int32_t end = m_tracks.back().end;
        m_tracks.pop_back();
        m_tracks.back().end = end;
        m_tracks.back().length = end - m_tracks.back().start;
    }
}
