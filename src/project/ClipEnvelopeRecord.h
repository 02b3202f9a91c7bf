#pragma once

#include "project/ProjectReadError.h"
#include "support/FourCC.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

class CEnvelope;
class CRIFF;

// The six automation envelopes of a clip in a project file, chunk "Envl"
// (version 1.0): an 80-byte head with the number of points, then one
// 16-byte record per point (type, time in whole ms, value), grouped by type
// 0 to 5 and in time order within a type.
struct ClipEnvelopeRecord {
    static constexpr FourCC kChunkCode = MakeFourCC("Envl");
    static constexpr double kVersion = 1.0;
    static constexpr size_t kHeadSize = 80;
    static constexpr size_t kPointSize = 16;
    static constexpr int32_t kTypeCount = 6;

    struct Point {
        int32_t type = 0;
        int32_t timeMs = 0;
        double value = 0.0;
        bool operator==(const Point&) const = default;
    };
    using Envelopes = std::array<CEnvelope*, kTypeCount>;

    std::vector<Point> points;

    // The points of the six envelopes (a missing one has none).
    static ClipEnvelopeRecord FromEnvelopes(const Envelopes& envelopes);
    // Puts the points into the envelopes. An envelope that has records is
    // emptied first; one without records keeps its points. Records of a
    // type of 6 or more, and values that are not finite, are skipped.
    void ApplyTo(const Envelopes& envelopes) const;

    std::vector<uint8_t> ToBytes() const;
    // A body of at least 8 bytes of version 1.0 whose point count fits it.
    ProjectReadError FromBytes(const uint8_t* body, size_t size);

    bool Write(CRIFF& riff) const;
    // Seeks "Envl" from the current chunk on, reads it and moves past it.
    ProjectReadError Read(CRIFF& riff);
};
