#pragma once

#include <cstdint>
#include <string>
#include <vector>

class TempoMap;

// One tick of the ruler: x in ruler content pixels, line height, and the
// label drawn beside labelled ticks (empty for the others).
struct RulerTick {
    int32_t x = 0;
    int32_t height = 0;
    std::string label;
};

// What the ruler shows: its zoom and the range of content pixels in view.
struct RulerView {
    int32_t msPerPixel = 1;
    int32_t left = 0;
    int32_t right = 0;
};

// The clock unit the ruler counts in and the milliseconds of one unit.
struct RulerUnit {
    int32_t unit = 2;
    int32_t stepMs = 1000;
};

// Builds the ruler's tick lists, sorted by x, for clock time and for
// measures and beats. Ticks keep at least 20 pixels apart and labels
// roughly 100 (clock) or 50 (measures) pixels, whatever the zoom.
class CRulerTicks {
public:
    enum Unit : int32_t {
        kHours = 0,
        kTenSeconds = 1,
        kSeconds = 2,
        kHundredths = 3,
        kMeasures = 4
    };
    enum Height : int32_t { kLabelled = 10, kBeat = 6, kMinor = 5, kSubBeat = 2 };
    static constexpr int32_t kMinTickSpacing = 20;

    // The unit for a time line mode (1 clock, 0 measures) at a zoom.
    static RulerUnit UnitFor(int32_t timeLineMode, int32_t msPerPixel);
    static std::vector<RulerTick> Clock(const RulerView& view, const RulerUnit& unit);
    // snapDivisions: divisions of a whole note of the snap level, which
    // sets how finely a wide measure is subdivided.
    static std::vector<RulerTick> Measures(const RulerView& view, const TempoMap& map,
                                           int32_t snapDivisions);
    // Ticks within one measure of beatsPerMeasure / beatUnit that is
    // widthPx wide (the measure start included).
    static int32_t SubdivisionCount(int32_t beatsPerMeasure, int32_t beatUnit,
                                    int32_t snapDivisions, double widthPx);
};
