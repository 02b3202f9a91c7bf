#pragma once

#include "burn/BurnTrack.h"

#include <cstdint>
#include <string>
#include <vector>

class CPCMMixer;
class CProjectMarkers;
class TempoMap;

// Divides a project, or its time selection, into the tracks of an audio CD at
// the markers flagged as CD track starts.
class CBurnLayout {
public:
    // Every CD track lasts at least this long (the Red Book minimum).
    static constexpr int32_t kMinTrackMs = 4000;
    // What a disc holds when the writer reports nothing: 74 minutes.
    static constexpr int32_t kDefaultCapacityMs = 4440000;

    // A marker as the layout sees it: its heard time and its texts.
    struct Marker {
        double timeMs = 0.0;
        std::string title;
        std::string isrc;
        bool cdTrack = false;
    };

    struct Request {
        // In marker order.
        std::vector<Marker> markers;
        // Where the project falls silent (heard ms): the whole-project range
        // runs from 0 to here.
        double projectEndMs = 0.0;
        // Burn only the range from selectionStartMs to selectionEndMs.
        bool selection = false;
        double selectionStartMs = 0.0;
        double selectionEndMs = 0.0;
        bool burnAsOne = false;
        // Cut the range to what the disc holds (the layout of an actual burn).
        bool forBurn = false;
        // What the blank disc holds, in ms; 0 or less when the writer said nothing.
        int32_t capacityMs = 0;
    };

    // The markers of a project at their heard times.
    static std::vector<Marker> MarkersOf(const CProjectMarkers& markers, const TempoMap& tempoMap);
    // The whole project's end: the last sound plus what rings on after it.
    static double ProjectEndOf(CPCMMixer& mixer);

    // Lays out the tracks. A last track under the minimum is merged into the
    // one before it after telling the user ("BD_ShortTrackTitle").
    void PrepareBurn(const Request& request);

    // Where the burn range starts on the timeline (heard ms) and how long it is.
    int32_t RangeStart() const { return m_rangeStart; }
    int32_t Length() const { return m_length; }
    const std::vector<BurnTrack>& Tracks() const { return m_tracks; }
    std::vector<BurnTrack>& Tracks() { return m_tracks; }
    // Shorter than one CD track may be ("BD_LengthShortTitle").
    bool TooShort() const { return m_length < kMinTrackMs; }
    // Whether the capacity cut shortened the range.
    bool WasCut() const { return m_cut; }

private:
    struct Kept {
        int32_t timeMs = 0;
        const Marker* marker = nullptr;
    };
    std::vector<Kept> KeepSpacedMarkers(const Request& request) const;
    void MoveRangeStartForSelection(const std::vector<Kept>& kept, int32_t rangeEnd);
    void MakeTracks(const std::vector<Kept>& kept, const Request& request);
    void CutToCapacity(const Request& request);
    void MergeShortLastTrack();

    int32_t m_rangeStart = 0;
    int32_t m_length = 0;
    bool m_cut = false;
    std::vector<BurnTrack> m_tracks;
};
