#include "app/CSystemDeviceCatalog.h"

#include "engine/CRtAudioDevice.h"
#include "engine/MidiPortNames.h"

std::vector<std::string> CSystemDeviceCatalog::PlaybackDevices(int driverType) const {
    return CRtAudioDevice::OutputNames(driverType);
}

std::vector<std::string> CSystemDeviceCatalog::RecordingDevices(int driverType) const {
    return CRtAudioDevice::InputNames(driverType);
}

std::vector<int> CSystemDeviceCatalog::RecordingChannels(int driverType) const {
    return CRtAudioDevice::InputChannelCounts(driverType);
}

std::vector<std::string> CSystemDeviceCatalog::MidiInputDevices() const {
    return MidiInputNames();
}

std::vector<std::string> CSystemDeviceCatalog::MidiOutputDevices() const {
    return MidiOutputNames();
}

int CSystemDeviceCatalog::DefaultPlaybackDevice(int driverType) const {
    return CRtAudioDevice::DefaultOutput(driverType);
}
