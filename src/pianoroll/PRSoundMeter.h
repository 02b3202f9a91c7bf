#pragma once

#include "engine/TempoMap.h"
#include "timeline/CRulerTicks.h"

#include <cstdint>
#include <string>
#include <vector>

class PRNoteTiming;

// Measures and beats along one MIDI sound's time, as the piano roll's ruler
// and its read-out count them. Sound time is what the notes are stored in:
// reference time for a sound that follows the tempo map (a beat lasts
// 500 ms whatever the project's tempo changes make of it when heard), the
// sound's own milliseconds at its own tempo otherwise. The project's tempo
// map plays no part, so the ruler stays under the notes it measures.
//
// Internally the sound's timing is one tempo map of a single event, whose
// tempo-adjusted time is sound time; the ruler then shares its tick rules
// with the track area's.
class PRSoundMeter {
public:
    explicit PRSoundMeter(const PRNoteTiming& timing);

    // The ticks of the content columns left..right at a zoom, the measures
    // subdivided as the snap level (0..10) asks; labels stay put whatever
    // the columns, being counted from measure 1.
    std::vector<RulerTick> Ticks(int32_t msPerPixel, int32_t left, int32_t right,
                                 int snapLevel) const;
    // "measure:beat.thousandths" of a sound time, e.g. "02:03.500".
    std::string MeasureText(double soundMs) const;

private:
    TempoMap m_map;
};
