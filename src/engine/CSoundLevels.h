#pragma once

#include "engine/CSoundData.h"

#include <optional>

class CEnvelope;

// Level analysis of decoded audio for the clip functions that adjust a clip
// to its material: normalizing and trimming silence. Times are milliseconds
// in the data; every range is cut to the data's extent first.
class CSoundLevels {
public:
    struct Span {
        double startMs = 0.0;
        double endMs = 0.0;
    };

    // The loudest sample (absolute, over all channels) between the two times,
    // each multiplied by the gain envelope's value at its time from startMs
    // (no envelope: gain 1). 0 for silence or an empty range.
    static double Peak(const CSoundData& data, double startMs, double endMs, const CEnvelope* gain);
    // The part between the two times from the first to just past the last
    // sample louder than the threshold; none when everything is quieter.
    static std::optional<Span> AudibleSpan(const CSoundData& data, double startMs, double endMs,
                                           double threshold);
};
