#pragma once

#include "support/Observable.h"
#include "support/Observer.h"
#include "project/CAllTracks.h"
#include "project/CProjectMarkers.h"
#include "project/CProjectProgress.h"
#include "project/KeyTempoClip.h"
#include "project/ProgressSink.h"
#include "project/ProjectAuthoring.h"
#include "project/ProjectWindowBase.h"
#include "project/TrackServices.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class CAudioTrack;
class CEffectChain;
class CClip;
class ClipDocument;
class CMIDITrack;
class CProjectClipDocument;
struct MissingSoundFolders;
class CMRUList;
class CPCMSound;
class CTrack;
class VRGuiContainer;
struct ProjectFileContents;
struct TrackHeightDrag;

// The document: the ordered tracks, the markers, the project-wide settings
// and authoring information, the project file path and the bookkeeping of
// new recordings. It creates, loads and saves projects, adds and removes
// tracks and keeps the engine in step. Observers of the project hear the
// track notifications it passes on.
class CProject : public ProjectWindowBase, public Observer, public Observable {
public:
    CProject(CPCMMixer& mixer, CUndoMgr& undo, ProjectPreferences& prefs);
    ~CProject() override;
    CProject(const CProject&) = delete;
    CProject& operator=(const CProject&) = delete;

    // Where saves add their file; none leaves no trace.
    void SetRecentFiles(CMRUList* recent) { m_recent = recent; }
    // The progress of loads and saves and the user's cancel request; none
    // uses the project's own.
    void SetProgressSink(ProgressSink* sink) { m_progress = sink ? sink : &m_ownProgress; }
    ProgressSink& Progress() const { return *m_progress; }
    // The recording inputs and MIDI input devices the machine offers.
    void SetRecordingInput(const RecordingInput& input, int midiInputDeviceCount);

    // A fresh project of eight audio tracks with the start marker; then,
    // unless noDialog or the preference says otherwise, the new-project
    // dialog over the main window (or the project's own when it is shown).
    void NewProject(bool noDialog);
    // What the new-project dialog's "Browse" starts: the open-project command.
    void SetOpenProjectCommand(std::function<void()> command) {
        m_openProjectCommand = std::move(command);
    }
    // Applies a kind of the new-project dialog (CNewProjectDialog::Kind).
    void ApplyProjectKind(int kind);
    // Loads a project, template or legacy session. A missing file changes
    // nothing; an empty file starts a new project in its place; anything
    // else that fails leaves a new untitled project.
    bool LoadProject(const std::string& path, bool& cancelled);
    // Replaces the file only when it was written whole. A failed save keeps
    // the project marked as changed and keeps its file path and the recent
    // files as they were.
    bool SaveProject(const std::string& path, bool asTemplate, bool transferSounds,
                     bool transferLibrarySounds);
    void SetProjectFilePath(const std::string& path);
    const std::string& GetProjectFilePath() const { return m_filePath; }

    // index -1 appends. The new track is selected.
    CAudioTrack* AddAudioTrack(int index, bool undo);
    CMIDITrack* AddMIDITrack(int index, bool undo);
    // False for a bad index or a track that is recording.
    bool DeleteTrack(int index, bool undo);
    // A project never stays without a track: deleting the last one appends
    // a new audio track.
    bool DeleteSelectedTrack();
    int GetNumTracks() const { return m_tracks.Count(); }
    CTrack* GetTrack(int index) const { return m_tracks.At(index); }
    CAllTracks& Tracks() { return m_tracks; }
    // Deselects the other tracks unless extending.
    void SelectTrack(int index, bool extend);
    int GetLastSelectedTrack() const { return m_lastSelectedTrack; }

    void SetUseMetronome(bool use, bool markDirty);
    bool UsesMetronome() const { return m_metronome; }
    // Deletes (when the preference says so) the recorded files no sound of
    // the engine uses any more, and empties the list.
    void DeleteUnusedRecordings();
    void AddRecording(const std::string& path) { m_recordingsMade.push_back(path); }

    // While on, operations that would start a second long file operation
    // refuse, and the window takes no input.
    void SetFileActivity(bool on);
    bool InFileActivity() const { return m_fileActivity; }

