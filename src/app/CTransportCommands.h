#pragma once

#include "transport/CTransport.h"

#include <cstdint>

class CPCMMixer;
class CPrefs;
class CProject;

// The main window's transport commands (play and stop, the position
// commands, loop play, the metronome, playing from markers and a clip's
// sound) carried out by the transport. It also hands the track area's
// Space key to the transport.
class CTransportCommands {
public:
    CTransportCommands(CProject& project, CPCMMixer& mixer, const CPrefs& prefs);
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

private:
    bool PlaySelectedClip();

    CProject& m_project;
    CPCMMixer& m_mixer;
    CTransport m_transport;
};
