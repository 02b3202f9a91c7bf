#pragma once

#include "project/RawChunk.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// What can be told of one clip from its chunks in a project file without
// loading it: the facts a clip that could not be loaded is shown with. Every
// field is read only where the bytes hold it, so a damaged record yields
// what is left of it.
struct ClipChunkFacts {
    // Where the clip's timeline position lies in its chunks: which chunk, at
    // which offset of its body, and whether it is stored as a 32-bit integer
    // (older audio clip records) or a double.
    struct PositionField {
        size_t chunk = 0;
        size_t offset = 0;
        bool integer = false;
    };

    bool midi = false;
    std::string name;
    // The sound file the record names (audio clips); empty when unknown.
    std::string soundPath;
    // Timeline position and length, in reference time; unknown ones are 0.
    double positionMs = 0.0;
    double lengthMs = 0.0;
    std::optional<PositionField> position;
    // The record and everything after it read cleanly: what failed is the
    // sound, not the file.
    bool recordIntact = false;

    static ClipChunkFacts Of(const std::vector<RawChunk>& chunks);
    // The chunks with the position field rewritten (only when it is known).
    static std::vector<RawChunk> WithPosition(std::vector<RawChunk> chunks,
                                              const PositionField& field, double positionMs);
};
