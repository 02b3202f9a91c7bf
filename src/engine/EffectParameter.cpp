#include "engine/EffectParameter.h"

#include <algorithm>
#include <cmath>

float EffectParameterInfo::Clamp(float value) const {
    if (std::isnan(value))
        return defaultValue;
    const float clamped = std::clamp(value, minValue, maxValue);
    return stepped ? std::round(clamped) : clamped;
}
