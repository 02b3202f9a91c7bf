#include "project/CProject.h"

#include "engine/CPCMMixer.h"
#include "engine/CPCMSound.h"
#include "engine/TempoMap.h"
#include "gui/CDialogButton.h"
#include "gui/CFileDialog.h"
#include "gui/GuiButton.h"
#include "gui/GuiInput.h"
#include "gui/GuiMenu.h"
#include "gui/GuiPopupMenu.h"
#include "gui/IGuiHost.h"
#include "gui/MessageBoxes.h"
#include "gui/VRGuiWindow.h"
#include "project/CAudioClip.h"
#include "project/CAudioTrack.h"
#include "project/CAutoMarkerWizard.h"
#include "project/CClipChunks.h"
#include "project/CClipRetiming.h"
#include "project/CClipSelectionUndo.h"
#include "project/CMIDIClip.h"
#include "project/CMIDITrack.h"
#include "project/CMasterVolUndo.h"
#include "project/CMidiFileImport.h"
#include "project/CNewMidiClip.h"
#include "project/CNewProjectDialog.h"
#include "project/CPlaceholderClip.h"
#include "project/CPlaceholderResolver.h"
#include "project/CProjectClipDocument.h"
#include "project/CProjectFile.h"
#include "project/CProjectUndo.h"
#include "project/CTimeGridUndo.h"
#include "project/CTrackBody.h"
#include "project/CTrackDuplicate.h"
#include "project/CTrackFreeze.h"
#include "project/CTrackHeader.h"
#include "project/ClipNotifications.h"
#include "project/ProjectFileContents.h"
#include "project/ProjectNotifications.h"
#include "support/CMRUList.h"
#include "support/CUndoMgr.h"
#include "support/CUndoStep.h"
#include "support/LocalizedStrings.h"
#include "support/Log.h"
#include "support/Paths.h"
#include "timeline/CTimeGrid.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>

CProject::CProject(CPCMMixer& mixer, CUndoMgr& undo, ProjectPreferences& prefs)
    : m_mixer(mixer), m_undo(undo),
      m_prefs(prefs), m_services{.mixer = mixer, .undo = undo, .prefs = prefs}, m_tracks(undo),
      m_markers(mixer.GetTempoMap()) {
    m_tracks.SetGuiParents(&HeaderColumn(), &TrackBodies());
    m_markers.SetOnTempoMapChanged([this] { CClipRetiming::AfterTempoChange(m_mixer, m_tracks); });
    m_timeGrid = std::make_unique<CTimeGrid>(m_ruler);
    m_timeGrid->SetSnapLevel(prefs.lastSnapSetting);
    m_timeGrid->SetTimeLineMode(static_cast<int32_t>(m_timeLineMode));
    m_timeGrid->OnNotification(CTimeGrid::kNotifyZoomChanged, NotificationNumber(MsPerPixel()));
    AttachRuler(m_timeGrid.get());
    m_corner.CreateButtons(*this);
    m_services.msPerPixel = MsPerPixel();
    m_services.clipObserver = &m_clipGestures;
    m_services.clipMadeCurrent = [this](CClip* clip) {
        m_selection.SetDetailsClip(clip);
        m_clipDrag.SetCurrentClip(clip);
    };
    m_services.gridPainter = [this](VRGuiObject& target, const GuiRect& r) {
        m_timeGrid->DrawGridLines(target, r);
    };
    m_services.trackList = &m_tracks;
    m_services.deleteSelectedTrack = [this] { DeleteSelectedTrack(); };
    m_services.duplicateSelectedTrack = [this] {
        CTrackDuplicate(*this, m_undo).DuplicateSelectedTrack();
    };
    m_services.freezeOrThawSelectedTrack = [this] {
        CTrackFreeze(*this, m_mixer, m_undo, m_prefs).FreezeOrThawSelectedTrack();
    };
    m_services.changeFrozen = [this](CPCMAudTrack& track, bool frozen) {
        return CTrackFreeze(*this, m_mixer, m_undo, m_prefs).SetFrozen(track, frozen);
    };
    m_services.insertTrack = [this](int index, bool midi) {
        if (midi)
            AddMIDITrack(index, true);
        else
            AddAudioTrack(index, true);
    };
    m_tracks.AddObserver(this);
    ResetAuthoring();
    m_clipDocument = std::make_unique<CProjectClipDocument>(*this, mixer, undo);
    m_services.clipDocument = m_clipDocument.get();
}

