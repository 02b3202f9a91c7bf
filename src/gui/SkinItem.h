#pragma once

#include "gui/GradientLayer.h"

#include <cstdint>
#include <string>
#include <vector>

// What a skin item name resolves to (CSkin::GetItem).
struct SkinItem {
    enum Type : int32_t {
        kGradient = 0,
        kSolidColor = 1,
        kImageFile = 2, // scaled to the requested size
        kImageResource = 3,
        kTiledImageFile = 4, // repeated over the requested size
    };
    static constexpr uint32_t kFreshColor = 0xC0C0C0;

    int32_t type = kSolidColor;
    std::vector<GradientLayer> layers;
    uint32_t color = kFreshColor; // 0x00BBGGRR
    int32_t resourceId = 0;
    std::string fileName;
};

// A requested rendering size in pixels.
struct SkinSize {
    int32_t width = 0;
    int32_t height = 0;
};
