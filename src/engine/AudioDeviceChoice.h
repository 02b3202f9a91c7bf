#pragma once

#include <string>

// Which real device to open and how. Driver types: 0 PulseAudio (which
// PipeWire also serves), 1 JACK, 2 ALSA direct.
struct AudioDeviceChoice {
    static constexpr int kPulse = 0;
    static constexpr int kJack = 1;
    static constexpr int kAlsa = 2;

    int driverType = kPulse;
    std::string outputName; // "" for the driver's default output
    std::string inputName;  // "" for the driver's default input
    int inputChannels = 0;  // 0 opens no input
    int blockFrames = 256;
    std::string clientName = "loomtone"; // the JACK client's name
};
