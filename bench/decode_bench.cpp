// Decoding a long sound file into the cache, reloading it from the cache, and
// building and querying its waveform peaks.
#include "engine/CPeaks.h"
#include "engine/CSoundLoader.h"

#include <benchmark/benchmark.h>
#include <sndfile.h>

#include <cmath>
#include <filesystem>
#include <numbers>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr double kSeconds = 300.0;
constexpr int kMixerRate = 44100;

const fs::path& BenchDir() {
    static const fs::path dir = fs::temp_directory_path() / "loomtone-decode-bench";
    return dir;
}

// A five-minute stereo 16-bit WAV of two tones at the given rate, written once.
std::string LongFile(int rate) {
    const fs::path path = BenchDir() / ("long-" + std::to_string(rate) + ".wav");
    if (fs::exists(path))
        return path.string();
    fs::create_directories(BenchDir());
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    std::vector<float> block(2 * 65536);
    const auto frames = static_cast<int64_t>(kSeconds * rate);
    for (int64_t done = 0; done < frames; done += 65536) {
        const int64_t count = std::min<int64_t>(65536, frames - done);
        for (int64_t i = 0; i < count; ++i) {
            const double t = static_cast<double>(done + i) / rate;
            block[2 * i] = static_cast<float>(0.4 * std::sin(2 * std::numbers::pi * 440.0 * t));
            block[2 * i + 1] = static_cast<float>(0.4 * std::sin(2 * std::numbers::pi * 660.0 * t));
        }
        sf_writef_float(file, block.data(), count);
    }
    sf_close(file);
    return path.string();
}

void ClearCache() {
    const fs::path cache = BenchDir() / "cache";
    fs::remove_all(cache);
    CSoundLoader::SetTempSndPath(cache.string());
}

void SetAudioCounters(benchmark::State& state, double framesPerIteration, int rate) {
    state.counters["frames/s"] =
        benchmark::Counter(framesPerIteration, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["x realtime"] = benchmark::Counter(
        framesPerIteration / rate, benchmark::Counter::kIsIterationInvariantRate);
}

void DecodeAndCache(benchmark::State& state, int sourceRate) {
    const std::string path = LongFile(sourceRate);
    for (auto _ : state) {
        state.PauseTiming();
        ClearCache();
        state.ResumeTiming();
        const LoadedSound sound = CSoundLoader::Load(path, kMixerRate);
        if (!sound.data || sound.fromCache)
            state.SkipWithError("decoding failed");
    }
    SetAudioCounters(state, kSeconds * sourceRate, sourceRate);
}

void BM_DecodeResampleAndCache(benchmark::State& state) {
    DecodeAndCache(state, 48000);
}
BENCHMARK(BM_DecodeResampleAndCache)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_DecodeAndCacheAtMixerRate(benchmark::State& state) {
    DecodeAndCache(state, kMixerRate);
}
BENCHMARK(BM_DecodeAndCacheAtMixerRate)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

void BM_CachedReload(benchmark::State& state) {
    const std::string path = LongFile(48000);
    ClearCache();
    CSoundLoader::Load(path, kMixerRate);
    for (auto _ : state) {
        const LoadedSound sound = CSoundLoader::Load(path, kMixerRate);
        if (!sound.fromCache)
            state.SkipWithError("the cache was not used");
        benchmark::DoNotOptimize(sound.data->Samples());
    }
    SetAudioCounters(state, kSeconds * kMixerRate, kMixerRate);
}
BENCHMARK(BM_CachedReload)->Unit(benchmark::kMillisecond)->UseRealTime();

std::shared_ptr<const CSoundData> CachedData() {
    ClearCache();
    return CSoundLoader::Load(LongFile(48000), kMixerRate).data;
}

void BM_BuildPeaks(benchmark::State& state) {
    const auto data = CachedData();
    for (auto _ : state)
        benchmark::DoNotOptimize(CPeaks::Build(data));
    SetAudioCounters(state, static_cast<double>(data->Frames()), kMixerRate);
}
BENCHMARK(BM_BuildPeaks)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LoadPeakFile(benchmark::State& state) {
    ClearCache();
    const LoadedSound sound = CSoundLoader::Load(LongFile(48000), kMixerRate);
    CPeaks::LoadOrBuild(sound.data, sound.cachePath, sound.peakPath);
    for (auto _ : state)
        benchmark::DoNotOptimize(CPeaks::LoadOrBuild(sound.data, sound.cachePath, sound.peakPath));
    SetAudioCounters(state, static_cast<double>(sound.data->Frames()), kMixerRate);
}
BENCHMARK(BM_LoadPeakFile)->Unit(benchmark::kMillisecond)->UseRealTime();

// One screen of waveform: the whole sound, and then ten seconds of it, over 1920 pixels.
void BM_QueryPeaks(benchmark::State& state) {
    const auto data = CachedData();
    const auto peaks = CPeaks::Build(data);
    const int64_t span = state.range(0) == 0 ? data->Frames() : 10 * kMixerRate;
    std::vector<PeakRange> pixels(1920);
    for (auto _ : state) {
        peaks->Query(0, 0, span, pixels);
        benchmark::DoNotOptimize(pixels.data());
    }
}
BENCHMARK(BM_QueryPeaks)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace
