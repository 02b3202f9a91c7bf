#include "engine/CRecordWriter.h"
#include "engine/CInputRing.h"
#include "engine/CPCMMixer.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

std::vector<float> ReadAll(const std::string& path, int& channels) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file)
        return {};
    channels = info.channels;
    std::vector<float> samples(static_cast<size_t>(info.frames * info.channels));
    sf_readf_float(file, samples.data(), info.frames);
    sf_close(file);
    return samples;
}

// Stereo frames whose left channel counts up and right channel counts down.
// An empty folder of the test's own, named name, ending in a slash.
std::string FreshFolder(const std::string& name) {
    const std::string dir = std::string(LOOMTONE_TEST_TMP) + "/" + name + "/";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

std::vector<float> Ramp(int frames) {
    std::vector<float> samples;
    for (int frame = 0; frame < frames; ++frame) {
        samples.push_back(static_cast<float>(frame) / 32768.0f);
        samples.push_back(-static_cast<float>(frame) / 32768.0f);
    }
    return samples;
}

TEST(InputRing, KeepsFramesInOrderAcrossTheWrap) {
    CInputRing ring(100);
    std::vector<float> out(200);
    const std::vector<float> ramp = Ramp(70);
    EXPECT_EQ(ring.Write(ramp.data(), 70, 2), 70);
    EXPECT_EQ(ring.Read(out.data(), 50), 50);
    EXPECT_EQ(ring.Write(ramp.data(), 70, 2), 70); // wraps
    EXPECT_EQ(ring.Available(), 90);
    EXPECT_EQ(ring.Read(out.data(), 100), 90);
    EXPECT_EQ(out[2 * 19], ramp[2 * 69]);
    EXPECT_EQ(out[2 * 20], ramp[0]);
    EXPECT_EQ(out[2 * 89 + 1], ramp[2 * 69 + 1]);
}

TEST(InputRing, DropsAndCountsWhatDoesNotFitAndCopiesMonoToBothSides) {
    CInputRing ring(10);
    const std::vector<float> mono(16, 0.5f);
    EXPECT_EQ(ring.Write(mono.data(), 16, 1), 10);
    EXPECT_EQ(ring.DroppedFrames(), 6);
    std::vector<float> out(20);
    ASSERT_EQ(ring.Read(out.data(), 10), 10);
    EXPECT_EQ(out[0], 0.5f);
    EXPECT_EQ(out[1], 0.5f);
}

TEST(InputRing, SkipPassesOverTheOldestFramesAndNoMoreThanItHolds) {
    CInputRing ring(100);
    const std::vector<float> ramp = Ramp(60);
    ring.Write(ramp.data(), 60, 2);
    EXPECT_EQ(ring.Skip(50), 50);
    std::vector<float> out(20);
    ASSERT_EQ(ring.Read(out.data(), 10), 10);
    EXPECT_EQ(out[0], ramp[2 * 50]);
    EXPECT_EQ(ring.Skip(5), 0);
    EXPECT_EQ(ring.Skip(-3), 0);
}

TEST(RecordWriter, WritesTheInputAndPlacesItWhereItArrived) {
    const std::string dir = FreshFolder("RecordWriterPlaces");
    CPCMMixer mixer;
    mixer.SetPositionMs(1000.0);
    CRecordWriter writer(mixer);
    std::string reason;
    ASSERT_TRUE(writer.Start({{dir + "both.wav", 2, 0, ""}, {dir + "right.wav", 1, 1, ""}}, reason))
        << reason;
    EXPECT_LT(writer.RecordStartMs(), 0.0);
    const std::vector<float> ramp = Ramp(3000);
    // As the device callback would, in blocks.
    for (int block = 0; block < 3000; block += 300)
        mixer.CaptureInput(ramp.data() + block * 2, 300, 2);
    writer.Stop();
    // The null device has no latency to make up for.
    EXPECT_DOUBLE_EQ(writer.RecordStartMs(), 1000.0);
    EXPECT_EQ(writer.FramesWritten(), 3000);
    // After the stop nothing more is taken.
    mixer.CaptureInput(ramp.data(), 300, 2);

    int channels = 0;
    const std::vector<float> both = ReadAll(dir + "both.wav", channels);
    ASSERT_EQ(channels, 2);
    EXPECT_EQ(both, ramp);
    const std::vector<float> right = ReadAll(dir + "right.wav", channels);
    ASSERT_EQ(channels, 1);
    ASSERT_EQ(right.size(), size_t{3000});
    EXPECT_EQ(right[2999], ramp[2 * 2999 + 1]);
}

// A take made ready before playback starts takes nothing until it begins,
// and nothing while the transport is paused: its first frame is the one
// that arrives with the first block played.
TEST(RecordWriter, TakesNothingBeforeItBeginsNorWhileTheTransportIsPaused) {
    const std::string dir = FreshFolder("RecordWriterBegins");
    CPCMMixer mixer;
    mixer.SetPositionMs(1000.0);
    CRecordWriter writer(mixer);
    std::string reason;
    ASSERT_TRUE(writer.Open({{dir + "take.wav", 2, 0, ""}}, reason)) << reason;
    EXPECT_TRUE(std::filesystem::exists(dir + "take.wav"));
    EXPECT_FALSE(writer.IsRecording());
    const std::vector<float> ramp = Ramp(600);
    mixer.CaptureInput(ramp.data(), 300, 2);
    mixer.Pause(true);
    writer.Begin();
    EXPECT_TRUE(writer.IsRecording());
    mixer.CaptureInput(ramp.data(), 300, 2);
    mixer.SetPositionMs(2000.0);
    mixer.Pause(false);
    mixer.CaptureInput(ramp.data() + 600, 300, 2);
    writer.Stop();
    EXPECT_DOUBLE_EQ(writer.RecordStartMs(), 2000.0);
    EXPECT_EQ(writer.FramesWritten(), 300);
    int channels = 0;
    const std::vector<float> take = ReadAll(dir + "take.wav", channels);
    ASSERT_EQ(take.size(), size_t{600});
    EXPECT_EQ(take[0], ramp[600]);
}

TEST(RecordWriter, OpenedButNeverBegunLeavesNoFile) {
    const std::string dir = FreshFolder("RecordWriterNeverBegun");
    CPCMMixer mixer;
    CRecordWriter writer(mixer);
    std::string reason;
    ASSERT_TRUE(writer.Open({{dir + "take.wav", 1, 0, ""}}, reason)) << reason;
    writer.Stop();
    EXPECT_FALSE(std::filesystem::exists(dir + "take.wav"));
    EXPECT_FALSE(mixer.IsCapturing());
}

TEST(RecordWriter, AFileThatCannotBeMadeLeavesNoneBehind) {
    const std::string dir = FreshFolder("RecordWriterNoFile");
    CPCMMixer mixer;
    CRecordWriter writer(mixer);
    std::string reason;
    EXPECT_FALSE(writer.Start(
        {{dir + "first.wav", 2, 0, ""}, {dir + "missing/second.wav", 2, 0, ""}}, reason));
    EXPECT_NE(reason.find("second.wav"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir + "first.wav"));
    EXPECT_FALSE(writer.IsRecording());
    EXPECT_FALSE(mixer.IsCapturing());
}

} // namespace
