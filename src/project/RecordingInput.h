#pragma once

#include <functional>
#include <string>
#include <vector>

// The recording inputs the machine offers right now, for deciding whether an
// arming read from a project file can still be applied.
struct RecordingInput {
    int driverType = 0;  // the mixer's driver type in use
    int deviceCount = 0; // recording devices of that driver type
    // Channels of a device (0 to deviceCount - 1).
    std::function<int(int device)> channelCount;
    // The names the input menus show, by device number; a device without a
    // name here is shown by its number.
    std::vector<std::string> deviceNames;
    std::vector<std::string> midiDeviceNames;

    // True when the driver type is the one in use and the device and the
    // channel selection (0 left, 1 right, 2 both) exist.
    bool Offers(int storedDriverType, int device, int channelSelection) const;
};
