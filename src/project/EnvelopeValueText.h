#pragma once

#include <cstdint>
#include <string>

// How an envelope value reads in tooltips: volume as a percentage or in
// decibels, pan as a side and a percentage, the filter envelopes as their
// plain number.
class EnvelopeValueText {
public:
    static constexpr int32_t kVolume = 0;
    static constexpr int32_t kPan = 1;

    static std::string Format(int32_t type, double value, bool decibels);

private:
    static std::string Volume(double gain, bool decibels);
    static std::string Pan(double pan);
};
