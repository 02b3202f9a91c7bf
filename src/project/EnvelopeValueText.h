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
    // The value as typed in the point editor: decibels without their unit
    // for a volume in decibels, else percent.
    static std::string EntryText(int32_t type, double value, bool decibels);
    // Reads an entry back, limited to the range; false for text that is no
    // number (the minus-infinity text counts as silence for a volume).
    static bool ParseEntry(int32_t type, const std::string& text, bool decibels, double minimum,
                           double maximum, double& value);

private:
    static std::string Volume(double gain, bool decibels);
    static std::string Pan(double pan);
};
