#pragma once

#include "engine/CAudioEffect.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// What a saved chain keeps of an LV2 plug-in: its URI and the value of each
// control input, by port symbol (a newer version of the plug-in may number
// its ports differently). Readable without the plug-in, so that a chain can
// name one that is missing.
//
// Layout, little-endian: u16 version (1), the URI (u16 length and bytes),
// u16 control count, and per control its symbol (u16 length and bytes) and
// an f32 value.
class CLV2State {
public:
    static constexpr size_t kMaxUriBytes = 1024;
    static constexpr size_t kMaxSymbolBytes = 255;
    static constexpr size_t kMaxControls = 1024;

    // "LV2" followed by 13 bytes of a hash of the URI that is the same on
    // every machine and in every run.
    static EffectID MakeID(const std::string& uri);
    static bool IsPluginID(const EffectID& id);

    std::vector<uint8_t> Write() const;
    // False (leaving this state as it was) for bytes that are not one whole,
    // well-formed state: a value that is not finite, a text too long, bytes left over.
    bool Read(const uint8_t* data, size_t size);
    // The URI alone; false when the bytes are no state of this layout.
    static bool ReadUri(const uint8_t* data, size_t size, std::string& uri);

    std::string uri;
    std::vector<std::pair<std::string, float>> controls;

private:
    static constexpr uint16_t kVersion = 1;
};
