// An installed LV2 plug-in against the matching built-in effect, one on each
// of 16 tracks: every iteration runs one 512-frame stereo block at 44.1 kHz
// through 16 chains. The "realtime" counter is how many times faster than
// playback the work runs (block duration divided by processing time).
// Pairs: the SWH "Simple amplifier" against Gain, and the SWH "Triple band
// parametric with shelves" against Equalizer. A plug-in that is not
// installed skips its benchmark with a message.
#include "engine/CEffectChain.h"
#include "engine/CEqualizerEffect.h"
#include "engine/CGainEffect.h"
#include "engine/CLV2Catalog.h"
#include "engine/CLV2State.h"
#include "engine/EffectsFactory.h"

#include "EffectBlock.h"

#include <benchmark/benchmark.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kTracks = 16;
constexpr const char* kAmpUri = "http://plugin.org.uk/swh-plugins/amp";
constexpr const char* kEqUri = "http://plugin.org.uk/swh-plugins/triplePara";

void ReportRealtime(benchmark::State& state) {
    state.counters["realtime"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kEffectBlockFrames /
                               kEffectBlockRate,
                           benchmark::Counter::kIsRate);
}

void RunTracks(benchmark::State& state, const EffectID& id, const char* label) {
    CLV2Catalog::Instance().ScanAndRegister();
    std::array<CEffectChain, kTracks> chains;
    for (CEffectChain& chain : chains) {
        chain.Prepare(kEffectBlockRate, kEffectBlockFrames);
        if (!chain.Insert(EffectsFactory::GetInstance()->LoadEffect(id), -1)) {
            state.SkipWithError((std::string(label) + " is not available").c_str());
            return;
        }
    }
    const std::vector<float> input = EffectTestBlock();
    std::vector<float> block = input;
    for (auto _ : state) {
        for (CEffectChain& chain : chains) {
            block = input;
            chain.Process(block.data(), kEffectBlockFrames);
            benchmark::DoNotOptimize(block.data());
        }
    }
    state.SetLabel(label);
    ReportRealtime(state);
}

void BM_BuiltInGain16Tracks(benchmark::State& state) {
    RunTracks(state, CGainEffect::kID, "built-in Gain");
}
BENCHMARK(BM_BuiltInGain16Tracks);

void BM_PluginAmp16Tracks(benchmark::State& state) {
    RunTracks(state, CLV2State::MakeID(kAmpUri), "LV2 Simple amplifier");
}
BENCHMARK(BM_PluginAmp16Tracks);

void BM_BuiltInEqualizer16Tracks(benchmark::State& state) {
    RunTracks(state, CEqualizerEffect::kID, "built-in Equalizer");
}
BENCHMARK(BM_BuiltInEqualizer16Tracks);

void BM_PluginTripleParametric16Tracks(benchmark::State& state) {
    RunTracks(state, CLV2State::MakeID(kEqUri), "LV2 Triple band parametric");
}
BENCHMARK(BM_PluginTripleParametric16Tracks);

} // namespace
