#include "support/LengthString.h"

#include <cstdio>

std::string MakeLengthString(int64_t ms, bool hundredths) {
    // Negating the smallest value would overflow; its magnitude is taken as
    // unsigned instead.
    const bool negative = ms < 0;
    const uint64_t magnitude = negative ? uint64_t(0) - uint64_t(ms) : uint64_t(ms);
    const uint64_t hours = magnitude / 3600000;
    const unsigned minutes = unsigned(magnitude / 60000 % 60);
    const unsigned seconds = unsigned(magnitude / 1000 % 60);
    const unsigned centis = unsigned(magnitude / 10 % 100);
    char text[64];
    int used = hours > 0 ? std::snprintf(text, sizeof text, "%s%llu:%02u:%02u", negative ? "-" : "",
                                         static_cast<unsigned long long>(hours), minutes, seconds)
                         : std::snprintf(text, sizeof text, "%s%u:%02u", negative ? "-" : "",
                                         minutes, seconds);
    if (hundredths && used > 0 && size_t(used) < sizeof text)
        std::snprintf(text + used, sizeof text - size_t(used), ".%02u", centis);
    return text;
}
