#pragma once

#include <string>
#include <vector>

class CEffectChain;
class CPCMMixer;
class CPCMSound;
class CProject;
class CUndoMgr;
struct ProjectPreferences;

// The project's settings that live in the engine: the metronome with its
// two sounds, the master volume and effect chain, and the recordings made
// since the last save, deleted once no sound uses them any more.
class CProjectEngineSettings {
public:
    CProjectEngineSettings(CProject& project, CPCMMixer& mixer, CUndoMgr& undo,
                           ProjectPreferences& prefs);
    ~CProjectEngineSettings();
    CProjectEngineSettings(const CProjectEngineSettings&) = delete;
    CProjectEngineSettings& operator=(const CProjectEngineSettings&) = delete;

    // Loads the metronome's sounds when on; markDirty marks a change.
    void SetUseMetronome(bool use, bool markDirty);
    bool UsesMetronome() const { return m_metronome; }
    void ReleaseMetronomeSounds();
    // Deletes (when the preference says so) the recorded files no sound of
    // the engine uses any more, and empties the list.
    void DeleteUnusedRecordings();
    void AddRecording(const std::string& path) { m_recordingsMade.push_back(path); }
    double GetMasterVolume() const;
    // 1.0 is unity. With undo, a change is recorded in the open undo set.
    void SetMasterVolume(double volume, bool undo);
    CEffectChain* GetMasterEffectChain() const;

private:
    CProject& m_project;
    CPCMMixer& m_mixer;
    CUndoMgr& m_undo;
    ProjectPreferences& m_prefs;
    bool m_metronome = false;
    CPCMSound* m_beatSound = nullptr;
    CPCMSound* m_measureSound = nullptr;
    std::vector<std::string> m_recordingsMade;
};
