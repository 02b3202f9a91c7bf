#include "project/CAutoMarkerPlacer.h"

#include "engine/TempoMap.h"
#include "project/CProject.h"
#include "project/CProjectMixdown.h"
#include "project/CTimeGridUndo.h"
#include "project/ProjectNotifications.h"
#include "support/CUndoMgr.h"
#include "support/LocalizedStrings.h"
#include "timeline/CTimeGrid.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

namespace {

// Markers go no further than the tempo map keeps times.
constexpr double kMaxMinutes = TempoMap::kMaxEventTime / 60000.0;

// The whole of a rendered WAV as interleaved stereo floats.
bool ReadStereo(const std::string& path, std::vector<float>& stereo, double& rate) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file)
        return false;
    bool ok = info.channels == 2 && info.frames >= 0;
    if (ok) {
        stereo.resize(static_cast<size_t>(info.frames) * 2);
        ok = sf_readf_float(file, stereo.data(), info.frames) == info.frames;
        rate = info.samplerate;
    }
    sf_close(file);
    return ok;
}

} // namespace

MarkerRecord CAutoMarkerPlacer::TrackMarker(double realMs, int number, bool cdTrack) {
    MarkerRecord marker;
    marker.time = static_cast<int32_t>(std::lround(realMs));
    marker.tempoEvent.time = marker.time;
    marker.name = FormatLocalized(MyLoadString("TMB_TrackStr"), number);
    marker.colour = kMarkerColour;
    marker.cdTrack = cdTrack;
    return marker;
}

std::vector<MarkerRecord> CAutoMarkerPlacer::AtIntervals(const TempoMap& map,
                                                         double intervalMinutes,
                                                         double totalMinutes, bool cdTrack) {
    std::vector<MarkerRecord> markers;
    if (!(intervalMinutes > 0.0) || !std::isfinite(totalMinutes))
        return markers;
    const double total = std::min(totalMinutes, kMaxMinutes);
    int number = 2;
    // Counting steps rather than adding keeps 0.1-minute steps exact.
    for (int step = 1; step * intervalMinutes <= total + 1e-9 && markers.size() < kMaxMarkers;
         ++step)
        markers.push_back(
            TrackMarker(map.GetRealTime(step * intervalMinutes * 60000.0), number++, cdTrack));
    return markers;
}

std::vector<double> CAutoMarkerPlacer::SoundAfterSilences(const float* stereo, size_t frames,
                                                          double sampleRate,
                                                          const SilenceSettings& settings) {
    std::vector<double> times;
    if (!stereo || sampleRate <= 0.0)
        return times;
    const float level = static_cast<float>(settings.thresholdPercent) / 100.0f;
    const auto minSilentFrames = static_cast<size_t>(settings.minSilenceMs * sampleRate / 1000.0);
    const double minGapMs = settings.minMinutesBetweenMarkers * 60000.0;
    double lastMarkerMs = 0.0;
    size_t silentRun = 0;
    bool heardSound = false;
    for (size_t frame = 0; frame < frames; ++frame) {
        const float peak = std::max(std::fabs(stereo[2 * frame]), std::fabs(stereo[2 * frame + 1]));
        if (peak <= level) {
            ++silentRun;
            continue;
        }
        const double ms = static_cast<double>(frame) * 1000.0 / sampleRate;
        if (heardSound && silentRun >= minSilentFrames && ms - lastMarkerMs >= minGapMs &&
            times.size() < kMaxMarkers) {
            times.push_back(ms);
            lastMarkerMs = ms;
        }
        heardSound = true;
        silentRun = 0;
    }
    return times;
}

bool CAutoMarkerPlacer::AtSilences(CPCMMixer& mixer, const CProject& project,
                                   const std::string& folder, const SilenceSettings& settings,
                                   bool cdTrack, std::vector<MarkerRecord>& markers,
                                   std::string& error) {
    const std::string path = folder + "/loomtone-silence-scan.wav";
    CProjectMixdown mixdown(mixer, project.Authoring(), "Software\\Loomtone\\SilenceScan");
    std::vector<float> stereo;
    double rate = 0.0;
    const bool rendered = mixdown.Render(path, [](double, const std::string&) { return true; }) &&
                          ReadStereo(path, stereo, rate);
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    if (!rendered) {
        error = mixdown.Error().empty() ? "the mix could not be read" : mixdown.Error();
        return false;
    }
    int number = 2;
    for (double ms : SoundAfterSilences(stereo.data(), stereo.size() / 2, rate, settings))
        markers.push_back(TrackMarker(project.GetTempoMap().GetRealTime(ms), number++, cdTrack));
    return true;
}

int CAutoMarkerPlacer::AddToProject(CProject& project, CUndoMgr& undo,
                                    const std::vector<MarkerRecord>& markers) {
    int added = 0;
    for (const MarkerRecord& marker : markers) {
        if (!project.Markers().Add(marker))
            continue;
        undo.AddUndoNode(CTimeGridUndo(project, CTimeGridUndo::kAdded, MarkerRecord{}, marker));
        ++added;
    }
    if (added > 0)
        MarkersChanged(project, undo);
    return added;
}

int CAutoMarkerPlacer::RemoveFromProject(CProject& project, CUndoMgr& undo) {
    int removed = 0;
    // From the last one down, so that the indexes before stay put.
    for (int index = project.Markers().Count() - 1; index > 0; --index) {
        const MarkerRecord marker = project.Markers().At(index);
        if (!project.Markers().Remove(index))
            continue;
        undo.AddUndoNode(CTimeGridUndo(project, CTimeGridUndo::kRemoved, marker, MarkerRecord{}));
        ++removed;
    }
    if (removed > 0)
        MarkersChanged(project, undo);
    return removed;
}

void CAutoMarkerPlacer::MarkersChanged(CProject& project, CUndoMgr& undo) {
    undo.SetDirty(true);
    project.TimeGrid().SyncMarkers();
    project.SendNotification(kNotifyTempoChange, nullptr);
}
