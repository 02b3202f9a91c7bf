#include "project/CProjectClipDocument.h"

#include "engine/CPCMMixer.h"
#include "engine/TempoMap.h"

#include "project/CClip.h"
#include "project/CPCMAudTrack.h"
#include "project/CProject.h"
#include "project/CProjectUndo.h"
#include "support/CUndoMgr.h"

CProjectClipDocument::CProjectClipDocument(CProject& project, CPCMMixer& mixer, CUndoMgr& undo)
    : m_project(project), m_mixer(mixer), m_undo(undo),
      m_missingSounds(std::make_unique<CMissingSounds>(
          MissingSoundFolders{m_ownFolders, m_ownAutoAddFolders})) {}

bool CProjectClipDocument::PlaceClip(CClip& clip, int32_t trackIndex, double positionMs) {
    CTrack* track = m_project.GetTrack(trackIndex);
    return track && track->AddClip(&clip, positionMs, false);
}

bool CProjectClipDocument::RemoveClip(CClip& clip) {
    CTrack* track = clip.GetTrack();
    return track && track->RemoveClip(&clip, false);
}

int32_t CProjectClipDocument::EngineTrackNumber(int32_t trackIndex) const {
    const auto* track = dynamic_cast<const CPCMAudTrack*>(m_project.GetTrack(trackIndex));
    return track ? track->GetTrackNumber() : -1;
}

bool CProjectClipDocument::AutoBeatMatch() const {
    return m_project.GetAutoBeatMatch();
}

const std::string& CProjectClipDocument::ProjectFilePath() const {
    return m_fileInUse.empty() ? m_project.GetProjectFilePath() : m_fileInUse;
}

std::optional<std::string> CProjectClipDocument::FindMissingSound(const std::string& path) {
    return m_missingSounds->FindMissingSound(path);
}

void CProjectClipDocument::SetMissingSoundFolders(MissingSoundFolders folders) {
    m_missingSounds = std::make_unique<CMissingSounds>(folders);
}

void CProjectClipDocument::RecordTrackAreaLayOut() {
    m_undo.AddUndoNode(CProjectUndo(m_project, CProjectUndo::kLayOut));
}

double CProjectClipDocument::SnapTime(double ms) const {
    return m_project.SnapAdjustedTime(ms);
}

double CProjectClipDocument::MsPerPixel() const {
    return m_project.MsPerPixel();
}

bool CProjectClipDocument::HandlesClipCommand(int32_t index) const {
    return CSelectedClipCommands::Handles(index);
}

void CProjectClipDocument::DoClipCommand(CClip& clip, int32_t index) {
    m_selectedCommands.Do(clip, index);
}

int32_t CProjectClipDocument::ShownEnvelopeType() const {
    return m_project.GetMasterEnvelopeType();
}

bool CProjectClipDocument::ShowsDecibels() const {
    return m_project.GetPreferences().bShowDBValues;
}

std::optional<TimeRange> CProjectClipDocument::TimeSelection() const {
    return m_project.TimeSelection().Range();
}

void CProjectClipDocument::SetCaretTime(double ms) {
    m_project.MoveCaretAndPlayback(ms);
}

double CProjectClipDocument::TempoAt(double ms) const {
    return m_mixer.GetTempoMap().GetTempoAtTime(ms);
}

int32_t CProjectClipDocument::KeyAt(double ms) const {
    return m_mixer.GetTempoMap().GetKeyAtTime(ms);
}
