#include "transport/CRecordSession.h"

#include "engine/CMidiInput.h"
#include "engine/CMidiInputQueue.h"
#include "engine/CPCMMixer.h"
#include "engine/TempoMap.h"
#include "gui/MessageBoxes.h"
#include "project/CMidiRecordTake.h"
#include "project/CPCMAudTrack.h"
#include "project/CProject.h"
#include "project/CRecordTake.h"
#include "project/CRecordingClip.h"
#include "support/CUndoStep.h"
#include "support/Log.h"
#include "transport/CTransport.h"

#include <algorithm>
#include <string>

namespace {

// Starts playback from the caret paused: no block plays, and no input is
// taken, until the take has begun. Under the mixer's lock, so that not one
// block plays between the start and the pause.
bool PlayHeldBack(CTransport& transport, CPCMMixer& mixer) {
    // Without an output the transport tells the user, never under the lock.
    if (!transport.StartOutput())
        return transport.Play();
    mixer.Lock();
    const bool playing = transport.Play();
    if (playing)
        mixer.Pause(true);
    mixer.Unlock();
    return playing;
}

} // namespace

CRecordSession::CRecordSession(CTransport& transport, CProject& project, CPCMMixer& mixer,
                               CUndoMgr& undo)
    : m_transport(transport), m_project(project), m_mixer(mixer), m_undo(undo),
      m_midiTake(std::make_unique<CMidiRecordTake>(project)) {}

CRecordSession::~CRecordSession() {
    Stop();
}

void CRecordSession::SetTimer(bool on, int32_t limitMs) {
    m_timerOn = on && limitMs > 0;
    if (limitMs > 0)
        m_timerMs = limitMs;
}

bool CRecordSession::IsRecording() const {
    return (m_take && m_take->IsRecording()) || m_midiTake->IsRecording();
}

// The audio take counts its frames; MIDI alone counts the time since the start.
double CRecordSession::RecordedMs() const {
    if (m_take && m_take->IsRecording())
        return m_take->RecordedMs();
    if (!m_midiTake->IsRecording())
        return 0.0;
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - m_started)
        .count();
}

void CRecordSession::TakeMidiInput() {
    if (!m_midiInput || !m_midiTake->IsRecording())
        return;
    TimedMidiMessage event;
    while (m_midiInput->Pop(event))
        m_midiTake->Take(event);
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
    ArmSelectedWhenNothingIsArmed();
    const bool audio = AnyArmed(CTrack::kAudio);
    const bool midi = m_midiInput && AnyArmed(CTrack::kMidi);
    if (!audio && !midi) {
        Log("Error: Nothing to record! Failing & exiting.");
        return false;
    }
    if (audio && !CRecordTake::FolderUsable(m_project.GetRecordingFolder())) {
        ShowMessage(nullptr, "RecFolderMissing_Body", MB_OK | MB_ICONHAND,
                    "RecFolderMissing_Title");
        return false;
    }
    const bool playing = m_transport.IsPlaying();
    m_punchIn = playing && m_playWhileRecording;
    const bool sync = !playing && m_playWhileRecording;
    if (playing && !m_playWhileRecording)
        m_transport.Stop();
    // Making the files and opening the inputs takes long: it is done before
    // playback starts, and the take begins right after, so that its first
    // input frames arrive with the first blocks played from the record start.
    if (audio && !PrepareTake()) {
        m_punchIn = false;
        return false;
    }
    bool running = !sync || PlayHeldBack(m_transport, m_mixer);
    if (running && !m_transport.IsPlaying()) {
        // Without playback the input still needs a running device; the
        // take starts where the caret stands.
        running = m_transport.StartOutput();
        if (running)
            m_mixer.SetPositionMs(m_project.GetCaretTime());
    }
    if (!running) {
        // Nothing was recorded: the prepared files go.
        m_take.reset();
        m_punchIn = false;
        return false;
    }
    m_startMs = m_transport.PlayPosition();
    if (m_take)
        m_take->Begin();
    // Playback and the input start with the same block.
    m_mixer.Pause(false);
    if (midi) {
        // What came in before the record start is not part of the take.
        m_midiInput->Clear();
        m_midiTake->Start(m_startMs, CMidiInput::ClockMs(), m_transport.IsPlaying());
    }
    m_started = std::chrono::steady_clock::now();
    AddRecordingClips();
    LogFmt("CRecordSession: recording from %.0f ms%s", m_startMs,
           m_punchIn ? " (punch-in)" : (sync ? " with playback" : ""));
    return true;
}

bool CRecordSession::AnyArmed(int kind) const {
    for (int index = 0; index < m_project.GetNumTracks(); ++index) {
        const CTrack* track = m_project.GetTrack(index);
        if (track->GetKind() == kind && track->IsArmed())
            return true;
    }
    return false;
}

// With nothing armed the selected track records.
void CRecordSession::ArmSelectedWhenNothingIsArmed() {
    if (AnyArmed(CTrack::kAudio) || AnyArmed(CTrack::kMidi))
        return;
    const int selected = m_project.GetLastSelectedTrack();
    if (selected >= 0 && selected < m_project.GetNumTracks())
        m_project.GetTrack(selected)->ToggleArm();
}

bool CRecordSession::PrepareTake() {
    m_take = std::make_unique<CRecordTake>(m_project, m_mixer, m_undo);
    std::string reason;
    if (m_take->Prepare(reason))
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
    for (int index = 0; index < m_project.GetNumTracks(); ++index) {
        CTrack* track = m_project.GetTrack(index);
        const bool midi = track->GetKind() == CTrack::kMidi;
        if (!track->IsArmed() || (midi ? !m_midiTake->IsRecording() : !m_take))
            continue;
        auto* clip =
            new CRecordingClip(m_project.Clips(), midi ? ClipKind::kMidi : ClipKind::kAudio);
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
    TakeMidiInput();
    const double recorded = RecordedMs();
    RemoveRecordingClips();
    int placed = 0;
    {
        CUndoStep step(m_undo);
        if (m_take)
            placed += m_take->Stop();
        placed += m_midiTake->Stop(recorded);
    }
    if (!m_punchIn) {
        m_transport.Stop();
        if (placed > 0)
            m_project.MoveCaretAndPlayback(m_startMs + recorded);
    }
    m_punchIn = false;
    m_take.reset();
    LogFmt("CRecordSession: recording stopped, %d clips placed", placed);
    return placed;
}

bool CRecordSession::Tick() {
    if (!IsRecording())
        return false;
    TakeMidiInput();
    const double recorded = RecordedMs();
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
