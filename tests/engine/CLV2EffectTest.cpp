#include "engine/CLV2Effect.h"
#include "engine/AllocationCounter.h"
#include "engine/CBypassNotices.h"
#include "engine/CEffectChain.h"
#include "engine/CGainEffect.h"
#include "engine/CLV2Catalog.h"
#include "engine/CLV2State.h"
#include "engine/CPCMMixer.h"
#include "engine/CPCMSound.h"
#include "engine/CSoundGroup.h"
#include "engine/EffectsFactory.h"
#include "engine/SoundFixtures.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

namespace {

// The SWH "Simple amplifier": one audio input and output, one control (its
// gain in dB, -70 to +70). Installed by scripts/setup through swh-lv2.
constexpr const char* kAmpUri = "http://plugin.org.uk/swh-plugins/amp";
constexpr float kHalfDb = -6.0206f;
constexpr int kRate = kMixerSampleRate;
constexpr int kBlock = 256;

using Buffer = std::vector<float>;

const LV2PluginInfo* Amp() {
    CLV2Catalog::Instance().ScanAndRegister();
    return CLV2Catalog::Instance().Find(kAmpUri);
}

// An installed plug-in as the effect list makes it; null when it is not installed.
std::unique_ptr<CAudioEffect> LoadInstalled(const std::string& uri) {
    CLV2Catalog::Instance().ScanAndRegister();
    return EffectsFactory::GetInstance()->LoadEffect(CLV2State::MakeID(uri));
}

#define SKIP_WITHOUT_AMP()                                                                         \
    if (!Amp())                                                                                    \
    GTEST_SKIP() << kAmpUri << " is not installed (scripts/setup installs swh-lv2)"

std::unique_ptr<CLV2Effect> MakeAmp(float gainDb) {
    std::unique_ptr<CAudioEffect> effect =
        EffectsFactory::GetInstance()->LoadEffect(CLV2State::MakeID(kAmpUri));
    auto* amp = dynamic_cast<CLV2Effect*>(effect.get());
    if (!amp)
        return nullptr;
    effect.release();
    amp->SetParameter(0, gainDb);
    return std::unique_ptr<CLV2Effect>(amp);
}

// Interleaved stereo: a sine on the left, a quieter one of another pitch on the right.
Buffer TwoSines(int frames) {
    Buffer buffer(static_cast<size_t>(frames) * 2);
    for (int i = 0; i < frames; ++i) {
        buffer[2 * i] = 0.5f * std::sin(2.0f * 3.14159265f * 440.0f * i / kRate);
        buffer[2 * i + 1] = 0.25f * std::sin(2.0f * 3.14159265f * 330.0f * i / kRate);
    }
    return buffer;
}

SoundFixtures::AtomPtr<CPCMSound> AddConstant(CPCMMixer& mixer, int frames, float value) {
    SoundFixtures::AtomPtr<CPCMSound> sound(new CPCMSound());
    EXPECT_TRUE(sound->SetSoundData(
        CSoundData::FromSamples(std::vector<float>(static_cast<size_t>(frames), value), 1, kRate)));
    sound->SetTrackNumber(0);
    mixer.Lock();
    mixer.GetSoundGroup()->Add(sound.get(), 0.0);
    mixer.Unlock();
    return sound;
}

} // namespace

TEST(CLV2Catalog, ListsTheAmplifierInThePluginGroupWithItsControl) {
    SKIP_WITHOUT_AMP();
    const LV2PluginInfo& amp = *Amp();
    EXPECT_EQ(amp.audioInputs.size(), 1u);
    EXPECT_EQ(amp.audioOutputs.size(), 1u);
    ASSERT_EQ(amp.controls.size(), 1u);
    EXPECT_EQ(amp.controls[0].symbol, "gain");
    EXPECT_EQ(amp.controls[0].info.name, "Amps gain (dB)");
    EXPECT_FLOAT_EQ(amp.controls[0].info.minValue, -70.0f);
    EXPECT_FLOAT_EQ(amp.controls[0].info.maxValue, 70.0f);
    EXPECT_FLOAT_EQ(amp.controls[0].info.defaultValue, 0.0f);
    EXPECT_FALSE(amp.controls[0].info.stepped);

    bool listed = false;
    for (const EffectDescription& description :
         EffectsFactory::GetInstance()->GetAvailableEffects()) {
        if (description.id == CLV2State::MakeID(kAmpUri)) {
            listed = true;
            EXPECT_EQ(description.group, EffectGroup::Vst);
            EXPECT_EQ(description.name, amp.name);
            EXPECT_FALSE(description.isInstrument);
        }
    }
    EXPECT_TRUE(listed);
}

