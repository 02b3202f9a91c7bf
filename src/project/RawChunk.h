#pragma once

#include "support/FourCC.h"

#include <cstdint>
#include <vector>

class CRIFF;

// A chunk kept as its bytes, for parts of a project file that are carried
// through unchanged (clip chunks until clips read themselves, legacy effects
// and sounds). A LIST is kept with code "LIST" and its whole body: the list
// type followed by its chunks.
struct RawChunk {
    FourCC code = 0;
    std::vector<uint8_t> body;

    // The type of a LIST chunk, 0 for a data chunk or a body too short to hold one.
    FourCC ListType() const;
    // Copies the reader's current chunk; false without one or on a short
    // read. Does not move the reader.
    bool ReadCurrent(CRIFF& riff);
    bool Write(CRIFF& riff) const;

    bool operator==(const RawChunk&) const = default;
};
