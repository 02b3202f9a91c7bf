#include "engine/CAudioAtom.h"
#include "engine/CSoundData.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

struct CountedAtom : CAudioAtom {
    explicit CountedAtom(int& deaths) : deaths(deaths) {}
    ~CountedAtom() override { ++deaths; }
    int& deaths;
};

TEST(CAudioAtom, LivesUntilTheLastReferenceIsGivenBack) {
    int deaths = 0;
    auto* atom = new CountedAtom(deaths);
    EXPECT_EQ(atom->AddReference(), 2);
    CAudioAtom::DeleteAtom(atom);
    EXPECT_EQ(deaths, 0);
    EXPECT_EQ(atom->References(), 1);
    CAudioAtom::DeleteAtom(atom);
    EXPECT_EQ(deaths, 1);
    CAudioAtom::DeleteAtom(nullptr);
}

TEST(CSoundData, HoldsOrMapsWholeFramesOnly) {
    EXPECT_EQ(CSoundData::FromSamples({1.f, 2.f, 3.f}, 2, 44100), nullptr);
    auto data = CSoundData::FromSamples({1.f, 2.f, 3.f, 4.f}, 2, 44100);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->Frames(), 2);
    EXPECT_FLOAT_EQ(data->Samples()[3], 4.f);

    std::filesystem::create_directories(LOOMTONE_TEST_TMP);
    const std::string path = std::string(LOOMTONE_TEST_TMP) + "/mapped.f32";
    const float samples[4] = {0.25f, -0.25f, 0.5f, -0.5f};
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(samples), 16);
    auto mapped = CSoundData::MapFile(path, 2, 48000);
    ASSERT_NE(mapped, nullptr);
    EXPECT_EQ(mapped->Frames(), 2);
    EXPECT_FLOAT_EQ(mapped->Samples()[2], 0.5f);
    EXPECT_EQ(CSoundData::MapFile(path, 3, 48000), nullptr);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(samples), 12);
    EXPECT_EQ(CSoundData::MapFile(path, 2, 48000), nullptr);
}

} // namespace
