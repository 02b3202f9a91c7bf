#pragma once

#include "project/CAllTracks.h"
#include "project/CClipDrag.h"
#include "project/CClipGestures.h"
#include "project/CClipImport.h"
#include "project/CClipNavigation.h"
#include "project/CClipSelection.h"
#include "project/CClipSelector.h"
#include "project/CClipSplitJoin.h"
#include "project/CClipboard.h"
#include "project/CFirstSoundKeyTempo.h"
#include "project/CHeaderCorner.h"
#include "project/CProjectEngineSettings.h"
#include "project/CProjectFileOps.h"
#include "project/CProjectMarkers.h"
#include "project/CProjectProgress.h"
#include "project/CProjectRuler.h"
#include "project/CTimeSelection.h"
#include "project/CTrackDrops.h"
#include "project/CTrackFactory.h"
#include "project/KeyTempoClip.h"
#include "project/ProgressSink.h"
#include "project/ProjectAuthoring.h"
#include "project/ProjectWindowBase.h"
#include "project/TrackServices.h"
#include "support/Observable.h"
#include "support/Observer.h"

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
class MarkerPlayer;
class CPCMSound;
class CTimeGrid;
class CTrack;
class TempoMap;
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
    void NewProject(bool noDialog) { m_fileOps.NewProject(noDialog); }
    // What the new-project dialog's "Browse" starts: the open-project command.
    void SetOpenProjectCommand(std::function<void()> command) {
        m_openProjectCommand = std::move(command);
    }
    // Applies a kind of the new-project dialog (CNewProjectDialog::Kind).
    void ApplyProjectKind(int kind) { m_fileOps.ApplyProjectKind(kind); }
    // Loads a project, template or legacy session. A missing file changes
    // nothing; an empty file starts a new project in its place; anything
    // else that fails leaves a new untitled project.
    bool LoadProject(const std::string& path, bool& cancelled) {
        return m_fileOps.LoadProject(path, cancelled);
    }
    // Replaces the file only when it was written whole. A failed save keeps
    // the project marked as changed and keeps its file path and the recent
    // files as they were.
    bool SaveProject(const std::string& path, const SaveOptions& options = {}) {
        return m_fileOps.SaveProject(path, options);
    }
    // Writes the project to another file; the document keeps its file path,
    // its changed state, its undo steps and the recent files as they were.
    bool SaveCopy(const std::string& path, const SaveOptions& options = {}) {
        return m_fileOps.SaveCopy(path, options);
    }
    // What a save to path would write, leaving the file path, the undo
    // history and the changed state as they are (copies kept for recovery
    // after a crash). The caller holds the mixer's lock or stopped the engine.
    ProjectFileContents RecoveryContents(const std::string& path);
    void SetProjectFilePath(const std::string& path);
    const std::string& GetProjectFilePath() const { return m_filePath; }
    // True after a load that left something out or could not load it: a
    // track skipped, a file cut short, or a clip kept as a placeholder. It
    // lasts until the project is saved, renewed or another is loaded, so
    // that the damaged file is not saved over without asking.
    bool LoadWasPartial() const { return m_partialLoad; }
    // Looks again for the sounds of clips kept as placeholders (the
    // missing-sound search starts afresh) and puts back, as one undo step,
    // every clip whose sound now loads. Returns how many came back.
    int ResolveMissingSounds() { return m_fileOps.ResolveMissingSounds(); }

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

    void SetUseMetronome(bool use, bool markDirty) { m_engine.SetUseMetronome(use, markDirty); }
    bool UsesMetronome() const { return m_engine.UsesMetronome(); }
    // Deletes (when the preference says so) the recorded files no sound of
    // the engine uses any more, and empties the list.
    void DeleteUnusedRecordings() { m_engine.DeleteUnusedRecordings(); }
    void AddRecording(const std::string& path) { m_engine.AddRecording(path); }

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
    // The caret's time, where the playback position is put as well.
    double GetCaretTime() const { return m_caretTime; }
    void MoveCaretAndPlayback(double ms);
    // A click on the tracks: the caret moves, and the play position with it
    // when the preference says so.
    void MoveCaretOnClick(double ms);

    // The view: zoom level (an index into the ruler's scale table), snap
    // level and track heights.
    static constexpr int kDefaultZoomLevel = 10;
    int GetZoomLevel() const { return m_zoomLevel; }
    // One level in or out around the caret; nothing beyond either end.
    void Zoom(bool zoomOut) override;
    void SetZoomLevel(int level);
    int32_t MsPerPixel() const;
    void SetSnapLevel(int level);
    int GetSnapLevel() const;
    double SnapAdjustedTime(double ms) const override;
    // Where a clip added at the caret starts: the snapped caret, in reference time.
    double CaretClipStart() const;
    // Sets every track to the height (30 small, 70 normal, 255 large).
    void ResizeAllTracks(int32_t height);
    // The envelope every clip shows and edits (0 volume ... 5 high pass).
    int GetMasterEnvelopeType() const { return m_envelopeType; }
    const ProjectPreferences& GetPreferences() const { return m_prefs; }
    // A change is one undo step of its own.
    void SetMasterEnvelopeType(int type);
    // Places every clip for the zoom and recomputes the scroll ranges.
    void LayOutTrackArea();
    CTimeGrid& TimeGrid() { return *m_timeGrid; }
    const TempoMap& GetTempoMap() const;

    // Clip selection.
    CClipSelection& Selection() { return m_selection; }
    // Unless extending, deselects every clip first; then selects the clip
    // and the track it lies on.
    void SelectClip(CClip* clip, bool extend);
    void DeselectClip(CClip* clip);
    // trackIndex -1: every track.
    void SelectAllClips(int trackIndex, bool select);
    // Drops clips that left their tracks and takes in every clip on a track
    // that is marked selected.
    void RebuildClipSelection();
    void SelectNextClip(int32_t direction) override;
    void DeleteSelection() override;
    // Split at the caret and Join of the selected clips, each one undo step;
    // they answer how many clips they changed.
    int SplitSelectedClips() { return m_splitJoin.Split(m_caretTime); }
    int JoinSelectedClips() { return m_splitJoin.Join(); }
    // Cut, Copy and Paste of clips within the program.
    CClipboard& Clipboard() { return m_clipboard; }
    // The time selection made on the ruler and the track bodies.
    CTimeSelection& TimeSelection() { return m_timeSelection; }
    const CTimeSelection& TimeSelection() const { return m_timeSelection; }
    // Keyboard nudges of the selected clips and of the caret: xDeltaMs on the
    // timeline, yTrackDelta -1 up a track, 1 down a track.
    void MoveClips(double xDeltaMs, int32_t yTrackDelta, bool useSnap) override;
    void MoveCaret(double xDeltaMs, int32_t yTrackDelta, bool useSnap) override;
    // A mouse drag of the selected clips; dx, dy pixels from the press.
    void HandleDraggingClips(int32_t dx, int32_t dy, int32_t phase);
    // The playback position to follow while playing, once a transport exists.
    void SetFollowPlayback(std::function<bool(double&)> follow) {
        m_followPlayback = std::move(follow);
    }
    // What the marker dialog plays through, once a transport exists.
    void SetMarkerPlayer(MarkerPlayer* player) { m_markerPlayer = player; }
    MarkerPlayer* GetMarkerPlayer() const { return m_markerPlayer; }
    // Space in the track area, once a transport exists.
    void SetPlayStopCommand(std::function<void(uint32_t)> command) {
        m_playStopCommand = std::move(command);
    }
    // What a project file dropped on the tracks starts (the main window's
    // open command, which asks the save question first).
    void SetOpenDroppedProject(std::function<void(const std::string&)> command) {
        m_drops.SetOpenProject(std::move(command));
    }

    // The end of the last clip on any track, in reference milliseconds (a
    // clip lasts its heard length from its heard start).
    double GetProjectLengthMs() const;

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
    double GetMasterVolume() const { return m_engine.GetMasterVolume(); }
    // 1.0 is unity. With undo, a change is recorded in the open undo set.
    void SetMasterVolume(double volume, bool undo) { m_engine.SetMasterVolume(volume, undo); }
    CEffectChain* GetMasterEffectChain() const { return m_engine.GetMasterEffectChain(); }
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
    // The window the document's dialogs open over: the main window, else the
    // project's own; none while neither is shown.
    VRGuiWindow* DialogOwner();

    // What the ruler asks of the document.
    CProjectRuler& Ruler() { return m_ruler; }
    void OpenMarkerWizard();
    // Switches to clock (1) or measure (0) mode, in the ruler and the corner button.
    void SetTimeLineMode(int32_t mode);
    void InvalidateTrackBodies();

