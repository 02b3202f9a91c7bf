#include "app/CSystemDeviceCatalog.h"

std::vector<std::string> CSystemDeviceCatalog::PlaybackDevices(int) const {
    return {};
}

std::vector<std::string> CSystemDeviceCatalog::RecordingDevices(int) const {
    return {};
}

std::vector<std::string> CSystemDeviceCatalog::MidiInputDevices() const {
    return {};
}

int CSystemDeviceCatalog::DefaultPlaybackDevice(int) const {
    return -1;
}
