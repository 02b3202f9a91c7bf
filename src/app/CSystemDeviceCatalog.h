#pragma once

#include "app/DeviceCatalog.h"

// The devices of this machine, asked of the sound systems each time: driver
// type 0 is PulseAudio (or PipeWire serving it), 1 JACK, 2 ALSA direct; MIDI
// inputs come from the ALSA sequencer and JACK.
class CSystemDeviceCatalog : public DeviceCatalog {
public:
    std::vector<std::string> PlaybackDevices(int driverType) const override;
    std::vector<std::string> RecordingDevices(int driverType) const override;
    std::vector<int> RecordingChannels(int driverType) const override;
    std::vector<std::string> MidiInputDevices() const override;
    std::vector<std::string> MidiOutputDevices() const override;
    int DefaultPlaybackDevice(int driverType) const override;
};
