#include "engine/CLV2State.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

TEST(CLV2State, TheIdentifierIsFixedByTheUriAlone) {
    const EffectID id = CLV2State::MakeID("http://plugin.org.uk/swh-plugins/amp");
    // Saved projects name the plug-in by these bytes: they must never change.
    const EffectID expected = {'L',  'V',  '2',  0x6f, 0x60, 0xc5, 0xc2, 0x1a,
                               0xb7, 0xd1, 0xa6, 0x3e, 0xba, 0x51, 0x23, 0x05};
    EXPECT_EQ(id, expected);
    EXPECT_EQ(id, CLV2State::MakeID("http://plugin.org.uk/swh-plugins/amp"));
    EXPECT_NE(id, CLV2State::MakeID("http://plugin.org.uk/swh-plugins/amq"));
    EXPECT_TRUE(CLV2State::IsPluginID(id));
    EXPECT_FALSE(CLV2State::IsPluginID(MakeEffectID("LGai")));
}

TEST(CLV2State, RoundTripsUriAndControls) {
    CLV2State state;
    state.uri = "urn:example:plugin";
    state.controls = {{"gain", -6.5f}, {"freq", 1000.0f}};
    const std::vector<uint8_t> bytes = state.Write();
    CLV2State read;
    ASSERT_TRUE(read.Read(bytes.data(), bytes.size()));
    EXPECT_EQ(read.uri, state.uri);
    EXPECT_EQ(read.controls, state.controls);
    std::string uri;
    ASSERT_TRUE(CLV2State::ReadUri(bytes.data(), bytes.size(), uri));
    EXPECT_EQ(uri, "urn:example:plugin");
}

TEST(CLV2State, DamagedBytesAreRefusedAndLeaveTheStateAlone) {
    CLV2State state;
    state.uri = "urn:example:plugin";
    state.controls = {{"gain", 2.0f}};
    const std::vector<uint8_t> bytes = state.Write();
    CLV2State target = state;
    for (size_t size = 0; size < bytes.size(); ++size)
        EXPECT_FALSE(target.Read(bytes.data(), size)) << size;
    std::vector<uint8_t> longer = bytes;
    longer.push_back(1);
    EXPECT_FALSE(target.Read(longer.data(), longer.size()));
    std::vector<uint8_t> version = bytes;
    version[0] = 2;
    EXPECT_FALSE(target.Read(version.data(), version.size()));
    std::vector<uint8_t> count = bytes;
    count[2 + 2 + state.uri.size()] = 0xFF; // more controls than the bytes hold
    EXPECT_FALSE(target.Read(count.data(), count.size()));
    CLV2State infinite = state;
    infinite.controls[0].second = std::numeric_limits<float>::infinity();
    const std::vector<uint8_t> infiniteBytes = infinite.Write();
    EXPECT_FALSE(target.Read(infiniteBytes.data(), infiniteBytes.size()));
    CLV2State noUri;
    const std::vector<uint8_t> noUriBytes = noUri.Write();
    EXPECT_FALSE(target.Read(noUriBytes.data(), noUriBytes.size()));
    EXPECT_EQ(target.uri, state.uri);
    EXPECT_EQ(target.controls, state.controls);
}
