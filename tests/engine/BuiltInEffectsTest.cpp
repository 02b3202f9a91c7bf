#include "engine/AllocationCounter.h"
#include "engine/CChorusEffect.h"
#include "engine/CCompressorEffect.h"
#include "engine/CDelayEffect.h"
#include "engine/CEffectChain.h"
#include "engine/CEqualizerEffect.h"
#include "engine/CGainEffect.h"
#include "engine/CReverbEffect.h"
#include "engine/EffectsFactory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>
#include <numbers>
#include <random>
#include <vector>

namespace {

constexpr double kRate = 48000.0;
constexpr int kBlock = 512;

using Buffer = std::vector<float>; // interleaved stereo

Buffer Sine(double hz, double amplitude, int frames, double rate = kRate) {
    Buffer buffer(static_cast<size_t>(frames) * 2);
    for (int frame = 0; frame < frames; ++frame) {
        const auto value =
            static_cast<float>(amplitude * std::sin(2.0 * std::numbers::pi * hz * frame / rate));
        buffer[2 * frame] = buffer[2 * frame + 1] = value;
    }
    return buffer;
}

// Runs the buffer through the effect in blocks of kBlock frames.
void RunThrough(CAudioEffect& effect, Buffer& buffer) {
    const int frames = static_cast<int>(buffer.size() / 2);
    for (int start = 0; start < frames; start += kBlock)
        effect.Process(buffer.data() + 2 * start, std::min(kBlock, frames - start));
}

float Peak(const Buffer& buffer, int fromFrame, int toFrame, int channel = 0) {
    float peak = 0.0f;
    for (int frame = fromFrame; frame < toFrame; ++frame)
        peak = std::max(peak, std::fabs(buffer[2 * frame + channel]));
    return peak;
}

double Rms(const Buffer& buffer, int fromFrame, int toFrame, int channel = 0) {
    double sum = 0.0;
    for (int frame = fromFrame; frame < toFrame; ++frame)
        sum += static_cast<double>(buffer[2 * frame + channel]) * buffer[2 * frame + channel];
    return std::sqrt(sum / (toFrame - fromFrame));
}

template <typename Effect> std::unique_ptr<Effect> Prepared() {
    auto effect = std::make_unique<Effect>();
    EXPECT_TRUE(effect->Prepare(kRate, kBlock));
    return effect;
}

std::vector<std::unique_ptr<CAudioEffect>> EveryBuiltIn() {
    std::vector<std::unique_ptr<CAudioEffect>> effects;
    for (const EffectDescription& description :
         EffectsFactory::GetInstance()->GetAvailableEffects())
        if (description.group == EffectGroup::BuiltIn && !description.isInstrument)
            effects.push_back(EffectsFactory::GetInstance()->LoadEffect(description.id));
    return effects;
}

} // namespace

TEST(GainEffect, MinusSixDecibelsFollowsTheDecibelLawAndHalvesAtSixPointOhTwo) {
    auto gain = std::make_unique<CGainEffect>();
    gain->SetParameter(CGainEffect::kGainDb, -6.0f);
    ASSERT_TRUE(gain->Prepare(kRate, kBlock));
    Buffer buffer = Sine(440, 0.8, 4800);
    const Buffer input = buffer;
    RunThrough(*gain, buffer);
    const double expected = std::pow(10.0, -6.0 / 20.0);
    for (size_t i = 0; i < buffer.size(); ++i)
        ASSERT_NEAR(buffer[i], input[i] * expected, std::fabs(input[i] * expected) * 0.001 + 1e-7);

    // -6.02 dB is the exact halving.
    gain->SetParameter(CGainEffect::kGainDb, -6.0206f);
    gain->Reset();
    buffer = input;
    RunThrough(*gain, buffer);
    EXPECT_NEAR(Peak(buffer, 0, 4800) / Peak(input, 0, 4800), 0.5, 0.0005);
}

