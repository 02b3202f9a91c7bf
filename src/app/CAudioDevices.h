#pragma once

#include "engine/CMidiInputQueue.h"

#include <memory>
#include <vector>

class CDeviceCheck;
class CMidiInput;
class CPCMMixer;
class CPrefs;
class CProject;
class CRecordSession;
class DeviceCatalog;
struct ProjectPreferences;

// The devices the program plays, records and takes MIDI from, as the
// preferences choose them: opened at start-up and again whenever the user
// chooses others, without restarting. A device that cannot open leaves the
// mixer on its null device, so that the program goes on without sound.
class CAudioDevices {
public:
    // The test tone: 1 kHz at a quarter of full scale, half a second.
    static constexpr double kToneHz = 1000.0;
    static constexpr float kToneLevel = 0.25f;
    static constexpr int kToneMs = 500;

    CAudioDevices(CPrefs& prefs, CPCMMixer& mixer, const DeviceCatalog& devices);
    ~CAudioDevices();
    CAudioDevices(const CAudioDevices&) = delete;
    CAudioDevices& operator=(const CAudioDevices&) = delete;

    CPrefs& Prefs() { return m_prefs; }
    CPCMMixer& Mixer() { return m_mixer; }
    const DeviceCatalog& Catalog() const { return m_devices; }

    // Who hears of the devices once they exist: the project learns the
    // inputs tracks can arm, the recorder the MIDI input, the device check
    // starts counting afresh. Each may be null.
    void Attach(CProject* project, CRecordSession* recorder, CDeviceCheck* check);
    // The project's copy of the preferences, whose inputs for arming follow
    // the devices chosen.
    void SetProjectPreferences(ProjectPreferences* prefs) { m_projectPrefs = prefs; }

    // Closes whatever runs and opens the audio output and input, then the
    // MIDI input, the preferences choose. False when an audio device the
    // preferences ask for did not open (the null device plays then).
    bool Open();
    // Open after the user chose devices: a device that cannot open is
    // reported with the program's no-playback-device message.
    bool Reopen();
    // The audio output and input alone, as the device check reopens them.
    bool OpenAudio();
    // After MIDI inputs came or went: finds the chosen devices again by name
    // and opens the MIDI input anew; the project learns the new inputs.
    void ReopenMidiInput();
    // Plays the test tone over the output that runs, starting the null
    // device when no output runs at all.
    void PlayTestTone();

    bool IsMidiInputOpen() const { return m_midiInput != nullptr; }
    // The tone's interleaved stereo samples at the mixer's rate.
    static std::vector<float> TestTone();

private:
    void OpenMidiInput();
    void TellProject();

    CPrefs& m_prefs;
    CPCMMixer& m_mixer;
    const DeviceCatalog& m_devices;
    CProject* m_project = nullptr;
    ProjectPreferences* m_projectPrefs = nullptr;
    CRecordSession* m_recorder = nullptr;
    CDeviceCheck* m_check = nullptr;
    CMidiInputQueue m_midiQueue;
    std::unique_ptr<CMidiInput> m_midiInput;
};
