#pragma once

#include <string>

class CPCMAudTrack;
class CPCMMixer;
class CProject;
class CTrack;
class CUndoMgr;
struct ProjectPreferences;

// Freezing renders a track, its clips through its effects and instruments,
// into a float WAV at the mixer's rate in the project's recording folder
// ("frozen-trackNN D-M-YYYY-IDn.WAV") and plays that file in place of the
// clips and effects, so that a heavy track costs no processing. Thawing goes
// back to the clips and deletes that file, and only a file of that naming in
// the recording folder. A frozen track whose file is still there when a
// project is loaded takes the file again without rendering; without it, the
// track is rendered anew under a new name.
class CTrackFreeze {
public:
    CTrackFreeze(CProject& project, CPCMMixer& mixer, CUndoMgr& undo, ProjectPreferences& prefs)
        : m_project(project), m_mixer(mixer), m_undo(undo), m_prefs(prefs) {}

    // A frozen track can be thawed; a track with clips can be frozen; neither
    // while the track records.
    static bool CanFreezeOrThaw(const CTrack* track);
    // The command: the selected track frozen, or thawed when frozen, as one
    // undo step. False when nothing changed (no clips, a failed or cancelled
    // render, recording).
    bool FreezeOrThawSelectedTrack();
    // Brings a track into or out of the frozen state without recording undo
    // (loading, undo and redo). False when that failed.
    bool SetFrozen(CPCMAudTrack& track, bool frozen);

private:
    bool Freeze(CPCMAudTrack& track);
    void Thaw(CPCMAudTrack& track);
    // True when the track's frozen file can be played as it is; a path that
    // names no frozen file of this project is forgotten.
    bool HasReusableFile(CPCMAudTrack& track) const;
    // A name no file has yet, for today and the next freeze number.
    std::string NewFilePath(int trackNumber);
    bool EnoughSpaceFor(const std::string& path, double seconds) const;
    // Renders the track alone over the heard span; false when it failed or
    // the user cancelled.
    bool Render(CPCMAudTrack& track, const std::string& path, double startMs, double endMs);
    std::string RecordingFolder() const;

    CProject& m_project;
    CPCMMixer& m_mixer;
    CUndoMgr& m_undo;
    ProjectPreferences& m_prefs;
};
