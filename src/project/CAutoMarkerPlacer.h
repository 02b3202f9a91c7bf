#pragma once

#include "project/MarkerRecord.h"

#include <cstddef>
#include <string>
#include <vector>

class CProject;
class CUndoMgr;
class CPCMMixer;
class TempoMap;

// Where the automatic marker wizard puts CD-track markers: at fixed
// intervals, or where the mixed project falls silent.
class CAutoMarkerPlacer {
public:
    static constexpr uint32_t kMarkerColour = 8454143; // red 255, green 255, blue 128
    // More markers than any disc or timeline can use are not made.
    static constexpr size_t kMaxMarkers = 1000;

    struct SilenceSettings {
        // Silence is a level at or below this percentage of full scale.
        int thresholdPercent = 7;
        double minSilenceMs = 1500.0;
        double minMinutesBetweenMarkers = 1.0;
    };

    // Markers named from "TMB_TrackStr" with 2, 3, ... at interval, 2 x
    // interval, ... minutes up to the total (reference minutes through the
    // tempo map), at most kMaxMarkers. None for an interval that is not above 0.
    static std::vector<MarkerRecord> AtIntervals(const TempoMap& map, double intervalMinutes,
                                                 double totalMinutes, bool cdTrack);

    // Milliseconds where sound comes back after a silence of at least the
    // minimum length, each at least the minimum minutes after the one before
    // (and after the start). Silence at the very start or end gives none.
    static std::vector<double> SoundAfterSilences(const float* stereo, size_t frames,
                                                  double sampleRate,
                                                  const SilenceSettings& settings);

    // Renders the project with the engine into a WAV in the folder, finds
    // its silences and makes a marker at each, named as AtIntervals does.
    // False, with the reason, when the render fails.
    static bool AtSilences(CPCMMixer& mixer, const CProject& project, const std::string& folder,
                           const SilenceSettings& settings, bool cdTrack,
                           std::vector<MarkerRecord>& markers, std::string& error);

    // Adds the markers the project does not have at those times yet, each
    // with a CTimeGridUndo in the undo set the caller began. Returns how many.
    static int AddToProject(CProject& project, CUndoMgr& undo,
                            const std::vector<MarkerRecord>& markers);

    // Removes every marker but the start marker, each with a CTimeGridUndo in
    // the undo set the caller began. Returns how many went.
    static int RemoveFromProject(CProject& project, CUndoMgr& undo);

private:
    static void MarkersChanged(CProject& project, CUndoMgr& undo);
    static MarkerRecord TrackMarker(double realMs, int number, bool cdTrack);
};