TEST(CLV2Catalog, EveryListedControlHasASaneRangeAndDefault) {
    CLV2Catalog& catalog = CLV2Catalog::Instance();
    if (catalog.ScanAndRegister() == 0)
        GTEST_SKIP() << "no LV2 plug-ins installed";
    EXPECT_EQ(catalog.ScanAndRegister(), catalog.NumPlugins()); // scanned once
    for (const EffectDescription& description :
         EffectsFactory::GetInstance()->GetAvailableEffects()) {
        if (description.group != EffectGroup::Vst)
            continue;
        const std::unique_ptr<CAudioEffect> effect =
            EffectsFactory::GetInstance()->LoadEffect(description.id);
        ASSERT_TRUE(effect) << description.name;
        for (int i = 0; i < effect->GetNumParameters(); ++i) {
            const EffectParameterInfo& info = *effect->GetParameterInfo(i);
            EXPECT_LE(info.minValue, info.maxValue) << description.name << " " << info.name;
            EXPECT_GE(info.defaultValue, info.minValue) << description.name << " " << info.name;
            EXPECT_LE(info.defaultValue, info.maxValue) << description.name << " " << info.name;
        }
    }
}

// A mix-down runs on after the last clip for as long as the effects ring.
TEST(CLV2Catalog, ReverbsAndDelaysRingOnAndOtherPluginsDoNot) {
    SKIP_WITHOUT_AMP();
    EXPECT_EQ(Amp()->tailMs, 0.0);
    const LV2PluginInfo* plate =
        CLV2Catalog::Instance().Find("http://plugin.org.uk/swh-plugins/plate");
    const LV2PluginInfo* delay =
        CLV2Catalog::Instance().Find("http://plugin.org.uk/swh-plugins/delayorama");
    if (!plate || !delay)
        GTEST_SKIP() << "the SWH plate reverb or delayorama is not installed";
    EXPECT_GE(plate->tailMs, 3000.0);
    EXPECT_GT(delay->tailMs, 0.0);
    std::unique_ptr<CAudioEffect> reverb = EffectsFactory::GetInstance()->LoadEffect(
        CLV2State::MakeID("http://plugin.org.uk/swh-plugins/plate"));
    ASSERT_NE(reverb, nullptr);
    EXPECT_EQ(reverb->GetTailMs(), plate->tailMs);
}

TEST(CLV2Effect, MinusSixDecibelsHalvesBothChannels) {
    SKIP_WITHOUT_AMP();
    std::unique_ptr<CLV2Effect> amp = MakeAmp(kHalfDb);
    ASSERT_TRUE(amp);
    ASSERT_TRUE(amp->Prepare(kRate, kBlock));
    const Buffer dry = TwoSines(kBlock * 3 + 17);
    Buffer wet = dry;
    amp->Process(wet.data(), kBlock * 3 + 17); // longer than a block: taken in parts
    for (size_t i = 0; i < dry.size(); ++i)
        ASSERT_NEAR(wet[i], dry[i] * 0.5f, 1e-5f) << i;
    EXPECT_FALSE(amp->IsBypassed());
}

TEST(CLV2Effect, AStereoPluginTakesBothChannelsInOneInstance) {
    // SWH "Matrix: Stereo to MS": mid = (L + R) / 2, side = (L - R) / 2.
    std::unique_ptr<CAudioEffect> matrix =
        LoadInstalled("http://plugin.org.uk/swh-plugins/matrixStMS");
    if (!matrix)
        GTEST_SKIP() << "the SWH stereo matrix is not installed";
    ASSERT_TRUE(matrix->Prepare(kRate, kBlock));
    const Buffer dry = TwoSines(kBlock);
    Buffer wet = dry;
    matrix->Process(wet.data(), kBlock);
    for (size_t frame = 0; frame < kBlock; ++frame) {
        ASSERT_NEAR(wet[2 * frame], 0.5f * (dry[2 * frame] + dry[2 * frame + 1]), 1e-6f);
        ASSERT_NEAR(wet[2 * frame + 1], 0.5f * (dry[2 * frame] - dry[2 * frame + 1]), 1e-6f);
    }
}

TEST(CLV2Effect, AMonoInputWithStereoOutputsHearsBothChannelsMixed) {
    // SWH "Mono to Stereo splitter": its input on both outputs.
    std::unique_ptr<CAudioEffect> split = LoadInstalled("http://plugin.org.uk/swh-plugins/split");
    if (!split)
        GTEST_SKIP() << "the SWH splitter is not installed";
    ASSERT_TRUE(split->Prepare(kRate, kBlock));
    const Buffer dry = TwoSines(kBlock);
    Buffer wet = dry;
    split->Process(wet.data(), kBlock);
    for (size_t frame = 0; frame < kBlock; ++frame) {
        const float mixed = 0.5f * (dry[2 * frame] + dry[2 * frame + 1]);
        ASSERT_NEAR(wet[2 * frame], mixed, 1e-6f);
        ASSERT_NEAR(wet[2 * frame + 1], mixed, 1e-6f);
    }
}

