#include "app/CTransportCommands.h"

#include "app/CPrefs.h"
#include "app/MainCommands.h"
#include "app/RecordTimerDialog.h"
#include "engine/CNullDevice.h"
#include "engine/CPCMMixer.h"
#include "project/CProject.h"

namespace {

// Frames a block of the output device.
constexpr int kOutputBlockFrames = 256;

bool IsMarkerCommand(int32_t command) {
    return command >= kCmdPlayFromMarkerFirst &&
           command < kCmdPlayFromMarkerFirst + kCmdMarkerRange;
}

} // namespace

CTransportCommands::CTransportCommands(CProject& project, CPCMMixer& mixer, CPrefs& prefs,
                                       CUndoMgr& undo)
    : m_project(project), m_mixer(mixer), m_prefs(prefs), m_transport(project, mixer),
      m_recorder(m_transport, project, mixer, undo) {
    m_transport.SetStartOutput([&mixer] { return StartOutputIfIdle(mixer); });
    m_transport.SetStepsAsClicks(prefs.bSetPlaybackIndicatorOnTracksClick);
    m_recorder.SetPlayWhileRecording(prefs.bPlaybackWhenRecording);
    m_recorder.SetTimer(false, prefs.recTimerMils);
    m_project.SetPlayStopCommand([this](uint32_t) { PlayStop(); });
    // Loop play repeats the time selection when there is one.
    m_transport.SetTimeSelectionSource([&project]() -> std::optional<HeardRange> {
        if (const std::optional<TimeRange> range = project.TimeSelection().Range())
            return HeardRange{range->startMs, range->endMs};
        return std::nullopt;
    });
}

CTransportCommands::~CTransportCommands() {
    m_project.SetPlayStopCommand(nullptr);
    m_recorder.Stop();
    // Nothing plays on once the window that started it is gone.
    m_transport.Stop();
}

bool CTransportCommands::StartOutputIfIdle(CPCMMixer& mixer) {
    // The device opened at start-up plays when there is one; a real device
    // that has stopped since is not silently replaced by the null device.
    if (mixer.IsOpen())
        return mixer.GetDevice().IsRunning();
    CNullDevice& device = mixer.GetNullDevice();
    return device.IsRunning() || device.Start(kOutputBlockFrames);
}

bool CTransportCommands::Handles(int32_t command) const {
    switch (command) {
    case kCmdPlay:
    case kCmdPlayFromPreviousMarker:
    case kCmdPlayFromNextMarker:
    case kCmdRewindToStart:
    case kCmdFastForwardToEnd:
    case kCmdLoopPlay:
    case kCmdMetronome:
    case kCmdPlaySound:
    case kCmdRecord:
    case kCmdRecordingTimer:
        return true;
    default:
        return IsMarkerCommand(command);
    }
}

bool CTransportCommands::Execute(int32_t command) {
    switch (command) {
    case kCmdPlay:
        PlayStop();
        return true;
    case kCmdRecord:
        if (m_pressRecord)
            m_pressRecord();
        else
            m_recorder.Toggle();
        return true;
    case kCmdPlayFromPreviousMarker:
        return m_transport.PlayFromPreviousMarker();
    case kCmdPlayFromNextMarker:
        return m_transport.PlayFromNextMarker();
    case kCmdRewindToStart:
        m_transport.GoToStart();
        return true;
    case kCmdFastForwardToEnd:
        m_transport.GoToEnd();
        return true;
    case kCmdLoopPlay:
        m_transport.ToggleLoopPlay();
        return true;
    case kCmdMetronome:
        m_transport.ToggleMetronome();
        return true;
    case kCmdPlaySound:
        return PlaySelectedClip();
    case kCmdRecordingTimer:
        AskRecordTimer();
        return true;
    default:
        return IsMarkerCommand(command) &&
               m_transport.PlayFromMarker(command - kCmdPlayFromMarkerFirst);
    }
}

bool CTransportCommands::IsChecked(int32_t command) const {
    if (command == kCmdLoopPlay)
        return m_transport.IsLoopPlay();
    if (command == kCmdMetronome)
        return m_transport.IsMetronomeOn();
    if (command == kCmdRecord)
        return m_recorder.IsRecording();
    if (command == kCmdRecordingTimer)
        return m_recorder.IsTimerOn();
    return false;
}

void CTransportCommands::PlayStop() {
    if (m_recorder.IsRecording()) {
        // Through the record button, so that the master bar shows it.
        if (m_pressRecord)
            m_pressRecord();
        else
            m_recorder.Stop();
        m_transport.Stop();
    } else {
        m_transport.PlayStop();
    }
}

// The dialog's answer switches the timer on or off; the limit is kept for
// the next time.
void CTransportCommands::AskRecordTimer() {
    const bool on = ::AskRecordTimer(m_project.DialogOwner(), m_prefs.recTimerMils);
    m_recorder.SetTimer(on, m_prefs.recTimerMils);
}

bool CTransportCommands::PlaySelectedClip() {
    const std::vector<CClip*>& clips = m_project.Selection().Clips();
    return !clips.empty() && m_transport.PlayClip(*clips.front());
}
