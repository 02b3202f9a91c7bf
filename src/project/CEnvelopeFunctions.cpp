#include "project/CEnvelopeFunctions.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

namespace {

// Where a curved fade puts its points, as parts of the range.
constexpr std::array<double, 7> kFadeSteps{1.0 / 16, 1.0 / 4, 7.0 / 16, 1.0 / 2,
                                           9.0 / 16, 3.0 / 4, 15.0 / 16};
constexpr int32_t kFadeMedium = 0;
constexpr int32_t kFadeSlow = 1;
constexpr int32_t kFadeFast = 2;

// How far a fade has come at a part of its range: a slow fade starts
// gently, a fast one makes most of its change early.
double FadeProgress(int32_t option, double part) {
    if (option == kFadeSlow)
        return part * part;
    if (option == kFadeFast)
        return 1.0 - (1.0 - part) * (1.0 - part);
    return part;
}

} // namespace

bool CEnvelopeFunctions::IsKnown(EnvelopeFunction function, int32_t option) {
    switch (function) {
    case EnvelopeFunction::kBoost:
        return std::abs(option) == 1 || std::abs(option) == 5 || std::abs(option) == 25 ||
               std::abs(option) == 50;
    case EnvelopeFunction::kFadeIn:
    case EnvelopeFunction::kFadeOut:
        return option == kFadeMedium || option == kFadeSlow || option == kFadeFast;
    case EnvelopeFunction::kReset:
    case EnvelopeFunction::kInvert:
        return true;
    }
    return false;
}

bool CEnvelopeFunctions::Apply(CEnvelope& envelope, EnvelopeFunction function, int32_t option,
                               double startMs, double endMs) {
    if (!IsKnown(function, option) || !std::isfinite(startMs) || !std::isfinite(endMs) ||
        endMs < startMs)
        return false;
    switch (function) {
    case EnvelopeFunction::kBoost:
        Boost(envelope, option, startMs, endMs);
        break;
    case EnvelopeFunction::kFadeIn:
    case EnvelopeFunction::kFadeOut:
        Fade(envelope, function == EnvelopeFunction::kFadeIn, option, startMs, endMs);
        break;
    case EnvelopeFunction::kReset:
        Reset(envelope, startMs, endMs);
        break;
    case EnvelopeFunction::kInvert:
        Invert(envelope, startMs, endMs);
        break;
    }
    return true;
}

std::vector<EnvelopePoint> CEnvelopeFunctions::Cut(CEnvelope& envelope, double startMs,
                                                   double endMs) {
    std::vector<EnvelopePoint> cut;
    for (int index = envelope.GetNumPoints() - 1; index >= 0; --index) {
        EnvelopePoint point;
        envelope.GetPointAtIndex(index, point);
        if (point.timeMs >= startMs && point.timeMs <= endMs) {
            cut.insert(cut.begin(), point);
            envelope.RemoveByIndex(index);
        }
    }
    return cut;
}

void CEnvelopeFunctions::InsertEdges(CEnvelope& envelope, double startMs, double startValue,
                                     double endMs, double endValue) {
    envelope.Insert(startMs, startValue);
    if (endMs > startMs)
        envelope.Insert(endMs, endValue);
}

void CEnvelopeFunctions::Boost(CEnvelope& envelope, int32_t percent, double startMs, double endMs) {
    // Gains of at most 2 move by the percentage itself; wider ranges (cut-off
    // frequencies) by that share of their maximum.
    const double max = envelope.GetMaxValue();
    const double delta = percent * 0.01 * (max > 2.0 ? max : 1.0);
    const double startValue = envelope.ValueAt(startMs) + delta;
    const double endValue = envelope.ValueAt(endMs) + delta;
    // The points between the edges move with them, so the curve keeps its
    // shape instead of being flattened into a ramp.
    for (const EnvelopePoint& point : Cut(envelope, startMs, endMs))
        if (point.timeMs > startMs && point.timeMs < endMs)
            envelope.Insert(point.timeMs, point.value + delta);
    InsertEdges(envelope, startMs, startValue, endMs, endValue);
}

void CEnvelopeFunctions::Fade(CEnvelope& envelope, bool in, int32_t option, double startMs,
                              double endMs) {
    if (endMs <= startMs)
        return;
    // A fade runs between silence (the envelope's minimum) and the level the
    // curve has at the far edge.
    const double low = envelope.GetMinValue();
    const double high = in ? envelope.ValueAt(endMs) : envelope.ValueAt(startMs);
    const auto valueAt = [&](double part) {
        const double progress = FadeProgress(option, part);
        return in ? low + (high - low) * progress : high - (high - low) * progress;
    };
    Cut(envelope, startMs, endMs);
    InsertEdges(envelope, startMs, valueAt(0.0), endMs, valueAt(1.0));
    if (option == kFadeMedium)
        return;
    for (double part : kFadeSteps)
        envelope.Insert(startMs + (endMs - startMs) * part, valueAt(part));
}

void CEnvelopeFunctions::Reset(CEnvelope& envelope, double startMs, double endMs) {
    Cut(envelope, startMs, endMs);
    const double value = envelope.GetDefaultValue();
    InsertEdges(envelope, startMs, value, endMs, value);
}

void CEnvelopeFunctions::Invert(CEnvelope& envelope, double startMs, double endMs) {
    std::vector<EnvelopePoint> points = Cut(envelope, startMs, endMs);
    if (points.empty())
        return;
    const auto [lowest, highest] = std::minmax_element(
        points.begin(), points.end(),
        [](const EnvelopePoint& a, const EnvelopePoint& b) { return a.value < b.value; });
    const double sum = lowest->value + highest->value;
    for (const EnvelopePoint& point : points)
        envelope.Insert(point.timeMs, sum - point.value);
}

void CEnvelopeFunctions::ScaleValues(CEnvelope& envelope, double factor) {
    std::vector<EnvelopePoint> points = Points(envelope);
    if (points.empty())
        points.push_back({0.0, envelope.GetDefaultValue()});
    for (EnvelopePoint& point : points)
        point.value *= factor;
    SetPoints(envelope, points);
}

std::vector<EnvelopePoint> CEnvelopeFunctions::Points(const CEnvelope& envelope) {
    std::vector<EnvelopePoint> points(static_cast<size_t>(envelope.GetNumPoints()));
    for (int index = 0; index < envelope.GetNumPoints(); ++index)
        envelope.GetPointAtIndex(index, points[static_cast<size_t>(index)]);
    return points;
}

void CEnvelopeFunctions::SetPoints(CEnvelope& envelope, const std::vector<EnvelopePoint>& points) {
    envelope.RemoveAll();
    for (const EnvelopePoint& point : points)
        envelope.Insert(point.timeMs, point.value);
}
