#pragma once

#include "transport/CRecordSession.h"
#include "transport/CTransport.h"

#include <cstdint>
#include <functional>

class CPCMMixer;
class CPrefs;
class CProject;
class CUndoMgr;

// The main window's transport commands (play and stop, the position
// commands, loop play, the metronome, playing from markers and a clip's
// sound, recording and its timer) carried out by the transport and the recording session.
// It also hands the track area's Space key to the transport; Space during a
// recording stops the recording first.
class CTransportCommands {
public:
    CTransportCommands(CProject& project, CPCMMixer& mixer, CPrefs& prefs, CUndoMgr& undo);
    ~CTransportCommands();
    CTransportCommands(const CTransportCommands&) = delete;
    CTransportCommands& operator=(const CTransportCommands&) = delete;

    // Starts an output device for the mixer when none runs; false when
    // none can run.
    static bool StartOutputIfIdle(CPCMMixer& mixer);

    // False when the command is not one of these or could not run now.
    bool Execute(int32_t command);
    bool Handles(int32_t command) const;
    // Whether a menu entry of the command shows a check mark.
    bool IsChecked(int32_t command) const;
    CTransport& Transport() { return m_transport; }
    CRecordSession& Recorder() { return m_recorder; }
    // What the Record command presses: the master bar's record button, which
    // also drives the recording's progress; without one the session alone.
    void SetRecordButton(std::function<void()> press) { m_pressRecord = std::move(press); }

private:
    bool PlaySelectedClip();
    void PlayStop();
    void AskRecordTimer();

    CProject& m_project;
    CPCMMixer& m_mixer;
    CPrefs& m_prefs;
    CTransport m_transport;
    CRecordSession m_recorder;
    std::function<void()> m_pressRecord;
};