TEST(CLV2Effect, ChangesTheRenderOfATrackByTheMeasuredAmount) {
    SKIP_WITHOUT_AMP();
    CPCMMixer mixer;
    mixer.AddTrack();
    auto sound = AddConstant(mixer, 4096, 0.4f);
    std::unique_ptr<CLV2Effect> amp = MakeAmp(kHalfDb);
    ASSERT_TRUE(amp);
    ASSERT_TRUE(mixer.GetTrack(0)->GetEffectChain()->Insert(std::move(amp), -1));
    mixer.Play(mixer.GetSoundGroup(), 0.0, 0);
    Buffer block(1024 * 2);
    mixer.Mix(block.data(), 1024);
    EXPECT_NEAR(block[100], 0.2f, 1e-4);
    EXPECT_NEAR(block[101], 0.2f, 1e-4);
    EXPECT_NEAR(block[2047], 0.2f, 1e-4);
}

TEST(CLV2Effect, SoundsLikeTheBuiltInGainAtTheSameSetting) {
    SKIP_WITHOUT_AMP();
    std::unique_ptr<CLV2Effect> amp = MakeAmp(-9.5f);
    CGainEffect gain;
    gain.SetParameter(CGainEffect::kGainDb, -9.5f);
    ASSERT_TRUE(amp->Prepare(kRate, kBlock));
    ASSERT_TRUE(gain.Prepare(kRate, kBlock));
    Buffer viaPlugin = TwoSines(kBlock);
    Buffer viaBuiltIn = viaPlugin;
    amp->Process(viaPlugin.data(), kBlock);
    gain.Process(viaBuiltIn.data(), kBlock);
    for (size_t i = 0; i < viaPlugin.size(); ++i)
        ASSERT_NEAR(viaPlugin[i], viaBuiltIn[i], 1e-5f) << i;
}

TEST(CLV2Effect, StateRoundTripsThroughTheChainAndSoundsTheSame) {
    SKIP_WITHOUT_AMP();
    CEffectChain saved;
    ASSERT_TRUE(saved.Insert(MakeAmp(-12.0f), -1));
    saved.GetEffect(0)->setActive(true);
    const std::vector<uint8_t> body = saved.SaveBody();

    CEffectChain loaded;
    ASSERT_TRUE(loaded.LoadBody(body.data(), body.size()));
    ASSERT_EQ(loaded.NumEffects(), 1);
    ASSERT_TRUE(dynamic_cast<CLV2Effect*>(loaded.GetEffect(0)));
    EXPECT_FLOAT_EQ(loaded.GetEffect(0)->GetParameter(0), -12.0f);
    EXPECT_EQ(loaded.SaveBody(), body);

    Buffer before = TwoSines(kBlock);
    Buffer after = before;
    ASSERT_TRUE(saved.Process(before.data(), kBlock));
    ASSERT_TRUE(loaded.Process(after.data(), kBlock));
    EXPECT_EQ(before, after);
}

TEST(CLV2Effect, StateNamesThePluginAndItsControlsBySymbol) {
    SKIP_WITHOUT_AMP();
    std::unique_ptr<CLV2Effect> amp = MakeAmp(3.5f);
    const std::vector<uint8_t> bytes = amp->GetState();
    CLV2State state;
    ASSERT_TRUE(state.Read(bytes.data(), bytes.size()));
    EXPECT_EQ(state.uri, kAmpUri);
    ASSERT_EQ(state.controls.size(), 1u);
    EXPECT_EQ(state.controls[0].first, "gain");
    EXPECT_FLOAT_EQ(state.controls[0].second, 3.5f);
}

