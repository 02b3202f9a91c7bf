#pragma once

#include <string>
#include <vector>

// What an effect tells its editor about one of its parameters. Values are
// plain floats in the parameter's own unit (dB, ms, Hz, percent, ratio).
struct EffectParameterInfo {
    std::string name;
    std::string unit; // "dB", "ms", "Hz", "%", ":1" or "" for a plain number
    float minValue = 0.0f;
    float maxValue = 1.0f;
    float defaultValue = 0.0f;
    // A stepped parameter only takes whole numbers (a switch or a choice).
    bool stepped = false;

    // The value kept within the range (rounded when stepped); NaN becomes the default.
    float Clamp(float value) const;
};

// A named set of values, one per parameter in parameter order.
struct EffectPreset {
    std::string name;
    std::vector<float> values;
};