TEST(GainEffect, ChangesGlideWithoutSteps) {
    auto gain = Prepared<CGainEffect>();
    Buffer buffer(static_cast<size_t>(kBlock) * 2 * 20, 0.8f);
    gain->Process(buffer.data(), kBlock);
    gain->SetParameter(CGainEffect::kGainDb, -40.0f);
    gain->Process(buffer.data() + 2 * kBlock, static_cast<int>(buffer.size() / 2) - kBlock);
    float largestStep = 0.0f;
    for (size_t frame = 1; frame < buffer.size() / 2; ++frame)
        largestStep = std::max(largestStep, std::fabs(buffer[2 * frame] - buffer[2 * frame - 2]));
    EXPECT_LT(largestStep, 0.01f);
    EXPECT_NEAR(buffer[buffer.size() - 2], 0.8f * 0.01f, 1e-4);
}

TEST(EqualizerEffect, LowCutLowersALowToneAndLeavesAMidTone) {
    auto eq = std::make_unique<CEqualizerEffect>();
    eq->SetParameter(CEqualizerEffect::kLowGain, -18.0f);
    eq->SetParameter(CEqualizerEffect::kLowFreq, 200.0f);
    ASSERT_TRUE(eq->Prepare(kRate, kBlock));
    Buffer low = Sine(50, 0.5, 48000);
    RunThrough(*eq, low);
    eq->Reset();
    Buffer mid = Sine(2000, 0.5, 48000);
    RunThrough(*eq, mid);
    const double lowDb = 20 * std::log10(Rms(low, 24000, 48000) / (0.5 / std::numbers::sqrt2));
    const double midDb = 20 * std::log10(Rms(mid, 24000, 48000) / (0.5 / std::numbers::sqrt2));
    EXPECT_LT(lowDb, -15.0);
    EXPECT_NEAR(midDb, 0.0, 0.5);
}

TEST(EqualizerEffect, MidAndHighBandsActWhereTheyShould) {
    auto eq = std::make_unique<CEqualizerEffect>();
    eq->SetParameter(CEqualizerEffect::kMidGain, 12.0f);
    eq->SetParameter(CEqualizerEffect::kMidFreq, 1000.0f);
    eq->SetParameter(CEqualizerEffect::kHighGain, -12.0f);
    eq->SetParameter(CEqualizerEffect::kHighFreq, 5000.0f);
    ASSERT_TRUE(eq->Prepare(kRate, kBlock));
    Buffer mid = Sine(1000, 0.1, 24000);
    RunThrough(*eq, mid);
    eq->Reset();
    Buffer high = Sine(15000, 0.1, 24000);
    RunThrough(*eq, high);
    EXPECT_NEAR(20 * std::log10(Rms(mid, 12000, 24000) / (0.1 / std::numbers::sqrt2)), 12.0, 0.5);
    EXPECT_NEAR(20 * std::log10(Rms(high, 12000, 24000) / (0.1 / std::numbers::sqrt2)), -12.0, 1.0);
}

TEST(EqualizerEffect, FlatSettingsPassTheSignal) {
    auto eq = Prepared<CEqualizerEffect>();
    Buffer buffer = Sine(333, 0.5, 9600);
    const Buffer input = buffer;
    RunThrough(*eq, buffer);
    for (size_t i = 0; i < buffer.size(); ++i)
        ASSERT_NEAR(buffer[i], input[i], 1e-5);
}

