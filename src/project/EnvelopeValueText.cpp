#include "project/EnvelopeValueText.h"

#include "support/LocalizedStrings.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

std::string Printed(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string Percent(double fraction) {
    char text[32];
    const double percent = std::trunc(fraction * 100.0);
    std::snprintf(text, sizeof text, "%d%%", std::isfinite(percent) ? int(percent) : 0);
    return text;
}

} // namespace

std::string EnvelopeValueText::Format(int32_t type, double value, bool decibels) {
    if (type == kVolume)
        return Volume(value, decibels);
    if (type == kPan)
        return Pan(value);
    const double whole = std::trunc(value);
    return std::to_string(std::isfinite(whole) ? int64_t(whole) : 0);
}

std::string EnvelopeValueText::EntryText(int32_t type, double value, bool decibels) {
    if (type != kVolume || !decibels)
        return Printed("%.2f", value * 100.0);
    if (value <= 0.0)
        return MyLoadString("Neg_InfDB");
    const double db = 20.0 * std::log10(value);
    return Printed(std::round(db * 10.0) >= 0.0 ? "+%0.1f" : "%0.1f", db);
}

bool EnvelopeValueText::ParseEntry(int32_t type, const std::string& text, bool decibels,
                                   double minimum, double maximum, double& value) {
    const size_t first = text.find_first_not_of(" \t");
    const size_t last = text.find_last_not_of(" \t");
    const std::string trimmed =
        first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
    const bool inDecibels = type == kVolume && decibels;
    if (inDecibels && trimmed == MyLoadString("Neg_InfDB")) {
        value = std::clamp(0.0, minimum, maximum);
        return true;
    }
    char* end = nullptr;
    const double number = std::strtod(trimmed.c_str(), &end);
    if (trimmed.empty() || *end != '\0' || !std::isfinite(number))
        return false;
    const double read = inDecibels ? std::pow(10.0, number / 20.0) : number * 0.01;
    value = std::clamp(read, minimum, maximum);
    return true;
}

std::string EnvelopeValueText::Volume(double gain, bool decibels) {
    if (!decibels)
        return Percent(gain);
    if (gain <= 0.0)
        return MyLoadString("Neg_InfDB");
    const double db = 20.0 * std::log10(gain);
    // "-0.0" reads as a cut where there is none.
    const double shown = std::round(db * 10.0) / 10.0;
    return Printed(shown >= 0.0 ? "+%0.1f" : "%0.1f", shown == 0.0 ? 0.0 : db) + " " +
           MyLoadString("decibals");
}

std::string EnvelopeValueText::Pan(double pan) {
    if (pan == 0.0)
        return MyLoadString("Center");
    return MyLoadString(pan < 0.0 ? "Left" : "Right") + " " + Percent(std::fabs(pan));
}
