#pragma once

#include "project/MarkerRecord.h"

#include <cstddef>
#include <cstdint>
#include <string>

// One marker of a legacy session: 144 bytes in the "tmrk" chunk, 168 bytes
// (with an ISRC code) in the later "tmk2" chunk.
struct LegacyMarkerRecord {
    static constexpr size_t kSize = 144;
    static constexpr size_t kSizeWithIsrc = 168;
    static constexpr size_t kNameSize = 128;
    static constexpr size_t kIsrcSize = 24;

    int32_t time = 0;
    std::string name;
    bool cdTrack = false;
    uint32_t colour = 0;
    std::string isrc;

    // Reads kSize bytes, or kSizeWithIsrc when withIsrc.
    static LegacyMarkerRecord FromBytes(const uint8_t* in, bool withIsrc);

    // The marker as this program keeps it. Legacy markers carry no tempo
    // event of their own: the session's first marker gets startEvent (all
    // three changes), later ones an event that changes nothing, at their own
    // time. BadValue for a negative time.
    ProjectReadError ToMarkerRecord(bool first, const TempoEvent& startEvent,
                                    MarkerRecord* marker) const;
};
