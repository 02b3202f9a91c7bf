#include "project/CClipImport.h"

#include "engine/CPCMMixer.h"
#include "gui/CFileDialog.h"
#include "gui/MessageBoxes.h"
#include "project/CAudioClip.h"
#include "project/CAudioTrack.h"
#include "project/CMIDIClip.h"
#include "project/CMidiFileImport.h"
#include "project/CProject.h"
#include "project/CTrack.h"
#include "project/CTrackFreeze.h"
#include "support/CUndoMgr.h"
#include "support/CUndoStep.h"
#include "support/LocalizedStrings.h"
#include "support/Log.h"
#include "support/Paths.h"

void CClipImport::AutoBeatMatch(const std::vector<KeyTempoTrack>& tracks) {
    Log("CProject::AutoBeatMatch() ENTER");
    if (m_project.InFileActivity()) {
        Log("Already in file activity mode...returning");
        return;
    }
    bool unanalysed = false;
    for (const KeyTempoTrack& track : tracks)
        for (const KeyTempoClip* clip : track.clips)
            unanalysed = unanalysed || !clip->IsSoundAnalysed();
    CUndoStep step(m_undo);
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
    m_project.SetFileActivity(true);
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
    m_project.SetFileActivity(false);
    if (first)
        m_project.AutoSwitchKeyTempo(*first, tracks, false, true);
    Log("CProject::AutoBeatMatch() EXIT");
}

CTrack* CClipImport::TrackForAudioClip() {
    CTrack* track = m_project.GetTrack(m_project.GetLastSelectedTrack());
    if (!track)
        track = m_project.AddAudioTrack(-1, true);
    else if (track->GetKind() == CTrack::kMidi)
        track = m_project.AddAudioTrack(m_project.GetLastSelectedTrack(), true);
    if (track && !track->IsSelected())
        m_project.SelectTrack(track->GetIndex(), false);
    // A new sound on a frozen track would not be heard: the track thaws first,
    // in the same undo step.
    if (auto* frozen = dynamic_cast<CPCMAudTrack*>(track); frozen && frozen->IsFrozen()) {
        frozen->BeginSettingsChange();
        CTrackFreeze(m_project, m_mixer, m_undo, m_prefs).SetFrozen(*frozen, false);
        frozen->EndSettingsChange();
    }
    return track;
}

CClip* CClipImport::AddFromFile(const std::string& path, const char* logName, bool acceptMidi) {
    LogFmt("%s zeFilePath: %s", logName, path.c_str());
    if (m_project.InFileActivity()) {
        Log("Already in file activity mode...returning NULL");
        return nullptr;
    }
    m_project.SetFileActivity(true);
    std::string chosen = path;
    if (chosen.empty()) {
        FileDialogRequest request;
        request.owner = m_project.DialogOwner();
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
        m_project.SetFileActivity(false);
        LogFmt("%s EXIT", logName);
        return added;
    }
    CAudioClip* clip = nullptr;
    if (!chosen.empty()) {
        CUndoStep step(m_undo);
        clip = new CAudioClip(m_project.Clips());
        CTrack* track = TrackForAudioClip();
        const bool placed = track && clip->LoadFromFile(chosen, m_project.GetAutoBeatMatch()) &&
                            track->AddClip(clip, m_project.CaretClipStart(), true);
        if (placed) {
            m_project.SelectClip(clip, false);
            m_project.AutoSwitchKeyTempo(*clip, KeyTempoTracks(), true, false);
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
    m_project.SetFileActivity(false);
    // Beat matching is a file activity of its own: it refuses to run inside
    // this one.
    if (clip && m_project.GetAutoBeatMatch())
        AutoBeatMatch(KeyTempoTracks());
    LogFmt("%s EXIT", logName);
    return clip;
}

CClip* CClipImport::AddMidiFileClips(const std::string& path) {
    CUndoStep step(m_undo);
    MidiFileContent content;
    std::string error;
    CClip* last = nullptr;
    if (CMidiFileImport::ReadFile(path, content, error)) {
        if (!error.empty())
            LogFmt("CProject::AddClip() - %s: %s", path.c_str(), error.c_str());
        last = CMidiFileImport(m_project).ImportIntoProject(
            content, RemoveExtensionFromFile(ExtractFileName(path), true),
            m_project.GetLastSelectedTrack(), m_project.CaretClipStart());
    }
    if (last) {
        m_project.SelectClip(last, false);
        m_undo.SetDirty(true);
    } else {
        ShowMessage(nullptr, "Err_LoadSoundFailed_Body", MB_OK | MB_ICONEXCLAMATION,
                    "Err_LoadSoundFailed_Title");
    }
    return last;
}

std::vector<KeyTempoTrack> CClipImport::KeyTempoTracks() const {
    std::vector<KeyTempoTrack> tracks;
    for (int index = 0; index < m_project.GetNumTracks(); ++index) {
        const CTrack* track = m_project.GetTrack(index);
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
