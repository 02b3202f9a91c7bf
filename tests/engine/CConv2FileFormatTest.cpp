#include "engine/CConv2FileFormat.h"
#include "engine/CFormatPrefs.h"
#include "engine/CSndFileEncoder.h"
#include "engine/Id3v2Tag.h"
#include "engine/SoundFixtures.h"
#include "support/CRegKey.h"
#include "support/LogCapture.h"

#include "ScopedEnv.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <numbers>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kRate = 44100;
constexpr int kChannels = 2;
constexpr int64_t kFrames = 110250; // 2.5 s
constexpr double kHz = 440.0;
constexpr double kLeftAmplitude = 0.5;
constexpr double kRightAmplitude = 0.25;

// A stereo 440 Hz sine, quieter on the right so that swapped or merged channels show.
std::vector<float> StereoSine(int64_t frames) {
    std::vector<float> samples(static_cast<size_t>(frames * kChannels));
    for (int64_t i = 0; i < frames; ++i) {
        const double s = std::sin(2.0 * std::numbers::pi * kHz * double(i) / kRate);
        samples[size_t(2 * i)] = float(kLeftAmplitude * s);
        samples[size_t(2 * i + 1)] = float(kRightAmplitude * s);
    }
    return samples;
}

SoundTags FullTags() {
    SoundTags tags;
    tags.title = "Test Tone";
    tags.artist = "Zoë Ångström";
    tags.album = "Sines";
    tags.genre = "Ambient";
    tags.year = "2009";
    tags.comment = "Rendered twice";
    tags.copyright = "(c) 2009 Nobody";
    tags.trackNumber = 7;
    return tags;
}

FormatDetails Details(FormatKind kind) {
    FormatDetails details;
    details.kind = kind;
    details.sampleRate = kRate;
    details.channels = kChannels;
    details.bitrateKbps = kind == FormatKind::Wma ? 128 : 192;
    details.tags = FullTags();
    return details;
}

// Writes the samples in blocks of an odd size, so that encoders that gather fixed-size codec
// frames see blocks that straddle them.
bool Encode(const std::string& path, const FormatDetails& details,
            const std::vector<float>& samples) {
    CConv2FileFormat encoder;
    if (!encoder.Open(path, details))
        return false;
    const int64_t frames = int64_t(samples.size()) / details.channels;
    constexpr int64_t kBlock = 1001;
    for (int64_t done = 0; done < frames; done += kBlock) {
        if (!encoder.Write(samples.data() + done * details.channels,
                           std::min(kBlock, frames - done)))
            return false;
    }
    return encoder.Close();
}

std::vector<std::string> FolderEntries(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    return names;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string Quoted(const std::string& path) {
    return "'" + path + "'";
}

std::string RunCommand(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return out;
    char buffer[65536];
    size_t count;
    while ((count = fread(buffer, 1, sizeof(buffer), pipe)) > 0)
        out.append(buffer, count);
    pclose(pipe);
    return out;
}

// What ffprobe says about a file: "duration", "codec_name", "channels", "sample_rate" and the
// tags as
// "tag:<lower-case name>", from the container or the audio stream.
std::map<std::string, std::string> Probe(const std::string& path) {
    const std::string text =
        RunCommand("ffprobe -v error -show_entries "
                   "format=duration:format_tags:stream=codec_name,channels,sample_rate:stream_tags "
                   "-of default=noprint_wrappers=1 " +
                   Quoted(path));
    std::map<std::string, std::string> values;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        const size_t equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        std::string key = line.substr(0, equals);
        for (char& c : key)
            c = char(std::tolower(static_cast<unsigned char>(c)));
        values[key] = line.substr(equals + 1);
    }
    return values;
}

// The file decoded by the ffmpeg program to interleaved stereo float.
std::vector<float> DecodeWithFFmpeg(const std::string& path) {
    const std::string bytes =
        RunCommand("ffmpeg -v error -i " + Quoted(path) + " -f f32le -ac 2 -");
    std::vector<float> samples(bytes.size() / sizeof(float));
    std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(float));
    return samples;
}

std::vector<float> DecodeWithSndFile(const std::string& path, SF_INFO* info) {
    *info = SF_INFO{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, info);
    if (!file)
        return {};
    std::vector<float> samples(size_t(info->frames * info->channels));
    const sf_count_t read = sf_readf_float(file, samples.data(), info->frames);
    samples.resize(size_t(read * info->channels));
    sf_close(file);
    return samples;
}

