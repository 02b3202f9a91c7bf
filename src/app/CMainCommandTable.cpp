#include "app/CMainCommandTable.h"

#include "app/CDownloadPages.h"
#include "app/CFileCommands.h"
#include "app/CMixDownCommand.h"
#include "app/CPrefs.h"
#include "app/MainCommands.h"
#include "app/MidiExportCommand.h"
#include "app/PercentDialog.h"
#include "engine/CPCMMixer.h"
#include "project/CClip.h"
#include "project/CNewMidiClip.h"
#include "project/CProject.h"
#include "project/CTrack.h"
#include "project/CTrackDuplicate.h"
#include "project/CTrackMenus.h"
#include "project/ZoomToProject.h"
#include "support/CMRUList.h"
#include "support/CUndoMgr.h"
#include "support/CUndoStep.h"
#include "support/Log.h"

CMainCommandTable::CMainCommandTable(const Sources& sources, WindowHooks hooks)
    : m_sources(sources), m_hooks(std::move(hooks)) {
    AddFileCommands();
    AddEditCommands();
    AddMixCommands();
    AddTrackCommands();
    AddViewCommands();
}

bool CMainCommandTable::IsAvailable(int32_t command) const {
    const auto entry = m_entries.find(command);
    return entry == m_entries.end() || !entry->second.available || entry->second.available();
}

bool CMainCommandTable::Execute(int32_t command) {
    const auto entry = m_entries.find(command);
    if (entry == m_entries.end() || !entry->second.handler)
        return false;
    entry->second.handler();
    return true;
}

void CMainCommandTable::Add(int32_t command, Handler handler, Condition available) {
    m_entries[command] = Entry{std::move(handler), std::move(available)};
}

void CMainCommandTable::AddRange(int32_t first, int32_t count,
                                 const std::function<void(int32_t)>& handler,
                                 const Condition& available) {
    for (int32_t offset = 0; offset < count; ++offset)
        Add(
            first + offset, [handler, offset] { handler(offset); }, available);
}

void CMainCommandTable::AddFileCommands() {
    CFileCommands& files = m_sources.files;
    Add(kCmdNewProject, [&files] { files.NewProject(); });
    Add(kCmdOpenProject, [&files] { files.OpenProject(); });
    Add(kCmdSave, [&files] { files.Save(); });
    Add(kCmdSaveAs, [&files] { files.SaveAs(); });
    Add(kCmdTransferProject, [&files] { files.DoProjectTransfer(); });
    Add(kCmdExportMidi, [this] {
        RunMidiExportCommand(&m_sources.owner, m_sources.project, m_sources.prefs.DefRenderDir);
    });
    Add(kCmdExit, [this] { m_hooks.requestClose(); });
    for (const int32_t command : {kCmdMixDownMp3, kCmdMixDownOgg, kCmdMixDownWma, kCmdMixDownWav})
        Add(command, [this, command] { m_sources.mixDown.Execute(command); });
    CMRUList& recent = m_sources.recent;
    AddRange(kCmdRecentFirst, kCmdRecentLast - kCmdRecentFirst + 1,
             [&files](int32_t index) { files.OpenRecentProject(static_cast<size_t>(index)); });
    for (int32_t index = 0; index <= kCmdRecentLast - kCmdRecentFirst; ++index)
        m_entries[kCmdRecentFirst + index].available = [&recent, index] {
            return static_cast<size_t>(index) < recent.NumMRUFiles();
        };
}

