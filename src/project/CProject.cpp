#include "project/CProject.h"

#include "engine/CEffectChain.h"
#include "engine/CPCMMixer.h"
#include "engine/CPCMSound.h"
#include "engine/EffectsFactory.h"
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
#include "project/CMarkerDialog.h"
#include "project/CMasterVolUndo.h"
#include "project/CMidiFileImport.h"
#include "project/CNewProjectDialog.h"
#include "project/CPlaceholderClip.h"
#include "project/CPlaceholderResolver.h"
#include "project/CProjectClipDocument.h"
#include "project/CProjectFile.h"
#include "project/CProjectUndo.h"
#include "project/CTimeGridUndo.h"
#include "project/CTrackBody.h"
#include "project/CTrackHeader.h"
#include "project/ProjectFileContents.h"
#include "project/ProjectNotifications.h"
#include "support/CMRUList.h"
#include "support/CUndoMgr.h"
#include "support/LocalizedStrings.h"
#include "support/Log.h"
#include "support/Paths.h"
#include "timeline/CTimeGrid.h"
#include "timeline/CTrackMarker.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace {

constexpr int kNewProjectTracks = 8;
constexpr int32_t kCornerButtonMargin = 8;
// Light on the dark face of the buttons, as every working button's text is.
constexpr uint32_t kCornerCaptionColor = 0xE6E6E6;
constexpr int32_t kMenuAudioTrack = 1;
constexpr int32_t kMenuMidiTrack = 2;

// A sound's tempo becomes the project's only when the tempo map can take it.
bool IsUsableTempo(double tempo) {
    TempoEvent event;
    event.tempo = tempo;
    event.tempoChange = true;
    return tempo > 0 && TempoMap::IsValidEvent(event);
}

bool IsProjectFileName(const std::string& path) {
    for (const char* extension : {"lt3", "lt3template", "lt4", "lt4template", "ltc"})
        if (HasFileExtension(path, extension))
            return true;
    return false;
}

// Templates and the oldest session files are opened as starting points: the
// project stays untitled, so that the next save asks for a name.
bool OpensUntitled(const std::string& path) {
    return HasFileExtension(path, "lt3template") || HasFileExtension(path, "lt4template") ||
           HasFileExtension(path, "ltc");
}

} // namespace

