#include "burn/CdAddress.h"

#include <cmath>
#include <cstdio>

namespace CdAddress {

int64_t SectorOfMs(double ms) {
    return std::llround(ms * kSectorsPerSecond / 1000.0);
}

double MsOfSector(int64_t sector) {
    return static_cast<double>(sector) * 1000.0 / kSectorsPerSecond;
}

std::string Msf(int64_t sector) {
    if (sector < 0)
        sector = 0;
    const int64_t seconds = sector / kSectorsPerSecond;
    char text[32];
    std::snprintf(text, sizeof(text), "%02lld:%02lld:%02lld", static_cast<long long>(seconds / 60),
                  static_cast<long long>(seconds % 60),
                  static_cast<long long>(sector % kSectorsPerSecond));
    return text;
}

} // namespace CdAddress