CProject::~CProject() {
    m_selection.Clear();
    m_undo.ClearUndoHistory();
    DeleteUnusedRecordings();
    DeleteAllTracks();
    m_tracks.SetGuiParents(nullptr, nullptr);
    m_engine.ReleaseMetronomeSounds();
}

void CProject::SetRecordingInput(const RecordingInput& input, int midiInputDeviceCount) {
    m_services.recordingInput = input;
    m_services.midiInputDeviceCount = midiInputDeviceCount;
}

void CProject::ResetAuthoring() {
    m_authoring = ProjectAuthoring{};
    m_authoring.author = m_prefs.defaultAuthor;
    m_authoring.copyright = m_prefs.defaultCopyright;
    m_recordingFolder = m_prefs.DefRecDir;
    m_autoBeatMatch = false;
}

VRGuiWindow* CProject::DialogOwner() {
    VRGuiWindow* main = GetMainWindow();
    if (main && main->GetHWND())
        return main;
    VRGuiWindow* own = GetWindow();
    return own && own->GetHWND() ? own : nullptr;
}

void CProject::SetAutoBeatMatch(bool on) {
    if (on == m_autoBeatMatch)
        return;
    m_autoBeatMatch = on;
    m_undo.SetDirty(true);
}

void CProject::SetTimeLineMode(int32_t mode) {
    LogFmt("CProject::SetTimeLineMode() TTimeGridMode=%d", mode);
    m_timeLineMode = mode != 0 ? 1 : 0;
    m_prefs.lastTimeMode = static_cast<int32_t>(m_timeLineMode);
    if (m_timeGrid)
        m_timeGrid->SetTimeLineMode(static_cast<int32_t>(m_timeLineMode));
    m_corner.UpdateModeButton(m_timeLineMode);
    InvalidateTrackBodies();
}

void CProject::MoveCaretAndPlayback(double ms) {
    m_caretTime = std::isfinite(ms) && ms > 0 ? ms : 0.0;
    m_mixer.SetPositionMs(m_caretTime);
    PlaceCaret();
}

void CProject::MoveCaretOnClick(double ms) {
    if (m_prefs.bSetPlaybackIndicatorOnTracksClick)
        MoveCaretAndPlayback(ms);
    else
        m_caretTime = std::isfinite(ms) && ms > 0 ? ms : 0.0;
    PlaceCaret();
}

bool CProject::CaretTrackSpan(int32_t& top, int32_t& height) const {
    const CTrack* track = m_tracks.At(m_lastSelectedTrack);
    const CTrackBody* body = track ? track->GetBody() : nullptr;
    if (!body)
        return false;
    top = body->GetY();
    height = body->GetHeight();
    return true;
}

void CProject::SetProjectFilePath(const std::string& path) {
    m_filePath = path;
}

template <typename Track> Track* CProject::AddTrack(int index, bool undo, const char* logName) {
    LogFmt("CProject::%s() trackix:%d", logName, index);
    auto* track = static_cast<Track*>(m_trackFactory.Create(std::is_same_v<Track, CMIDITrack>));
    const bool added =
        track && (index < 0 ? m_tracks.Append(track, undo) : m_tracks.Insert(track, index, undo));
    if (added)
        SelectTrack(m_tracks.IndexOf(track), false);
    LogFmt("CProject::%s() EXIT", logName);
    RecomputeScrollRanges(true, false);
    return added ? track : nullptr;
}