CProject::CProject(CPCMMixer& mixer, CUndoMgr& undo, ProjectPreferences& prefs)
    : m_mixer(mixer), m_undo(undo),
      m_prefs(prefs), m_services{.mixer = mixer, .undo = undo, .prefs = prefs}, m_tracks(undo),
      m_markers(mixer.GetTempoMap()), m_metronome(prefs.bUseMetronome) {
    m_tracks.SetGuiParents(&HeaderColumn(), &TrackBodies());
    m_markers.SetOnTempoMapChanged([this] { CClipRetiming::AfterTempoChange(m_mixer, m_tracks); });
    m_timeGrid = std::make_unique<CTimeGrid>(*this);
    m_timeGrid->SetSnapLevel(prefs.lastSnapSetting);
    m_timeGrid->SetTimeLineMode(static_cast<int32_t>(m_timeLineMode));
    m_timeGrid->OnNotification(CTimeGrid::kNotifyZoomChanged, NotificationNumber(MsPerPixel()));
    AttachRuler(m_timeGrid.get());
    CreateCornerButtons();
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
    ReleaseMetronomeSounds();
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

void CProject::NewProject(bool noDialog) {
    Log("CProject::NewProject() - Enter");
    m_partialLoad = false;
    ResetAuthoring();
    SetUseMetronome(m_prefs.bUseMetronome, false);
    m_envelopeType = 0;
    if (m_mixer.Playing())
        m_mixer.Stop(0);
    DeleteAllTracks();
    if (CEffectChain* master = GetMasterEffectChain())
        master->RemoveAll();
    m_markers.ResetToStartMarker(CProjectMarkers::MakeStartMarker(m_prefs));
    m_undo.ClearUndoHistory();
    DeleteUnusedRecordings();
    m_undo.SetDirty(false);
    SetProjectFilePath("");
    m_mixer.SetMasterVolume(1.0);
    for (int count = 0; count < kNewProjectTracks; ++count)
        AddAudioTrack(-1, false);
    SelectTrack(0, false);
    if (m_prefs.bShowNewProjectDialog && !noDialog)
        RunNewProjectDialog();
    FinishNewProject();
    Log("CProject::NewProject() - Exit");
}

void CProject::FinishNewProject() {
    MoveCaretAndPlayback(0.0);
    SelectTrack(0, false);
    // A project starts at its beginning, with bars that fit it.
    RecomputeScrollRanges(true, true);
    ResetScroll();
}

VRGuiWindow* CProject::DialogOwner() {
    VRGuiWindow* main = GetMainWindow();
    if (main && main->GetHWND())
        return main;
    VRGuiWindow* own = GetWindow();
    return own && own->GetHWND() ? own : nullptr;
}

void CProject::RunNewProjectDialog() {
    VRGuiWindow* owner = DialogOwner();
    if (!owner)
        return;
    std::vector<std::string> recent;
    for (size_t index = 0; m_recent && index < m_recent->NumMRUFiles(); ++index)
        recent.push_back(m_recent->GetFileWithPath(index));
    int answer = 0;
    std::string recentPath;
    {
        CNewProjectDialog dialog(recent);
        // Enter repeats the kind chosen last time.
        const int lastKind =
            CNewProjectDialog::kFirstKindId +
            std::clamp<int32_t>(m_prefs.defProjectType, 0, CNewProjectDialog::kMixMidi);
        dialog.SetDefaultButton(lastKind);
        dialog.SetFocus(dialog.GetButton(lastKind));
        answer = dialog.DoModal(owner);
        recentPath = dialog.RecentPath(answer);
    }
    if (CNewProjectDialog::IsKind(answer)) {
        ApplyProjectKind(answer - CNewProjectDialog::kFirstKindId);
    } else if (!recentPath.empty()) {
        bool cancelled = false;
        LoadProject(recentPath, cancelled);
    } else if (answer == CNewProjectDialog::kBrowseId && m_openProjectCommand) {
        m_openProjectCommand();
    }
}

void CProject::ApplyProjectKind(int kind) {
    if (kind < CNewProjectDialog::kRecordBand || kind > CNewProjectDialog::kMixMidi)
        return;
    m_prefs.defProjectType = kind;
    // A choice made for a project not yet touched leaves it unchanged.
    m_autoBeatMatch = kind == CNewProjectDialog::kMixLoops;
    SetTimeLineMode(kind == CNewProjectDialog::kRecordBand ? 1 : 0);
    m_prefs.lastTimeMode = static_cast<int32_t>(m_timeLineMode);
    if (kind == CNewProjectDialog::kMixMidi) {
        DeleteTrack(0, false);
        DeleteTrack(0, false);
        AddMIDITrack(-1, false);
        AddMIDITrack(-1, false);
    }
    SelectTrack(0, false);
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
    UpdateModeButton();
    InvalidateTrackBodies();
}

void CProject::MoveCaretAndPlayback(double ms) {
    m_caretTime = std::isfinite(ms) && ms > 0 ? ms : 0.0;
    m_mixer.SetPositionMs(m_caretTime);
}

void CProject::MoveCaretOnClick(double ms) {
    if (m_prefs.bSetPlaybackIndicatorOnTracksClick)
        MoveCaretAndPlayback(ms);
    else
        m_caretTime = std::isfinite(ms) && ms > 0 ? ms : 0.0;
}

void CProject::BeginProgress(CProjectProgress::Mode mode) {
    if (m_progress == &m_ownProgress)
        m_ownProgress.Begin(DialogOwner(), mode);
    else
        m_progress->Reset();
}

void CProject::EndProgress() {
    if (m_progress == &m_ownProgress)
        m_ownProgress.End();
}

bool CProject::LoadProject(const std::string& path, bool& cancelled) {
    LogFmt("CProject::LoadProject() - Enter %s", path.c_str());
    cancelled = false;
    m_undo.ClearUndoHistory();
    std::error_code error;
    const bool isFile = std::filesystem::is_regular_file(path, error);
    FILE* probe = isFile ? std::fopen(path.c_str(), "rb") : nullptr;
    if (!probe) {
        LogFmt("CProject::LoadProject() - File %s not there.", path.c_str());
        return false;
    }
    std::fclose(probe);
    if (std::filesystem::file_size(path, error) == 0 && !error) {
        // An empty file asks for a new project in its place. The new project
        // resets path and folder, so they are set after it.
        NewProject(true);
        SetProjectFilePath(path);
        m_recordingFolder = ExtractDirectory(path);
        Log("CProject::LoadProject() - Exit");
        return true;
    }
    if (m_mixer.Playing())
        m_mixer.Stop(0);
    BeginProgress(CProjectProgress::kLoading);
    ProjectFileContents contents;
    CProjectFile file(contents);
    file.SetProgressSink(m_progress);
    file.SetLegacyStartEvent(CProjectMarkers::MakeStartMarker(m_prefs).tempoEvent);
    bool loaded = file.LoadFromFile(path);
    const bool midi = !loaded && !m_progress->IsCancelled() && CMidiFileImport::IsMidiFile(path);
    if (midi) {
        loaded = LoadMidiFile(path);
    } else if (loaded) {
        DeleteAllTracks();
        DeleteUnusedRecordings();
        m_clipDocument->MissingSounds().ResetRememberedAnswers();
        m_clipDocument->SetFileInUse(path);
        loaded = ApplyFileContents(contents);
        m_clipDocument->SetFileInUse("");
    }
    cancelled = m_progress->IsCancelled();
    EndProgress();
    m_undo.ClearUndoHistory();
    // Sounds found elsewhere are new locations the file should get.
    m_undo.SetDirty(loaded && m_clipDocument->MissingSounds().FoundReplacement());
    if (loaded) {
        FinishNewProject();
        SetProjectFilePath(midi || OpensUntitled(path) ? "" : path);
    } else {
        if (!cancelled && !midi && file.LastError() != ProjectReadError::None)
            LogFmt("CProject::LoadProject() - %s", ProjectReadErrorText(file.LastError()));
        ReportLoadFailure(path, cancelled);
        NewProject(true);
    }
    Log("CProject::LoadProject() - Exit");
    return loaded;
}

void CProject::ReportLoadFailure(const std::string& path, bool cancelled) {
    if (cancelled) {
        LogFmt("Load Project '%s' cancelled!", path.c_str());
        return;
    }
    ShowFormattedMessage("Err_LoadFailedTitle", "Err_LoadFailedBody", MB_OK | MB_ICONEXCLAMATION,
                         path);
}

bool CProject::ApplyFileContents(ProjectFileContents& contents) {
    const ProjectRecord& record = contents.project;
    m_authoring = ProjectAuthoring{};
    m_authoring.author = record.author;
    m_authoring.album = record.album;
    m_authoring.copyright = record.copyright;
    m_authoring.title = record.title;
    m_authoring.comments = record.comments;
    m_authoring.genre = record.genre;
    m_authoring.year = record.year;
    m_autoBeatMatch = record.autoBeatMatch && !contents.legacySession;
    m_recordingFolder = record.recordingFolder;
    if (contents.legacySession || !IsValidDirectory(m_recordingFolder)) {
        if (!contents.legacySession)
            LogFmt("Original recording folder %s invalid, using preference default %s.",
                   m_recordingFolder.c_str(), m_prefs.DefRecDir.c_str());
        m_recordingFolder = m_prefs.DefRecDir;
    }
    m_mixer.SetMasterVolume(record.masterVolume);
    CEffectChain* master = GetMasterEffectChain();
    if (master && contents.masterChain) {
        const std::vector<uint8_t> body = contents.masterChain->SaveBody();
        if (!master->LoadBody(body.data(), body.size())) {
            Log("CProject::Load failed loading global effects -  returning false!");
            return false;
        }
    }
    if (!contents.legacyEffects.empty())
        LogFmt("CProject::LegacyLoad - %zu legacy effects not taken over",
               contents.legacyEffects.size());
    if (!m_markers.TakeFromFile(contents.markers, CProjectMarkers::MakeStartMarker(m_prefs))) {
        Log("CProject::Load failed TimeGrid()->Load(riff) -  returning false!");
        return false;
    }
    if (!ApplyTracks(contents))
        return false;
    if (contents.legacySession)
        ApplyLegacySounds(contents);
    SetTimeLineMode(static_cast<int32_t>(record.timeLineMode));
    SetUseMetronome(record.metronome, false);
    return true;
}

void CProject::ApplyLegacySounds(const ProjectFileContents& contents) {
    // A legacy session keeps its sounds apart from its tracks, and what tells
    // a sound's place is not known: each starts the first track's timeline,
    // so that none of the user's sounds is lost.
    CTrack* track = m_tracks.At(0);
    for (const RawChunk& sound : contents.legacySounds) {
        if (m_progress->IsCancelled())
            return;
        CClip* clip = CClipChunks::ReadLegacySound(*m_clipDocument, sound);
        if (!clip)
            continue;
        if (!track || !track->AddClip(clip, 0.0, false))
            Log("CProject::LegacyLoad - a sound could not be placed");
        clip->DeleteRefObject();
    }
}

namespace {

bool HasPlaceholders(const CTrack& track) {
    const std::vector<CClip*>& clips = track.Clips();
    return std::any_of(clips.begin(), clips.end(), [](const CClip* clip) {
        return dynamic_cast<const CPlaceholderClip*>(clip) != nullptr;
    });
}

} // namespace

bool CProject::ApplyTracks(ProjectFileContents& contents) {
    bool partial = contents.skippedTracks > 0 || contents.cutShort;
    m_tracks.BeginBatch();
    for (TrackFileContents& trackContents : contents.tracks) {
        CTrack* track = CreateTrack(trackContents.IsMidi());
        if (!track || !m_tracks.Append(track, false)) {
            partial = true;
            continue;
        }
        if (contents.legacySession) {
            trackContents.Audio()->imageName = track->GetImage();
            trackContents.Audio()->colour = static_cast<uint32_t>(m_prefs.defaultAudioShade);
        }
        if (!track->ApplyFileContents(trackContents)) {
            m_tracks.Remove(m_tracks.IndexOf(track), false);
            partial = true;
        } else if (HasPlaceholders(*track)) {
            partial = true;
        }
    }
    m_tracks.EndBatch();
    UpdateSoloDisplay();
    m_partialLoad = partial;
    if (partial)
        ShowMessage(nullptr, "PL_PartialLoad_Body", MB_OK | MB_ICONEXCLAMATION,
                    "PL_PartialLoad_Title");
    return true;
}

int CProject::ResolveMissingSounds() {
    std::vector<CTrack*> tracks;
    for (int index = 0; index < m_tracks.Count(); ++index)
        tracks.push_back(m_tracks.At(index));
    m_clipDocument->MissingSounds().ResetRememberedAnswers();
    // Relative paths in the records count from the project's file.
    m_clipDocument->SetFileInUse(m_filePath);
    m_undo.NextUndoSet();
    const int resolved = CPlaceholderResolver::Resolve(*m_clipDocument, tracks);
    m_clipDocument->SetFileInUse("");
    m_undo.NextUndoSet();
    if (resolved > 0) {
        m_undo.SetDirty(true);
        RecomputeScrollRanges(false, true);
    }
    return resolved;
}

bool CProject::SaveProject(const std::string& path, bool asTemplate, bool transferSounds,
                           bool transferLibrarySounds) {
    LogFmt("CProject::SaveProject() - Enter %s", path.c_str());
    m_undo.ClearUndoHistory();
    DeleteUnusedRecordings();
    BeginProgress(CProjectProgress::kSaving);
    m_templateSave = asTemplate;
    m_transferSounds = transferSounds;
    m_transferLibrarySounds = transferLibrarySounds;
    bool saved = false;
    {
        // The engine must not change the chains and sounds being written.
        m_mixer.Lock();
        // The clips write their records here, relative to the new file.
        m_clipDocument->SetFileInUse(path);
        if (transferSounds || transferLibrarySounds)
            m_clipDocument->SetSoundTransfer(std::make_unique<CSoundTransfer>(
                ExtractDirectory(path), transferSounds, transferLibrarySounds));
        ProjectFileContents contents = MakeFileContents(asTemplate);
        CProjectFile file(contents);
        file.SetProgressSink(m_progress);
        saved = file.SaveToFile(path);
        m_clipDocument->SetSoundTransfer(nullptr);
        m_clipDocument->SetFileInUse("");
        m_mixer.Unlock();
    }
    EndProgress();
    if (saved) {
        if (!asTemplate) {
            m_undo.SetDirty(false);
            SetProjectFilePath(path);
            m_partialLoad = false;
        }
        if (m_recent)
            m_recent->AddFile(path);
    } else {
        m_undo.SetDirty(true);
        if (m_progress->IsCancelled())
            LogFmt("Save Project '%s' cancelled!", path.c_str());
        else
            ShowFormattedMessage("Err_SaveFailedTitle", "Err_SaveFailedBody",
                                 MB_OK | MB_ICONEXCLAMATION, path);
    }
    Log("CProject::SaveProject() - EXIT");
    return saved;
}

ProjectFileContents CProject::MakeFileContents(bool asTemplate) const {
    ProjectFileContents contents;
    ProjectRecord& record = contents.project;
    record.recordingFolder = m_recordingFolder;
    record.autoBeatMatch = m_autoBeatMatch;
    record.metronome = m_metronome;
    record.author = m_authoring.author;
    record.album = m_authoring.album;
    record.copyright = m_authoring.copyright;
    record.title = m_authoring.title;
    record.comments = m_authoring.comments;
    record.genre = m_authoring.genre;
    record.year = m_authoring.year;
    record.timeLineMode = m_timeLineMode;
    record.masterVolume = GetMasterVolume();
    if (const CEffectChain* master = GetMasterEffectChain()) {
        contents.masterChain = std::make_unique<CEffectChain>();
        const std::vector<uint8_t> body = master->SaveBody();
        contents.masterChain->LoadBody(body.data(), body.size());
    }
    contents.markers = m_markers.ToChunk();
    for (int index = 0; index < m_tracks.Count(); ++index)
        contents.tracks.push_back(m_tracks.At(index)->MakeFileContents(asTemplate));
    return contents;
}

void CProject::SetProjectFilePath(const std::string& path) {
    m_filePath = path;
}

CTrack* CProject::CreateTrack(bool midi) {
    CTrack* track = midi ? static_cast<CTrack*>(new CMIDITrack(m_services))
                         : static_cast<CTrack*>(new CAudioTrack(m_services));
    track->Init();
    track->AddObserver(this);
    if (!track->CreateEngineTrack()) {
        track->DeleteRefObject();
        return nullptr;
    }
    track->CreateControls();
    return track;
}

template <typename Track> Track* CProject::AddTrack(int index, bool undo, const char* logName) {
    LogFmt("CProject::%s() trackix:%d", logName, index);
    Track* track = static_cast<Track*>(CreateTrack(std::is_same_v<Track, CMIDITrack>));
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
    const ProjectPreferences::InstrumentId& id = m_prefs.defaultVirtualInstrument;
    const bool noInstrument = std::all_of(id.begin(), id.end(), [](uint8_t b) { return b == 0; });
    if (!track || noInstrument)
        return track;
    if (std::unique_ptr<CAudioEffect> instrument = EffectsFactory::GetInstance()->LoadEffect(id))
        track->GetInstrumentChain()->Insert(std::move(instrument), 0);
    return track;
}

bool CProject::DeleteTrack(int index, bool undo) {
    LogFmt("CProject::DeleteTrack() trackix:%d", index);
    CTrack* track = m_tracks.At(index);
    if (!track)
        return false;
    if (undo)
        m_undo.NextUndoSet();
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
    const bool deleted = DeleteTrack(m_lastSelectedTrack, true);
    if (m_tracks.Count() == 0)
        AddAudioTrack(-1, true);
    return deleted;
}

void CProject::DeleteAllTracks() {
    // From the last: no track is moved up only to be deleted next. The track
    // area is laid out and measured once at the end, not once per track.
    m_tracks.BeginBatch();
    while (m_tracks.Count() > 0) {
        CTrack* track = m_tracks.At(m_tracks.Count() - 1);
        while (!track->Clips().empty())
            track->RemoveClip(track->Clips().back(), false);
        m_tracks.Remove(m_tracks.Count() - 1, false);
    }
    m_tracks.EndBatch();
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
}

void CProject::SetUseMetronome(bool use, bool markDirty) {
    LogFmt("CProject::SetUseMetronome() Enter -use:%d", use ? 1 : 0);
    if (markDirty && use != m_metronome)
        m_undo.SetDirty(true);
    m_metronome = use;
    m_prefs.bUseMetronome = use;
    ReleaseMetronomeSounds();
    if (use) {
        auto load = [](const std::string& path) -> CPCMSound* {
            auto* sound = new CPCMSound;
            if (!path.empty() && sound->EasyLoad(path))
                return sound;
            CAudioAtom::DeleteAtom(sound);
            return nullptr;
        };
        m_beatSound = load(m_prefs.metronomeBeatSoundFilePath);
        m_measureSound = load(m_prefs.metronomeMeasureSoundFilePath);
    }
    m_mixer.SetMetronome(use, m_beatSound, m_measureSound, m_prefs.metronomeVolume * 0.01);
    Log("CProject::SetUseMetronome() EXIT");
}

void CProject::ReleaseMetronomeSounds() {
    if (m_beatSound)
        CAudioAtom::DeleteAtom(m_beatSound);
    if (m_measureSound)
        CAudioAtom::DeleteAtom(m_measureSound);
    m_beatSound = nullptr;
    m_measureSound = nullptr;
}

void CProject::DeleteUnusedRecordings() {
    for (auto entry = m_recordingsMade.rbegin(); entry != m_recordingsMade.rend(); ++entry) {
        if (entry->empty() || !m_prefs.bDeleteUnusedRecordings || m_mixer.SoundExists(*entry))
            continue;
        std::error_code error;
        if (!std::filesystem::remove(*entry, error))
            LogFmt("DeleteUnusedRecordings - Could not delete '%s'", entry->c_str());
    }
    m_recordingsMade.clear();
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

double CProject::GetMasterVolume() const {
    return m_mixer.GetMasterVolume();
}

void CProject::SetMasterVolume(double volume, bool undo) {
    const double before = m_mixer.GetMasterVolume();
    m_mixer.SetMasterVolume(volume);
    const double after = m_mixer.GetMasterVolume();
    if (after == before)
        return;
    if (undo)
        m_undo.AddUndoNode(CMasterVolUndo(*this, before, after));
    m_undo.SetDirty(true);
}

CEffectChain* CProject::GetMasterEffectChain() const {
    return m_mixer.GetMasterEffectChain();
}

void CProject::OnNotification(int message, void* parameter) {
    switch (message) {
    case kNotifySelectTrack:
        LogFmt("MN_SELECT_TRACK %d: Project", static_cast<int>(NotificationNumberOf(parameter)));
        SelectTrack(static_cast<int>(NotificationNumberOf(parameter)), false);
        break;
    case kNotifyTrackHeightDrag:
        if (parameter)
            HandleHeightDrag(*static_cast<const TrackHeightDrag*>(parameter));
        break;
    case kNotifySoloOn:
    case kNotifySoloOff:
        UpdateSoloDisplay();
        break;
    case kNotifyToolbarButton:
        HandleToolbarButton(static_cast<int>(NotificationNumberOf(parameter)));
        break;
    case kNotifyMoveCaret:
        MoveCaretOnClick(static_cast<double>(NotificationNumberOf(parameter)));
        break;
    case kNotifyDeselectClips:
        SelectAllClips(-1, false);
        break;
    case kNotifySelectTrackClips:
        if (const auto* selection = static_cast<const TrackClipsSelection*>(parameter)) {
            if (!(selection->keys & (MK_SHIFT | MK_CONTROL)))
                SelectAllClips(-1, false);
            SelectAllClips(selection->trackIndex, true);
            SelectTrack(selection->trackIndex, false);
        }
        break;
    case kNotifyBodyDoubleClick:
        SelectTrack(static_cast<int>(NotificationNumberOf(parameter)), false);
        if (CTrack* track = m_tracks.At(m_lastSelectedTrack);
            track && track->GetKind() == CTrack::kAudio)
            AddAudioClip("");
        break;
    case kNotifyTempoChange:
        Log("MN_TEMPO_CHANGE: Project");
        break;
    case kNotifyTrackArmed:
        GiveUpInputOfOthers(static_cast<const CTrack*>(parameter));
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
    if (drag.released) {
        // One undo step from the height at the press to the final one.
        m_undo.NextUndoSet();
        m_tracks.SetHeight(drag.trackIndex, drag.heightAtPress, false);
    }
    m_tracks.SetHeight(drag.trackIndex, drag.heightAtPress + drag.heightChange, drag.released);
    if (drag.released)
        RecomputeScrollRanges(true, false);
}

void CProject::UpdateSoloDisplay() {
    bool anySolo = false;
    for (int index = 0; index < m_tracks.Count(); ++index)
        anySolo = anySolo || m_tracks.At(index)->IsSolo();
    for (int index = 0; index < m_tracks.Count(); ++index) {
        CTrack* track = m_tracks.At(index);
        track->SetSilencedBySolo(anySolo && !track->IsSolo());
    }
}

void CProject::GiveUpInputOfOthers(const CTrack* armed) {
    const auto* source = dynamic_cast<const CAudioTrack*>(armed);
    if (!source || m_prefs.recInputInUseBehavior != 1)
        return;
    for (int index = 0; index < m_tracks.Count(); ++index) {
        auto* other = dynamic_cast<CAudioTrack*>(m_tracks.At(index));
        if (!other || other == source || !other->IsArmed() ||
            other->GetArmedDevice() != source->GetArmedDevice())
            continue;
        const bool overlap = other->GetArmedChannel() == 2 || source->GetArmedChannel() == 2 ||
                             other->GetArmedChannel() == source->GetArmedChannel();
        if (!overlap)
            continue;
        other->BeginSettingsChange();
        other->Disarm();
        other->EndSettingsChange();
    }
}

void CProject::CreateCornerButtons() {
    m_modeButton = std::make_unique<GuiButton>(kToolbarButtonTimeLineMode, "snap", "", "");
    m_addTrackButton =
        std::make_unique<GuiButton>(kToolbarButtonAddTrack, "snap", "TH_AddTrack", "");
    int32_t x = kCornerButtonMargin;
    for (GuiButton* button : {m_modeButton.get(), m_addTrackButton.get()}) {
        const int32_t inset = button->GetHeight() / 4 + 1;
        button->SetTransparent(true);
        button->ShowCaption(true);
        button->SetCaptionFormat(GuiButton::DT_END_ELLIPSIS);
        button->SetCaptionRect({inset, inset, button->GetWidth() - inset, button->GetHeight()});
        for (int32_t state = GuiButton::kNormal; state < GuiButton::kDisabled; ++state)
            button->SetCaptionColor(state, kCornerCaptionColor);
        button->AddObserver(this);
        HeaderCorner().AddChild(button, x, (kRulerHeight - button->GetHeight()) / 2);
        x += button->GetWidth() + kCornerButtonMargin;
    }
    UpdateModeButton();
}

void CProject::UpdateModeButton() {
    // The button offers the other mode.
    if (m_modeButton)
        m_modeButton->SetCaption(MyLoadString(m_timeLineMode == 1 ? "TH_BeatMode" : "TH_TimeMode"));
}

void CProject::HandleToolbarButton(int button) {
    switch (button) {
    case kToolbarButtonTimeLineMode:
        SetTimeLineMode(m_timeLineMode ? 0 : 1);
        break;
    case kToolbarButtonAddTrack:
        AddTrackFromMenu();
        break;
    default:
        break;
    }
}

void CProject::AddTrackFromMenu() {
    VRGuiWindow* window = GetWindow();
    IGuiHost* host = window ? window->GetHWND() : nullptr;
    if (!host)
        return;
    GuiMenu menu;
    menu.AddItem(kMenuAudioTrack, MyLoadString("NEW_TRACK_TYPE_AUDIO"));
    menu.AddItem(kMenuMidiTrack, MyLoadString("NEW_TRACK_TYPE_MIDI"));
    const GuiPoint at = host->CursorPos();
    GuiPopupMenu popup(menu);
    const int32_t chosen = popup.Run(window, at.x, at.y);
    if (chosen != kMenuAudioTrack && chosen != kMenuMidiTrack)
        return;
    m_undo.NextUndoSet();
    if (chosen == kMenuAudioTrack)
        AddAudioTrack(-1, true);
    else
        AddMIDITrack(-1, true);
}

bool CProject::AutoSwitchKeyTempo(const KeyTempoClip& clip,
                                  const std::vector<KeyTempoTrack>& tracks, bool allowKey,
                                  bool force) {
    const double tempo = clip.GetClipTempo();
    const int key = clip.GetClipKey();
    const bool knowsTempo = IsUsableTempo(tempo);
    const bool knowsKey = allowKey && TempoMap::IsValidKey(key);
    if (!m_prefs.bSwitchKeyTempoOnFirstSound || (!knowsTempo && !knowsKey))
        return false;
    bool earlierTempo = false;
    bool earlierKey = false;
    if (!force) {
        for (int index = 1; index < m_markers.Count(); ++index) {
            earlierTempo = earlierTempo || m_markers.At(index).tempoEvent.tempoChange;
            earlierKey = earlierKey || (allowKey && m_markers.At(index).tempoEvent.keyChange);
        }
        for (const KeyTempoTrack& track : tracks) {
            for (const KeyTempoClip* other : track.clips) {
                if (track.frozen || other == &clip)
                    continue;
                earlierTempo = earlierTempo || other->GetClipTempo() > 0;
                earlierKey = earlierKey || (allowKey && TempoMap::IsValidKey(other->GetClipKey()));
            }
        }
        if (earlierTempo && earlierKey)
            return false;
    }
    MarkerRecord start = m_markers.At(0);
    const bool switchTempo = !earlierTempo && knowsTempo && tempo != start.tempoEvent.tempo;
    const bool switchKey = !earlierKey && knowsKey && key != start.tempoEvent.key;
    if (m_prefs.bAskToSwitchKeyTempoOnFirstSound &&
        !AskToSwitchKeyTempo(switchKey, key, switchTempo, tempo))
        return false;
    if (!switchTempo && !switchKey)
        return false;
    if (switchTempo) {
        start.tempoEvent.tempo = tempo;
        start.tempoEvent.tempoChange = true;
    }
    if (switchKey) {
        start.tempoEvent.key = key;
        start.tempoEvent.keyChange = true;
    }
    const MarkerRecord before = m_markers.At(0);
    if (!m_markers.Replace(0, start))
        return false;
    m_undo.AddUndoNode(CTimeGridUndo(*this, CTimeGridUndo::kChanged, before, start));
    m_undo.SetDirty(true);
    SendNotification(kNotifyTempoChange, nullptr);
    return true;
}

bool CProject::AskToSwitchKeyTempo(bool switchKey, int key, bool switchTempo, double tempo) {
    const int rounded = static_cast<int>(std::lround(tempo));
    const char* keyName = switchKey ? TempoMap::GetKeyStr(key) : "";
    const uint32_t flags = MB_YESNO | MB_ICONQUESTION;
    bool dontAskAgain = false;
    int answer = IDNO;
    if (switchKey && switchTempo)
        answer = AskWithDontAskAgain("Quest_AutoBothSwitch_Title", &dontAskAgain,
                                     "Quest_AutoBothSwitch_Body", flags, keyName, rounded);
    else if (switchKey)
        answer = AskWithDontAskAgain("Quest_AutoKeySwitch_Title", &dontAskAgain,
                                     "Quest_AutoKeySwitch_Body", flags, keyName);
    else if (switchTempo)
        answer = AskWithDontAskAgain("Quest_AutoTempoSwitch_Title", &dontAskAgain,
                                     "Quest_AutoTempoSwitch_Body", flags, rounded);
    const bool yes = answer != IDNO;
    if (dontAskAgain) {
        m_prefs.bSwitchKeyTempoOnFirstSound = yes;
        m_prefs.bAskToSwitchKeyTempoOnFirstSound = false;
    }
    return yes;
}

void CProject::AutoBeatMatch(const std::vector<KeyTempoTrack>& tracks) {
    Log("CProject::AutoBeatMatch() ENTER");
    if (m_fileActivity) {
        Log("Already in file activity mode...returning");
        return;
    }
    bool unanalysed = false;
    for (const KeyTempoTrack& track : tracks)
        for (const KeyTempoClip* clip : track.clips)
            unanalysed = unanalysed || !clip->IsSoundAnalysed();
    m_undo.NextUndoSet();
    if (unanalysed && m_prefs.bAskToAutoBeatMatch) {
        bool dontAskAgain = false;
        const int answer = AskBeatMatching(&dontAskAgain);
        m_prefs.bAskToAutoBeatMatch = !dontAskAgain;
        if (answer != IDYES) {
            Log("CProject::AutoBeatMatch() EXIT");
            return;
        }
    }
    if (m_mixer.Playing())
        m_mixer.Stop(0);
    SetFileActivity(true);
    KeyTempoClip* first = nullptr;
    for (const KeyTempoTrack& track : tracks) {
        for (KeyTempoClip* clip : track.clips) {
            if (!track.audio || clip->IsBeingRecorded() || clip->IsSoundAnalysed())
                continue;
            if (!clip->BeatMatchFromAnalysis()) {
                Log("CProject::AutoBeatMatch() - Failed or canceled auto beat match");
                break;
            }
            first = first ? first : clip;
        }
    }
    SetFileActivity(false);
    if (first)
        AutoSwitchKeyTempo(*first, tracks, false, true);
    Log("CProject::AutoBeatMatch() EXIT");
}

// Clips.

ClipDocument& CProject::Clips() {
    return *m_clipDocument;
}

void CProject::SetMissingSoundFolders(MissingSoundFolders folders) {
    m_clipDocument->SetMissingSoundFolders(folders);
}

CClip* CProject::AddAudioClip(const std::string& path) {
    return AddClipFromFile(path, "CProject::AddAudioClip()", false);
}

CClip* CProject::AddClip(const std::string& path) {
    return AddClipFromFile(path, "CProject::AddClip()", true);
}

CTrack* CProject::TrackForAudioClip() {
    CTrack* track = m_tracks.At(m_lastSelectedTrack);
    if (!track)
        track = AddAudioTrack(-1, true);
    else if (track->GetKind() == CTrack::kMidi)
        track = AddAudioTrack(m_lastSelectedTrack, true);
    if (track && !track->IsSelected())
        SelectTrack(track->GetIndex(), false);
    return track;
}

CClip* CProject::AddClipFromFile(const std::string& path, const char* logName, bool acceptMidi) {
    LogFmt("%s zeFilePath: %s", logName, path.c_str());
    if (m_fileActivity) {
        Log("Already in file activity mode...returning NULL");
        return nullptr;
    }
    SetFileActivity(true);
    std::string chosen = path;
    if (chosen.empty()) {
        FileDialogRequest request;
        request.owner = DialogOwner();
        request.title = MyLoadString("MC_Tool_AddSound");
        request.filter = acceptMidi
                             ? "Sounds|*.wav;*.mp3;*.ogg;*.wma;*.aif;*.aiff;*.flac;*.mid;*.midi"
                             : "Sounds|*.wav;*.mp3;*.ogg;*.wma;*.aif;*.aiff;*.flac";
        if (request.owner)
            ChooseFile(request, chosen);
        LogFmt("%s LoadSoundDialog -> zeFilePath: %s", logName, chosen.c_str());
    }
    if (acceptMidi && !chosen.empty() && CMidiFileImport::IsMidiFile(chosen)) {
        CClip* added = AddMidiFileClips(chosen);
        SetFileActivity(false);
        LogFmt("%s EXIT", logName);
        return added;
    }
    CAudioClip* clip = nullptr;
    if (!chosen.empty()) {
        m_undo.NextUndoSet();
        clip = new CAudioClip(*m_clipDocument);
        CTrack* track = TrackForAudioClip();
        const bool placed = track && clip->LoadFromFile(chosen, m_autoBeatMatch) &&
                            track->AddClip(clip, CaretClipStart(), true);
        if (placed) {
            SelectClip(clip, false);
            AutoSwitchKeyTempo(*clip, KeyTempoTracks(), true, false);
            m_undo.SetDirty(true);
        } else if (track) {
            ShowMessage(nullptr, "Err_LoadSoundFailed_Body", MB_OK | MB_ICONEXCLAMATION,
                        "Err_LoadSoundFailed_Title");
        }
        // A placed clip lives on in its track; any other goes with this.
        clip->DeleteRefObject();
        if (!placed)
            clip = nullptr;
    }
    SetFileActivity(false);
    // Beat matching is a file activity of its own: it refuses to run inside
    // this one.
    if (clip && m_autoBeatMatch)
        AutoBeatMatch(KeyTempoTracks());
    LogFmt("%s EXIT", logName);
    return clip;
}

CClip* CProject::AddMidiFileClips(const std::string& path) {
    m_undo.NextUndoSet();
    MidiFileContent content;
    std::string error;
    CClip* last = nullptr;
    if (CMidiFileImport::ReadFile(path, content, error)) {
        if (!error.empty())
            LogFmt("CProject::AddClip() - %s: %s", path.c_str(), error.c_str());
        last = CMidiFileImport(*this).ImportIntoProject(
            content, RemoveExtensionFromFile(ExtractFileName(path), true), m_lastSelectedTrack,
            CaretClipStart());
    }
    if (last) {
        SelectClip(last, false);
        m_undo.SetDirty(true);
    } else {
        ShowMessage(nullptr, "Err_LoadSoundFailed_Body", MB_OK | MB_ICONEXCLAMATION,
                    "Err_LoadSoundFailed_Title");
    }
    return last;
}

bool CProject::LoadMidiFile(const std::string& path) {
    MidiFileContent content;
    std::string error;
    if (!CMidiFileImport::ReadFile(path, content, error)) {
        LogFmt("CProject::LoadProject() - %s: %s", path.c_str(), error.c_str());
        return false;
    }
    if (!error.empty())
        LogFmt("CProject::LoadProject() - %s: %s", path.c_str(), error.c_str());
    NewProject(true);
    DeleteAllTracks();
    return CMidiFileImport(*this).ImportAsProject(
               content, RemoveExtensionFromFile(ExtractFileName(path), true)) != nullptr;
}

void CProject::RemoveClip(CClip* clip) {
    if (!clip)
        return;
    LogFmt("CProject::RemoveClip() clip: %s", clip->GetName().c_str());
    DeselectClip(clip);
    if (CTrack* track = clip->GetTrack()) {
        m_undo.NextUndoSet();
        track->RemoveClip(clip, true);
        m_undo.SetDirty(true);
    }
}

std::vector<KeyTempoTrack> CProject::KeyTempoTracks() const {
    std::vector<KeyTempoTrack> tracks;
    for (int index = 0; index < m_tracks.Count(); ++index) {
        const CTrack* track = m_tracks.At(index);
        KeyTempoTrack entry;
        entry.audio = track->GetKind() == CTrack::kAudio;
        entry.frozen = track->IsFrozen();
        for (CClip* clip : track->Clips())
            if (auto* keyTempo = dynamic_cast<KeyTempoClip*>(clip))
                entry.clips.push_back(keyTempo);
        tracks.push_back(std::move(entry));
    }
    return tracks;
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
        m_undo.NextUndoSet();
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

double CProject::GetProjectLengthMs() const {
    double end = 0.0;
    for (int index = 0; index < m_tracks.Count(); ++index)
        for (const CClip* clip : m_tracks.At(index)->Clips())
            end = std::max(end, clip->GetHeardStartMs() + clip->GetLengthMs());
    return GetTempoMap().GetRealTime(end);
}

// What the ruler asks of the document.

bool CProject::IsRecording() const {
    return false;
}

bool CProject::IsPlaying() const {
    return m_mixer.Playing();
}

void CProject::MovePlaybackMarker(double ms) {
    m_mixer.SetPositionMs(std::max(0.0, ms));
}

void CProject::RelocatePlayback(double ms) {
    m_mixer.SetPositionMs(std::max(0.0, ms));
}

void CProject::BeginUndoSet() {
    m_undo.NextUndoSet();
}

void CProject::OpenNewMarkerDialog(double realMs) {
    if (VRGuiWindow* owner = DialogOwner())
        CMarkerDialog::RunAdd(*this, m_undo, owner, realMs);
}

void CProject::OpenMarkerDialog(int index) {
    if (VRGuiWindow* owner = DialogOwner())
        CMarkerDialog::RunEdit(*this, m_undo, owner, index);
}

void CProject::OpenMarkerWizard() {
    if (VRGuiWindow* owner = DialogOwner())
        CAutoMarkerWizard::Run(*this, m_undo, m_mixer, m_prefs, owner);
}

bool CProject::GetMarkerLook(int index, TrackMarkerLook& look) const {
    if (index < 0 || index >= m_markers.Count())
        return false;
    const MarkerRecord& marker = m_markers.At(index);
    look.name = marker.name;
    look.colour = marker.colour;
    look.cdTrack = marker.cdTrack;
    return true;
}

// Clip selection.

void CProject::SelectClip(CClip* clip, bool extend) {
    if (!extend)
        SelectAllClips(-1, false);
    if (!clip || !m_selection.Add(clip))
        return;
    if (CTrack* track = clip->GetTrack())
        SelectTrack(track->GetIndex(), false);
    m_clipDrag.SetCurrentClip(clip);
}

void CProject::DeselectClip(CClip* clip) {
    m_selection.Remove(clip);
    if (m_clipDrag.GetCurrentClip() == clip)
        m_clipDrag.SetCurrentClip(nullptr);
}

void CProject::SelectAllClips(int trackIndex, bool select) {
    if (!select) {
        m_selection.Clear();
        m_clipDrag.SetCurrentClip(nullptr);
        return;
    }
    for (int index = 0; index < m_tracks.Count(); ++index) {
        if (trackIndex != -1 && index != trackIndex)
            continue;
        for (CClip* clip : m_tracks.At(index)->Clips()) {
            const bool hadDetails = m_selection.DetailsClip() != nullptr;
            CClip* details = m_selection.DetailsClip();
            m_selection.Add(clip);
            // The first clip chosen stays the details clip.
            m_selection.SetDetailsClip(hadDetails ? details : clip);
        }
    }
}

void CProject::RebuildClipSelection() {
    m_selection.DropClipsOffTracks();
    for (int index = 0; index < m_tracks.Count(); ++index)
        for (CClip* clip : m_tracks.At(index)->Clips())
            if (clip->IsSelected() && !m_selection.Contains(clip))
                m_selection.Add(clip);
}

void CProject::DeselectEverything() {
    SelectAllClips(-1, false);
    SendNotification(kNotifyDeselectClips, NotificationNumber(0));
}

void CProject::SelectNextClip(int32_t direction) {
    Log("CProject::SelectNextClip() ENTER");
    m_selection.DropClipsOffTracks();
    CClip* start = m_selection.IsEmpty() ? nullptr : m_selection.Clips().front();
    if (start)
        start->AddRef();
    SelectAllClips(-1, false);
    CClip* found = FindNextClip(start, direction >= 0);
    if (start)
        start->DeleteRefObject();
    if (found) {
        SelectClip(found, false);
        ScrollToClip(*found);
    }
    Log("CProject::SelectNextClip() EXIT");
}

CClip* CProject::FindNextClip(CClip* start, bool forward) const {
    const int count = m_tracks.Count();
    const CTrack* startTrack = start ? start->GetTrack() : nullptr;
    // Twice round when starting from a clip, so the walk wraps.
    const int steps = startTrack ? 2 * count : count;
    const int first = startTrack ? startTrack->GetIndex() : (forward ? 0 : count - 1);
    bool looking = startTrack != nullptr;
    for (int step = 0; step < steps; ++step) {
        // The first round starts at the clip's track, the second at the
        // first track (the last, going backwards).
        int index = forward ? first + step : first - step;
        if (step >= count)
            index = forward ? step - count : count - 1 - (step - count);
        if (index < 0 || index >= count)
            continue;
        const CTrack* track = m_tracks.At(index);
        const std::vector<CClip*>& clips = track->Clips();
        if (track->IsFrozen() || clips.empty())
            continue;
        int candidate = forward ? 0 : static_cast<int>(clips.size()) - 1;
        if (looking) {
            const auto at = std::find(clips.begin(), clips.end(), start);
            if (at == clips.end())
                continue;
            looking = false;
            candidate = static_cast<int>(at - clips.begin()) + (forward ? 1 : -1);
            if (candidate < 0 || candidate >= static_cast<int>(clips.size()))
                continue;
        }
        if (!clips[static_cast<size_t>(candidate)]->IsRecording())
            return clips[static_cast<size_t>(candidate)];
    }
    return nullptr;
}

void CProject::ScrollToClip(const CClip& clip) {
    const int32_t x = clip.GetX();
    const int32_t scrollX = GetTimelineScrollX();
    if (x < scrollX || x > scrollX + GetViewWidth())
        SetHorizontalScroll(x);
    const CTrackBody* body = clip.GetTrack() ? clip.GetTrack()->GetBody() : nullptr;
    const int32_t y = body ? body->GetY() : 0;
    LogFmt("relativeClipY = %d", y);
    const int32_t scrollY = GetTracksScrollY();
    const int32_t view = GetTracksViewHeight();
    if (y <= scrollY)
        SetVerticalScroll(std::max(0, y));
    else if (y + 3 * clip.GetHeight() >= scrollY + view)
        SetVerticalScroll(std::max(0, y + 3 * clip.GetHeight() - view));
}

void CProject::DeleteSelection() {
    m_selection.DropClipsOffTracks();
    if (m_selection.IsEmpty())
        return;
    // Locked clips stay where they are, and stay selected.
    std::vector<CClip*> clips;
    for (CClip* clip : m_selection.Clips())
        if (!clip->IsLocked())
            clips.push_back(clip);
    if (clips.empty())
        return;
    for (CClip* clip : clips)
        clip->AddRef();
    std::vector<CClip*> selected = CClipSelectionUndo::Snapshot(m_selection);
    for (CClip* clip : clips)
        DeselectClip(clip);
    // One undo step for the whole selection; undo selects the clips again
    // once they are back.
    m_undo.NextUndoSet();
    m_undo.AddUndoNode(
        CClipSelectionUndo(*this, std::move(selected), CClipSelectionUndo::Snapshot(m_selection)));
    for (CClip* clip : clips) {
        if (CTrack* track = clip->GetTrack())
            track->RemoveClip(clip, true);
        clip->DeleteRefObject();
    }
    m_undo.SetDirty(true);
    RecomputeScrollRanges(false, true);
}

// Moving clips and the caret.

double CProject::NudgedShift(const CClip& clip, double xDeltaMs, bool useSnap) const {
    const TempoMap& tempo = GetTempoMap();
    if (useSnap && xDeltaMs != 0 && GetSnapLevel() != 0) {
        // The beat point moves one grid step and lands on the grid.
        const double beat = clip.GetStartMs() + clip.GetBeatOffset();
        return m_timeGrid->SnapStep(beat, xDeltaMs > 0) - beat;
    }
    const double moved = std::max(0.0, tempo.GetTempoAdjustedTime(clip.GetStartMs()) + xDeltaMs);
    return tempo.GetRealTime(moved) - clip.GetStartMs();
}

CTrack* CProject::NeighbourTrack(const CClip& clip, int32_t yTrackDelta) {
    CTrack* own = clip.GetTrack();
    if (!own || yTrackDelta == 0)
        return own;
    const int index = own->GetIndex() + (yTrackDelta > 0 ? 1 : -1);
    if (index < 0)
        return own;
    if (CTrack* track = m_tracks.At(index))
        return track;
    return clip.GetClipKind() == ClipKind::kMidi ? static_cast<CTrack*>(AddMIDITrack(-1, true))
                                                 : static_cast<CTrack*>(AddAudioTrack(-1, true));
}

void CProject::MoveClips(double xDeltaMs, int32_t yTrackDelta, bool useSnap) {
    LogFmt("xDelta=%d yTrackDelta=%d bUseSnap=%d", static_cast<int>(xDeltaMs), yTrackDelta,
           useSnap ? 1 : 0);
    m_selection.DropClipsOffTracks();
    const CClip* details = m_selection.DetailsClip();
    double shift = details ? NudgedShift(*details, xDeltaMs, useSnap) : 0.0;
    std::vector<CClip*> movable;
    for (CClip* clip : m_selection.Clips())
        if (!clip->IsLocked() && !clip->IsRecording() && clip->GetTrack())
            movable.push_back(clip);
    for (const CClip* clip : movable)
        shift = std::max(shift, -clip->GetStartMs());
    if (movable.empty() || (shift == 0.0 && yTrackDelta == 0))
        return;
    m_undo.NextUndoSet();
    bool moved = false;
    for (CClip* clip : movable) {
        CTrack* target = NeighbourTrack(*clip, yTrackDelta);
        const bool sameKind = target && (target->GetKind() == CTrack::kMidi) ==
                                            (clip->GetClipKind() == ClipKind::kMidi);
        if (!sameKind)
            target = clip->GetTrack();
        const CTrack* from = clip->GetTrack();
        const double startMs = clip->GetStartMs();
        clip->BeginChange();
        target->AddClip(clip, startMs + shift, false);
        // The track area is laid out after the clips whichever way the step
        // is replayed: one record before the first clip's, one after the last.
        if (!moved && (clip->GetTrack() != from || clip->GetStartMs() != startMs)) {
            m_undo.AddUndoNode(CProjectUndo(*this, CProjectUndo::kLayOut));
            moved = true;
        }
        clip->EndChange();
    }
    if (moved)
        m_undo.AddUndoNode(CProjectUndo(*this, CProjectUndo::kLayOut));
    m_undo.SetDirty(true);
    RecomputeScrollRanges(true, true);
    if (details && details->GetTrack())
        SelectTrack(details->GetTrack()->GetIndex(), false);
    if (details)
        ScrollToClip(*details);
}

void CProject::MoveCaret(double xDeltaMs, int32_t yTrackDelta, bool useSnap) {
    LogFmt("xDelta=%d yTrackDelta=%d bUseSnap=%d", static_cast<int>(xDeltaMs), yTrackDelta,
           useSnap ? 1 : 0);
    double caret = std::max(0.0, m_caretTime + xDeltaMs);
    if (useSnap && xDeltaMs != 0 && GetSnapLevel() != 0) {
        const TempoMap& tempo = GetTempoMap();
        caret = tempo.GetTempoAdjustedTime(
            m_timeGrid->SnapStep(tempo.GetRealTime(m_caretTime), xDeltaMs > 0));
    }
    MoveCaretAndPlayback(caret);
    if (yTrackDelta != 0 && m_tracks.Count() > 0) {
        const int index =
            std::clamp(m_lastSelectedTrack + (yTrackDelta > 0 ? 1 : -1), 0, m_tracks.Count() - 1);
        SelectTrack(index, false);
    }
}

void CProject::HandleDraggingClips(int32_t dx, int32_t dy, int32_t phase) {
    if (phase == CClipDrag::kFirstMove)
        AllowEdgeScrolling(true, true);
    m_clipDrag.Handle(dx, dy, phase);
    if (phase == CClipDrag::kRelease)
        m_undo.SetDirty(true);
}

// Keys and drops.

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
    m_mixer.Stop(0);
    m_undo.NextUndoSet();
    bool first = true;
    for (const std::string& file : files) {
        if (IsProjectFileName(file)) {
            if (m_openDroppedProject)
                m_openDroppedProject(file);
            return;
        }
        if (first) {
            SelectTrackForDrop(bodyPoint.y);
            MoveCaretAndPlayback(static_cast<double>(bodyPoint.x) * MsPerPixel());
            first = false;
        }
        if (!AddClip(file))
            return;
    }
}

void CProject::SelectTrackForDrop(int32_t y) {
    for (int index = 0; index < m_tracks.Count(); ++index) {
        const CTrack* track = m_tracks.At(index);
        const CTrackBody* body = track->GetBody();
        if (body && y >= body->GetY() && y < body->GetY() + track->GetHeight()) {
            SelectTrack(index, false);
            return;
        }
    }
    // Below the last track: the sound gets a new track of its own.
    AddAudioTrack(-1, true);
}
