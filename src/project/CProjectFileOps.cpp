#include "project/CProjectFileOps.h"

#include "engine/CEffectChain.h"
#include "engine/CPCMMixer.h"
#include "gui/CDialogButton.h"
#include "gui/MessageBoxes.h"
#include "gui/VRGuiWindow.h"
#include "project/CClipChunks.h"
#include "project/CMidiFileImport.h"
#include "project/CNewProjectDialog.h"
#include "project/CPlaceholderClip.h"
#include "project/CPlaceholderResolver.h"
#include "project/CProject.h"
#include "project/CProjectClipDocument.h"
#include "project/CProjectFile.h"
#include "project/CSoundTransfer.h"
#include "project/CTrack.h"
#include "project/ProjectFileContents.h"
#include "support/CMRUList.h"
#include "support/CUndoMgr.h"
#include "support/CUndoStep.h"
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

void CProjectFileOps::NewProject(bool noDialog) {
    Log("CProject::NewProject() - Enter");
    m_project.m_partialLoad = false;
    m_project.ResetAuthoring();
    m_project.SetUseMetronome(m_project.m_prefs.bUseMetronome, false);
    m_project.m_envelopeType = 0;
    if (m_project.m_mixer.Playing())
        m_project.m_mixer.Stop(0);
    m_project.DeleteAllTracks();
    if (CEffectChain* master = m_project.GetMasterEffectChain())
        master->RemoveAll();
    m_project.m_markers.ResetToStartMarker(CProjectMarkers::MakeStartMarker(m_project.m_prefs));
    m_project.m_undo.ClearUndoHistory();
    m_project.DeleteUnusedRecordings();
    m_project.m_undo.SetDirty(false);
    m_project.SetProjectFilePath("");
    m_project.m_mixer.SetMasterVolume(1.0);
    for (int count = 0; count < kNewProjectTracks; ++count)
        m_project.AddAudioTrack(-1, false);
    m_project.SelectTrack(0, false);
    if (m_project.m_prefs.bShowNewProjectDialog && !noDialog)
        RunNewProjectDialog();
    FinishNewProject();
    Log("CProject::NewProject() - Exit");
}

void CProjectFileOps::FinishNewProject() {
    m_project.MoveCaretAndPlayback(0.0);
    m_project.SelectTrack(0, false);
    // A project starts at its beginning, with bars that fit it.
    m_project.RecomputeScrollRanges(true, true);
    m_project.ResetScroll();
}

void CProjectFileOps::RunNewProjectDialog() {
    VRGuiWindow* owner = m_project.DialogOwner();
    if (!owner)
        return;
    std::vector<std::string> recent;
    for (size_t index = 0; m_project.m_recent && index < m_project.m_recent->NumMRUFiles(); ++index)
        recent.push_back(m_project.m_recent->GetFileWithPath(index));
    int answer = 0;
    std::string recentPath;
    {
        CNewProjectDialog dialog(recent);
        // Enter repeats the kind chosen last time.
        const int lastKind =
            CNewProjectDialog::kFirstKindId +
            std::clamp<int32_t>(m_project.m_prefs.defProjectType, 0, CNewProjectDialog::kMixMidi);
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
    } else if (answer == CNewProjectDialog::kBrowseId && m_project.m_openProjectCommand) {
        m_project.m_openProjectCommand();
    }
}

void CProjectFileOps::ApplyProjectKind(int kind) {
    if (kind < CNewProjectDialog::kRecordBand || kind > CNewProjectDialog::kMixMidi)
        return;
    m_project.m_prefs.defProjectType = kind;
    // A choice made for a project not yet touched leaves it unchanged.
    m_project.m_autoBeatMatch = kind == CNewProjectDialog::kMixLoops;
    m_project.SetTimeLineMode(kind == CNewProjectDialog::kRecordBand ? 1 : 0);
    m_project.m_prefs.lastTimeMode = static_cast<int32_t>(m_project.m_timeLineMode);
    if (kind == CNewProjectDialog::kMixMidi) {
        m_project.DeleteTrack(0, false);
        m_project.DeleteTrack(0, false);
        m_project.AddMIDITrack(-1, false);
        m_project.AddMIDITrack(-1, false);
    }
    m_project.SelectTrack(0, false);
}

