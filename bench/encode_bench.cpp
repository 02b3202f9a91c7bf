// Encoding 60 seconds of stereo audio to a file, as a mix-down does: blocks of 4096 frames
// through CConv2FileFormat. The "realtime" counter is seconds of audio encoded per second of
// wall time.
#include "engine/CConv2FileFormat.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <numbers>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int kRate = 44100;
constexpr int kChannels = 2;
constexpr double kSeconds = 60.0;
constexpr int64_t kBlock = 4096;

// Two tones and a little noise, so that lossy encoders have something to work on.
const std::vector<float>& Audio() {
    static const std::vector<float> audio = [] {
        const auto frames = static_cast<int64_t>(kSeconds * kRate);
        std::vector<float> samples(static_cast<size_t>(frames * kChannels));
        uint32_t noise = 1;
        for (int64_t i = 0; i < frames; ++i) {
            const double t = static_cast<double>(i) / kRate;
            noise = noise * 1664525u + 1013904223u;
            const double hiss = (noise >> 8) / double(1 << 24) - 0.5;
            samples[2 * i] = float(0.4 * std::sin(2 * std::numbers::pi * 440.0 * t) + 0.05 * hiss);
            samples[2 * i + 1] =
                float(0.4 * std::sin(2 * std::numbers::pi * 660.0 * t) - 0.05 * hiss);
        }
        return samples;
    }();
    return audio;
}

void Encode(benchmark::State& state, FormatKind kind) {
    const fs::path dir = fs::temp_directory_path() / "loomtone-encode-bench";
    fs::create_directories(dir);
    FormatDetails details;
    details.kind = kind;
    details.sampleRate = kRate;
    details.channels = kChannels;
    details.bitrateKbps = 192;
    details.tags.title = "Benchmark";
    const std::string path = (dir / (std::string("out.") + details.Extension())).string();
    const std::vector<float>& audio = Audio();
    const int64_t frames = int64_t(audio.size()) / kChannels;
    for (auto _ : state) {
        CConv2FileFormat encoder;
        if (!encoder.Open(path, details)) {
            state.SkipWithError("Open failed");
            break;
        }
        for (int64_t done = 0; done < frames; done += kBlock)
            encoder.Write(audio.data() + done * kChannels, std::min(kBlock, frames - done));
        if (!encoder.Close()) {
            state.SkipWithError("Close failed");
            break;
        }
    }
    state.counters["realtime"] =
        benchmark::Counter(kSeconds * double(state.iterations()), benchmark::Counter::kIsRate);
    fs::remove_all(dir);
}

void BM_EncodeWav16(benchmark::State& state) {
    Encode(state, FormatKind::Wav16);
}
void BM_EncodeWavFloat(benchmark::State& state) {
    Encode(state, FormatKind::WavFloat);
}
void BM_EncodeMp3(benchmark::State& state) {
    Encode(state, FormatKind::Mp3);
}
void BM_EncodeOgg(benchmark::State& state) {
    Encode(state, FormatKind::Ogg);
}
void BM_EncodeWma(benchmark::State& state) {
    Encode(state, FormatKind::Wma);
}

BENCHMARK(BM_EncodeWav16)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EncodeWavFloat)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EncodeMp3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EncodeOgg)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EncodeWma)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
