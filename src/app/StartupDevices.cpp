#include "app/StartupDevices.h"

#include "app/CPrefs.h"
#include "app/DeviceCatalog.h"
#include "engine/CAudioDevice.h"
#include "engine/CPCMMixer.h"
#include "gui/MessageBoxes.h"
#include "support/Log.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr int kFastProcessorMHz = 1500;
constexpr int kWaveRTFirstRunLatency = 50;
constexpr int kFastProcessorBuffers = 8;
constexpr int kFastProcessorBufferSize = 2048;
constexpr int kDefaultBlockFrames = 256;
constexpr int kFewestBlockFrames = 64;
constexpr int kMostBlockFrames = 8192;
constexpr int kRecordingChannels = 2;

// The remembered device's position when its name is listed; the index otherwise.
void FindByName(int32_t& index, const std::string& name, const std::vector<std::string>& names) {
    if (index < 0 || name.empty())
        return;
    const auto found = std::find(names.begin(), names.end(), name);
    if (found != names.end())
        index = static_cast<int32_t>(found - names.begin());
}

// An index the driver does not have becomes the first device.
int32_t WithinDevices(int32_t index, size_t count) {
    return index >= 0 && static_cast<size_t>(index) < count ? index : 0;
}

void FindWaveRTOutput(CPrefs& prefs, const DeviceCatalog& devices) {
    const std::vector<std::string> outputs = devices.PlaybackDevices(DeviceCatalog::kWaveRT);
    if (prefs.mixWaveRTOutput != -1) {
        FindByName(prefs.mixWaveRTOutput, prefs.lastPlaybackDevice, outputs);
        return;
    }
    const int fallback = devices.DefaultPlaybackDevice(DeviceCatalog::kWaveRT);
    if (fallback < 0 || static_cast<size_t>(fallback) >= outputs.size())
        return;
    prefs.mixWaveRTOutput = fallback;
    prefs.lastPlaybackDevice = outputs[static_cast<size_t>(fallback)];
}

// The name at that position, or "" (the default device) when it is not listed.
std::string NameAt(int32_t index, const std::vector<std::string>& names) {
    return index >= 0 && static_cast<size_t>(index) < names.size()
               ? names[static_cast<size_t>(index)]
               : std::string();
}

int BlockFramesOf(const MixerInitRecord& record) {
    if (!record.IsUsable() || record.blockAlign == 0)
        return kDefaultBlockFrames;
    return std::clamp(record.bufferSize / record.blockAlign, kFewestBlockFrames, kMostBlockFrames);
}

} // namespace

bool OfferDeviceResetAfterInterruptedStart(CPrefs& prefs) {
    if (!prefs.bAttemptToOpenDevice)
        return false;
    prefs.bAttemptToOpenDevice = false;
    const int answer = ShowMessage(nullptr, "CRASH_ResetDevices", MB_YESNO | MB_ICONQUESTION,
                                   "CRASH_ResetDevicesTitle");
    if (answer == IDYES) {
        Log("Resetting the audio device settings to their defaults");
        prefs.ResetDeviceSettings();
    }
    return true;
}

void ChooseFirstRunDevices(CPrefs& prefs, const DeviceCatalog& devices, int cpuSpeedMHz) {
    if (!prefs.bFirstRun)
        return;
    if (!devices.PlaybackDevices(DeviceCatalog::kWaveRT).empty()) {
        prefs.mixDeviceType = DeviceCatalog::kWaveRT;
        prefs.mixWaveRTOutput = -1;
        prefs.mixWaveRTInput = 0;
        prefs.mixWaveRTLatency = kWaveRTFirstRunLatency;
    } else if (cpuSpeedMHz > kFastProcessorMHz) {
        prefs.mixerInit.numBuffers = kFastProcessorBuffers;
        prefs.mixerInit.bufferSize = kFastProcessorBufferSize;
    }
}

