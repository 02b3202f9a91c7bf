#pragma once

#include <cstdint>
#include <vector>

// One layer of a multi-layer colour gradient. Colours are 0x00BBGGRR.
//
// How a layer is drawn (CImage::MakeMultiLayerColorGradient): an even style
// blends from top to bottom, an odd style from left to right; the start colour
// sits at location 0, the end colour at 1000 and the extra colours at their
// own locations in between. The layer is laid over the layers before it at
// its opacity (percent). The blend keys are kept so that a skin round-trips,
// but they do not change the picture.
struct GradientLayer {
    struct ExtraColor {
        uint32_t color = 0;
        int32_t location = 0; // 0..1000 across the blend
    };

    int32_t style = 20;
    int32_t opacity = 100;
    int32_t blendAsGradient = 0;
    int32_t blendGradientStyle = 0;
    uint32_t startColor = 0;
    uint32_t endColor = 0;
    std::vector<ExtraColor> extras;
};
