#include "ProgramUnderTest.h"
#include "SoundProject.h"
#include "ToneWav.h"
#include "project/MarkerRecord.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kBytesPerSector = 2352;
constexpr int kFramesPerSector = 588;

// 130 s of tone on one track, with CD track markers at 0, 60 and 125.5 s.
void WriteThreeTrackProject(const std::string& dir) {
    WriteToneWav(dir + "Tone.wav", 130 * 44100, 12000, 330.0);
    WriteProjectOfSounds(dir + "album.lt4", {dir + "Tone.wav"}, [](CProject& project) {
        for (const int32_t ms : {60000, 125500}) {
            MarkerRecord marker = project.Markers().At(0);
            marker.time = ms;
            marker.tempoEvent.time = ms;
            marker.tempoEvent.tempoChange = marker.tempoEvent.keyChange =
                marker.tempoEvent.timeSigChange = false;
            marker.name = "Song at " + std::to_string(ms);
            marker.cdTrack = true;
            ASSERT_TRUE(project.Markers().Add(marker));
        }
        ProjectAuthoring authoring = project.Authoring();
        authoring.album = "Three Songs";
        project.SetAuthoring(authoring);
    });
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<int16_t> ReadShorts(const std::string& path, SF_INFO& info) {
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file)
        return {};
    std::vector<int16_t> samples(static_cast<size_t>(info.frames * info.channels));
    sf_readf_short(file, samples.data(), info.frames);
    sf_close(file);
    return samples;
}

class CdImageCommand : public ::testing::Test {
protected:
    void SetUp() override {
        if (!ProgramBuilt())
            GTEST_SKIP() << "loomtone is not built";
        dir = FreshTestFolder();
        env = LeakCheckEnv(dir);
    }

    int Run(const std::string& arguments) {
        return RunShell(env + kProgram + " " + arguments + " 2> '" + dir + "err.txt'");
    }

    std::string dir;
    std::string env;
};

} // namespace

TEST_F(CdImageCommand, WritesTheProjectAsSectorsOfItsRenderWithTracksAtTheMarkers) {
    WriteThreeTrackProject(dir);
    ASSERT_EQ(Run("--cd-image '" + dir + "album.lt4' '" + dir + "album.cue'"), 0)
        << ReadAll(dir + "err.txt");
    ASSERT_EQ(Run("--render '" + dir + "album.lt4' '" + dir + "album.wav'"), 0)
        << ReadAll(dir + "err.txt");

    const std::string bin = ReadAll(dir + "album.bin");
    ASSERT_FALSE(bin.empty());
    EXPECT_EQ(bin.size() % kBytesPerSector, 0u);
    SF_INFO info{};
    const std::vector<int16_t> render = ReadShorts(dir + "album.wav", info);
    ASSERT_EQ(info.channels, 2);
    ASSERT_EQ(info.samplerate, 44100);
    ASSERT_EQ(info.format & SF_FORMAT_SUBMASK, SF_FORMAT_PCM_16);
    // The image covers the whole render, padded with silence to the next sector.
    const size_t binFrames = bin.size() / 4;
    ASSERT_GE(binFrames, static_cast<size_t>(info.frames));
    EXPECT_LT(binFrames, static_cast<size_t>(info.frames) + kFramesPerSector + 45);
    size_t differing = 0;
    for (size_t i = 0; i < binFrames * 2; ++i) {
        const auto low = static_cast<uint8_t>(bin[2 * i]);
        const auto high = static_cast<uint8_t>(bin[2 * i + 1]);
        const auto sample = static_cast<int16_t>(low | (high << 8));
        const int16_t expected = i < render.size() ? render[i] : 0;
        differing += sample != expected;
    }
    EXPECT_EQ(differing, 0u);

    const std::string cue = ReadAll(dir + "album.cue");
    EXPECT_NE(cue.find("TITLE \"Three Songs\"\r\nFILE \"album.bin\" BINARY\r\n"), std::string::npos)
        << cue;
    EXPECT_NE(cue.find("  TRACK 01 AUDIO\r\n"), std::string::npos) << cue;
    EXPECT_NE(cue.find("    INDEX 01 00:00:00\r\n"), std::string::npos) << cue;
    EXPECT_NE(cue.find("  TRACK 02 AUDIO\r\n    TITLE \"Song at 60000\"\r\n    INDEX 01 01:00:00"),
              std::string::npos)
        << cue;
    // 125.5 s is 9412.5 sectors: the nearest sector is 9413, 2 min 5 s and 38 sectors.
    EXPECT_NE(cue.find("  TRACK 03 AUDIO\r\n    TITLE \"Song at 125500\"\r\n    INDEX 01 02:05:38"),
              std::string::npos)
        << cue;
    // No temporary file stays beside the image.
    for (const auto& entry : fs::directory_iterator(dir))
        EXPECT_EQ(entry.path().filename().string().find(".loomtone-cd"), std::string::npos);

    // An independent reader takes the image: three audio tracks over every sector.
    const std::string toc = CommandOutput("cd '" + dir + "' && cdrdao toc-info album.cue 2>&1");
    EXPECT_NE(toc.find("3 tracks"), std::string::npos) << toc;
    EXPECT_NE(toc.find(std::to_string(bin.size() / kBytesPerSector) + " blocks"), std::string::npos)
        << toc;
}

TEST_F(CdImageCommand, RefusesAProjectShorterThanOneCdTrack) {
    WriteToneWav(dir + "Short.wav", 44100, 12000);
    WriteProjectOfSounds(dir + "short.lt4", {dir + "Short.wav"});
    EXPECT_EQ(Run("--cd-image '" + dir + "short.lt4' '" + dir + "short.cue'"), 1);
    EXPECT_NE(ReadAll(dir + "err.txt").find("4 seconds"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir + "short.bin"));
    EXPECT_FALSE(fs::exists(dir + "short.cue"));
}