void FindDevicesAgain(CPrefs& prefs, const DeviceCatalog& devices) {
    switch (prefs.mixDeviceType) {
    case DeviceCatalog::kWave:
        FindByName(prefs.mixWaveInput, prefs.lastRecordingDevice,
                   devices.RecordingDevices(DeviceCatalog::kWave));
        FindByName(prefs.mixWaveOutput, prefs.lastPlaybackDevice,
                   devices.PlaybackDevices(DeviceCatalog::kWave));
        break;
    case DeviceCatalog::kWaveRT:
        FindByName(prefs.mixWaveRTInput, prefs.lastRecordingDevice,
                   devices.RecordingDevices(DeviceCatalog::kWaveRT));
        FindWaveRTOutput(prefs, devices);
        break;
    case DeviceCatalog::kAsio:
        FindByName(prefs.mixASIODevice, prefs.lastPlaybackDevice,
                   devices.PlaybackDevices(DeviceCatalog::kAsio));
        break;
    default:
        break;
    }
    FindByName(prefs.mixMidiInDevice, prefs.lastMidiInDevice, devices.MidiInputDevices());
}

void PrepareOutputDevice(CPrefs& prefs, const DeviceCatalog& devices) {
    switch (prefs.mixDeviceType) {
    case DeviceCatalog::kWave:
        prefs.mixerInit.firstField = WithinDevices(
            prefs.mixWaveOutput, devices.PlaybackDevices(DeviceCatalog::kWave).size());
        break;
    case DeviceCatalog::kAsio:
        prefs.mixerASIOInit.firstField = WithinDevices(
            prefs.mixASIOOutput, devices.PlaybackDevices(DeviceCatalog::kAsio).size());
        break;
    case DeviceCatalog::kWaveRT:
        prefs.mixWaveRTInit.firstField = prefs.mixWaveRTOutput;
        break;
    default:
        break;
    }
}

AudioDeviceChoice ChooseAudioDevices(const CPrefs& prefs, const DeviceCatalog& devices) {
    AudioDeviceChoice choice;
    choice.driverType = prefs.mixDeviceType;
    choice.inputChannels = kRecordingChannels;
    const std::vector<std::string> outputs = devices.PlaybackDevices(prefs.mixDeviceType);
    const std::vector<std::string> inputs = devices.RecordingDevices(prefs.mixDeviceType);
    switch (prefs.mixDeviceType) {
    case DeviceCatalog::kWave:
        choice.outputName = NameAt(prefs.mixerInit.firstField, outputs);
        choice.inputName = NameAt(prefs.mixWaveInput, inputs);
        choice.blockFrames = BlockFramesOf(prefs.mixerInit);
        break;
    case DeviceCatalog::kAsio:
        // The JACK server sets the block size itself.
        choice.outputName = NameAt(prefs.mixASIODevice, outputs);
        choice.inputName = NameAt(prefs.mixASIOInput, inputs);
        break;
    case DeviceCatalog::kWaveRT:
        choice.outputName = NameAt(prefs.mixWaveRTInit.firstField, outputs);
        choice.inputName = NameAt(prefs.mixWaveRTInput, inputs);
        choice.blockFrames = std::clamp(prefs.mixWaveRTLatency * kMixerSampleRate / 1000,
                                        kFewestBlockFrames, kMostBlockFrames);
        break;
    default:
        break;
    }
    return choice;
}

bool OpenAudioDevices(CPCMMixer& mixer, const AudioDeviceChoice& choice) {
    std::string reason;
    if (mixer.OpenDevice(choice, reason))
        return true;
    LogFmt("Audio devices with input could not open: %s", reason.c_str());
    AudioDeviceChoice outputOnly = choice;
    outputOnly.inputChannels = 0;
    if (mixer.OpenDevice(outputOnly, reason))
        return true;
    LogFmt("Audio device could not open: %s - playing on the null device", reason.c_str());
    return false;
}

RecordingInput RecordingInputOf(const CPrefs& prefs, const DeviceCatalog& devices) {
    RecordingInput input;
    input.driverType = prefs.mixDeviceType;
    input.deviceNames = devices.RecordingDevices(prefs.mixDeviceType);
    input.deviceCount = static_cast<int>(input.deviceNames.size());
    input.midiDeviceNames = devices.MidiInputDevices();
    // A track records from its own device, whichever input the mixer reads.
    input.channelCount = [counts = devices.RecordingChannels(prefs.mixDeviceType)](int device) {
        const size_t slot = static_cast<size_t>(device);
        return device >= 0 && slot < counts.size() ? counts[slot] : 0;
    };
    return input;
}
