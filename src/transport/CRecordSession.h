#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

class CMidiInputQueue;
class CMidiRecordTake;
class CPCMMixer;
class CProject;
class CRecordTake;
class CRecordingClip;
class CTransport;
class CUndoMgr;

// Recording from the editor: a take of the armed audio and MIDI tracks started and stopped
// by the record button, with playback alongside as the preference says.
// Started while stopped, playback starts with the take (sync recording) and
// stops with it; started while playing, the take punches in and playback
// goes on after it. While the take runs, a recording clip on each armed
// track grows with every progress tick; when it stops, the recorded files
// become clips in one undo step.
//
// Time bases: the record start and the caret are heard milliseconds; the
// recording clips sit at the record start in reference time.
class CRecordSession {
public:
    // How often the recording clips grow while a take runs.
    static constexpr uint32_t kProgressPeriodMs = 500;

    CRecordSession(CTransport& transport, CProject& project, CPCMMixer& mixer, CUndoMgr& undo);
    ~CRecordSession();
    CRecordSession(const CRecordSession&) = delete;
    CRecordSession& operator=(const CRecordSession&) = delete;

    // Where MIDI input arrives; without one MIDI tracks do not record.
    void SetMidiInput(CMidiInputQueue* queue) { m_midiInput = queue; }
    // Whether the project plays while recording.
    void SetPlayWhileRecording(bool play) { m_playWhileRecording = play; }
    // A take stops by itself once it holds limitMs; off: it runs until stopped.
    void SetTimer(bool on, int32_t limitMs);
    bool IsTimerOn() const { return m_timerOn; }

    // Starts a take; false, with the user told why, when none started.
    bool Start();
    // Ends the take and places its clips; the number placed.
    int Stop();
    bool IsRecording() const;
    bool IsPunchIn() const { return m_punchIn; }
    // The record button: starts a take, or stops the running one.
    void Toggle();

    // The progress tick: the recording clips grow, the caret follows a take
    // recorded without playback, and the timer stops a take that is long
    // enough. True when the take stopped.
    bool Tick();
    // Milliseconds recorded in the running take.
    double RecordedMs() const;

private:
    // The audio take, its files made and its inputs open, not yet begun.
    bool PrepareTake();
    bool AnyArmed(int kind) const;
    void ArmSelectedWhenNothingIsArmed();
    void TakeMidiInput();
    void AddRecordingClips();
    void RemoveRecordingClips();

    CTransport& m_transport;
    CProject& m_project;
    CPCMMixer& m_mixer;
    CUndoMgr& m_undo;
    std::unique_ptr<CRecordTake> m_take;
    std::unique_ptr<CMidiRecordTake> m_midiTake;
    CMidiInputQueue* m_midiInput = nullptr;
    std::chrono::steady_clock::time_point m_started;
    std::vector<CRecordingClip*> m_clips;
    double m_startMs = 0.0;
    bool m_playWhileRecording = true;
    bool m_punchIn = false;
    bool m_timerOn = false;
    int32_t m_timerMs = 3600000;
};