TEST(CompressorEffect, LowersPeaksAboveTheThresholdAndLeavesQuietSignals) {
    for (float detector : {0.0f, 1.0f}) {
        auto compressor = std::make_unique<CCompressorEffect>();
        compressor->SetParameter(CCompressorEffect::kThresholdDb, -20.0f);
        compressor->SetParameter(CCompressorEffect::kRatio, 4.0f);
        compressor->SetParameter(CCompressorEffect::kAttackMs, 1.0f);
        compressor->SetParameter(CCompressorEffect::kReleaseMs, 100.0f);
        compressor->SetParameter(CCompressorEffect::kDetector, detector);
        ASSERT_TRUE(compressor->Prepare(kRate, kBlock));

        Buffer loud = Sine(1000, 1.0, 48000);
        RunThrough(*compressor, loud);
        const float peak = Peak(loud, 24000, 48000);
        // 20 dB over the threshold at 4:1 leaves 5 dB over it: about -15 dBFS.
        EXPECT_LT(peak, 0.3f) << "detector " << detector;
        EXPECT_GT(peak, 0.1f) << "detector " << detector;
        EXPECT_GT(compressor->GetReductionDb(), 10.0f);

        compressor->Reset();
        Buffer quiet = Sine(1000, 0.01, 24000);
        const Buffer input = quiet;
        RunThrough(*compressor, quiet);
        for (size_t i = 0; i < quiet.size(); ++i)
            ASSERT_FLOAT_EQ(quiet[i], input[i]);
    }
}

TEST(CompressorEffect, MakeupGainRaisesTheOutput) {
    auto compressor = std::make_unique<CCompressorEffect>();
    compressor->SetParameter(CCompressorEffect::kMakeupDb, 6.0f);
    ASSERT_TRUE(compressor->Prepare(kRate, kBlock));
    Buffer quiet = Sine(1000, 0.01, 4800);
    RunThrough(*compressor, quiet);
    EXPECT_NEAR(Peak(quiet, 0, 4800), 0.01f * std::pow(10.0f, 0.3f), 1e-4);
}

TEST(DelayEffect, EchoesLandExactlyAtTheSetTime) {
    auto delay = std::make_unique<CDelayEffect>();
    delay->SetParameter(CDelayEffect::kTimeMs, 250.0f); // 12000 frames at 48 kHz
    delay->SetParameter(CDelayEffect::kFeedback, 50.0f);
    delay->SetParameter(CDelayEffect::kMix, 50.0f);
    ASSERT_TRUE(delay->Prepare(kRate, kBlock));
    Buffer buffer(48000 * 2, 0.0f);
    buffer[0] = buffer[1] = 1.0f;
    RunThrough(*delay, buffer);
    for (int frame = 0; frame < 48000; ++frame) {
        float expected = 0.0f;
        if (frame == 0)
            expected = 0.5f;
        else if (frame % 12000 == 0)
            expected = 0.5f * std::pow(0.5f, static_cast<float>(frame / 12000 - 1));
        ASSERT_FLOAT_EQ(buffer[2 * frame], expected) << "frame " << frame;
        ASSERT_FLOAT_EQ(buffer[2 * frame + 1], expected) << "frame " << frame;
    }
}

TEST(DelayEffect, TailCoversTheEchoesDownToMinusSixtyDecibels) {
    auto delay = std::make_unique<CDelayEffect>();
    delay->SetParameter(CDelayEffect::kTimeMs, 100.0f);
    delay->SetParameter(CDelayEffect::kFeedback, 70.0f);
    delay->SetParameter(CDelayEffect::kMix, 100.0f);
    ASSERT_TRUE(delay->Prepare(kRate, kBlock));
    const int tailFrames = static_cast<int>(delay->GetTailMs() * kRate / 1000.0);
    ASSERT_GT(tailFrames, 4800);
    Buffer buffer(static_cast<size_t>(tailFrames + 48000) * 2, 0.0f);
    buffer[0] = buffer[1] = 1.0f;
    RunThrough(*delay, buffer);
    EXPECT_GT(Peak(buffer, tailFrames - 4800, tailFrames), 0.0f);
    EXPECT_LT(Peak(buffer, tailFrames, tailFrames + 48000), 0.001f);
}

