#include "project/MarkerPosition.h"

#include "engine/TempoMap.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kMsPerMinute = 60000.0;
constexpr double kMsPerSecond = 1000.0;
// Positions stay within what the tempo map keeps.
constexpr double kLatestMs = TempoMap::kMaxEventTime;

double HeardMs(const MarkerPosition::Fields& fields) {
    return fields[0] * kMsPerMinute + fields[1] * kMsPerSecond + fields[2];
}

MarkerPosition::Fields ClockFields(double heardMs) {
    const auto ms = static_cast<long long>(std::llround(std::clamp(heardMs, 0.0, kLatestMs)));
    return {static_cast<int>(ms / 60000), static_cast<int>(ms / 1000 % 60),
            static_cast<int>(ms % 1000)};
}

} // namespace

MarkerPosition::Fields MarkerPosition::FromReal(double realMs) const {
    const double real = std::clamp(realMs, 0.0, kLatestMs);
    if (m_mode == kClock)
        return ClockFields(m_map.GetTempoAdjustedTime(real));
    int measure = 1;
    int beat = 1;
    double fraction = 0.0;
    m_map.GetMeasureAndBeat(real, &measure, &beat, &fraction);
    const int thousandths = std::min(999, static_cast<int>(std::lround(fraction * 1000.0)));
    return {std::max(1, measure), std::max(1, beat), std::max(0, thousandths)};
}

int MarkerPosition::BeatsInMeasure(int measure) const {
    int numerator = 4;
    int denominator = 4;
    m_map.GetTimeSignatureAtTime(m_map.GetTimeAtMeasureAndBeat(measure, 1, 0.0), &numerator,
                                 &denominator);
    return std::max(1, numerator);
}

MarkerPosition::Fields MarkerPosition::Clamped(const Fields& fields) const {
    if (m_mode == kClock) {
        const Fields held{std::max(0, fields[0]), std::clamp(fields[1], 0, 59),
                          std::clamp(fields[2], 0, 999)};
        return HeardMs(held) > kLatestMs ? ClockFields(kLatestMs) : held;
    }
    const int measure = std::clamp(fields[0], 1, FromReal(kLatestMs)[0]);
    return {measure, std::clamp(fields[1], 1, BeatsInMeasure(measure)),
            std::clamp(fields[2], 0, 999)};
}

double MarkerPosition::ToReal(const Fields& fields) const {
    const Fields held = Clamped(fields);
    const double real = m_mode == kClock
                            ? m_map.GetRealTime(HeardMs(held))
                            : m_map.GetTimeAtMeasureAndBeat(held[0], held[1], held[2] / 1000.0);
    return std::clamp(real, 0.0, kLatestMs);
}

MarkerPosition::Fields MarkerPosition::Step(const Fields& fields, int field, int delta) const {
    const Fields held = Clamped(fields);
    if (m_mode == kClock) {
        constexpr double kUnits[3] = {kMsPerMinute, kMsPerSecond, 1.0};
        return ClockFields(HeardMs(held) + delta * kUnits[std::clamp(field, 0, 2)]);
    }
    if (field == 0)
        return Clamped({held[0] + delta, held[1], held[2]});
    // A beat is the reference beat, whatever the signature's beat unit.
    const double unit =
        field == 1 ? TempoMap::kReferenceBeatMs : TempoMap::kReferenceBeatMs / 1000.0;
    return FromReal(ToReal(held) + delta * unit);
}
