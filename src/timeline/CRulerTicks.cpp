#include "timeline/CRulerTicks.h"

#include "engine/TempoMap.h"
#include "support/LengthString.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr double kNominalViewWidth = 800.0;
constexpr double kMinLabelSpacingClock = 100.0;
constexpr double kMinLabelSpacingMeasures = 50.0;

// A pixel position as the tick list keeps it. Tempo maps from files can put
// measures far beyond what 32 bits hold; those stay at the edge.
int32_t PixelOf(double px) {
    if (std::isnan(px))
        return 0;
    return int32_t(std::clamp(px, -2147483648.0, 2147483647.0));
}

double MeasureStartPx(const TempoMap& map, int measure, double msPerPixel) {
    return map.GetTempoAdjustedTime(map.GetTimeAtMeasureAndBeat(measure, 1, 0.0)) / msPerPixel;
}

// The first measure after the labelled measure `m` (at labelPx) that starts
// at least the label spacing further right; last + 1 when none up to last.
int NextLabelledMeasure(const TempoMap& map, int m, double labelPx, int last, double msPerPixel) {
    auto farEnough = [&](int measure) {
        return MeasureStartPx(map, measure, msPerPixel) - labelPx >= kMinLabelSpacingMeasures;
    };
    // Measures mostly share one width, so the next label usually lies that
    // many widths on: jump there rather than walk what may be millions of
    // measures, then step to the exact answer (measure starts only grow,
    // so the steps end at the first measure far enough).
    const double width = MeasureStartPx(map, m + 1, msPerPixel) - labelPx;
    const double widths = width > 0.0 ? std::ceil(kMinLabelSpacingMeasures / width) : 1.0;
    int candidate = m + int(std::clamp(widths, 1.0, double(last - m + 1)));
    while (candidate - 1 > m && farEnough(candidate - 1))
        --candidate;
    while (candidate <= last && !farEnough(candidate))
        ++candidate;
    return candidate;
}

// Which measures from `first` to `last` carry their number. Counted from
// measure 1 whatever is in view, so that labels stay put while scrolling.
std::vector<bool> LabelledMeasures(const TempoMap& map, int first, int last, double msPerPixel) {
    std::vector<bool> labelled(size_t(last - first + 1), false);
    for (int m = 1; m <= last;
         m = NextLabelledMeasure(map, m, MeasureStartPx(map, m, msPerPixel), last, msPerPixel)) {
        if (m >= first)
            labelled[size_t(m - first)] = true;
    }
    return labelled;
}

// Adds the ticks of one measure that fall within the view [left, right].
// A measure from a hostile file can hold billions of subdivisions; only
// those in view are visited, found by bisection since x grows with them.
void AddMeasureTicks(std::vector<RulerTick>& ticks, const TempoMap& map, int measure, bool labelled,
                     int32_t snapDivisions, const RulerView& view) {
    const double msPerPixel = view.msPerPixel;
    const double startPx = MeasureStartPx(map, measure, msPerPixel);
    const double widthPx = MeasureStartPx(map, measure + 1, msPerPixel) - startPx;
    int beats = 4;
    int beatUnit = 4;
    map.GetTimeSignatureAtTime(map.GetTimeAtMeasureAndBeat(measure, 1, 0.0), &beats, &beatUnit);
    const int32_t count = CRulerTicks::SubdivisionCount(beats, beatUnit, snapDivisions, widthPx);
    int32_t first = 0;
    if (labelled) {
        char label[16];
        std::snprintf(label, sizeof label, "%d", measure);
        ticks.push_back({PixelOf(startPx), CRulerTicks::kLabelled, label});
        first = 1;
    }
    // Subdivision i: where it lies and whether it is a whole beat.
    auto place = [&](int32_t i, double* fraction) {
        // Integer arithmetic tells whole beats exactly.
        const int64_t scaled = int64_t(i) * beats;
        const int beat = int(scaled / count) + 1;
        *fraction = double(scaled % count) / count;
        const double real = map.GetTimeAtMeasureAndBeat(measure, beat, *fraction);
        return map.GetTempoAdjustedTime(real) / msPerPixel;
    };
    double fraction = 0.0;
    int32_t low = first, high = count;
    while (low < high) {
        const int32_t middle = low + (high - low) / 2;
        if (place(middle, &fraction) < view.left)
            low = middle + 1;
        else
            high = middle;
    }
    for (int32_t i = low; i < count; ++i) {
        const double px = place(i, &fraction);
        if (px > view.right)
            break;
        const int32_t height = fraction != 0.0 ? CRulerTicks::kSubBeat
                               : i == 0        ? CRulerTicks::kLabelled
                                               : CRulerTicks::kBeat;
        ticks.push_back({PixelOf(px), height, {}});
    }
}

} // namespace