TEST(ReverbEffect, RingsOnAndDiesAwayWithinItsTail) {
    auto reverb = std::make_unique<CReverbEffect>();
    reverb->SetParameter(CReverbEffect::kRoomSize, 80.0f);
    reverb->SetParameter(CReverbEffect::kMix, 100.0f);
    ASSERT_TRUE(reverb->Prepare(kRate, kBlock));
    const double tailMs = reverb->GetTailMs();
    ASSERT_GT(tailMs, 1000.0);
    const int burst = 24000;
    const int tailFrames = static_cast<int>(tailMs * kRate / 1000.0);
    Buffer buffer(static_cast<size_t>(burst + tailFrames + 4800) * 2, 0.0f);
    std::mt19937 random(7);
    std::uniform_real_distribution<float> noise(-0.5f, 0.5f);
    for (int frame = 0; frame < burst; ++frame)
        buffer[2 * frame] = buffer[2 * frame + 1] = noise(random);
    RunThrough(*reverb, buffer);

    const float loudest = Peak(buffer, 0, burst);
    const double justAfter = Rms(buffer, burst, burst + 4800);
    const double later = Rms(buffer, burst + 24000, burst + 28800);
    EXPECT_GT(justAfter, 0.01);
    EXPECT_LT(later, justAfter * 0.5); // decaying
    EXPECT_GT(later, 0.0);
    EXPECT_LT(Peak(buffer, burst + tailFrames, burst + tailFrames + 4800), loudest * 0.001f);
    EXPECT_LT(Peak(buffer, burst + tailFrames, burst + tailFrames + 4800, 1), loudest * 0.001f);
}

TEST(ChorusEffect, SweepsTheDelayAndSoThePitch) {
    // Distances between rising zero crossings of a 440 Hz tone through the
    // wet signal only: constant without depth, wandering with it.
    auto spreadOfPeriods = [](float depthMs) {
        auto chorus = std::make_unique<CChorusEffect>();
        chorus->SetParameter(CChorusEffect::kRateHz, 2.0f);
        chorus->SetParameter(CChorusEffect::kDepthMs, depthMs);
        chorus->SetParameter(CChorusEffect::kMix, 100.0f);
        EXPECT_TRUE(chorus->Prepare(kRate, kBlock));
        Buffer buffer = Sine(440, 0.5, 48000);
        RunThrough(*chorus, buffer);
        double previous = -1.0, shortest = 1e9, longest = 0.0;
        for (int frame = 4800; frame < 48000; ++frame) {
            const float a = buffer[2 * frame - 2], b = buffer[2 * frame];
            if (a < 0.0f && b >= 0.0f) {
                const double crossing = frame - 1 + a / (a - b);
                if (previous >= 0.0) {
                    shortest = std::min(shortest, crossing - previous);
                    longest = std::max(longest, crossing - previous);
                }
                previous = crossing;
            }
        }
        return longest - shortest;
    };
    EXPECT_LT(spreadOfPeriods(0.0f), 0.05);
    EXPECT_GT(spreadOfPeriods(5.0f), 3.0);
}

TEST(BuiltInEffects, DescribeSensibleParametersAndPresets) {
    for (const auto& effect : EveryBuiltIn()) {
        SCOPED_TRACE(effect->GetName());
        ASSERT_GT(effect->GetNumParameters(), 0);
        for (int i = 0; i < effect->GetNumParameters(); ++i) {
            const EffectParameterInfo* info = effect->GetParameterInfo(i);
            ASSERT_NE(info, nullptr);
            EXPECT_FALSE(info->name.empty());
            EXPECT_LT(info->minValue, info->maxValue);
            EXPECT_GE(info->defaultValue, info->minValue);
            EXPECT_LE(info->defaultValue, info->maxValue);
            EXPECT_EQ(effect->GetParameter(i), info->defaultValue);
        }
        EXPECT_EQ(effect->GetParameterInfo(-1), nullptr);
        EXPECT_EQ(effect->GetParameterInfo(effect->GetNumParameters()), nullptr);
        EXPECT_GE(effect->GetNumPresets(), 3);
        // A fresh effect is on one of its presets.
        EXPECT_NE(effect->GetCurrentPresetName(), CAudioEffect::kCustomPresetName);
        for (int p = 0; p < effect->GetNumPresets(); ++p) {
            ASSERT_TRUE(effect->LoadPreset(p));
            EXPECT_EQ(effect->GetCurrentPresetName(), effect->GetPresetName(p));
        }
        EXPECT_FALSE(effect->LoadPreset(effect->GetNumPresets()));
        EXPECT_FALSE(effect->LoadPreset("no such preset"));
    }
}