// Checks that decoded audio is the test sine, in step with the input: its pitch, the level of
// each channel (the sine's RMS is its amplitude / sqrt 2) and its correlation with the input.
// Only the middle is compared, away from the codecs' fade-in and tail.
void ExpectTheSine(const std::vector<float>& decoded, const std::vector<float>& input,
                   const char* decoder) {
    SCOPED_TRACE(decoder);
    constexpr int64_t kEdge = 4096;
    const int64_t frames = int64_t(input.size()) / kChannels - 2 * kEdge;
    ASSERT_GE(int64_t(decoded.size()), int64_t(input.size()));
    const float* middle = decoded.data() + kEdge * kChannels;
    const float* original = input.data() + kEdge * kChannels;
    EXPECT_NEAR(SoundFixtures::ToneFrequency(middle, frames, kChannels, kRate), kHz, 0.5);
    EXPECT_NEAR(SoundFixtures::Rms(middle, frames, kChannels, 0), kLeftAmplitude / std::sqrt(2.0),
                0.02);
    EXPECT_NEAR(SoundFixtures::Rms(middle, frames, kChannels, 1), kRightAmplitude / std::sqrt(2.0),
                0.01);
    double product = 0, decodedEnergy = 0, inputEnergy = 0;
    for (int64_t i = 0; i < frames * kChannels; ++i) {
        product += double(middle[i]) * original[i];
        decodedEnergy += double(middle[i]) * middle[i];
        inputEnergy += double(original[i]) * original[i];
    }
    EXPECT_GT(product / std::sqrt(decodedEnergy * inputEnergy), 0.99);
}

// How much longer than its input a file may decode: less than one codec frame.
int64_t AllowedExtraDecoded(FormatKind kind) {
    switch (kind) {
    case FormatKind::Mp3:
        return 1152;
    case FormatKind::Ogg:
        return 1024;
    case FormatKind::Wma:
        return 2048 - 1;
    default:
        return 0;
    }
}

// How much longer than its input ffprobe may say a file is: one codec frame beyond what the
// container counts in besides the audio (MP3: LAME's 576-sample encoder delay; WMA: the silent
// frame put first, which decoders swallow).
int64_t AllowedExtraProbed(FormatKind kind) {
    switch (kind) {
    case FormatKind::Mp3:
        return 576 + 1152;
    case FormatKind::Wma:
        return 2048 + 2048;
    default:
        return AllowedExtraDecoded(kind);
    }
}

struct KindCase {
    FormatKind kind;
    const char* name;
    const char* codec;
};

class EncodeEachFormat : public ::testing::TestWithParam<KindCase> {};

TEST_P(EncodeEachFormat, WritesTheSineWithItsTagsAndNothingElse) {
    const KindCase& param = GetParam();
    const std::string dir = SoundFixtures::FreshDir(std::string("enc-") + param.name);
    const std::string path = dir + "/tone." + Details(param.kind).Extension();
    const std::vector<float> samples = StereoSine(kFrames);
    ASSERT_TRUE(Encode(path, Details(param.kind), samples));
    EXPECT_EQ(FolderEntries(dir), std::vector<std::string>{fs::path(path).filename().string()});

    if (param.kind != FormatKind::Wma) {
        SF_INFO info;
        const std::vector<float> decoded = DecodeWithSndFile(path, &info);
        EXPECT_EQ(info.channels, kChannels);
        EXPECT_EQ(info.samplerate, kRate);
        EXPECT_EQ(info.frames, kFrames);
        ExpectTheSine(decoded, samples, "libsndfile");
    }

    if (!SoundFixtures::HaveProgram("ffprobe") || !SoundFixtures::HaveProgram("ffmpeg"))
        GTEST_SKIP() << "ffprobe/ffmpeg not installed: the independent checks are skipped";
    std::map<std::string, std::string> probe = Probe(path);
    EXPECT_EQ(probe["codec_name"], param.codec);
    EXPECT_EQ(probe["channels"], "2");
    EXPECT_EQ(probe["sample_rate"], "44100");
    const double seconds = double(kFrames) / kRate;
    const double duration = std::atof(probe["duration"].c_str());
    EXPECT_GE(duration, seconds - 1.0 / kRate);
    EXPECT_LE(duration, seconds + double(AllowedExtraProbed(param.kind) + 1) / kRate);
    const SoundTags tags = FullTags();
    EXPECT_EQ(probe["tag:title"], tags.title);
    EXPECT_EQ(probe["tag:artist"], tags.artist);
    EXPECT_EQ(probe["tag:album"], tags.album);
    EXPECT_EQ(probe["tag:genre"], tags.genre);
    EXPECT_EQ(probe["tag:track"], "7");
    EXPECT_EQ(probe["tag:date"], tags.year);
    EXPECT_EQ(probe["tag:comment"], tags.comment);
    EXPECT_EQ(probe["tag:copyright"], tags.copyright);

    const std::vector<float> decoded = DecodeWithFFmpeg(path);
    const int64_t decodedFrames = int64_t(decoded.size()) / kChannels;
    EXPECT_GE(decodedFrames, kFrames);
    EXPECT_LE(decodedFrames, kFrames + AllowedExtraDecoded(param.kind));
    ExpectTheSine(decoded, samples, "ffmpeg");
}

