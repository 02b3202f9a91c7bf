#pragma once

#include "project/MarkerRecord.h"
#include "project/ProjectReadError.h"
#include "support/FourCC.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class CRIFF;

// The project's markers, chunk "Mark": an 80-byte header (version 1.0 and
// the marker count) followed by one 328-byte record per marker, in the time
// grid's order.
struct MarkerChunk {
    static constexpr FourCC kChunkCode = MakeFourCC("Mark");
    static constexpr size_t kHeaderSize = 80;
    static constexpr size_t kMinimumBodySize = 8; // the version
    static constexpr double kVersion = 1.0;       // the only version read

    std::vector<MarkerRecord> markers;

    // True when one of the markers lies at time 0. A project without one
    // needs a start marker added by its time grid.
    bool HasStartMarker() const;

    std::vector<uint8_t> ToBytes() const;
    // Takes the markers from a body of at least 8 bytes. The version must be
    // exactly 1.0; the count must fit the body (a body ending inside the
    // header reads a count of 0), and every marker must pass
    // MarkerRecord::FromBytes. Nothing changes on failure.
    ProjectReadError FromBytes(const uint8_t* body, size_t size);

    bool Write(CRIFF& riff) const;
    // Reads the reader's current chunk, which must be "Mark", and moves past it.
    ProjectReadError Read(CRIFF& riff);
};
