#include "app/MixDownSettings.h"

#include "app/CPrefs.h"
#include "engine/CPCMMixer.h"
#include "project/CProject.h"
#include "project/CProjectMixdown.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

// The preferences' ranges for the two levels.
constexpr double kLowestLoudness = -70.0;
constexpr double kLowestTruePeak = -20.0;

// A number within [lowest, 0]; false for anything else.
bool LevelOf(const char* word, double lowest, double& level) {
    char* end = nullptr;
    const double value = std::strtod(word, &end);
    if (end == word || *end != '\0' || !std::isfinite(value) || value < lowest || value > 0.0)
        return false;
    level = value;
    return true;
}

} // namespace

MixDownSettings MixDownSettings::FromPrefs(const CPrefs& prefs) {
    MixDownSettings settings;
    settings.writeTags = prefs.bRenderTags;
    settings.normalize = prefs.bNormalizeMixDown;
    settings.loudnessLufs = prefs.fMixDownLoudness;
    settings.truePeakDb = prefs.fMixDownTruePeak;
    settings.filesPerMarker = prefs.bCreateFilesForEachMarker;
    settings.markerTitles = prefs.bUseMarkerTitlesForTrackNames;
    settings.selectionOnly = prefs.bRenderSelectionIfThereIsOne;
    return settings;
}

bool MixDownSettings::ParseOverrides(int count, char** words, std::string& reason) {
    for (int index = 0; index < count; ++index) {
        const char* word = words[index];
        const bool hasValue = index + 1 < count;
        if (std::strcmp(word, "--normalize") == 0 && hasValue) {
            if (!LevelOf(words[++index], kLowestLoudness, loudnessLufs)) {
                reason = std::string("--normalize needs a loudness from -70 to 0 LUFS, not '") +
                         words[index] + "'";
                return false;
            }
            normalize = true;
        } else if (std::strcmp(word, "--true-peak") == 0 && hasValue) {
            if (!LevelOf(words[++index], kLowestTruePeak, truePeakDb)) {
                reason = std::string("--true-peak needs a level from -20 to 0 dBTP, not '") +
                         words[index] + "'";
                return false;
            }
        } else if (std::strcmp(word, "--no-normalize") == 0) {
            normalize = false;
        } else if (std::strcmp(word, "--files-per-marker") == 0) {
            filesPerMarker = true;
        } else if (std::strcmp(word, "--one-file") == 0) {
            filesPerMarker = false;
        } else if (std::strcmp(word, "--marker-titles") == 0) {
            markerTitles = true;
        } else if (std::strcmp(word, "--no-marker-titles") == 0) {
            markerTitles = false;
        } else {
            reason = std::string("--render does not take '") + word + "'";
            return false;
        }
    }
    return true;
}

void MixDownSettings::ApplyTo(CProjectMixdown& mixdown, const CProject& project,
                              CPCMMixer& mixer) const {
    mixdown.SetWriteTags(writeTags);
    mixdown.SetNormalize(normalize, loudnessLufs, truePeakDb);
    if (filesPerMarker)
        mixdown.SetCdTrackStarts(
            CProjectMixdown::CdTrackStartsOf(project.Markers(), mixer.GetTempoMap()), markerTitles);
    if (selectionOnly)
        mixdown.SetTimeSpan(project.TimeSelection().Range());
}
