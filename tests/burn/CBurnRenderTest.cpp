#include "burn/CBurnRender.h"
#include "burn/CCdImage.h"
#include "burn/CdAddress.h"

#include "BurnTestDoubles.h"
#include "engine/CPCMMixer.h"
#include "engine/CPCMSound.h"
#include "engine/CSoundGroup.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

SF_INFO InfoOf(const std::string& path) {
    SF_INFO info{};
    if (SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info))
        sf_close(file);
    return info;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A 16-bit WAV of the given interleaved samples.
void WriteWav(const std::string& path, const std::vector<short>& samples, int channels) {
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr);
    sf_writef_short(file, samples.data(), static_cast<sf_count_t>(samples.size()) / channels);
    sf_close(file);
}

std::vector<BurnTrack> Tracks(std::vector<std::pair<int32_t, int32_t>> spans) {
    std::vector<BurnTrack> tracks;
    for (const auto& [start, end] : spans)
        tracks.push_back({"", "", start, end, end - start, ""});
    return tracks;
}

} // namespace

TEST(BurnRender, EachTrackGoesToItsOwnFileOfWholeSectors) {
    const std::string dir = SoundFixtures::FreshDir("BurnRenderTracks") + "/";
    CPCMMixer mixer;
    SoundPtr tone = AddTone(mixer, 12.0);
    std::vector<BurnTrack> tracks = Tracks({{0, 4010}, {4010, 9000}, {9000, 11000}});
    {
        CBurnRender render(mixer, dir);
        ASSERT_TRUE(render.RenderTracks(500, tracks, {})) << render.Error();
        // 4010 ms is 300.75 sectors: the second track starts at sector 301.
        EXPECT_EQ(render.StartSectors(), (std::vector<int64_t>{0, 301, 675}));
        for (int number = 1; number <= 3; ++number) {
            EXPECT_EQ(tracks[number - 1].wavPath, dir + "tmp" + std::to_string(number) + ".wav");
            const SF_INFO info = InfoOf(tracks[number - 1].wavPath);
            EXPECT_EQ(info.samplerate, 44100);
            EXPECT_EQ(info.channels, 2);
            EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
        }
        EXPECT_EQ(InfoOf(tracks[0].wavPath).frames, 301 * CdAddress::kFramesPerSector);
        EXPECT_EQ(InfoOf(tracks[1].wavPath).frames, (675 - 301) * CdAddress::kFramesPerSector);
        // The last track ends where the range does: 11 s after its start.
        EXPECT_EQ(InfoOf(tracks[2].wavPath).frames, 11000 * 441 / 10 - 675 * 588);
    }
    // The files go with the render.
    EXPECT_TRUE(fs::is_empty(dir));
}

TEST(BurnRender, NotEnoughSpaceAsksForAnotherFolderAndStopsWithoutOne) {
    const std::string dir = SoundFixtures::FreshDir("BurnRenderSpace") + "/";
    CPCMMixer mixer;
    CBurnRender render(mixer, dir);
    EXPECT_TRUE(render.CheckFreeSpace(60000));
    std::vector<int64_t> asked;
    int answers = 0;
    render.SetAskFolder([&](int64_t neededKb) {
        asked.push_back(neededKb);
        // First a folder that is just as full, then none.
        return answers++ == 0 ? dir : std::string();
    });
    LogCapture log;
    // Twenty days of CD audio fit no test machine.
    const int32_t hugeMs = 20 * 24 * 3600 * 1000;
    EXPECT_FALSE(render.CheckFreeSpace(hugeMs));
    EXPECT_EQ(asked,
              (std::vector<int64_t>{CBurnRender::NeededKb(hugeMs), CBurnRender::NeededKb(hugeMs)}));
    EXPECT_TRUE(log.Contains("Not enough space!..."));
    EXPECT_EQ(CBurnRender::NeededKb(1000), 173); // 176400 bytes
}