RulerUnit CRulerTicks::UnitFor(int32_t timeLineMode, int32_t msPerPixel) {
    const double span = double(msPerPixel) * kNominalViewWidth;
    RulerUnit unit;
    if (span / 3600000.0 > 2.5)
        unit = {kHours, 3600000};
    else if (span / 60000.0 > 2.5)
        unit = {kTenSeconds, 10000};
    else if (span / 1000.0 > 2.5)
        unit = {kSeconds, 1000};
    else
        unit = {kHundredths, 10};
    // Measure mode keeps the clock step, so that a switch back to clock
    // time finds a step that suits the zoom.
    if (timeLineMode == 0)
        unit.unit = kMeasures;
    return unit;
}

std::vector<RulerTick> CRulerTicks::Clock(const RulerView& view, const RulerUnit& unit) {
    std::vector<RulerTick> ticks;
    if (view.msPerPixel <= 0 || unit.stepMs <= 0 || view.right <= view.left)
        return ticks;
    const double unitPx = double(unit.stepMs) / view.msPerPixel;
    const int64_t skip = unitPx < kMinTickSpacing ? int64_t(kMinTickSpacing / unitPx) : 0;
    const double stepPx = unitPx * double(skip + 1);
    const int64_t stepMs = int64_t(unit.stepMs) * (skip + 1);
    const int64_t labelEvery =
        stepPx < kMinLabelSpacingClock ? int64_t(kMinLabelSpacingClock / stepPx + 1) : 1;
    const int64_t viewStartMs = int64_t(view.left) * view.msPerPixel;
    // The first multiple of the step at or after the view's start.
    int64_t index = viewStartMs <= 0 ? 0 : (viewStartMs + stepMs - 1) / stepMs;
    for (;; ++index) {
        const double x = double(index * stepMs) / view.msPerPixel;
        if (x >= view.right)
            break;
        if (index % labelEvery != 0) {
            ticks.push_back({PixelOf(x), kMinor, {}});
            continue;
        }
        const auto ms = int64_t(x * view.msPerPixel + 0.5);
        ticks.push_back({PixelOf(x), kLabelled, MakeLengthString(ms, unit.unit == kHundredths)});
    }
    return ticks;
}

std::vector<RulerTick> CRulerTicks::Measures(const RulerView& view, const TempoMap& map,
                                             int32_t snapDivisions) {
    std::vector<RulerTick> ticks;
    if (view.msPerPixel <= 0 || view.right <= view.left)
        return ticks;
    int first = 1;
    int last = 1;
    int beat = 1;
    double fraction = 0.0;
    map.GetMeasureAndBeat(map.GetRealTime(double(view.left) * view.msPerPixel), &first, &beat,
                          &fraction);
    map.GetMeasureAndBeat(map.GetRealTime(double(view.right) * view.msPerPixel), &last, &beat,
                          &fraction);
    // Nothing is drawn before time 0.
    if (first < 1)
        first = 1;
    if (last < first)
        return ticks;
    const std::vector<bool> labelled = LabelledMeasures(map, first, last, view.msPerPixel);
    for (int m = first; m <= last; ++m)
        AddMeasureTicks(ticks, map, m, labelled[size_t(m - first)], snapDivisions, view);
    return ticks;
}

int32_t CRulerTicks::SubdivisionCount(int32_t beatsPerMeasure, int32_t beatUnit,
                                      int32_t snapDivisions, double widthPx) {
    int32_t count = beatsPerMeasure;
    // A snap finer than the beat subdivides each beat; one coarser than the
    // beat unit (1/2 snap in 3/8) still shows every beat.
    if (snapDivisions > beatsPerMeasure && beatUnit > 0 && snapDivisions / beatUnit > 1)
        count = beatsPerMeasure * (snapDivisions / beatUnit);
    const auto fits = PixelOf(widthPx / kMinTickSpacing);
    if (fits < 1)
        return 0;
    while (count > fits && count % 2 == 0)
        count /= 2;
    // An odd count that does not fit cannot be thinned evenly: only the
    // measure start remains.
    if (count > fits)
        count = 1;
    return count;
}
