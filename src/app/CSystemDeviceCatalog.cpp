#include "app/CSystemDeviceCatalog.h"

#include "engine/CRtAudioDevice.h"
#include "engine/MidiInputNames.h"

std::vector<std::string> CSystemDeviceCatalog::PlaybackDevices(int driverType) const {
    return CRtAudioDevice::OutputNames(driverType);
}

std::vector<std::string> CSystemDeviceCatalog::RecordingDevices(int driverType) const {
    return CRtAudioDevice::InputNames(driverType);
}

std::vector<std::string> CSystemDeviceCatalog::MidiInputDevices() const {
    return MidiInputNames();
}

int CSystemDeviceCatalog::DefaultPlaybackDevice(int driverType) const {
    return CRtAudioDevice::DefaultOutput(driverType);
}