TEST(CLV2Effect, BadStatesAreRefusedAndChangeNothing) {
    SKIP_WITHOUT_AMP();
    std::unique_ptr<CLV2Effect> amp = MakeAmp(-3.0f);
    const std::vector<uint8_t> good = amp->GetState();
    LogCapture log;

    std::vector<uint8_t> shortened(good.begin(), good.end() - 1);
    EXPECT_FALSE(amp->SetState(shortened.data(), shortened.size()));
    std::vector<uint8_t> longer = good;
    longer.push_back(0);
    EXPECT_FALSE(amp->SetState(longer.data(), longer.size()));
    EXPECT_FALSE(amp->SetState(nullptr, 0));

    CLV2State other;
    other.uri = "http://example.org/another-plugin";
    other.controls = {{"gain", 1.0f}};
    const std::vector<uint8_t> otherBytes = other.Write();
    EXPECT_FALSE(amp->SetState(otherBytes.data(), otherBytes.size()));

    CLV2State notFinite;
    notFinite.uri = kAmpUri;
    notFinite.controls = {{"gain", std::numeric_limits<float>::quiet_NaN()}};
    const std::vector<uint8_t> nanBytes = notFinite.Write();
    EXPECT_FALSE(amp->SetState(nanBytes.data(), nanBytes.size()));

    EXPECT_FLOAT_EQ(amp->GetParameter(0), -3.0f);
    EXPECT_TRUE(log.Contains("CLV2Effect::SetState"));

    // A chain holding such a state refuses the whole body.
    CEffectChain chain;
    ASSERT_TRUE(chain.Insert(MakeAmp(0.0f), -1));
    std::vector<uint8_t> body = chain.SaveBody();
    body[body.size() - 1] ^= 0xFF; // the gain's value: still finite, still a state
    EXPECT_TRUE(chain.LoadBody(body.data(), body.size()));
    body.resize(body.size() - 2);
    EXPECT_FALSE(chain.LoadBody(body.data(), body.size()));
}

TEST(CLV2Effect, StateWithoutAControlLeavesItAtItsDefault) {
    SKIP_WITHOUT_AMP();
    std::unique_ptr<CLV2Effect> amp = MakeAmp(-20.0f);
    CLV2State older;
    older.uri = kAmpUri;
    older.controls = {{"no-such-port", 5.0f}};
    const std::vector<uint8_t> bytes = older.Write();
    ASSERT_TRUE(amp->SetState(bytes.data(), bytes.size()));
    EXPECT_FLOAT_EQ(amp->GetParameter(0), 0.0f);
}

TEST(CLV2Effect, OutputThatIsNotFiniteBypassesThePluginAndTellsTheUser) {
    SKIP_WITHOUT_AMP();
    CBypassNotices::Instance().Take();
    std::unique_ptr<CLV2Effect> amp = MakeAmp(6.0f);
    ASSERT_TRUE(amp->Prepare(kRate, kBlock));
    // Twice the largest float is infinite: the plug-in's output overflows.
    Buffer loud(kBlock * 2, 3.0e38f);
    const Buffer loudDry = loud;
    amp->Process(loud.data(), kBlock);
    EXPECT_TRUE(amp->IsBypassed());
    EXPECT_EQ(loud, loudDry); // the block passed as it came

    const Buffer quietDry = TwoSines(kBlock);
    Buffer quiet = quietDry;
    amp->Process(quiet.data(), kBlock);
    EXPECT_EQ(quiet, quietDry); // dry from then on

    const std::vector<std::string> notices = CBypassNotices::Instance().Take();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0], amp->GetName());
}

TEST(CLV2Effect, TheFiniteCheckFindsNaNAndInfinities) {
    Buffer samples(100, 0.25f);
    EXPECT_TRUE(CLV2Effect::AllFinite(samples.data(), samples.size()));
    EXPECT_TRUE(CLV2Effect::AllFinite(samples.data(), 0));
    samples[37] = std::numeric_limits<float>::max();
    EXPECT_TRUE(CLV2Effect::AllFinite(samples.data(), samples.size()));
    samples[99] = std::numeric_limits<float>::quiet_NaN();
    EXPECT_FALSE(CLV2Effect::AllFinite(samples.data(), samples.size()));
    EXPECT_TRUE(CLV2Effect::AllFinite(samples.data(), 99));
    samples[99] = 0.0f;
    samples[0] = -std::numeric_limits<float>::infinity();
    EXPECT_FALSE(CLV2Effect::AllFinite(samples.data(), samples.size()));
    samples[0] = std::numeric_limits<float>::infinity();
    EXPECT_FALSE(CLV2Effect::AllFinite(samples.data(), 1));
}

#if defined(LOOMTONE_CAN_COUNT_ALLOCATIONS)

TEST(CLV2Effect, ProcessingAllocatesAndFreesNothing) {
    SKIP_WITHOUT_AMP();
    std::unique_ptr<CLV2Effect> amp = MakeAmp(-6.0f);
    ASSERT_TRUE(amp->Prepare(kRate, kBlock));
    Buffer buffer = TwoSines(kBlock * 4);
    AllocationCounter counter;
    for (int block = 0; block < 4; ++block) {
        amp->SetParameter(0, -1.0f * block);
        amp->Process(buffer.data() + 2 * block * kBlock, kBlock);
    }
    EXPECT_EQ(counter.Count(), 0);
}

#endif
