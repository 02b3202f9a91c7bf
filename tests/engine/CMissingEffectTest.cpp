#include "engine/CMissingEffect.h"
#include "engine/CEffectChain.h"
#include "engine/CGainEffect.h"
#include "engine/CLV2State.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

constexpr const char* kAbsentUri = "urn:loomtone:test:plugin-that-is-not-installed";

// A saved chain: a gain, then a plug-in this machine does not have (switched
// off, with its state), then another gain.
std::vector<uint8_t> ChainWithAbsentPlugin() {
    CEffectChain chain;
    auto gain = std::make_unique<CGainEffect>();
    gain->SetParameter(CGainEffect::kGainDb, -6.0206f);
    chain.Insert(std::move(gain), -1);
    CLV2State state;
    state.uri = kAbsentUri;
    state.controls = {{"drive", 7.0f}, {"tone", -2.5f}};
    const std::vector<uint8_t> stateBytes = state.Write();
    auto absent = std::make_unique<CMissingEffect>(CLV2State::MakeID(kAbsentUri), stateBytes.data(),
                                                   stateBytes.size());
    absent->setActive(false);
    chain.Insert(std::move(absent), -1);
    chain.Insert(std::make_unique<CGainEffect>(), -1);
    return chain.SaveBody();
}

} // namespace

TEST(CMissingEffect, AChainWithAnAbsentPluginLoadsPlaysDryAndSavesTheSameBytes) {
    const std::vector<uint8_t> body = ChainWithAbsentPlugin();
    CEffectChain chain;
    LogCapture log;
    ASSERT_TRUE(chain.LoadBody(body.data(), body.size()));
    ASSERT_EQ(chain.NumEffects(), 3);
    const CAudioEffect& kept = *chain.GetEffect(1);
    EXPECT_EQ(kept.GetIdentifier(), CLV2State::MakeID(kAbsentUri));
    EXPECT_FALSE(kept.isActive());
    EXPECT_NE(kept.GetName().find(kAbsentUri), std::string::npos);
    EXPECT_TRUE(log.Contains(std::string("CEffectChain::Load - effect '") + kAbsentUri +
                             "' is not available here; it is kept and plays dry"));

    EXPECT_EQ(chain.SaveBody(), body);

    // Switched on, it still lets the sound through: only the gain is heard.
    chain.GetEffect(1)->setActive(true);
    std::vector<float> block(64 * 2, 0.8f);
    ASSERT_TRUE(chain.Process(block.data(), 64));
    for (float sample : block)
        ASSERT_NEAR(sample, 0.4f, 1e-4f);
}

TEST(CMissingEffect, AnEffectOfUnknownKindKeepsBytesItCannotRead) {
    const uint8_t odd[] = {9, 8, 7, 6, 5};
    CMissingEffect effect(MakeEffectID("Zzzz"), odd, sizeof(odd));
    EXPECT_EQ(effect.GetState(), std::vector<uint8_t>(odd, odd + sizeof(odd)));
    EXPECT_EQ(effect.GetName(), "Zzzz (missing)");
    EXPECT_EQ(effect.GetNumParameters(), 0);
    ASSERT_TRUE(effect.Prepare(44100.0, 32));
    std::vector<float> block(32 * 2);
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = std::sin(0.1f * static_cast<float>(i));
    const std::vector<float> dry = block;
    effect.Process(block.data(), 32);
    EXPECT_EQ(block, dry);
}

TEST(CMissingEffect, NamesAPluginByTheUriItsStateHolds) {
    CLV2State state;
    state.uri = kAbsentUri;
    const std::vector<uint8_t> bytes = state.Write();
    EXPECT_EQ(
        CMissingEffect::DescribeMissing(CLV2State::MakeID(kAbsentUri), bytes.data(), bytes.size()),
        kAbsentUri);
    // A plug-in identifier with unreadable state falls back to the identifier's text.
    const uint8_t junk[] = {1, 2, 3};
    EXPECT_EQ(CMissingEffect::DescribeMissing(MakeEffectID("LV2x"), junk, sizeof(junk)), "LV2x");
}