INSTANTIATE_TEST_SUITE_P(CConv2FileFormat, EncodeEachFormat,
                         ::testing::Values(KindCase{FormatKind::Wav16, "wav16", "pcm_s16le"},
                                           KindCase{FormatKind::Wav24, "wav24", "pcm_s24le"},
                                           KindCase{FormatKind::WavFloat, "wavfloat", "pcm_f32le"},
                                           KindCase{FormatKind::Mp3, "mp3", "mp3"},
                                           KindCase{FormatKind::Ogg, "ogg", "vorbis"},
                                           KindCase{FormatKind::Wma, "wma", "wmav2"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CConv2FileFormat, MonoAt48kHzKeepsItsLayoutInEveryFormat) {
    const std::string dir = SoundFixtures::FreshDir("enc-mono");
    const std::vector<float> mono(24000, 0.25f);
    for (FormatKind kind : {FormatKind::Wav16, FormatKind::Wav24, FormatKind::WavFloat,
                            FormatKind::Mp3, FormatKind::Ogg, FormatKind::Wma}) {
        FormatDetails details = Details(kind);
        SCOPED_TRACE(details.KindName());
        details.channels = 1;
        details.sampleRate = 48000;
        details.bitrateKbps = kind == FormatKind::Wma ? 64 : 96;
        const std::string path = dir + "/mono." + details.Extension();
        ASSERT_TRUE(Encode(path, details, mono));
        if (!SoundFixtures::HaveProgram("ffprobe"))
            GTEST_SKIP() << "ffprobe not installed";
        std::map<std::string, std::string> probe = Probe(path);
        EXPECT_EQ(probe["channels"], "1");
        EXPECT_EQ(probe["sample_rate"], "48000");
    }
}

void PutLE(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(char((value >> (8 * i)) & 0xFF));
}

// The whole header of a frozen-track file, byte for byte.
std::string FloatWavHeader(int rate, int channels, uint32_t frames) {
    const uint32_t dataBytes = frames * channels * 4;
    std::string h = "RIFF";
    PutLE(h, 4 + 24 + 12 + 8 + dataBytes, 4);
    h += "WAVEfmt ";
    PutLE(h, 16, 4);
    PutLE(h, 3, 2); // IEEE float
    PutLE(h, channels, 2);
    PutLE(h, rate, 4);
    PutLE(h, rate * channels * 4, 4); // bytes per second
    PutLE(h, channels * 4, 2);        // block align
    PutLE(h, 32, 2);
    h += "fact";
    PutLE(h, 4, 4);
    PutLE(h, frames, 4);
    h += "data";
    PutLE(h, dataBytes, 4);
    return h;
}

TEST(CConv2FileFormat, FrozenTrackFileHasTheExactFloatWavLayout) {
    const std::string dir = SoundFixtures::FreshDir("enc-frozen");
    for (const auto& [rate, channels] : {std::pair{44100, 2}, std::pair{48000, 1}}) {
        SCOPED_TRACE(channels);
        const std::string path = dir + "/frozen-track03 7-3-2009-ID12.WAV";
        const int64_t frames = 1000;
        std::vector<float> samples(size_t(frames * channels));
        for (size_t i = 0; i < samples.size(); ++i)
            samples[i] = float(i % 7) * 0.3f - 0.9f; // beyond full scale too: kept as is
        samples[3] = 1.75f;
        ASSERT_TRUE(Encode(path, FormatDetails::FrozenTrack(rate, channels), samples));
        const std::string bytes = ReadAll(path);
        const std::string header = FloatWavHeader(rate, channels, uint32_t(frames));
        ASSERT_EQ(bytes.size(), header.size() + samples.size() * 4);
        EXPECT_EQ(bytes.substr(0, header.size()), header);
        EXPECT_EQ(std::memcmp(bytes.data() + header.size(), samples.data(), samples.size() * 4), 0);
    }
}

TEST(CConv2FileFormat, PcmSamplesBeyondFullScaleAreClippedNotWrapped) {
    const std::string dir = SoundFixtures::FreshDir("enc-clip");
    const std::string path = dir + "/loud.wav";
    FormatDetails details = Details(FormatKind::Wav16);
    details.writeTags = false;
    const std::vector<float> samples = {1.5f, -1.5f, 0.5f, -0.5f};
    ASSERT_TRUE(Encode(path, details, samples));
    SF_INFO info;
    const std::vector<float> decoded = DecodeWithSndFile(path, &info);
    ASSERT_EQ(decoded.size(), 4u);
    EXPECT_GT(decoded[0], 0.99f);
    EXPECT_LT(decoded[1], -0.99f);
    EXPECT_NEAR(decoded[2], 0.5f, 1e-4);
}

TEST(CConv2FileFormat, WavWithoutTagsHasNoListChunk) {
    const std::string dir = SoundFixtures::FreshDir("enc-notags");
    const std::string path = dir + "/plain.wav";
    FormatDetails details = Details(FormatKind::Wav16);
    details.writeTags = false;
    ASSERT_TRUE(Encode(path, details, StereoSine(100)));
    EXPECT_EQ(ReadAll(path).find("LIST"), std::string::npos);
}

TEST(CConv2FileFormat, AbortLeavesNeitherFileNorTemporaryFile) {
    const std::string dir = SoundFixtures::FreshDir("enc-abort");
    const std::vector<float> samples = StereoSine(5000);
    for (FormatKind kind : {FormatKind::Wav16, FormatKind::Mp3, FormatKind::Ogg, FormatKind::Wma}) {
        SCOPED_TRACE(Details(kind).KindName());
        CConv2FileFormat encoder;
        ASSERT_TRUE(encoder.Open(dir + "/aborted.out", Details(kind)));
        EXPECT_EQ(FolderEntries(dir).size(), 1u); // the hidden temporary file
        ASSERT_TRUE(encoder.Write(samples.data(), 5000));
        encoder.Abort();
        EXPECT_FALSE(encoder.IsOpen());
        EXPECT_TRUE(FolderEntries(dir).empty());
        EXPECT_FALSE(encoder.Close());
    }
    {
        CConv2FileFormat forgotten;
        ASSERT_TRUE(forgotten.Open(dir + "/forgotten.wav", Details(FormatKind::Wav16)));
        ASSERT_TRUE(forgotten.Write(samples.data(), 5000));
    }
    EXPECT_TRUE(FolderEntries(dir).empty());
}

TEST(CConv2FileFormat, TargetIsReplacedOnlyWhenTheNewFileIsComplete) {
    const std::string dir = SoundFixtures::FreshDir("enc-replace");
    const std::string path = dir + "/mix.wav";
    ASSERT_TRUE(SoundFixtures::WriteBytes(path, "old contents"));
    const std::vector<float> samples = StereoSine(2000);

    CConv2FileFormat aborted;
    ASSERT_TRUE(aborted.Open(path, Details(FormatKind::Wav16)));
    ASSERT_TRUE(aborted.Write(samples.data(), 2000));
    EXPECT_EQ(ReadAll(path), "old contents");
    aborted.Abort();
    EXPECT_EQ(ReadAll(path), "old contents");

    ASSERT_TRUE(Encode(path, Details(FormatKind::Wav16), samples));
    SF_INFO info;
    EXPECT_EQ(DecodeWithSndFile(path, &info).size(), samples.size());
    EXPECT_EQ(FolderEntries(dir).size(), 1u);
}

TEST(CConv2FileFormat, BackslashPathsAreAccepted) {
    const std::string dir = SoundFixtures::FreshDir("enc-backslash");
    std::string path = dir + "\\sub\\..\\tone.wav";
    fs::create_directories(dir + "/sub");
    ASSERT_TRUE(Encode(path, Details(FormatKind::Wav16), StereoSine(100)));
    EXPECT_TRUE(fs::exists(dir + "/tone.wav"));
}

TEST(CConv2FileFormat, FolderThatCannotBeWrittenFailsAtOpen) {
    const std::string dir = SoundFixtures::FreshDir("enc-unwritable");
    ASSERT_TRUE(SoundFixtures::WriteBytes(dir + "/plain-file", "x"));
    std::vector<std::string> targets = {dir + "/missing-folder/out.wav",
                                        dir + "/plain-file/out.wav", "/proc/loomtone-out.wav"};
    const std::string locked = dir + "/locked";
    fs::create_directories(locked);
    chmod(locked.c_str(), 0555);
    if (geteuid() != 0) // the superuser writes into any folder
        targets.push_back(locked + "/out.wav");
    for (const std::string& target : targets) {
        SCOPED_TRACE(target);
        LogCapture log;
        CConv2FileFormat encoder;
        EXPECT_FALSE(encoder.Open(target, Details(FormatKind::Wav16)));
        EXPECT_FALSE(encoder.IsOpen());
        EXPECT_TRUE(log.Contains("CConv2FileFormat::Open failed"));
        EXPECT_TRUE(log.Contains("returning false!"));
        const float frame[2] = {0, 0};
        EXPECT_FALSE(encoder.Write(frame, 1));
    }
    chmod(locked.c_str(), 0755);
    EXPECT_TRUE(FolderEntries(locked).empty());
}

TEST(CConv2FileFormat, SettingsTheEncodersCannotWriteFailAtOpen) {
    const std::string dir = SoundFixtures::FreshDir("enc-invalid");
    auto with = [](FormatKind kind, auto change) {
        FormatDetails details = Details(kind);
        change(details);
        return details;
    };
    const FormatDetails refused[] = {
        with(FormatKind::Mp3, [](FormatDetails& d) { d.sampleRate = 22050; }),
        with(FormatKind::Mp3, [](FormatDetails& d) { d.bitrateKbps = 100; }),
        with(FormatKind::Mp3, [](FormatDetails& d) { d.channels = 3; }),
        with(FormatKind::Wma, [](FormatDetails& d) { d.bitrateKbps = 1000; }),
        with(FormatKind::Wma, [](FormatDetails& d) { d.sampleRate = 96000; }),
        with(FormatKind::Ogg, [](FormatDetails& d) { d.oggQuality = 11; }),
        with(FormatKind::Wav16, [](FormatDetails& d) { d.channels = 0; }),
        with(FormatKind::Wav24, [](FormatDetails& d) { d.sampleRate = 0; }),
        with(FormatKind::WavFloat, [](FormatDetails& d) { d.kind = FormatKind(42); }),
    };
    for (const FormatDetails& details : refused) {
        CConv2FileFormat encoder;
        EXPECT_FALSE(encoder.Open(dir + "/refused.out", details));
    }
    CConv2FileFormat encoder;
    EXPECT_FALSE(encoder.Open(dir + "/", Details(FormatKind::Wav16)));
    EXPECT_TRUE(FolderEntries(dir).empty());
}

TEST(CConv2FileFormat, WritesOutsideAnOpenEncodingFail) {
    const std::string dir = SoundFixtures::FreshDir("enc-misuse");
    CConv2FileFormat encoder;
    const float frame[2] = {0, 0};
    EXPECT_FALSE(encoder.Write(frame, 1));
    EXPECT_FALSE(encoder.Close());
    ASSERT_TRUE(encoder.Open(dir + "/x.wav", Details(FormatKind::Wav16)));
    EXPECT_FALSE(encoder.Write(frame, -1));
    EXPECT_FALSE(encoder.Write(nullptr, 1));
    EXPECT_TRUE(encoder.Write(nullptr, 0));
    EXPECT_TRUE(encoder.Write(frame, 1));
    EXPECT_TRUE(encoder.Close());
    EXPECT_EQ(encoder.FramesWritten(), 1);
    EXPECT_FALSE(encoder.Close());
}

TEST(CConv2FileFormat, WavFrameLimitKeepsTheFileUnder4GB) {
    const int64_t limit = CSndFileEncoder::MaxWavFrames(8);
    EXPECT_LE(limit * 8 + 65536, int64_t{0xFFFFFFFF});
    EXPECT_GT(limit * 8, int64_t{0xFFFFFFFF} - 2 * 65536);
}

TEST(Id3v2Tag, LaysOutUtf16TextFramesAfterTheHeader) {
    SoundTags tags;
    tags.title = "Hi";
    tags.trackNumber = 3;
    const std::vector<uint8_t> tag = BuildId3v2Tag(tags);
    const std::vector<uint8_t> expected = {
        'I', 'D',  '3',  3,   0, 0,   0, 0, 0, 32, // header, size 32
        'T', 'I',  'T',  '2', 0, 0,   0, 7, 0, 0,  // frame header, size 7
        1,   0xFF, 0xFE, 'H', 0, 'i', 0,           // UTF-16 "Hi"
        'T', 'R',  'C',  'K', 0, 0,   0, 5, 0, 0,  1, 0xFF, 0xFE, '3', 0};
    EXPECT_EQ(tag, expected);
}

TEST(Id3v2Tag, CommentsSurrogatesLimitsAndEmptyTags) {
    EXPECT_TRUE(BuildId3v2Tag(SoundTags{}).empty());

    SoundTags comment;
    comment.comment = "c";
    const std::vector<uint8_t> tag = BuildId3v2Tag(comment);
    const std::vector<uint8_t> frame = {'C', 'O', 'M', 'M',  0,    0, 0, 12,   0,    0,   1,
                                        'e', 'n', 'g', 0xFF, 0xFE, 0, 0, 0xFF, 0xFE, 'c', 0};
    EXPECT_EQ(std::vector<uint8_t>(tag.begin() + 10, tag.end()), frame);

    SoundTags emoji;
    emoji.title = "\xF0\x9F\x8E\xB5"; // U+1F3B5
    const std::vector<uint8_t> surrogates = BuildId3v2Tag(emoji);
    const std::vector<uint8_t> text(surrogates.end() - 4, surrogates.end());
    EXPECT_EQ(text, (std::vector<uint8_t>{0x3C, 0xD8, 0xB5, 0xDF}));

    SoundTags huge;
    huge.title = std::string(100000, 'a');
    const std::vector<uint8_t> cut = BuildId3v2Tag(huge);
    EXPECT_EQ(cut.size(), 10 + 10 + 1 + 2 + 2 * kId3MaxTextChars);
    // The stored size is seven bits per byte.
    const uint32_t size =
        (uint32_t(cut[6]) << 21) | (uint32_t(cut[7]) << 14) | (uint32_t(cut[8]) << 7) | cut[9];
    EXPECT_EQ(size, cut.size() - 10);
    EXPECT_LT(cut[8], 0x80);
    EXPECT_LT(cut[9], 0x80);
}

TEST(FormatDetails, ExtensionsSelectConversionTypesWithoutRegardToCase) {
    // The stored preference is the type's number, so the order 0..3 is part of the settings.
    const char* const extensions[] = {"wav", ".Mp3", "WMA", "oGg"};
    for (int number = 0; number < 4; ++number) {
        ConversionType type = ConversionType(-1);
        EXPECT_TRUE(ConversionTypeForExtension(extensions[number], &type));
        EXPECT_EQ(int(type), number) << extensions[number];
    }
    ConversionType type = ConversionType::Ogg;
    for (const char* unknown : {"flac", "", "wav2"})
        EXPECT_FALSE(ConversionTypeForExtension(unknown, &type)) << unknown;
}

// Points the settings store at a fresh folder for the life of a test.
class CFormatPrefsTest : public ::testing::Test {
protected:
    static constexpr const char* kKeyPath = "SOFTWARE\\Veranth\\Loomtone4";

    std::unique_ptr<CRegKey> Key() {
        CRegKey root(RegRoot::CurrentUser);
        return root.CreateSubKey(kKeyPath);
    }
    // Every setting, for comparing whole sets at once.
    static std::tuple<ConversionType, int, int, int, int> Fields(const CFormatPrefs& prefs) {
        return {prefs.lastFileType, prefs.wavBitDepth, prefs.mp3Bitrate, prefs.wmaBitrate,
                prefs.oggQuality};
    }

private:
    ScopedEnv m_config{"XDG_CONFIG_HOME", SoundFixtures::FreshDir("enc-prefs").c_str()};
};

TEST_F(CFormatPrefsTest, SavedPrefsReadBackFromDisk) {
    CFormatPrefs saved;
    saved.lastFileType = ConversionType::Ogg;
    saved.wavBitDepth = 32;
    saved.mp3Bitrate = 320;
    saved.wmaBitrate = 64;
    saved.oggQuality = 9;
    ASSERT_TRUE(saved.SaveFormatPrefs(kKeyPath));

    // A fresh load from the file, not the copy in memory.
    auto store = std::make_shared<CRegStore>(CRegStore::CurrentUserPath());
    ASSERT_TRUE(store->Load());
    int32_t value = 0;
    ASSERT_TRUE(CRegKey(store).GetSubKey(kKeyPath)->GetKeyNum("renderMp3Bitrate", &value));
    EXPECT_EQ(value, 320);

    CFormatPrefs read;
    ASSERT_TRUE(read.ReadFormatPrefs(kKeyPath));
    EXPECT_EQ(Fields(read), Fields(saved));
}

TEST_F(CFormatPrefsTest, MissingKeyOrValuesOutsideTheirDomainKeepTheDefaults) {
    const auto defaults = Fields(CFormatPrefs());
    EXPECT_EQ(defaults, std::make_tuple(ConversionType::Wav, 16, 192, 128, 5));
    CFormatPrefs prefs;
    EXPECT_FALSE(prefs.ReadFormatPrefs(kKeyPath));
    EXPECT_EQ(Fields(prefs), defaults);

    auto key = Key();
    ASSERT_TRUE(key);
    key->SetKeyNum("lastRenderFileType", 4);
    key->SetKeyNum("renderWavBitDepth", 8);
    key->SetKeyNum("renderMp3Bitrate", 100);
    key->SetKeyString("renderWmaBitrate", "128");
    key->SetKeyNum("renderOggQuality", -1);
    LogCapture log;
    ASSERT_TRUE(prefs.ReadFormatPrefs(kKeyPath));
    EXPECT_EQ(Fields(prefs), defaults);
    EXPECT_TRUE(log.Contains("renderMp3Bitrate = 100"));

    key->SetKeyNum("renderWavBitDepth", 24);
    key->SetKeyNum("renderOggQuality", 10);
    ASSERT_TRUE(prefs.ReadFormatPrefs(kKeyPath));
    EXPECT_EQ(prefs.wavBitDepth, 24);
    EXPECT_EQ(prefs.oggQuality, 10);
}

TEST_F(CFormatPrefsTest, DetailsForEachTypeFollowThePrefs) {
    CFormatPrefs prefs;
    prefs.wavBitDepth = 24;
    prefs.mp3Bitrate = 128;
    prefs.wmaBitrate = 96;
    prefs.oggQuality = 3;
    const FormatDetails wav = prefs.DetailsFor(ConversionType::Wav, 48000, 2);
    EXPECT_EQ(wav.kind, FormatKind::Wav24);
    EXPECT_EQ(wav.sampleRate, 48000);
    EXPECT_EQ(wav.channels, 2);
    prefs.wavBitDepth = 32;
    EXPECT_EQ(prefs.DetailsFor(ConversionType::Wav, 44100, 2).kind, FormatKind::WavFloat);
    const FormatDetails mp3 = prefs.DetailsFor(ConversionType::Mp3, 44100, 2);
    EXPECT_EQ(mp3.kind, FormatKind::Mp3);
    EXPECT_EQ(mp3.bitrateKbps, 128);
    const FormatDetails wma = prefs.DetailsFor(ConversionType::Wma, 44100, 2);
    EXPECT_EQ(wma.kind, FormatKind::Wma);
    EXPECT_EQ(wma.bitrateKbps, 96);
    const FormatDetails ogg = prefs.DetailsFor(ConversionType::Ogg, 44100, 1);
    EXPECT_EQ(ogg.kind, FormatKind::Ogg);
    EXPECT_EQ(ogg.oggQuality, 3);
    for (const FormatDetails& details : {wav, mp3, wma, ogg})
        EXPECT_TRUE(details.Validate(nullptr));
}

} // namespace
