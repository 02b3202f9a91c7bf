#include "engine/CSoundStretcher.h"

#include "support/Log.h"

#include <rubberband/RubberBandStretcher.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr double kMinRate = 1.0 / 16.0;
constexpr double kMaxRate = 16.0;
constexpr double kMaxSemitones = 48.0;
constexpr size_t kBlockFrames = 16384;

using RubberBand::RubberBandStretcher;

// Splits interleaved frames into one buffer per channel, as Rubber Band wants them.
std::vector<std::vector<float>> Deinterleave(const CSoundData& data) {
    const int channels = data.Channels();
    const auto frames = static_cast<size_t>(data.Frames());
    std::vector<std::vector<float>> planes(channels, std::vector<float>(frames));
    std::vector<float> block(kBlockFrames * static_cast<size_t>(channels));
    for (size_t first = 0; first < frames; first += kBlockFrames) {
        const size_t count = std::min(kBlockFrames, frames - first);
        data.ReadFrames(static_cast<int64_t>(first), static_cast<int64_t>(count), block.data());
        for (size_t i = 0; i < count; ++i)
            for (int c = 0; c < channels; ++c)
                planes[c][first + i] = block[i * channels + c];
    }
    return planes;
}

// Hands all channels to Rubber Band block by block, for studying or processing.
template <typename Feed>
void FeedInBlocks(const std::vector<std::vector<float>>& planes, size_t frames, Feed feed) {
    std::vector<const float*> pointers(planes.size());
    for (size_t offset = 0; offset < frames; offset += kBlockFrames) {
        const size_t count = std::min(kBlockFrames, frames - offset);
        for (size_t c = 0; c < planes.size(); ++c)
            pointers[c] = planes[c].data() + offset;
        feed(pointers.data(), count, offset + count == frames);
    }
}

} // namespace

std::shared_ptr<const CSoundData> CSoundStretcher::Process(std::shared_ptr<const CSoundData> input,
                                                           double rate, double pitchSemitones) {
    if (!input || input->Frames() <= 0 || !(rate >= kMinRate && rate <= kMaxRate) ||
        !(std::fabs(pitchSemitones) <= kMaxSemitones)) {
        LogFmt("CSoundStretcher::Process refused rate %g, pitch %g on %lld frames - returning "
               "null!",
               rate, pitchSemitones, static_cast<long long>(input ? input->Frames() : 0));
        return nullptr;
    }
    if (rate == 1.0 && pitchSemitones == 0.0)
        return input;

    const auto frames = static_cast<size_t>(input->Frames());
    const int channels = input->Channels();
    const size_t wanted = static_cast<size_t>(std::llround(static_cast<double>(frames) / rate));
    if (wanted == 0) {
        LogFmt("CSoundStretcher::Process - %lld frames at rate %g leave nothing - returning null!",
               static_cast<long long>(frames), rate);
        return nullptr;
    }
    RubberBandStretcher stretcher(static_cast<size_t>(input->Rate()), static_cast<size_t>(channels),
                                  RubberBandStretcher::OptionProcessOffline |
                                      RubberBandStretcher::OptionEngineFiner,
                                  1.0 / rate, std::pow(2.0, pitchSemitones / 12.0));
    stretcher.setExpectedInputDuration(frames);
    stretcher.setMaxProcessSize(kBlockFrames);

    const std::vector<std::vector<float>> planes = Deinterleave(*input);
    FeedInBlocks(planes, frames, [&](const float* const* in, size_t count, bool final) {
        stretcher.study(in, count, final);
    });

    std::vector<float> output;
    output.reserve((wanted + 1) * channels);
    std::vector<std::vector<float>> retrieved(channels, std::vector<float>(kBlockFrames));
    std::vector<float*> outPointers(channels);
    for (int c = 0; c < channels; ++c)
        outPointers[c] = retrieved[c].data();
    auto collect = [&] {
        for (int available = stretcher.available(); available > 0;
             available = stretcher.available()) {
            const size_t got = stretcher.retrieve(
                outPointers.data(), std::min(static_cast<size_t>(available), kBlockFrames));
            for (size_t i = 0; i < got; ++i)
                for (int c = 0; c < channels; ++c)
                    output.push_back(retrieved[c][i]);
        }
    };
    FeedInBlocks(planes, frames, [&](const float* const* in, size_t count, bool final) {
        stretcher.process(in, count, final);
        collect();
    });
    collect();
    // Offline output is exact already; this only guards the promised length.
    output.resize(wanted * channels, 0.0f);
    return CSoundData::FromSamples(std::move(output), channels, input->Rate());
}