CAudioTrack* CProject::AddAudioTrack(int index, bool undo) {
    return AddTrack<CAudioTrack>(index, undo, "AddAudioTrack");
}

CMIDITrack* CProject::AddMIDITrack(int index, bool undo) {
    CMIDITrack* track = AddTrack<CMIDITrack>(index, undo, "AddMIDITrack");
    if (track)
        m_trackFactory.AddDefaultInstrument(*track);
    return track;
}

bool CProject::DeleteTrack(int index, bool undo) {
    LogFmt("CProject::DeleteTrack() trackix:%d", index);
    CTrack* track = m_tracks.At(index);
    if (!track)
        return false;
    std::optional<CUndoStep> step;
    if (undo)
        step.emplace(m_undo);
    while (!track->Clips().empty())
        track->RemoveClip(track->Clips().back(), undo);
    const bool removed = m_tracks.Remove(index, undo);
    if (m_lastSelectedTrack >= m_tracks.Count())
        m_lastSelectedTrack = m_tracks.Count() - 1;
    Log("CProject::DeleteTrack() EXIT");
    m_selection.DropClipsOffTracks();
    RecomputeScrollRanges(true, false);
    return removed;
}

bool CProject::DeleteSelectedTrack() {
    if (m_lastSelectedTrack < 0)
        return false;
    // The last track gives way to an empty one in the same undo step.
    CUndoStep step(m_undo);
    const bool deleted = DeleteTrack(m_lastSelectedTrack, true);
    if (m_tracks.Count() == 0)
        AddAudioTrack(-1, true);
    return deleted;
}

void CProject::DeleteAllTracks() {
    m_tracks.RemoveAll();
    m_lastSelectedTrack = -1;
    m_selection.DropClipsOffTracks();
    RecomputeScrollRanges(true, false);
}

void CProject::SelectTrack(int index, bool extend) {
    CTrack* chosen = m_tracks.At(index);
    if (!chosen)
        return;
    for (int other = 0; other < m_tracks.Count() && !extend; ++other)
        m_tracks.At(other)->SetSelected(false);
    chosen->SetSelected(true);
    m_lastSelectedTrack = index;
    PlaceCaret();
}

void CProject::SetFileActivity(bool on) {
    LogFmt("SetFileActivity: %s", on ? "TRUE" : "FALSE");
    m_fileActivity = on;
    if (on)
        Disable();
    else
        Enable();
    Log("SetFileActivity exiting.");
}

void CProject::OnNotification(int message, void* parameter) {
    switch (message) {
    case kNotifySelectTrack: {
        const int32_t index = NotificationArgument<kNotifySelectTrack>(parameter);
        LogFmt("MN_SELECT_TRACK %d: Project", index);
        SelectTrack(index, false);
    } break;
    case kNotifyTrackHeightDrag:
        if (const TrackHeightDrag* drag = NotificationArgument<kNotifyTrackHeightDrag>(parameter))
            HandleHeightDrag(*drag);
        break;
    case kNotifySoloOn:
    case kNotifySoloOff:
        m_tracks.UpdateSoloSilencing();
        break;
    case kNotifyToolbarButton:
        m_corner.HandleButton(NotificationArgument<kNotifyToolbarButton>(parameter));
        break;
    case kNotifyMoveCaret:
        MoveCaretOnClick(static_cast<double>(NotificationArgument<kNotifyMoveCaret>(parameter)));
        break;
    case kNotifyBodySelectionDrag:
        if (const ClipSelectionDrag* drag =
                NotificationArgument<kNotifyBodySelectionDrag>(parameter))
            m_timeSelection.Drag(*drag);
        break;
    case kNotifyDeselectClips:
        // A click that ends a time selection drag keeps what it selected.
        if (!HasActiveTimeSelection())
            SelectAllClips(-1, false);
        break;
    case kNotifySelectTrackClips:
        if (const TrackClipsSelection* selection =
                NotificationArgument<kNotifySelectTrackClips>(parameter)) {
            if (!(selection->keys & (MK_SHIFT | MK_CONTROL)))
                SelectAllClips(-1, false);
            SelectAllClips(selection->trackIndex, true);
            SelectTrack(selection->trackIndex, false);
        }
        break;
    case kNotifyBodyDoubleClick:
        SelectTrack(NotificationArgument<kNotifyBodyDoubleClick>(parameter), false);
        if (CTrack* track = m_tracks.At(m_lastSelectedTrack);
            track && track->GetKind() == CTrack::kAudio)
            AddAudioClip("");
        else if (track && track->GetKind() == CTrack::kMidi)
            CNewMidiClip(*this, m_undo).AddAtCaret();
        break;
    case kNotifyTempoChange:
        Log("MN_TEMPO_CHANGE: Project");
        break;
    case kNotifyTrackArmed:
        // Another armed track on the same input gives it up, when the
        // preference says so.
        if (m_prefs.recInputInUseBehavior == 1)
            m_tracks.DisarmOthersOnInput(NotificationArgument<kNotifyTrackArmed>(parameter));
        break;
    default:
        break;
    }
    SendNotification(message, parameter);
}

