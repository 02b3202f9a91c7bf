#pragma once

#include "engine/TempoEvent.h"
#include "project/ProjectReadError.h"

#include <cstddef>
#include <cstdint>
#include <string>

// One marker of the "Mark" chunk (328 bytes): the display marker (time,
// name, colour, CD-track start and its ISRC code) and the tempo event it
// carries into the engine's tempo map.
struct MarkerRecord {
    static constexpr size_t kSize = 328;
    static constexpr size_t kNameSize = 256;
    static constexpr size_t kIsrcSize = 27;
    static constexpr uint32_t kStartMarkerColour = 0x80FFFF;

    int32_t time = 0; // milliseconds
    std::string name;
    uint32_t colour = 0; // 0x00BBGGRR
    bool cdTrack = false;
    std::string isrc;
    TempoEvent tempoEvent;

    // Both times at 0: a marker whose tempo event lies elsewhere would not
    // stay first once the markers are ordered by their events.
    bool IsStartMarker() const { return time == 0 && tempoEvent.time == 0.0; }

    // Writes exactly kSize bytes. The tempo event's time is stored in whole
    // milliseconds, its setting as a double.
    void ToBytes(uint8_t* out) const;
    // Reads exactly kSize bytes. Values go to the tempo map, so they are
    // checked here: both times at least 0; for each change the event makes,
    // a finite tempo within 1..999, a key within the key table, a numerator
    // of at least 1 and a denominator that is a power of two up to 64; a
    // setting that is a whole number of at least 1 (0 reads as 1). Values of
    // changes the event does not make are carried along unused; one out of
    // range there reads as the default so it can never surface later.
    // BadValue, with nothing changed, when a check fails.
    ProjectReadError FromBytes(const uint8_t* in);
};
