// Each built-in effect, and a chain of all of them, on one 512-frame stereo
// block at 44.1 kHz. The "realtime" counter is how many times faster than
// playback the work runs (block duration divided by processing time).
#include "engine/CEffectChain.h"
#include "engine/EffectsFactory.h"

#include "EffectBlock.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

constexpr double kRate = kEffectBlockRate;
constexpr int kFrames = kEffectBlockFrames;

void ReportRealtime(benchmark::State& state) {
    // Seconds of sound per second of work.
    state.counters["realtime"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kFrames / kRate, benchmark::Counter::kIsRate);
}

std::vector<EffectDescription> BuiltIns() {
    std::vector<EffectDescription> list;
    for (const EffectDescription& description :
         EffectsFactory::GetInstance()->GetAvailableEffects())
        if (description.group == EffectGroup::BuiltIn && !description.isInstrument)
            list.push_back(description);
    return list;
}

void BM_Effect(benchmark::State& state) {
    const EffectDescription description = BuiltIns()[static_cast<size_t>(state.range(0))];
    std::unique_ptr<CAudioEffect> effect =
        EffectsFactory::GetInstance()->LoadEffect(description.id);
    effect->Prepare(kRate, kFrames);
    const std::vector<float> input = EffectTestBlock();
    std::vector<float> block = input;
    for (auto _ : state) {
        block = input;
        effect->Process(block.data(), kFrames);
        benchmark::DoNotOptimize(block.data());
    }
    state.SetLabel(description.name);
    ReportRealtime(state);
}
BENCHMARK(BM_Effect)->DenseRange(0, 5);

void BM_FullChain(benchmark::State& state) {
    CEffectChain chain;
    chain.Prepare(kRate, kFrames);
    for (const EffectDescription& description : BuiltIns())
        chain.Insert(EffectsFactory::GetInstance()->LoadEffect(description.id), -1);
    const std::vector<float> input = EffectTestBlock();
    std::vector<float> block = input;
    for (auto _ : state) {
        block = input;
        chain.Process(block.data(), kFrames);
        benchmark::DoNotOptimize(block.data());
    }
    state.SetLabel("all six effects");
    ReportRealtime(state);
}
BENCHMARK(BM_FullChain);

} // namespace