void CProject::HandleHeightDrag(const TrackHeightDrag& drag) {
    CTrack* track = m_tracks.At(drag.trackIndex);
    if (!track)
        return;
    const int32_t height = drag.heightAtPress + drag.heightChange;
    if (!drag.released) {
        m_tracks.SetHeight(drag.trackIndex, height, false);
        return;
    }
    // One undo step from the height at the press to the final one.
    CUndoStep step(m_undo);
    m_tracks.SetHeight(drag.trackIndex, drag.heightAtPress, false);
    m_tracks.SetHeight(drag.trackIndex, height, true);
    RecomputeScrollRanges(true, false);
}

bool CProject::AutoSwitchKeyTempo(const KeyTempoClip& clip,
                                  const std::vector<KeyTempoTrack>& tracks, bool allowKey,
                                  bool force) {
    const std::optional<MarkerRecord> start =
        m_firstSound.NewStartMarker(clip, tracks, allowKey, force);
    const MarkerRecord before = m_markers.At(0);
    if (!start || !m_markers.Replace(0, *start))
        return false;
    m_undo.AddUndoNode(CTimeGridUndo(*this, CTimeGridUndo::kChanged, before, *start));
    m_undo.SetDirty(true);
    SendNotification(kNotifyTempoChange, nullptr);
    return true;
}

// Clips.

void CProject::AutoBeatMatch(const std::vector<KeyTempoTrack>& tracks) {
    m_clipImport.AutoBeatMatch(tracks);
}

CClip* CProject::AddAudioClip(const std::string& path) {
    return m_clipImport.AddFromFile(path, "CProject::AddAudioClip()", false);
}

CClip* CProject::AddClip(const std::string& path) {
    return m_clipImport.AddFromFile(path, "CProject::AddClip()", true);
}

ClipDocument& CProject::Clips() {
    return *m_clipDocument;
}

void CProject::SetMissingSoundFolders(MissingSoundFolders folders) {
    m_clipDocument->SetMissingSoundFolders(folders);
}

void CProject::RemoveClip(CClip* clip) {
    if (!clip)
        return;
    LogFmt("CProject::RemoveClip() clip: %s", clip->GetName().c_str());
    DeselectClip(clip);
    if (CTrack* track = clip->GetTrack()) {
        CUndoStep step(m_undo);
        track->RemoveClip(clip, true);
        m_undo.SetDirty(true);
    }
}

// The view.

int32_t CProject::MsPerPixel() const {
    return CTimeGrid::MsPerPixel(m_zoomLevel);
}

const TempoMap& CProject::GetTempoMap() const {
    return m_mixer.GetTempoMap();
}

