#include "project/CProject.h"

#include "engine/CEffectChain.h"
#include "engine/CPCMMixer.h"
#include "engine/CPCMSound.h"
#include "engine/EffectsFactory.h"
#include "gui/MessageBoxes.h"
#include "project/CAudioTrack.h"
#include "project/CMIDITrack.h"
#include "project/CProjectFile.h"
#include "project/CTrackBody.h"
#include "project/CTrackHeader.h"
#include "project/ProjectFileContents.h"
#include "project/ProjectNotifications.h"
#include "support/CMRUList.h"
#include "support/CUndoMgr.h"
#include "support/Log.h"
#include "support/Paths.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace {

constexpr int kNewProjectTracks = 8;

// Templates and the oldest session files are opened as starting points: the
// project stays untitled, so that the next save asks for a name.
bool OpensUntitled(const std::string& path) {
    return HasFileExtension(path, "lt3template") || HasFileExtension(path, "lt4template") ||
           HasFileExtension(path, "ltc");
}

} // namespace

CProject::CProject(CPCMMixer& mixer, CUndoMgr& undo, ProjectPreferences& prefs)
    : m_mixer(mixer), m_undo(undo), m_prefs(prefs), m_services{mixer, undo, prefs, {}, 0},
      m_headerColumn(std::make_unique<VRGuiContainer>()),
      m_trackBodies(std::make_unique<VRGuiContainer>()), m_tracks(undo),
      m_markers(mixer.GetTempoMap()), m_metronome(prefs.bUseMetronome) {
    m_trackBodies->SetType(kGuiTypeTrackBodiesContainer);
    AddChild(m_headerColumn.get(), 0, 0);
    AddChild(m_trackBodies.get(), CTrackHeader::kWidth, 0);
    m_tracks.SetGuiParents(m_headerColumn.get(), m_trackBodies.get());
    m_tracks.AddObserver(this);
    ResetAuthoring();
}

CProject::~CProject() {
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
    // The new-project dialog comes with the main window; a project made
    // without one (noDialog, or no window yet) is the plain default.
    (void)noDialog;
    Log("CProject::NewProject() - Exit");
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
    m_progress->Reset();
    ProjectFileContents contents;
    CProjectFile file(contents);
    file.SetProgressSink(m_progress);
    file.SetLegacyStartEvent(CProjectMarkers::MakeStartMarker(m_prefs).tempoEvent);
    bool loaded = file.LoadFromFile(path);
    if (loaded) {
        DeleteAllTracks();
        DeleteUnusedRecordings();
        loaded = ApplyFileContents(contents);
    }
    cancelled = m_progress->IsCancelled();
    m_undo.ClearUndoHistory();
    m_undo.SetDirty(false);
    if (loaded) {
        SelectTrack(0, false);
        SetProjectFilePath(OpensUntitled(path) ? "" : path);
    } else {
        if (!cancelled && file.LastError() != ProjectReadError::None)
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
    m_timeLineMode = record.timeLineMode;
    SetUseMetronome(record.metronome, false);
    return true;
}

bool CProject::ApplyTracks(ProjectFileContents& contents) {
    bool partial = contents.skippedTracks > 0;
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
        }
    }
    UpdateSoloDisplay();
    if (partial)
        ShowMessage(nullptr, "PL_PartialLoad_Body", MB_OK | MB_ICONEXCLAMATION,
                    "PL_PartialLoad_Title");
    return true;
}

bool CProject::SaveProject(const std::string& path, bool asTemplate, bool transferSounds,
                           bool transferLibrarySounds) {
    LogFmt("CProject::SaveProject() - Enter %s", path.c_str());
    m_undo.ClearUndoHistory();
    DeleteUnusedRecordings();
    m_progress->Reset();
    m_templateSave = asTemplate;
    m_transferSounds = transferSounds;
    m_transferLibrarySounds = transferLibrarySounds;
    bool saved = false;
    {
        // The engine must not change the chains and sounds being written.
        m_mixer.Lock();
        ProjectFileContents contents = MakeFileContents(asTemplate);
        CProjectFile file(contents);
        file.SetProgressSink(m_progress);
        saved = file.SaveToFile(path);
        m_mixer.Unlock();
    }
    if (saved) {
        if (!asTemplate) {
            m_undo.SetDirty(false);
            SetProjectFilePath(path);
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
    const bool removed = m_tracks.Remove(index, undo);
    if (m_lastSelectedTrack >= m_tracks.Count())
        m_lastSelectedTrack = m_tracks.Count() - 1;
    Log("CProject::DeleteTrack() EXIT");
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
    while (m_tracks.Count() > 0)
        DeleteTrack(0, false);
    m_lastSelectedTrack = -1;
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
