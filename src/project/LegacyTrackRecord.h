#pragma once

#include "project/AudioTrackRecord.h"

#include <cstddef>
#include <cstdint>
#include <string>

// One track of a legacy session, a 288-byte record of the "thtd" chunk. Only
// the fields below are known; the rest of the record is ignored.
struct LegacyTrackRecord {
    static constexpr size_t kSize = 288;
    static constexpr size_t kNameSize = 256;

    bool mute = false;
    bool solo = false;
    uint32_t engineValue = 0; // handed unchanged to the engine track
    std::string name;
    int32_t volumePercent = 100;
    int32_t panPercent = 0;

    // Reads exactly kSize bytes.
    static LegacyTrackRecord FromBytes(const uint8_t* in);
    // The settings as an audio track record (volume and pan as fractions).
    AudioTrackRecord ToAudioTrackRecord() const;
};
