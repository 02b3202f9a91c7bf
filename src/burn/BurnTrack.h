#pragma once

#include <cstdint>
#include <string>

// One track of the CD being made. Times are heard milliseconds (through the
// tempo map) relative to the start of the burn range.
struct BurnTrack {
    std::string title;
    // The temporary WAV file the track is rendered to; empty until then.
    std::string wavPath;
    int32_t start = 0;
    int32_t end = 0;
    int32_t length = 0;
    std::string isrc;
};
