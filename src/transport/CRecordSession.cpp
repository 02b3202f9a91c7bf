#include "transport/CRecordSession.h"

#include "engine/CPCMMixer.h"
#include "engine/TempoMap.h"
#include "gui/MessageBoxes.h"
#include "project/CPCMAudTrack.h"
#include "project/CProject.h"
#include "project/CRecordTake.h"
#include "project/CRecordingClip.h"
#include "support/Log.h"
#include "transport/CTransport.h"

#include <algorithm>
#include <string>

CRecordSession::CRecordSession(CTransport& transport, CProject& project, CPCMMixer& mixer,
                               CUndoMgr& undo)
    : m_transport(transport), m_project(project), m_mixer(mixer), m_undo(undo) {}

CRecordSession::~CRecordSession() {
    Stop();
}

void CRecordSession::SetTimer(bool on, int32_t limitMs) {
    m_timerOn = on && limitMs > 0;
    if (limitMs > 0)
        m_timerMs = limitMs;
}

bool CRecordSession::IsRecording() const {
    return m_take && m_take->IsRecording();
}

double CRecordSession::RecordedMs() const {
    return IsRecording() ? m_take->RecordedMs() : 0.0;
}

void CRecordSession::Toggle() {
    if (IsRecording())
        Stop();
    else
        Start();
}

bool CRecordSession::Start() {
    if (IsRecording())
        return false;
    if (!CRecordTake::FolderUsable(m_project.GetRecordingFolder())) {
        ShowMessage(nullptr, "RecFolderMissing_Body", MB_OK | MB_ICONHAND,
                    "RecFolderMissing_Title");
        return false;
    }
    const bool playing = m_transport.IsPlaying();
    m_punchIn = playing && m_playWhileRecording;
    const bool sync = !playing && m_playWhileRecording;
    if (playing && !m_playWhileRecording)
        m_transport.Stop();
    // Playback starts first, so that the take's first input frame arrives
    // with the play position it belongs to.
    if (sync && !m_transport.Play())
        return false;
    if (!m_transport.IsPlaying()) {
        // Without playback the input still needs a running device; the
        // take starts where the caret stands.
        if (!m_transport.StartOutput())
            return false;
        m_mixer.SetPositionMs(m_project.GetCaretTime());
    }
    m_startMs = m_transport.PlayPosition();
    if (!StartTake()) {
        if (sync)
            m_transport.Stop();
        m_punchIn = false;
        return false;
    }
    AddRecordingClips();
    LogFmt("CRecordSession: recording from %.0f ms%s", m_startMs,
           m_punchIn ? " (punch-in)" : (sync ? " with playback" : ""));
    return true;
}

bool CRecordSession::StartTake() {
    m_take = std::make_unique<CRecordTake>(m_project, m_mixer, m_undo);
    std::string reason;
    if (m_take->Start(reason))
        return true;
    m_take.reset();
    // Nothing to record on is only logged; a file problem is the user's to know.
    if (reason != CRecordTake::kNothingArmed)
        ShowFormattedMessage("Err_RecordFileProblemTitle", "Err_RecordFileProblem",
                             MB_OK | MB_ICONEXCLAMATION, reason);
    return false;
}

void CRecordSession::AddRecordingClips() {
    const double startReference = m_project.GetTempoMap().GetRealTime(m_startMs);
    for (CPCMAudTrack* track : m_take->Tracks()) {
        auto* clip = new CRecordingClip(m_project.Clips(), ClipKind::kAudio);
        if (track->AddClip(clip, startReference, false))
            m_clips.push_back(clip);
        else
            clip->DeleteRefObject();
    }
}

void CRecordSession::RemoveRecordingClips() {
    for (CRecordingClip* clip : m_clips) {
        if (CTrack* track = clip->GetTrack())
            track->RemoveClip(clip, false);
        clip->DeleteRefObject();
    }
    m_clips.clear();
}

int CRecordSession::Stop() {
    if (!IsRecording())
        return 0;
    RemoveRecordingClips();
    const int placed = m_take->Stop();
    if (!m_punchIn) {
        m_transport.Stop();
        if (placed > 0)
            m_project.MoveCaretAndPlayback(m_take->PlacedEndMs());
    }
    m_punchIn = false;
    m_take.reset();
    LogFmt("CRecordSession: recording stopped, %d clips placed", placed);
    return placed;
}

bool CRecordSession::Tick() {
    if (!IsRecording())
        return false;
    const double recorded = m_take->RecordedMs();
    for (CRecordingClip* clip : m_clips)
        clip->SetRecordedMs(recorded);
    if (!m_transport.IsPlaying())
        m_project.MoveCaretAndPlayback(m_startMs + recorded);
    if (m_timerOn && recorded >= m_timerMs) {
        Log("CRecordSession: the record timer stops the recording");
        Stop();
        return true;
    }
    return false;
}