protected:
    // What the track area asks of the document.
    int32_t TrackAreaMsPerPixel() const override { return MsPerPixel(); }
    TimelineExtents GetTimelineExtents() const override;
    double PlaybackPositionMs() const override;
    bool HasActiveTimeSelection() const override { return m_timeSelection.IsActive(); }
    void ClearTimeSelection() override { m_timeSelection.Clear(); }
    bool HasSelectedClips() const override { return !m_selection.IsEmpty(); }
    void DeselectEverything() override;
    void PlayStopKey(uint32_t modifiers) override;
    void MoveToProjectStart() override;
    void MoveToProjectEnd() override;
    bool PlaybackToFollow(double& ms) const override;
    void FilesDroppedOnTracks(const std::vector<std::string>& files, GuiPoint bodyPoint) override;
    void OnTimelineScrolled() override;
    void OnClickBelowTracks(int32_t x, uint32_t keys) override;
    // The caret stands on the selected track.
    bool CaretTrackSpan(int32_t& top, int32_t& height) const override;
    void OnTimelineLayout() override { m_timeSelection.Relayout(); }

private:
    // The file operations work on the document's own state.
    friend class CProjectFileOps;

    template <typename Track> Track* AddTrack(int index, bool undo, const char* logName);
    void DeleteAllTracks();
    void ResetAuthoring();
    void HandleHeightDrag(const TrackHeightDrag& drag);

    CPCMMixer& m_mixer;
    CUndoMgr& m_undo;
    ProjectPreferences& m_prefs;
    TrackServices m_services;
    CMRUList* m_recent = nullptr;
    CProjectProgress m_ownProgress;
    ProgressSink* m_progress = &m_ownProgress;
    CAllTracks m_tracks;
    CTrackFactory m_trackFactory{m_services, *this, m_prefs};
    CProjectMarkers m_markers;
    CFirstSoundKeyTempo m_firstSound{m_markers, m_prefs};
    CProjectEngineSettings m_engine{*this, m_mixer, m_undo, m_prefs};

    std::string m_filePath;
    bool m_partialLoad = false;
    ProjectAuthoring m_authoring;
    std::string m_recordingFolder;
    bool m_autoBeatMatch = false;
    uint32_t m_timeLineMode = 1;
    int32_t m_envelopeType = 0;
    bool m_fileActivity = false;
    int m_lastSelectedTrack = -1;
    std::function<void()> m_openProjectCommand;
    double m_caretTime = 0.0;
    CProjectRuler m_ruler{*this, m_mixer, m_undo};
    std::unique_ptr<CTimeGrid> m_timeGrid;
    CHeaderCorner m_corner{*this, m_undo};
    int m_zoomLevel = kDefaultZoomLevel;
    CClipSelection m_selection;
    CClipGestures m_clipGestures{*this};
    CClipDrag m_clipDrag{*this};
    CClipNavigation m_navigation{*this, m_undo};
    CClipSelector m_selector{*this, m_selection, m_clipDrag, m_undo};
    CClipSplitJoin m_splitJoin{*this, m_undo};
    CTimeSelection m_timeSelection{*this};
    CTrackDrops m_drops{*this, m_mixer, m_undo};
    CClipImport m_clipImport{*this, m_mixer, m_undo, m_prefs};
    std::function<bool(double&)> m_followPlayback;
    MarkerPlayer* m_markerPlayer = nullptr;
    std::function<void(uint32_t)> m_playStopCommand;
    std::unique_ptr<CProjectClipDocument> m_clipDocument;
    CProjectFileOps m_fileOps{*this};
    // Emptied before the clip document its clips belong to goes.
    CClipboard m_clipboard{*this, m_undo};
};
