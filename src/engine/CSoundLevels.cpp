#include "engine/CSoundLevels.h"

#include "engine/CEnvelope.h"

#include <algorithm>
#include <cmath>

namespace {

struct FrameRange {
    int64_t first = 0;
    int64_t end = 0;
};

// The frames of the data between the two times, never outside the data.
FrameRange FramesBetween(const CSoundData& data, double startMs, double endMs) {
    if (!std::isfinite(startMs) || !std::isfinite(endMs) || data.Rate() <= 0)
        return {};
    const double perMs = data.Rate() / 1000.0;
    const auto clampFrame = [&](double ms) {
        return static_cast<int64_t>(
            std::clamp(std::floor(ms * perMs), 0.0, static_cast<double>(data.Frames())));
    };
    return {clampFrame(startMs), clampFrame(endMs)};
}

float LoudestOfFrame(const CSoundData& data, int64_t frame) {
    float samples[2] = {0.0f, 0.0f};
    data.ReadFrames(frame, 1, samples);
    float loudest = 0.0f;
    for (int channel = 0; channel < data.Channels(); ++channel)
        loudest = std::max(loudest, std::fabs(samples[channel]));
    return loudest;
}

} // namespace

double CSoundLevels::Peak(const CSoundData& data, double startMs, double endMs,
                          const CEnvelope* gain) {
    const FrameRange range = FramesBetween(data, startMs, endMs);
    const double msPerFrame = 1000.0 / data.Rate();
    const double firstMs = range.first * msPerFrame;
    double peak = 0.0;
    for (int64_t frame = range.first; frame < range.end; ++frame) {
        double level = LoudestOfFrame(data, frame);
        if (gain && level > 0.0)
            level *= gain->ValueAt(frame * msPerFrame - firstMs);
        peak = std::max(peak, level);
    }
    return peak;
}

std::optional<CSoundLevels::Span> CSoundLevels::AudibleSpan(const CSoundData& data, double startMs,
                                                            double endMs, double threshold) {
    const FrameRange range = FramesBetween(data, startMs, endMs);
    int64_t first = range.first;
    while (first < range.end && LoudestOfFrame(data, first) <= threshold)
        ++first;
    if (first == range.end)
        return std::nullopt;
    int64_t last = range.end - 1;
    while (last > first && LoudestOfFrame(data, last) <= threshold)
        --last;
    const double msPerFrame = 1000.0 / data.Rate();
    return Span{first * msPerFrame, (last + 1) * msPerFrame};
}
