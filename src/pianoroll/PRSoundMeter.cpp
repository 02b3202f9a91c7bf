#include "pianoroll/PRSoundMeter.h"

#include "pianoroll/PRNoteTiming.h"
#include "timeline/CTimeGrid.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

PRSoundMeter::PRSoundMeter(const PRNoteTiming& timing) {
    TempoEvent event;
    // The map holds tempos of 1..999; a sound's own tempo from a file may lie outside.
    event.tempo = std::clamp(timing.Tempo(), 1.0, 999.0);
    event.numerator = timing.BeatsPerMeasure();
    event.denominator = timing.BeatUnit();
    event.tempoChange = true;
    event.timeSigChange = true;
    // A signature the map cannot hold (a beat unit that is no power of two)
    // still counts its beats; only the beat unit's share of a snap differs.
    if (!TempoMap::IsValidEvent(event))
        event.denominator = 4;
    m_map.AddEvent(event);
}

std::vector<RulerTick> PRSoundMeter::Ticks(int32_t msPerPixel, int32_t left, int32_t right,
                                           int snapLevel) const {
    return CRulerTicks::Measures({msPerPixel, left, right}, m_map,
                                 CTimeGrid::SnapDivisions(snapLevel));
}

std::string PRSoundMeter::MeasureText(double soundMs) const {
    int measure = 1;
    int beat = 1;
    double fraction = 0.0;
    m_map.GetMeasureAndBeat(m_map.GetRealTime(soundMs), &measure, &beat, &fraction);
    char text[48];
    std::snprintf(text, sizeof text, "%02d:%02d.%03d", measure, beat,
                  static_cast<int>(std::trunc(fraction * 1000.0)));
    return text;
}
