#pragma once

#include "project/KeyTempoClip.h"

#include <string>
#include <vector>

class CClip;
class CPCMMixer;
class CProject;
class CTrack;
class CUndoMgr;
struct ProjectPreferences;

// Sound and MIDI files brought into the project as clips at the caret, and
// the beat matching of the audio clips that follows when the project asks
// for it.
class CClipImport {
public:
    CClipImport(CProject& project, CPCMMixer& mixer, CUndoMgr& undo, ProjectPreferences& prefs)
        : m_project(project), m_mixer(mixer), m_undo(undo), m_prefs(prefs) {}

    // An empty path asks for the file. A sound becomes an audio clip on the
    // selected track (an audio track is put in place of a MIDI track,
    // appended when there is none) as one undo step; with acceptMidi a MIDI
    // file's tracks become clips from the selected track on. None when it
    // cannot be loaded or in file activity. logName heads the log lines.
    CClip* AddFromFile(const std::string& path, const char* logName, bool acceptMidi);
    // Analyses the sounds of the audio tracks' clips that were not analysed
    // yet and lets those clips follow the project tempo; then the first of
    // them may give the project its key and tempo. Refused in file activity.
    void AutoBeatMatch(const std::vector<KeyTempoTrack>& tracks);

private:
    // The project's tracks as the key, tempo and beat-matching rules see them.
    std::vector<KeyTempoTrack> KeyTempoTracks() const;
    CClip* AddMidiFileClips(const std::string& path);
    CTrack* TrackForAudioClip();

    CProject& m_project;
    CPCMMixer& m_mixer;
    CUndoMgr& m_undo;
    ProjectPreferences& m_prefs;
};
