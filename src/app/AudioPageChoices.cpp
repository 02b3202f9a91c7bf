#include "app/AudioPageChoices.h"

#include "app/CPrefs.h"
#include "app/DeviceCatalog.h"
#include "engine/WaveFormat.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

namespace {

constexpr int kMillisecondsPerSecond = 1000;

// The record a driver type keeps its rate and block size in.
MixerInitRecord& RecordOf(CPrefs& prefs, int driverType) {
    if (driverType == DeviceCatalog::kAsio)
        return prefs.mixerASIOInit;
    if (driverType == DeviceCatalog::kWaveRT)
        return prefs.mixWaveRTInit;
    return prefs.mixerInit;
}

const MixerInitRecord& RecordOf(const CPrefs& prefs, int driverType) {
    return RecordOf(const_cast<CPrefs&>(prefs), driverType);
}

int Nearest(const std::vector<int>& offered, int wanted) {
    return *std::min_element(offered.begin(), offered.end(), [wanted](int a, int b) {
        return std::abs(a - wanted) < std::abs(b - wanted);
    });
}

int BlockFramesOf(const CPrefs& prefs, int driverType) {
    const MixerInitRecord& record = RecordOf(prefs, driverType);
    if (driverType == DeviceCatalog::kWaveRT)
        return prefs.mixWaveRTLatency * static_cast<int>(record.sampleRate) /
               kMillisecondsPerSecond;
    return record.blockAlign > 0 ? record.bufferSize / record.blockAlign : 0;
}

int OutputIndexOf(const CPrefs& prefs, const DeviceCatalog& devices, int driverType) {
    if (driverType == DeviceCatalog::kAsio)
        return prefs.mixASIODevice;
    if (driverType == DeviceCatalog::kWaveRT)
        return prefs.mixWaveRTOutput >= 0 ? prefs.mixWaveRTOutput
                                          : std::max(0, devices.DefaultPlaybackDevice(driverType));
    return prefs.mixWaveOutput;
}

int InputIndexOf(const CPrefs& prefs, int driverType) {
    if (driverType == DeviceCatalog::kAsio)
        return prefs.mixASIOInput;
    if (driverType == DeviceCatalog::kWaveRT)
        return prefs.mixWaveRTInput;
    return prefs.mixWaveInput;
}

std::string NameAt(const std::vector<std::string>& names, int index) {
    return index >= 0 && static_cast<size_t>(index) < names.size()
               ? names[static_cast<size_t>(index)]
               : std::string();
}

} // namespace

std::vector<int> AudioPageChoices::SampleRates() {
    // The mixer mixes at one rate; the devices are opened at it.
    return {kMixerSampleRate};
}

std::vector<int> AudioPageChoices::BlockSizes() {
    return {64, 128, 256, 512, 1024, 2048, 4096};
}

AudioPageChoices AudioPageChoices::FromPrefs(const CPrefs& prefs, const DeviceCatalog& devices) {
    AudioPageChoices choices;
    const int type = prefs.mixDeviceType;
    choices.driver = prefs.bNoAudioDevice ? kNoDevice : type;
    choices.output = OutputIndexOf(prefs, devices, type);
    choices.input = InputIndexOf(prefs, type);
    choices.midiInput = prefs.mixMidiInDevice;
    choices.sampleRate = Nearest(SampleRates(), static_cast<int>(RecordOf(prefs, type).sampleRate));
    choices.blockFrames = Nearest(BlockSizes(), BlockFramesOf(prefs, type));
    return choices;
}

void AudioPageChoices::Store(CPrefs& prefs, const DeviceCatalog& devices) const {
    prefs.bNoAudioDevice = driver == kNoDevice;
    // Choosing no device keeps the last real driver's settings for later.
    const int type = prefs.bNoAudioDevice ? prefs.mixDeviceType : driver;
    prefs.mixDeviceType = type;
    MixerInitRecord& record = RecordOf(prefs, type);
    record.sampleRate = static_cast<uint32_t>(sampleRate);
    record.avgBytesPerSec = record.sampleRate * record.blockAlign;
    record.bufferSize = blockFrames * record.blockAlign;
    if (!prefs.bNoAudioDevice) {
        switch (type) {
        case DeviceCatalog::kAsio:
            prefs.mixASIODevice = prefs.mixASIOOutput = output;
            prefs.mixASIOInput = input;
            break;
        case DeviceCatalog::kWaveRT:
            prefs.mixWaveRTOutput = output;
            prefs.mixWaveRTInput = input;
            prefs.mixWaveRTLatency =
                std::max(1, static_cast<int32_t>(std::lround(
                                blockFrames * double{kMillisecondsPerSecond} / sampleRate)));
            break;
        default:
            prefs.mixWaveOutput = output;
            prefs.mixWaveInput = input;
            break;
        }
        record.firstField = output;
        prefs.lastPlaybackDevice = NameAt(devices.PlaybackDevices(type), output);
        prefs.lastRecordingDevice = NameAt(devices.RecordingDevices(type), input);
    }
    prefs.mixMidiInDevice = midiInput;
    prefs.lastMidiInDevice = NameAt(devices.MidiInputDevices(), midiInput);
}
