#pragma once

#include <cmath>

// Small numeric helpers shared by the built-in effects.

inline float DbToGain(float db) {
    return std::pow(10.0f, db * 0.05f);
}

inline float GainToDb(float gain) {
    return 20.0f * std::log10(gain > 1e-30f ? gain : 1e-30f);
}

// Values this small in a feedback path would otherwise decay into subnormal
// numbers, which are very slow on common processors.
inline float FlushDenormal(float value) {
    return std::fabs(value) < 1e-25f ? 0.0f : value;
}
inline double FlushDenormal(double value) {
    return std::fabs(value) < 1e-30 ? 0.0 : value;
}
