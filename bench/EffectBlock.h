#pragma once

#include <cmath>
#include <numbers>
#include <vector>

// The block the effect benchmarks process: 512 frames of interleaved stereo
// at 44.1 kHz, a 220 Hz sine on the left and its inverse on the right.
constexpr double kEffectBlockRate = 44100.0;
constexpr int kEffectBlockFrames = 512;

inline std::vector<float> EffectTestBlock() {
    std::vector<float> block(kEffectBlockFrames * 2);
    for (int frame = 0; frame < kEffectBlockFrames; ++frame) {
        const auto value = static_cast<float>(
            0.5 * std::sin(2.0 * std::numbers::pi * 220.0 * frame / kEffectBlockRate));
        block[2 * frame] = value;
        block[2 * frame + 1] = -value;
    }
    return block;
}
