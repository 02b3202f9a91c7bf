#include "app/CAudioDevices.h"

#include "app/CPrefs.h"
#include "app/DeviceCatalog.h"
#include "app/StartupDevices.h"
#include "engine/CMidiInput.h"
#include "engine/CNullDevice.h"
#include "engine/CPCMMixer.h"
#include "engine/WaveFormat.h"
#include "gui/MessageBoxes.h"
#include "project/CProject.h"
#include "project/ProjectPreferences.h"
#include "support/Log.h"
#include "transport/CDeviceCheck.h"
#include "transport/CRecordSession.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr int kNullBlockFrames = 256;
// The tone fades in and out over this many frames, so that it does not click.
constexpr int kToneFadeFrames = 441;

} // namespace

CAudioDevices::CAudioDevices(CPrefs& prefs, CPCMMixer& mixer, const DeviceCatalog& devices)
    : m_prefs(prefs), m_mixer(mixer), m_devices(devices) {}

CAudioDevices::~CAudioDevices() = default;

void CAudioDevices::Attach(CProject* project, CRecordSession* recorder, CDeviceCheck* check) {
    m_project = project;
    m_recorder = recorder;
    m_check = check;
}

bool CAudioDevices::OpenAudio() {
    if (m_prefs.bNoAudioDevice) {
        m_mixer.CloseDevice();
        Log("No audio device chosen - playing on the null device");
        return true;
    }
    return OpenAudioDevices(m_mixer, ChooseAudioDevices(m_prefs, m_devices));
}

bool CAudioDevices::Open() {
    m_midiInput.reset();
    const bool opened = OpenAudio();
    TellProject();
    OpenMidiInput();
    if (m_check)
        m_check->Rebase();
    return opened;
}

bool CAudioDevices::Reopen() {
    if (Open())
        return true;
    ShowMessage(nullptr, "Err_NoPlaybackDevice", MB_OK | MB_ICONHAND, "ProgramName");
    return false;
}

void CAudioDevices::TellProject() {
    if (m_projectPrefs) {
        m_projectPrefs->mixWaveInput = m_prefs.mixWaveInput;
        m_projectPrefs->mixWaveRTInput = m_prefs.mixWaveRTInput;
        m_projectPrefs->mixASIOInput = m_prefs.mixASIOInput;
        m_projectPrefs->mixMidiInDevice = m_prefs.mixMidiInDevice;
    }
    if (!m_project)
        return;
    RecordingInput input = RecordingInputOf(m_prefs, m_devices);
    if (m_prefs.bNoAudioDevice) {
        // Nothing to record from: arming tells the user so.
        input.deviceCount = 0;
        input.deviceNames.clear();
    }
    m_project->SetRecordingInput(input, static_cast<int>(input.midiDeviceNames.size()));
}

void CAudioDevices::ReopenMidiInput() {
    m_midiInput.reset();
    FindDevicesAgain(m_prefs, m_devices);
    TellProject();
    OpenMidiInput();
}

// The chosen MIDI input feeds the recording of armed MIDI tracks.
void CAudioDevices::OpenMidiInput() {
    if (m_prefs.mixMidiInDevice < 0)
        return;
    m_midiInput = std::make_unique<CMidiInput>(m_mixer, m_midiQueue);
    std::string reason;
    if (!m_midiInput->Open(m_prefs.mixMidiInDevice, reason)) {
        LogFmt("MIDI input %d could not open: %s", m_prefs.mixMidiInDevice, reason.c_str());
        m_midiInput.reset();
        return;
    }
    if (m_recorder)
        m_recorder->SetMidiInput(&m_midiQueue);
}

std::vector<float> CAudioDevices::TestTone() {
    const int frames = kMixerSampleRate * kToneMs / 1000;
    std::vector<float> stereo(static_cast<size_t>(frames) * 2);
    for (int frame = 0; frame < frames; ++frame) {
        const int edge = std::min(frame, frames - 1 - frame);
        const float fade =
            edge < kToneFadeFrames ? static_cast<float>(edge) / kToneFadeFrames : 1.0f;
        const double phase = 2.0 * std::numbers::pi * kToneHz * frame / kMixerSampleRate;
        const float sample = kToneLevel * fade * static_cast<float>(std::sin(phase));
        stereo[static_cast<size_t>(frame) * 2] = sample;
        stereo[static_cast<size_t>(frame) * 2 + 1] = sample;
    }
    return stereo;
}

void CAudioDevices::PlayTestTone() {
    if (!m_mixer.IsOpen() && !m_mixer.GetNullDevice().IsRunning())
        m_mixer.GetNullDevice().Start(kNullBlockFrames);
    m_mixer.StartOneShot(TestTone());
}
