#pragma once

#include <cstdint>
#include <string>

// The settings of a track that one undoable settings change may touch:
// taken before and after the change, and put back by undo and redo.
struct TrackSettings {
    std::string name;
    std::string imageName;
    double volume = 1.0;
    double pan = 0.0;
    bool mute = false;
    bool solo = false;
    bool armed = false;
    int32_t armedDevice = 0;
    int32_t armedChannel = 0;
    int32_t armedDriverType = 0;
    bool monitoring = false;
    uint32_t colour = 0;
    bool frozen = false;
    // MIDI tracks: the channel the track records from, -1 for all.
    int32_t midiInputChannel = -1;

    bool operator==(const TrackSettings&) const = default;
};
