#pragma once

#include "engine/CSoundData.h"
#include "engine/WaveFormat.h"

#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

// A mono sine at the mixer's rate, the material of the session benchmarks.
// The phase is computed in double so long sounds stay clean.
inline std::shared_ptr<const CSoundData> BenchSine(double hz, double seconds, double amplitude) {
    const auto frames = static_cast<size_t>(seconds * kMixerSampleRate);
    std::vector<float> samples(frames);
    for (size_t frame = 0; frame < frames; ++frame)
        samples[frame] =
            static_cast<float>(amplitude * std::sin(2.0 * std::numbers::pi * hz *
                                                    static_cast<double>(frame) / kMixerSampleRate));
    return CSoundData::FromSamples(std::move(samples), 1, kMixerSampleRate);
}