    const ProjectAuthoring& Authoring() const { return m_authoring; }
    void SetAuthoring(const ProjectAuthoring& authoring) { m_authoring = authoring; }
    const std::string& GetRecordingFolder() const { return m_recordingFolder; }
    void SetRecordingFolder(const std::string& folder) { m_recordingFolder = folder; }
    bool GetAutoBeatMatch() const { return m_autoBeatMatch; }
    // Marks the project changed when the value changes.
    void SetAutoBeatMatch(bool on);
    uint32_t GetTimeLineMode() const { return m_timeLineMode; }
    // 1 measures and beats, 0 time.
    void SetTimeLineMode(uint32_t mode);
    // The caret's time, where the playback position is put as well.
    double GetCaretTime() const { return m_caretTime; }
    void MoveCaretAndPlayback(double ms);

    // Adopts the key and tempo of a newly added clip into the start marker
    // when it is the project's first with a key or tempo, asking first when
    // the preferences say so. tracks: the project's clips; clip is among
    // them. True when the start marker changed.
    bool AutoSwitchKeyTempo(const KeyTempoClip& clip, const std::vector<KeyTempoTrack>& tracks,
                            bool allowKey, bool force);
    // Analyses the sounds of the audio tracks' clips that were not analysed
    // yet and lets those clips follow the project tempo; then the first of
    // them may give the project its key and tempo. Refused in file activity.
    void AutoBeatMatch(const std::vector<KeyTempoTrack>& tracks);
    double GetMasterVolume() const;
    CEffectChain* GetMasterEffectChain() const;
    const CProjectMarkers& Markers() const { return m_markers; }
    CProjectMarkers& Markers() { return m_markers; }

    void OnNotification(int message, void* parameter) override;

    // Clips. A sound file becomes an audio clip on the selected track (an
    // audio track is put in place of a MIDI track, appended when there is
    // none) at the caret, as one undo step; none when it cannot be loaded or
    // in file activity.
    CClip* AddAudioClip(const std::string& path);
    // As AddAudioClip, for any file the program can open as a clip.
    CClip* AddClip(const std::string& path);
    // Takes the clip off its track, with an undo record.
    void RemoveClip(CClip* clip);
    // The folders the missing-sound search of loads looks in.
    void SetMissingSoundFolders(MissingSoundFolders folders);
    ClipDocument& Clips();

private:
    CClip* AddClipFromFile(const std::string& path, const char* logName);
    CTrack* TrackForAudioClip();

    template <typename Track> Track* AddTrack(int index, bool undo, const char* logName);
    CTrack* CreateTrack(bool midi);
    void DeleteAllTracks();
    void ResetAuthoring();
    void ReportLoadFailure(const std::string& path, bool cancelled);
    bool ApplyFileContents(ProjectFileContents& contents);
    bool ApplyTracks(ProjectFileContents& contents);
    ProjectFileContents MakeFileContents(bool asTemplate) const;
    void HandleHeightDrag(const TrackHeightDrag& drag);
    void UpdateSoloDisplay();
    void GiveUpInputOfOthers(const CTrack* armed);
    void ReleaseMetronomeSounds();
    VRGuiWindow* DialogOwner();
    void RunNewProjectDialog();
    void BeginProgress(CProjectProgress::Mode mode);
    void EndProgress();
    void HandleToolbarButton(int button);
    void AddTrackFromMenu();
    void FinishNewProject();
    // The first-sound question; true unless the answer was No.
    bool AskToSwitchKeyTempo(bool switchKey, int key, bool switchTempo, double tempo);

    CPCMMixer& m_mixer;
    CUndoMgr& m_undo;
    ProjectPreferences& m_prefs;
    TrackServices m_services;
    CMRUList* m_recent = nullptr;
    CProjectProgress m_ownProgress;
    ProgressSink* m_progress = &m_ownProgress;
    std::unique_ptr<VRGuiContainer> m_headerColumn;
    std::unique_ptr<VRGuiContainer> m_trackBodies;
    CAllTracks m_tracks;
    CProjectMarkers m_markers;

    std::string m_filePath;
    ProjectAuthoring m_authoring;
    std::string m_recordingFolder;
    bool m_autoBeatMatch = false;
    bool m_metronome = false;
    uint32_t m_timeLineMode = 1;
    int32_t m_envelopeType = 0;
    bool m_templateSave = false;
    bool m_transferSounds = false;
    bool m_transferLibrarySounds = false;
    bool m_fileActivity = false;
    int m_lastSelectedTrack = -1;
    std::vector<std::string> m_recordingsMade;
    std::function<void()> m_openProjectCommand;
    double m_caretTime = 0.0;
    CPCMSound* m_beatSound = nullptr;
    CPCMSound* m_measureSound = nullptr;
    std::unique_ptr<CProjectClipDocument> m_clipDocument;
};
