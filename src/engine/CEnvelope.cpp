#include "engine/CEnvelope.h"

#include <algorithm>
#include <cmath>

CEnvelope::CEnvelope(double minValue, double maxValue, double defaultValue)
    : m_minValue(std::min(minValue, maxValue)), m_maxValue(std::max(minValue, maxValue)),
      m_defaultValue(defaultValue) {
    m_defaultValue = Clamp(defaultValue);
}

double CEnvelope::Clamp(double value) const {
    return std::clamp(value, m_minValue, m_maxValue);
}

bool CEnvelope::GetPointAtIndex(int index, EnvelopePoint& point) const {
    if (index < 0 || index >= GetNumPoints())
        return false;
    point = m_points[static_cast<size_t>(index)];
    return true;
}

int CEnvelope::Insert(double timeMs, double value) {
    if (std::isnan(timeMs) || std::isnan(value))
        return -1;
    const auto at = std::upper_bound(
        m_points.begin(), m_points.end(), timeMs,
        [](double time, const EnvelopePoint& point) { return time < point.timeMs; });
    const auto inserted = m_points.insert(at, EnvelopePoint{timeMs, Clamp(value)});
    return static_cast<int>(inserted - m_points.begin());
}

bool CEnvelope::RemoveByIndex(int index) {
    if (index < 0 || index >= GetNumPoints())
        return false;
    m_points.erase(m_points.begin() + index);
    return true;
}

double CEnvelope::ValueAt(double timeMs) const {
    if (m_points.empty())
        return m_defaultValue;
    if (timeMs <= m_points.front().timeMs)
        return m_points.front().value;
    if (timeMs >= m_points.back().timeMs)
        return m_points.back().value;
    // The first point strictly after timeMs; the one before it is at or before.
    const auto after = std::upper_bound(
        m_points.begin(), m_points.end(), timeMs,
        [](double time, const EnvelopePoint& point) { return time < point.timeMs; });
    const EnvelopePoint& a = *(after - 1);
    const EnvelopePoint& b = *after;
    const double span = b.timeMs - a.timeMs;
    if (span <= 0.0)
        return b.value;
    return a.value + (b.value - a.value) * ((timeMs - a.timeMs) / span);
}

void CEnvelope::Shift(double ms) {
    if (std::isnan(ms))
        return;
    for (EnvelopePoint& point : m_points)
        point.timeMs += ms;
}

void CEnvelope::Scale(double factor) {
    if (!(factor > 0.0) || std::isinf(factor))
        return;
    for (EnvelopePoint& point : m_points)
        point.timeMs *= factor;
    m_lengthMs *= factor;
}
