// From a parameter change on the GUI thread (what the effect dialog's slider
// does through the chain edits) to the first block that sounds different: the
// change travels as an atomic value, so the very next block of the chain
// uses it. "blocks" counts the blocks processed until the output changed (the
// goal is 1); the time is that of the change plus those blocks.
#include "engine/CEffectChain.h"
#include "engine/CGainEffect.h"

#include "EffectBlock.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

constexpr double kRate = kEffectBlockRate;
constexpr int kFrames = kEffectBlockFrames;

void BM_ParameterToAudibleBlock(benchmark::State& state) {
    CEffectChain chain;
    chain.Prepare(kRate, kFrames);
    chain.Insert(std::make_unique<CGainEffect>(), 0);
    CAudioEffect& gain = *chain.GetEffect(0);
    const std::vector<float> input = EffectTestBlock();
    std::vector<float> unchanged = input;
    chain.Process(unchanged.data(), kFrames);
    std::vector<float> block(input.size());
    float db = -12.0f;
    int64_t blocks = 0;
    for (auto _ : state) {
        gain.SetParameter(CGainEffect::kGainDb, db);
        do {
            block = input;
            chain.Process(block.data(), kFrames);
            ++blocks;
        } while (block == unchanged);
        benchmark::DoNotOptimize(block.data());
        state.PauseTiming();
        // Back to unity for the next round, settled.
        gain.SetParameter(CGainEffect::kGainDb, 0.0f);
        gain.Reset();
        unchanged = input;
        chain.Process(unchanged.data(), kFrames);
        db = db == -12.0f ? -6.0f : -12.0f;
        state.ResumeTiming();
    }
    state.counters["blocks"] =
        benchmark::Counter(static_cast<double>(blocks) / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_ParameterToAudibleBlock);

} // namespace
