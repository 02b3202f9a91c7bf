#include "engine/CSmoothedValue.h"

#include <cmath>

void CSmoothedValue::Prepare(double sampleRate, double timeMs) {
    const double samples = sampleRate * timeMs / 1000.0;
    m_coefficient = samples > 1.0 ? static_cast<float>(1.0 - std::exp(-1.0 / samples)) : 1.0f;
}