void CMainCommandTable::AddEditCommands() {
    CProject& project = m_sources.project;
    CUndoMgr& undo = m_sources.undo;
    Add(
        kCmdUndo, [this] { Undo(false); }, [&undo] { return undo.CanUndo(); });
    Add(
        kCmdRedo, [this] { Undo(true); }, [&undo] { return undo.CanRedo(); });
    Add(kCmdDelete, [&project] { project.DeleteSelection(); });
    Add(kCmdSelectAll, [&project] { project.SelectAllClips(-1, true); });
    // The transport plays the selected sound; it needs one.
    Add(kCmdPlaySound, {}, [&project] { return !project.Selection().IsEmpty(); });
    const auto hasSelection = [&project] { return !project.Selection().IsEmpty(); };
    for (const int32_t command : {kCmdSplit, kCmdSoundSplit})
        Add(
            command, [&project] { project.SplitSelectedClips(); }, hasSelection);
    for (const int32_t command : {kCmdJoin, kCmdSoundJoin})
        Add(
            command, [&project] { project.JoinSelectedClips(); }, hasSelection);
    Add(
        kCmdCut, [&project] { project.Clipboard().Cut(); }, hasSelection);
    Add(
        kCmdCopy, [&project] { project.Clipboard().Copy(); }, hasSelection);
    Add(
        kCmdPaste, [&project] { project.Clipboard().Paste(project.GetCaretTime()); },
        [&project] { return !project.Clipboard().IsEmpty(); });
    // The clip menu's selection-wide commands, led by the clip last chosen.
    const std::pair<int32_t, int> clipCommands[] = {
        {kCmdMuteSound, CClip::kMenuMute},
        {kCmdLockSound, CClip::kMenuLock},
        {kCmdLoopToTrim, CClip::kMenuLoopToTrim},
        {kCmdTrimSilence, CClip::kMenuTrimSilence},
        {kCmdNormalize, CClip::kMenuNormalize},
        {kCmdResetEnvelope, CClip::kMenuResetEnvelope},
        {kCmdInvertEnvelope, CClip::kMenuInvertEnvelope},
        {kCmdFadeInFast, CClip::kMenuFadeInFirst},
        {kCmdFadeInMedium, CClip::kMenuFadeInFirst + 1},
        {kCmdFadeInSlow, CClip::kMenuFadeInFirst + 2},
        {kCmdFadeOutFast, CClip::kMenuFadeOutFirst},
        {kCmdFadeOutMedium, CClip::kMenuFadeOutFirst + 1},
        {kCmdFadeOutSlow, CClip::kMenuFadeOutFirst + 2},
        {kCmdBoost1, CClip::kMenuBoostFirst},
        {kCmdBoost5, CClip::kMenuBoostFirst + 1},
        {kCmdBoost25, CClip::kMenuBoostFirst + 2},
        {kCmdBoost50, CClip::kMenuBoostFirst + 3},
        {kCmdReduce1, CClip::kMenuReduceFirst},
        {kCmdReduce5, CClip::kMenuReduceFirst + 1},
        {kCmdReduce25, CClip::kMenuReduceFirst + 2},
        {kCmdReduce50, CClip::kMenuReduceFirst + 3}};
    for (const auto& [command, menuIndex] : clipCommands)
        Add(
            command,
            [&project, menuIndex] {
                const CClipSelection& selection = project.Selection();
                CClip* leader = selection.DetailsClip();
                if (!leader && !selection.IsEmpty())
                    leader = selection.Clips().front();
                if (leader)
                    project.Clips().DoClipCommand(*leader, menuIndex);
            },
            hasSelection);
}

void CMainCommandTable::AddMixCommands() {
    CProject& project = m_sources.project;
    Add(kCmdAddSound, [&project] { project.AddAudioClip(""); });
    Add(kCmdSoundAddSound, [&project] { project.AddAudioClip(""); });
    for (const int32_t command : {kCmdAddInstrumentClip, kCmdSoundAddInstrumentClip})
        Add(command, [this] { CNewMidiClip(m_sources.project, m_sources.undo).AddAtCaret(); });
    Add(kCmdMasterVolumeExact, [this] { AskMasterVolume(); });
    Add(kCmdGlobalEffects, [this] { m_hooks.showGlobalEffects(); });
    Add(kCmdMidiReset, [this] { m_sources.mixer.MidiAllNotesOffNow(); });
    // Clips kept without their sound get it back where it is found.
    Add(kCmdFindMissingSounds, [&project] { project.ResolveMissingSounds(); });
    Add(kCmdAutoBeatMatch, [&project] { project.SetAutoBeatMatch(!project.GetAutoBeatMatch()); });
    for (const int32_t command : {kCmdDownloadLoops, kCmdDownloadSounds, kCmdDownloadEffects})
        Add(command, [command] { CDownloadPages::Open(command); });
    AddRange(kCmdMasterVolumeFirst, kCmdPercentRange,
             [this](int32_t percent) { SetMasterVolume(percent / 100.0); });
}

void CMainCommandTable::AddTrackCommands() {
    CProject& project = m_sources.project;
    const Condition track = [this] { return HasSelectedTrack(); };
    Add(kCmdAddAudioTrack, [this] { AddTrack(false, false); });
    Add(kCmdAddInstrumentTrack, [this] { AddTrack(true, false); });
    Add(
        kCmdInsertAudioTrack, [this] { AddTrack(false, true); }, track);
    Add(
        kCmdInsertInstrumentTrack, [this] { AddTrack(true, true); }, track);
    Add(
        kCmdDeleteTrack,
        [this, &project] {
            CUndoStep step(m_sources.undo);
            project.DeleteSelectedTrack();
        },
        track);
    for (const int32_t command : {kCmdMuteTrack, kCmdSoloTrack, kCmdArmTrack})
        Add(
            command, [this, command] { ToggleTrackState(command); }, track);
    Add(
        kCmdTrackVolumeExact, [this] { AskTrackVolume(); }, track);
    Add(
        kCmdTrackPanExact, [this] { AskTrackPan(); }, track);
    AddRange(
        kCmdTrackVolumeFirst, kCmdPercentRange,
        [this](int32_t percent) { SetTrackVolume(percent / 100.0); }, track);
    AddRange(
        kCmdTrackPanFirst, kCmdPercentRange,
        [this](int32_t percent) { SetTrackPan((percent - 100) / 100.0); }, track);
    Add(
        kCmdDuplicateTrack,
        [this, &project] { CTrackDuplicate(project, m_sources.undo).DuplicateSelectedTrack(); },
        [this] { return CTrackDuplicate::CanDuplicate(SelectedTrack()); });
    for (const auto& [command, menuCommand] : {std::pair{kCmdMoveTrackUp, CTrackMenus::kMoveUp},
                                               std::pair{kCmdMoveTrackDown, CTrackMenus::kMoveDown},
                                               std::pair{kCmdFreezeTrack, CTrackMenus::kFreeze}})
        Add(
            command, [this, menuCommand] { SelectedTrack()->HandleCommand(menuCommand); },
            [this, menuCommand] {
                CTrack* selected = SelectedTrack();
                return selected && selected->CanHandleCommand(menuCommand);
            });
    Add(
        kCmdChooseTrackImage,
        [this] { SelectedTrack()->HandleCommand(CTrackMenus::kChoosePicture); }, track);
    Add(
        kCmdTrackEffects, [this] { SelectedTrack()->HandleCommand(CTrackMenus::kEffects); }, track);
    AddRange(kCmdTrackHeightSmall, 3, [this](int32_t size) { SetTrackHeight(size); });
    Add(kCmdSelectAllSoundsOnTrack, [&project] {
        project.SelectAllClips(-1, false);
        project.SelectAllClips(project.GetLastSelectedTrack(), true);
    });
}