void CProject::SetZoomLevel(int level) {
    if (level < 0 || level >= CTimeGrid::kZoomLevelCount)
        return;
    m_zoomLevel = level;
    m_services.msPerPixel = MsPerPixel();
    for (int index = 0; index < m_tracks.Count(); ++index)
        m_tracks.At(index)->LayoutClips();
    m_timeGrid->OnNotification(CTimeGrid::kNotifyZoomChanged, NotificationNumber(MsPerPixel()));
    RecomputeScrollRanges(false, true);
}

void CProject::Zoom(bool zoomOut) {
    const int level = m_zoomLevel + (zoomOut ? 1 : -1);
    if (level < 0 || level >= CTimeGrid::kZoomLevelCount)
        return;
    double focus = m_caretTime;
    if (double playing = 0.0; PlaybackToFollow(playing))
        focus = playing;
    SetZoomLevel(level);
    // The focus stays in the middle of the view, unless that would scroll
    // past either end of the content.
    const int32_t view = GetViewWidth();
    const int32_t content = GetContentWidth();
    const auto focusX = static_cast<int32_t>(focus / MsPerPixel());
    int32_t scroll = focusX - view / 2;
    if (focusX >= content - view / 2)
        scroll = content - view;
    scroll = content < view ? 0 : std::clamp(scroll, 0, content);
    SetHorizontalScroll(scroll);
    SendNotification(CTimeGrid::kNotifyZoomChanged, NotificationNumber(MsPerPixel()));
    LogFmt("CProject::Zoom() zoomLevel=%d", MsPerPixel());
}

void CProject::SetSnapLevel(int level) {
    if (level < 0 || level >= CTimeGrid::kSnapLevelCount)
        return;
    m_timeGrid->SetSnapLevel(level);
    m_prefs.lastSnapSetting = level;
    InvalidateTrackBodies();
    LogFmt("CProject::SetSnapLevel() snapLevel=%d", level);
}

int CProject::GetSnapLevel() const {
    return m_timeGrid->GetSnapLevel();
}

double CProject::SnapAdjustedTime(double ms) const {
    return m_timeGrid->SnapAdjusted(false, 0, ms);
}

double CProject::CaretClipStart() const {
    return GetTempoMap().GetRealTime(SnapAdjustedTime(m_caretTime));
}

void CProject::ResizeAllTracks(int32_t height) {
    for (int index = 0; index < m_tracks.Count(); ++index)
        m_tracks.SetHeight(index, height, false);
    RecomputeScrollRanges(true, false);
}

void CProject::SetMasterEnvelopeType(int type) {
    LogFmt("CProject::SetMasterEnvelopeType() ENTER envType=%d", type);
    if (type >= 0 && type < 6 && type != m_envelopeType) {
        CUndoStep step(m_undo);
        m_undo.AddUndoNode(CProjectUndo(*this, CProjectUndo::kEnvelopeType, m_envelopeType, type));
        m_envelopeType = type;
        InvalidateTrackBodies();
    }
    Log("CProject::SetMasterEnvelopeType() EXIT");
}

void CProject::LayOutTrackArea() {
    for (int index = 0; index < m_tracks.Count(); ++index)
        m_tracks.At(index)->LayoutClips();
    RecomputeScrollRanges(true, true);
}

void CProject::InvalidateTrackBodies() {
    TrackBodies().Invalidate(nullptr);
}

void CProject::OnClickBelowTracks(int32_t, uint32_t keys) {
    // Empty space holds nothing to select: a plain click there lets go of the clips.
    if (!(keys & (MK_SHIFT | MK_CONTROL)))
        DeselectEverything();
}

void CProject::OnTimelineScrolled() {
    if (m_timeGrid)
        m_timeGrid->RebuildTicks();
}

