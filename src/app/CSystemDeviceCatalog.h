#pragma once

#include "app/DeviceCatalog.h"

// The devices of this machine. The engine plays on its null device and opens
// no hardware yet, so no driver offers a device.
class CSystemDeviceCatalog : public DeviceCatalog {
public:
    std::vector<std::string> PlaybackDevices(int driverType) const override;
    std::vector<std::string> RecordingDevices(int driverType) const override;
    std::vector<std::string> MidiInputDevices() const override;
    int DefaultPlaybackDevice(int driverType) const override;
};
