#pragma once

#include <string>
#include <vector>

// The audio and MIDI devices the machine offers, by driver type, as start-up
// needs them to find the remembered devices again by name. Device numbers are
// positions in these lists. The stored driver types keep their old names:
// the wave driver is PulseAudio here, the ASIO-style one JACK, WaveRT ALSA.
class DeviceCatalog {
public:
    static constexpr int kWave = 0;
    static constexpr int kAsio = 1;
    static constexpr int kWaveRT = 2;

    virtual ~DeviceCatalog() = default;

    virtual std::vector<std::string> PlaybackDevices(int driverType) const = 0;
    virtual std::vector<std::string> RecordingDevices(int driverType) const = 0;
    // The input channels of each recording device, in the same order.
    virtual std::vector<int> RecordingChannels(int driverType) const = 0;
    virtual std::vector<std::string> MidiInputDevices() const = 0;
    virtual std::vector<std::string> MidiOutputDevices() const = 0;
    // The system's default playback device of the driver type; -1 when there is none.
    virtual int DefaultPlaybackDevice(int driverType) const = 0;
};