TEST(BuiltInEffects, HandEditsMakeTheSettingsCustomAndValuesAreClamped) {
    CDelayEffect delay;
    ASSERT_TRUE(delay.LoadPreset("Slapback"));
    EXPECT_TRUE(delay.SetParameter(CDelayEffect::kTimeMs, 110.0f)); // the same value
    EXPECT_EQ(delay.GetCurrentPresetName(), "Slapback");
    EXPECT_TRUE(delay.SetParameter(CDelayEffect::kTimeMs, 99999.0f));
    EXPECT_EQ(delay.GetParameter(CDelayEffect::kTimeMs), CDelayEffect::kMaxTimeMs);
    EXPECT_EQ(delay.GetCurrentPresetName(), CAudioEffect::kCustomPresetName);
    EXPECT_TRUE(delay.SetParameter(CDelayEffect::kFeedback, std::nanf("")));
    EXPECT_EQ(delay.GetParameter(CDelayEffect::kFeedback), 35.0f);
    EXPECT_FALSE(delay.SetParameter(3, 1.0f));
    CCompressorEffect compressor;
    compressor.SetParameter(CCompressorEffect::kDetector, 0.7f);
    EXPECT_EQ(compressor.GetParameter(CCompressorEffect::kDetector), 1.0f);
}

TEST(BuiltInEffects, StateRoundTripsAndDamagedStatesAreRefused) {
    for (const auto& effect : EveryBuiltIn()) {
        SCOPED_TRACE(effect->GetName());
        effect->LoadPreset(1);
        effect->SetParameter(0, effect->GetParameterInfo(0)->minValue);
        ASSERT_TRUE(effect->LoadPreset(2));
        const std::vector<uint8_t> state = effect->GetState();
        auto copy = EffectsFactory::GetInstance()->LoadEffect(effect->GetIdentifier());
        ASSERT_TRUE(copy->SetState(state.data(), state.size()));
        EXPECT_EQ(copy->GetState(), state);
        EXPECT_EQ(copy->GetCurrentPresetName(), effect->GetPresetName(2));

        auto fresh = EffectsFactory::GetInstance()->LoadEffect(effect->GetIdentifier());
        const std::vector<uint8_t> freshState = fresh->GetState();
        for (size_t size = 0; size < state.size(); ++size)
            EXPECT_FALSE(fresh->SetState(state.data(), size)) << "length " << size;
        std::vector<uint8_t> longer = state;
        longer.push_back(0);
        EXPECT_FALSE(fresh->SetState(longer.data(), longer.size()));
        std::vector<uint8_t> badVersion = state;
        badVersion[0] = 2;
        EXPECT_FALSE(fresh->SetState(badVersion.data(), badVersion.size()));
        std::vector<uint8_t> notANumber = state;
        notANumber[4] = notANumber[5] = 0xFF;
        notANumber[6] = 0xC0;
        notANumber[7] = 0x7F;
        EXPECT_FALSE(fresh->SetState(notANumber.data(), notANumber.size()));
        EXPECT_EQ(fresh->GetState(), freshState);
    }
}