void CProjectFileOps::BeginProgress(CProjectProgress::Mode mode) {
    if (m_project.m_progress == &m_project.m_ownProgress)
        m_project.m_ownProgress.Begin(m_project.DialogOwner(), mode);
    else
        m_project.m_progress->Reset();
}

void CProjectFileOps::EndProgress() {
    if (m_project.m_progress == &m_project.m_ownProgress)
        m_project.m_ownProgress.End();
}

bool CProjectFileOps::LoadProject(const std::string& path, bool& cancelled) {
    LogFmt("CProject::LoadProject() - Enter %s", path.c_str());
    cancelled = false;
    m_project.m_undo.ClearUndoHistory();
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
        m_project.SetProjectFilePath(path);
        m_project.m_recordingFolder = ExtractDirectory(path);
        Log("CProject::LoadProject() - Exit");
        return true;
    }
    if (m_project.m_mixer.Playing())
        m_project.m_mixer.Stop(0);
    BeginProgress(CProjectProgress::kLoading);
    ProjectFileContents contents;
    CProjectFile file(contents);
    file.SetProgressSink(m_project.m_progress);
    file.SetLegacyStartEvent(CProjectMarkers::MakeStartMarker(m_project.m_prefs).tempoEvent);
    bool loaded = file.LoadFromFile(path);
    const bool midi =
        !loaded && !m_project.m_progress->IsCancelled() && CMidiFileImport::IsMidiFile(path);
    if (midi) {
        loaded = LoadMidiFile(path);
    } else if (loaded) {
        m_project.DeleteAllTracks();
        m_project.DeleteUnusedRecordings();
        m_project.m_clipDocument->MissingSounds().ResetRememberedAnswers();
        m_project.m_clipDocument->SetFileInUse(path);
        loaded = ApplyFileContents(contents);
        m_project.m_clipDocument->SetFileInUse("");
    }
    cancelled = m_project.m_progress->IsCancelled();
    EndProgress();
    m_project.m_undo.ClearUndoHistory();
    // Sounds found elsewhere are new locations the file should get.
    m_project.m_undo.SetDirty(loaded &&
                              m_project.m_clipDocument->MissingSounds().FoundReplacement());
    if (loaded) {
        FinishNewProject();
        m_project.SetProjectFilePath(midi || OpensUntitled(path) ? "" : path);
    } else {
        if (!cancelled && !midi && file.LastError() != ProjectReadError::None)
            LogFmt("CProject::LoadProject() - %s", ProjectReadErrorText(file.LastError()));
        ReportLoadFailure(path, cancelled);
        NewProject(true);
    }
    Log("CProject::LoadProject() - Exit");
    return loaded;
}

void CProjectFileOps::ReportLoadFailure(const std::string& path, bool cancelled) {
    if (cancelled) {
        LogFmt("Load Project '%s' cancelled!", path.c_str());
        return;
    }
    ShowFormattedMessage("Err_LoadFailedTitle", "Err_LoadFailedBody", MB_OK | MB_ICONEXCLAMATION,
                         path);
}

bool CProjectFileOps::ApplyFileContents(ProjectFileContents& contents) {
    const ProjectRecord& record = contents.project;
    m_project.m_authoring = ProjectAuthoring{};
    m_project.m_authoring.author = record.author;
    m_project.m_authoring.album = record.album;
    m_project.m_authoring.copyright = record.copyright;
    m_project.m_authoring.title = record.title;
    m_project.m_authoring.comments = record.comments;
    m_project.m_authoring.genre = record.genre;
    m_project.m_authoring.year = record.year;
    m_project.m_autoBeatMatch = record.autoBeatMatch && !contents.legacySession;
    m_project.m_recordingFolder = record.recordingFolder;
    if (contents.legacySession || !IsValidDirectory(m_project.m_recordingFolder)) {
        if (!contents.legacySession)
            LogFmt("Original recording folder %s invalid, using preference default %s.",
                   m_project.m_recordingFolder.c_str(), m_project.m_prefs.DefRecDir.c_str());
        m_project.m_recordingFolder = m_project.m_prefs.DefRecDir;
    }
    m_project.m_mixer.SetMasterVolume(record.masterVolume);
    CEffectChain* master = m_project.GetMasterEffectChain();
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
    if (!m_project.m_markers.TakeFromFile(contents.markers,
                                          CProjectMarkers::MakeStartMarker(m_project.m_prefs))) {
        Log("CProject::Load failed TimeGrid()->Load(riff) -  returning false!");
        return false;
    }
    if (!ApplyTracks(contents))
        return false;
    if (contents.legacySession)
        ApplyLegacySounds(contents);
    m_project.SetTimeLineMode(static_cast<int32_t>(record.timeLineMode));
    m_project.SetUseMetronome(record.metronome, false);
    return true;
}