TimelineExtents CProject::GetTimelineExtents() const {
    TimelineExtents extents;
    const TempoMap& tempo = GetTempoMap();
    extents.projectEndMs = tempo.GetTempoAdjustedTime(GetProjectLengthMs());
    extents.caretMs = m_caretTime;
    extents.playbackMs = m_mixer.GetPositionMs();
    if (TempoEvent last; tempo.GetEvent(tempo.NumEvents() - 1, &last))
        extents.lastTempoEventMs = tempo.GetTempoAdjustedTime(last.time);
    return extents;
}

double CProject::PlaybackPositionMs() const {
    return m_mixer.GetPositionMs();
}

double CProject::GetProjectLengthMs() const {
    double end = 0.0;
    for (int index = 0; index < m_tracks.Count(); ++index)
        for (const CClip* clip : m_tracks.At(index)->Clips())
            end = std::max(end, clip->GetHeardStartMs() + clip->GetLengthMs());
    return GetTempoMap().GetRealTime(end);
}

void CProject::OpenMarkerWizard() {
    if (VRGuiWindow* owner = DialogOwner())
        CAutoMarkerWizard::Run(*this, m_undo, m_mixer, m_prefs, owner);
}

// Clip selection.

void CProject::SelectClip(CClip* clip, bool extend) {
    m_selector.SelectClip(clip, extend);
}

void CProject::DeselectClip(CClip* clip) {
    m_selector.DeselectClip(clip);
}

void CProject::SelectAllClips(int trackIndex, bool select) {
    m_selector.SelectAllClips(trackIndex, select);
}

void CProject::RebuildClipSelection() {
    m_selector.RebuildClipSelection();
}

void CProject::DeleteSelection() {
    // Over a time selection only its span goes, as a cut takes it.
    if (m_timeSelection.IsActive())
        m_clipboard.DeleteSpan();
    else
        m_selector.DeleteSelection();
}

void CProject::DeselectEverything() {
    SelectAllClips(-1, false);
    ClearTimeSelection();
    SendNotification(kNotifyDeselectClips, NotificationNumber(0));
}

void CProject::SelectNextClip(int32_t direction) {
    m_navigation.SelectNextClip(direction);
}

void CProject::MoveClips(double xDeltaMs, int32_t yTrackDelta, bool useSnap) {
    m_navigation.MoveClips(xDeltaMs, yTrackDelta, useSnap);
}

void CProject::MoveCaret(double xDeltaMs, int32_t yTrackDelta, bool useSnap) {
    m_navigation.MoveCaret(xDeltaMs, yTrackDelta, useSnap);
}

void CProject::HandleDraggingClips(int32_t dx, int32_t dy, int32_t phase) {
    if (phase == CClipDrag::kFirstMove)
        AllowEdgeScrolling(true, true);
    m_clipDrag.Handle(dx, dy, phase);
    if (phase == CClipDrag::kRelease)
        m_undo.SetDirty(true);
}

// Keys.

void CProject::PlayStopKey(uint32_t modifiers) {
    if (m_playStopCommand)
        m_playStopCommand(modifiers);
}

void CProject::MoveToProjectStart() {
    MoveCaretAndPlayback(0.0);
    SetHorizontalScroll(0);
}

void CProject::MoveToProjectEnd() {
    const double end = GetTempoMap().GetTempoAdjustedTime(GetProjectLengthMs());
    MoveCaretAndPlayback(end);
    const auto x = static_cast<int32_t>(end / MsPerPixel());
    if (x > GetTimelineScrollX() + GetViewWidth())
        SetHorizontalScroll(std::max(0, x - GetViewWidth() / 2));
}

bool CProject::PlaybackToFollow(double& ms) const {
    if (!m_prefs.bAutoScrollingDuringPlayback || !m_followPlayback)
        return false;
    return m_followPlayback(ms);
}

void CProject::FilesDroppedOnTracks(const std::vector<std::string>& files, GuiPoint bodyPoint) {
    m_drops.FilesDropped(files, bodyPoint);
}

ProjectFileContents CProject::RecoveryContents(const std::string& path) {
    return m_fileOps.RecoveryContents(path);
}
