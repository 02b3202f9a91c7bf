#pragma once

#include "engine/AudioDeviceChoice.h"

#include <string>

class CPCMMixer;
class CProject;

// loomtone --play FILE [--driver pulse|jack|alsa|null] [--from SECONDS] [--seconds N]
struct PlayRequest {
    static constexpr int kNullDriver = -1;
    static constexpr int kPreferredDriver = -2;

    std::string file;
    int driverType = kPreferredDriver;
    double fromSeconds = 0.0;
    double seconds = -1.0; // below 0: to the end of the project
};

// Reads the words after --play. False with the reason for anything it does not know.
bool ParsePlayArguments(int count, char** words, PlayRequest& request, std::string& reason);

// Plays the loaded project through the device from the request's start until
// it ends or the time is up, telling the position once a second on standard
// error. False with the reason when the device cannot open or stops on its own.
bool PlayLoadedProject(CPCMMixer& mixer, const AudioDeviceChoice& device,
                       const PlayRequest& request, std::string& reason);
