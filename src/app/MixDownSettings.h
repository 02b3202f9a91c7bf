#pragma once

#include <string>

class CPCMMixer;
class CPrefs;
class CProject;
class CProjectMixdown;

// How a project is mixed down: tags, loudness normalisation, one file per
// CD marker, and the time selection alone or the whole project. The editor's mix-down takes them
// from the preferences; `loomtone --render` starts from the same preferences, only reading them,
// and lets the command line override each one.
struct MixDownSettings {
    bool writeTags = true;
    bool normalize = false;
    double loudnessLufs = -14.0; // integrated loudness, EBU R128
    double truePeakDb = -1.0;    // ceiling, dBTP
    bool filesPerMarker = false;
    bool markerTitles = false;
    // Only the time selection, when the project has one (one file).
    bool selectionOnly = false;

    static MixDownSettings FromPrefs(const CPrefs& prefs);

    // Takes the overrides of `--render` from the words after FILE and OUT:
    // --normalize LUFS, --no-normalize, --true-peak DBTP, --files-per-marker,
    // --one-file, --marker-titles, --no-marker-titles. False, with the reason,
    // for a word it does not know or a value out of the preferences' range.
    bool ParseOverrides(int count, char** words, std::string& reason);

    // Sets them on the mix-down of the project.
    void ApplyTo(CProjectMixdown& mixdown, const CProject& project, CPCMMixer& mixer) const;
};