TEST(CdImage, CueSheetPlacesTracksWithTheirTexts) {
    std::vector<BurnTrack> tracks = Tracks({{0, 60000}, {60000, 90000}});
    tracks[0].title = "Say \"hi\"";
    tracks[0].isrc = "US-S1Z-99-00001";
    tracks[1].title = "Two";
    tracks[1].isrc = "not an isrc";
    const CCdImage::Disc disc{"0123456789012", "Album", "Band"};
    EXPECT_EQ(CCdImage::CueText("a b.bin", disc, tracks, {0, 4500}), "CATALOG 0123456789012\r\n"
                                                                     "PERFORMER \"Band\"\r\n"
                                                                     "TITLE \"Album\"\r\n"
                                                                     "FILE \"a b.bin\" BINARY\r\n"
                                                                     "  TRACK 01 AUDIO\r\n"
                                                                     "    TITLE \"Say 'hi'\"\r\n"
                                                                     "    PERFORMER \"Band\"\r\n"
                                                                     "    ISRC USS1Z9900001\r\n"
                                                                     "    INDEX 01 00:00:00\r\n"
                                                                     "  TRACK 02 AUDIO\r\n"
                                                                     "    TITLE \"Two\"\r\n"
                                                                     "    PERFORMER \"Band\"\r\n"
                                                                     "    INDEX 01 01:00:00\r\n");
    // A catalog number that is not 13 digits, and no performer, are left out.
    const std::string plain = CCdImage::CueText("x.bin", {"12345", "T", ""}, tracks, {0, 4500});
    EXPECT_EQ(plain.find("CATALOG"), std::string::npos);
    EXPECT_EQ(plain.find("PERFORMER"), std::string::npos);
    EXPECT_EQ(CdAddress::Msf(9413), "02:05:38");
    EXPECT_EQ(CdAddress::SectorOfMs(125500), 9413);
}

TEST(CdImage, BinHoldsLittleEndianSectorsWithEachTrackPadded) {
    const std::string dir = SoundFixtures::FreshDir("CdImageBin") + "/";
    // 1.5 sectors, then one whole sector.
    std::vector<short> first(882 * 2);
    for (size_t i = 0; i < first.size(); ++i)
        first[i] = static_cast<short>(i % 2 ? -0x1234 : 0x0102);
    const std::vector<short> second(588 * 2, 0x7F00);
    WriteWav(dir + "a.wav", first, 2);
    WriteWav(dir + "b.wav", second, 2);
    std::vector<BurnTrack> tracks = Tracks({{0, 5000}, {5000, 10000}});
    tracks[0].wavPath = dir + "a.wav";
    tracks[1].wavPath = dir + "b.wav";
    CCdImage image;
    ASSERT_TRUE(image.Write(dir + "disc.cue", {"", "Disc", ""}, tracks)) << image.Error();
    const std::string bin = ReadAll(dir + "disc.bin");
    ASSERT_EQ(bin.size(), 3u * 2352);
    EXPECT_EQ(bin.substr(0, 4), std::string("\x02\x01\xCC\xED", 4));
    // The first track's half sector of silence, then the second track.
    EXPECT_EQ(bin.substr(882 * 4, 294 * 4), std::string(294 * 4, '\0'));
    EXPECT_EQ(bin.substr(2 * 2352, 2), std::string("\x00\x7F", 2));
    EXPECT_NE(ReadAll(dir + "disc.cue")
                  .find("  TRACK 02 AUDIO\r\n    TITLE \"\"\r\n    INDEX 01 "
                        "00:00:02\r\n"),
              std::string::npos);
}

TEST(CdImage, ATrackThatIsNotCdAudioLeavesNoImage) {
    const std::string dir = SoundFixtures::FreshDir("CdImageRefused") + "/";
    WriteWav(dir + "mono.wav", std::vector<short>(1000, 5), 1);
    std::vector<BurnTrack> tracks = Tracks({{0, 5000}, {5000, 10000}});
    tracks[0].wavPath = dir + "mono.wav";
    tracks[1].wavPath = dir + "missing.wav";
    CCdImage image;
    EXPECT_FALSE(image.Write(dir + "disc.cue", {"", "Disc", ""}, tracks));
    EXPECT_NE(image.Error().find("not CD audio"), std::string::npos);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}