void CProjectFileOps::ApplyLegacySounds(const ProjectFileContents& contents) {
    // A legacy session keeps its sounds apart from its tracks, and what tells
    // a sound's place is not known: each starts the first track's timeline,
    // so that none of the user's sounds is lost.
    CTrack* track = m_project.m_tracks.At(0);
    for (const RawChunk& sound : contents.legacySounds) {
        if (m_project.m_progress->IsCancelled())
            return;
        CClip* clip = CClipChunks::ReadLegacySound(*m_project.m_clipDocument, sound);
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

bool CProjectFileOps::ApplyTracks(ProjectFileContents& contents) {
    bool partial = contents.skippedTracks > 0 || contents.cutShort;
    m_project.m_tracks.BeginBatch();
    for (TrackFileContents& trackContents : contents.tracks) {
        CTrack* track = m_project.m_trackFactory.Create(trackContents.IsMidi());
        if (!track || !m_project.m_tracks.Append(track, false)) {
            partial = true;
            continue;
        }
        if (contents.legacySession) {
            trackContents.Audio()->imageName = track->GetImage();
            trackContents.Audio()->colour =
                static_cast<uint32_t>(m_project.m_prefs.defaultAudioShade);
        }
        if (!track->ApplyFileContents(trackContents)) {
            m_project.m_tracks.Remove(m_project.m_tracks.IndexOf(track), false);
            partial = true;
        } else if (HasPlaceholders(*track)) {
            partial = true;
        }
    }
    m_project.m_tracks.EndBatch();
    m_project.m_tracks.UpdateSoloSilencing();
    m_project.m_partialLoad = partial;
    if (partial)
        ShowMessage(nullptr, "PL_PartialLoad_Body", MB_OK | MB_ICONEXCLAMATION,
                    "PL_PartialLoad_Title");
    return true;
}

int CProjectFileOps::ResolveMissingSounds() {
    std::vector<CTrack*> tracks;
    for (int index = 0; index < m_project.m_tracks.Count(); ++index)
        tracks.push_back(m_project.m_tracks.At(index));
    m_project.m_clipDocument->MissingSounds().ResetRememberedAnswers();
    // Relative paths in the records count from the project's file.
    m_project.m_clipDocument->SetFileInUse(m_project.m_filePath);
    int resolved = 0;
    {
        CUndoStep step(m_project.m_undo);
        resolved = CPlaceholderResolver::Resolve(*m_project.m_clipDocument, tracks);
    }
    m_project.m_clipDocument->SetFileInUse("");
    if (resolved > 0) {
        m_project.m_undo.SetDirty(true);
        m_project.RecomputeScrollRanges(false, true);
    }
    return resolved;
}

bool CProjectFileOps::SaveProject(const std::string& path, const SaveOptions& options) {
    LogFmt("CProject::SaveProject() - Enter %s", path.c_str());
    m_project.m_undo.ClearUndoHistory();
    m_project.DeleteUnusedRecordings();
    const bool saved = WriteFile(path, options);
    if (saved) {
        if (!options.asTemplate) {
            m_project.m_undo.SetDirty(false);
            m_project.SetProjectFilePath(path);
            m_project.m_partialLoad = false;
        }
        if (m_project.m_recent)
            m_project.m_recent->AddFile(path);
    } else {
        m_project.m_undo.SetDirty(true);
        ReportSaveFailure(path);
    }
    Log("CProject::SaveProject() - EXIT");
    return saved;
}

bool CProjectFileOps::SaveCopy(const std::string& path, const SaveOptions& options) {
    LogFmt("CProject::SaveCopy() - Enter %s", path.c_str());
    const bool saved = WriteFile(path, options);
    if (!saved)
        ReportSaveFailure(path);
    Log("CProject::SaveCopy() - EXIT");
    return saved;
}

bool CProjectFileOps::WriteFile(const std::string& path, const SaveOptions& options) {
    BeginProgress(CProjectProgress::kSaving);
    // The engine must not change the chains and sounds being written.
    m_project.m_mixer.Lock();
    // The clips write their records here, relative to the new file.
    m_project.m_clipDocument->SetFileInUse(path);
    if (options.transferSounds || options.transferLibrarySounds)
        m_project.m_clipDocument->SetSoundTransfer(std::make_unique<CSoundTransfer>(
            ExtractDirectory(path), options.transferSounds, options.transferLibrarySounds));
    ProjectFileContents contents = MakeFileContents(options);
    CProjectFile file(contents);
    file.SetProgressSink(m_project.m_progress);
    const bool saved = file.SaveToFile(path);
    m_project.m_clipDocument->SetSoundTransfer(nullptr);
    m_project.m_clipDocument->SetFileInUse("");
    m_project.m_mixer.Unlock();
    EndProgress();
    return saved;
}

void CProjectFileOps::ReportSaveFailure(const std::string& path) {
    if (m_project.m_progress->IsCancelled())
        LogFmt("Save Project '%s' cancelled!", path.c_str());
    else
        ShowFormattedMessage("Err_SaveFailedTitle", "Err_SaveFailedBody",
                             MB_OK | MB_ICONEXCLAMATION, path);
}

ProjectFileContents CProjectFileOps::RecoveryContents(const std::string& path) {
    m_project.m_clipDocument->SetFileInUse(path);
    ProjectFileContents contents = MakeFileContents(SaveOptions{});
    m_project.m_clipDocument->SetFileInUse("");
    return contents;
}

ProjectFileContents CProjectFileOps::MakeFileContents(const SaveOptions& options) const {
    ProjectFileContents contents;
    ProjectRecord& record = contents.project;
    record.recordingFolder =
        options.recordingFolder.empty() ? m_project.m_recordingFolder : options.recordingFolder;
    record.autoBeatMatch = m_project.m_autoBeatMatch;
    record.metronome = m_project.UsesMetronome();
    record.author = m_project.m_authoring.author;
    record.album = m_project.m_authoring.album;
    record.copyright = m_project.m_authoring.copyright;
    record.title = m_project.m_authoring.title;
    record.comments = m_project.m_authoring.comments;
    record.genre = m_project.m_authoring.genre;
    record.year = m_project.m_authoring.year;
    record.timeLineMode = m_project.m_timeLineMode;
    record.masterVolume = m_project.GetMasterVolume();
    if (const CEffectChain* master = m_project.GetMasterEffectChain()) {
        contents.masterChain = std::make_unique<CEffectChain>();
        const std::vector<uint8_t> body = master->SaveBody();
        contents.masterChain->LoadBody(body.data(), body.size());
    }
    contents.markers = m_project.m_markers.ToChunk();
    for (int index = 0; index < m_project.m_tracks.Count(); ++index)
        contents.tracks.push_back(
            m_project.m_tracks.At(index)->MakeFileContents(options.asTemplate));
    return contents;
}

bool CProjectFileOps::LoadMidiFile(const std::string& path) {
    MidiFileContent content;
    std::string error;
    if (!CMidiFileImport::ReadFile(path, content, error)) {
        LogFmt("CProject::LoadProject() - %s: %s", path.c_str(), error.c_str());
        return false;
    }
    if (!error.empty())
        LogFmt("CProject::LoadProject() - %s: %s", path.c_str(), error.c_str());
    NewProject(true);
    m_project.DeleteAllTracks();
    return CMidiFileImport(m_project).ImportAsProject(
               content, RemoveExtensionFromFile(ExtractFileName(path), true)) != nullptr;
}
