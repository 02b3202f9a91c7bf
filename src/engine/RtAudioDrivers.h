#pragma once

#include <rtaudio/RtAudio.h>

#include <memory>
#include <string>
#include <vector>

// What the RtAudio devices share: a driver by its driver type (see
// AudioDeviceChoice), its devices, and a device picked by name.

struct RtDeviceEntry {
    unsigned int id = 0;
    RtAudio::DeviceInfo info;
};

// The driver of that type with its warnings kept off stderr; null when it
// is not built in or cannot start.
std::unique_ptr<RtAudio> QuietDriver(int driverType);

// The driver's devices, each probed once. Drivers report through exceptions
// and stderr; a driver that cannot be asked has no devices.
std::vector<RtDeviceEntry> DevicesOf(RtAudio& audio);

// The device of that name with outputs (output) or inputs; with no name, the
// default one (the first such device when none is marked default). Null when
// there is none.
const RtDeviceEntry* PickDevice(const std::vector<RtDeviceEntry>& devices, const std::string& name,
                                bool output);

// Stops and closes the driver's stream, whatever state it is in; a driver
// error is logged with `what` ("Audio device stop") and goes no further.
void CloseStream(RtAudio& audio, const char* what);
