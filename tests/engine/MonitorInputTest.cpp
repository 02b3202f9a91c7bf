#include "engine/AllocationCounter.h"
#include "engine/CEffectChain.h"
#include "engine/CGainEffect.h"
#include "engine/CPCMMixer.h"
#include "engine/CPCMTrack.h"

#include <gtest/gtest.h>

#include <memory>
#include <tuple>
#include <utility>
#include <vector>

namespace {

constexpr int kFrames = 256;

// A stereo input block: left 0.5, right -0.25.
std::vector<float> StereoInput() {
    std::vector<float> in(kFrames * 2);
    for (int frame = 0; frame < kFrames; ++frame) {
        in[frame * 2] = 0.5f;
        in[frame * 2 + 1] = -0.25f;
    }
    return in;
}

// The last frame after a few blocks, once the chain's gain has settled.
std::pair<float, float> Heard(CPCMMixer& mixer, const std::vector<float>& in, int channels) {
    std::vector<float> out(kFrames * 2);
    for (int block = 0; block < 8; ++block)
        mixer.MixWithInput(out.data(), in.data(), channels, kFrames);
    return {out[kFrames * 2 - 2], out[kFrames * 2 - 1]};
}

class MonitorInput : public ::testing::Test {
protected:
    void SetUp() override {
        track = mixer.AddTrack();
        ASSERT_NE(track, nullptr);
        auto gain = std::make_unique<CGainEffect>();
        gain->SetParameter(CGainEffect::kGainDb, -6.0206f); // half
        ASSERT_TRUE(track->GetEffectChain()->Insert(std::move(gain), -1));
        track->SetMonitorInput(2);
    }

    CPCMMixer mixer;
    CPCMTrack* track = nullptr;
    const std::vector<float> in = StereoInput();
};

TEST_F(MonitorInput, TheInputIsHeardThroughTheChainOnlyWhileMonitoring) {
    auto [left, right] = Heard(mixer, in, 2);
    EXPECT_EQ(left, 0.0f) << "monitoring off";
    EXPECT_EQ(right, 0.0f);

    track->SetIsMonitoring(true);
    std::tie(left, right) = Heard(mixer, in, 2);
    EXPECT_NEAR(left, 0.25f, 1e-3) << "through the track's gain";
    EXPECT_NEAR(right, -0.125f, 1e-3);

    std::vector<float> out(kFrames * 2, 1.0f);
    mixer.Mix(out.data(), kFrames);
    EXPECT_NEAR(out[kFrames * 2 - 2], 0.0f, 1e-3) << "no input with the block, nothing heard";

    track->SetIsMonitoring(false);
    std::tie(left, right) = Heard(mixer, in, 2);
    EXPECT_NEAR(left, 0.0f, 1e-3) << "off again";
}

TEST_F(MonitorInput, OneSideOfTheInputIsHeardInTheMiddleAndMuteSilencesIt) {
    track->SetIsMonitoring(true);
    track->SetMonitorInput(1);
    auto [left, right] = Heard(mixer, in, 2);
    EXPECT_NEAR(left, -0.125f, 1e-3);
    EXPECT_NEAR(right, -0.125f, 1e-3);

    track->SetMonitorInput(CPCMTrack::kNoInput);
    std::tie(left, right) = Heard(mixer, in, 2);
    EXPECT_NEAR(left, 0.0f, 1e-3) << "not armed on an input";

    track->SetMonitorInput(0);
    const std::vector<float> mono(kFrames, 0.5f);
    std::tie(left, right) = Heard(mixer, mono, 1);
    EXPECT_NEAR(left, 0.25f, 1e-3);
    EXPECT_NEAR(right, 0.25f, 1e-3);

    track->SetIsMute(true);
    std::tie(left, right) = Heard(mixer, in, 2);
    EXPECT_NEAR(left, 0.0f, 1e-3);
}

#if defined(LOOMTONE_CAN_COUNT_ALLOCATIONS)
TEST_F(MonitorInput, MonitoringAllocatesNothing) {
    track->SetIsMonitoring(true);
    std::vector<float> out(kFrames * 2);
    mixer.MixWithInput(out.data(), in.data(), 2, kFrames);
    AllocationCounter count;
    for (int block = 0; block < 100; ++block)
        mixer.MixWithInput(out.data(), in.data(), 2, kFrames);
    EXPECT_EQ(count.Count(), 0);
}
#endif

} // namespace