TEST(BuiltInEffects, OlderStatesWithFewerValuesKeepDefaultsForTheRest) {
    CEqualizerEffect eq;
    // version 1, one value (-6 dB low gain), no preset name.
    const std::vector<uint8_t> state = {1, 0, 1, 0, 0, 0, 0xC0, 0xC0, 0, 0};
    ASSERT_TRUE(eq.SetState(state.data(), state.size()));
    EXPECT_EQ(eq.GetParameter(CEqualizerEffect::kLowGain), -6.0f);
    EXPECT_EQ(eq.GetParameter(CEqualizerEffect::kHighFreq), 8000.0f);
    EXPECT_EQ(eq.GetCurrentPresetName(), CAudioEffect::kCustomPresetName);
}

TEST(BuiltInEffects, OnlyTheEchoesRingOn) {
    for (const auto& effect : EveryBuiltIn()) {
        const bool rings = effect->GetIdentifier() == CDelayEffect::kID ||
                           effect->GetIdentifier() == CReverbEffect::kID ||
                           effect->GetIdentifier() == CChorusEffect::kID;
        EXPECT_EQ(effect->GetTailMs() > 0.0, rings) << effect->GetName();
    }
}

TEST(BuiltInEffects, ProcessIsUntouchedBeforePrepare) {
    CGainEffect gain;
    gain.SetParameter(CGainEffect::kGainDb, -20.0f);
    Buffer buffer(64, 0.5f);
    gain.Process(buffer.data(), 32);
    EXPECT_EQ(buffer, Buffer(64, 0.5f));
    EXPECT_FALSE(gain.Prepare(0.0, 512));
    EXPECT_FALSE(gain.Prepare(48000.0, 0));
    EXPECT_FALSE(gain.IsPrepared());
}

TEST(BuiltInEffects, BlocksLongerThanPreparedAreTakenInParts) {
    auto delay = std::make_unique<CDelayEffect>();
    delay->SetParameter(CDelayEffect::kTimeMs, 1.0f); // 48 frames
    delay->SetParameter(CDelayEffect::kFeedback, 0.0f);
    delay->SetParameter(CDelayEffect::kMix, 100.0f);
    ASSERT_TRUE(delay->Prepare(kRate, 16));
    Buffer buffer(200 * 2, 0.0f);
    buffer[2 * 10] = 1.0f;
    delay->Process(buffer.data(), 200);
    EXPECT_FLOAT_EQ(buffer[2 * 58], 1.0f);
    EXPECT_FLOAT_EQ(Peak(buffer, 0, 58) + Peak(buffer, 59, 200), 0.0f);
}

#if defined(LOOMTONE_CAN_COUNT_ALLOCATIONS)

TEST(BuiltInEffects, TheAllocationCounterSeesAllocationsAndFrees) {
    AllocationCounter counter;
    auto probe = std::make_unique<int>(1);
    probe.reset();
    EXPECT_EQ(counter.Count(), 2);
}

TEST(BuiltInEffects, ProcessingAllocatesAndFreesNothing) {
    CEffectChain chain;
    ASSERT_TRUE(chain.Prepare(kRate, kBlock));
    for (auto& effect : EveryBuiltIn()) {
        ASSERT_TRUE(effect->Prepare(kRate, kBlock));
        Buffer buffer = Sine(440, 0.5, kBlock * 8);
        {
            AllocationCounter counter;
            for (int block = 0; block < 8; ++block) {
                if (block == 4)
                    effect->SetParameter(0, effect->GetParameterInfo(0)->maxValue);
                effect->Process(buffer.data() + 2 * block * kBlock, kBlock);
            }
            effect->Reset();
            EXPECT_EQ(counter.Count(), 0) << effect->GetName();
        }
        ASSERT_TRUE(chain.Insert(std::move(effect), -1));
    }
    chain.GetEffect(2)->setActive(false);
    Buffer buffer = Sine(440, 0.5, kBlock * 8);
    AllocationCounter counter;
    for (int block = 0; block < 8; ++block) {
        if (block == 4)
            chain.GetEffect(2)->setActive(true);
        EXPECT_TRUE(chain.Process(buffer.data() + 2 * block * kBlock, kBlock));
    }
    EXPECT_EQ(counter.Count(), 0);
}

#endif