void CMainCommandTable::AddViewCommands() {
    CProject& project = m_sources.project;
    Add(kCmdTimelineBeats, [&project] { project.SetTimeLineMode(0); });
    Add(kCmdTimelineTime, [&project] { project.SetTimeLineMode(1); });
    AddRange(kCmdAllTracksSmall, 3,
             [&project](int32_t size) { project.ResizeAllTracks(TrackHeightFor(size)); });
    Add(kCmdZoomIn, [&project] { project.Zoom(false); });
    Add(kCmdZoomOut, [&project] { project.Zoom(true); });
    Add(
        kCmdZoomToProject, [&project] { ZoomToProject(project); },
        [&project] { return project.GetProjectLengthMs() > 0.0; });
    Add(kCmdToggleDetails, [this] { m_hooks.toggleDetails(); });
    AddRange(kCmdSnapFirst, kCmdSnapLast - kCmdSnapFirst + 1,
             [&project](int32_t level) { project.SetSnapLevel(level); });
}

CTrack* CMainCommandTable::SelectedTrack() const {
    return m_sources.project.GetTrack(m_sources.project.GetLastSelectedTrack());
}

void CMainCommandTable::Undo(bool redo) {
    Log(redo ? "Redo start" : "Undo start");
    if (redo)
        m_sources.undo.Redo();
    else
        m_sources.undo.Undo();
    Log(redo ? "Redo finish" : "Undo finish");
    m_sources.project.Invalidate(nullptr);
}

void CMainCommandTable::AddTrack(bool midi, bool atSelection) {
    CProject& project = m_sources.project;
    const int index = atSelection ? project.GetLastSelectedTrack() : -1;
    CUndoStep step(m_sources.undo);
    if (midi)
        project.AddMIDITrack(index, true);
    else
        project.AddAudioTrack(index, true);
}

void CMainCommandTable::ToggleTrackState(int32_t command) {
    CTrack* track = SelectedTrack();
    CUndoStep step(m_sources.undo);
    track->BeginSettingsChange();
    if (command == kCmdMuteTrack)
        track->ToggleMute();
    else if (command == kCmdSoloTrack)
        track->ToggleSolo();
    else
        track->ToggleArm();
    track->EndSettingsChange();
}

void CMainCommandTable::SetTrackHeight(int32_t size) {
    CProject& project = m_sources.project;
    if (const int index = project.GetLastSelectedTrack(); project.GetTrack(index)) {
        CUndoStep step(m_sources.undo);
        project.Tracks().SetHeight(index, TrackHeightFor(size), true);
        project.RecomputeScrollRanges(true, false);
    }
}

void CMainCommandTable::SetMasterVolume(double volume) {
    CUndoStep step(m_sources.undo);
    m_sources.project.SetMasterVolume(volume, true);
}

void CMainCommandTable::SetTrackVolume(double volume) {
    CUndoStep step(m_sources.undo);
    SelectedTrack()->SetVolume(volume, true);
}

void CMainCommandTable::SetTrackPan(double pan) {
    CUndoStep step(m_sources.undo);
    SelectedTrack()->SetPan(pan, true);
}

void CMainCommandTable::AskMasterVolume() {
    if (double volume = 0;
        AskPercent(&m_sources.owner, {"MixMenu:Volume", "MW_VolumePercent", 0, 200},
                   m_sources.mixer.GetMasterVolume(), volume))
        SetMasterVolume(volume);
}

void CMainCommandTable::AskTrackVolume() {
    if (double volume = 0;
        AskPercent(&m_sources.owner, {"TrackMenu:Volume", "MW_VolumePercent", 0, 200},
                   SelectedTrack()->GetVolume(), volume))
        SetTrackVolume(volume);
}

void CMainCommandTable::AskTrackPan() {
    if (double pan = 0; AskPercent(&m_sources.owner, {"TrackMenu:Pan", "MW_PanPercent", -100, 100},
                                   SelectedTrack()->GetPan(), pan))
        SetTrackPan(pan);
}
