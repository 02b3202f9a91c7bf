#include "ProgramUnderTest.h"
#include "ScopedEnv.h"
#include "ToneWav.h"
#include "app/CPrefs.h"
#include "engine/CClipAudioBuffer.h"
#include "engine/CEnvelope.h"
#include "engine/CFormatPrefs.h"
#include "engine/CPCMMixer.h"
#include "project/CClip.h"
#include "project/CProject.h"
#include "project/CTrack.h"
#include "support/CUndoMgr.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr double kFramesPerMs = 44.1;

struct Point {
    double ms;
    double value;
};

// One clip of the project and what the hand mix needs of it.
struct ClipPlan {
    double hz;
    uint32_t frames;
    int16_t peak;
    double startMs;
    std::vector<Point> volume; // the clip's volume envelope
    double trackVolume;
    double trackPan;
};

const std::vector<ClipPlan> kPlans = {
    {440.0, 44100, 12000, 0.0, {{0, 0.2}, {400, 1.5}, {900, 0.5}}, 1.0, 0.0},
    {660.0, 66150, 9000, 250.0, {}, 0.7, 0.0},
    {330.0, 35280, 10000, 700.0, {}, 1.0, -0.6},
};

std::vector<float> ToneSamples(const ClipPlan& plan) {
    std::vector<float> samples(plan.frames);
    for (uint32_t i = 0; i < plan.frames; ++i)
        samples[i] =
            static_cast<int16_t>(plan.peak * std::sin(i * 2 * M_PI * plan.hz / 44100)) / 32768.0f;
    return samples;
}

// Straight lines between the points, flat before the first and after the
// last; unity without points.
double EnvelopeAt(const std::vector<Point>& points, double ms) {
    if (points.empty())
        return 1.0;
    if (ms <= points.front().ms)
        return points.front().value;
    for (size_t i = 1; i < points.size(); ++i)
        if (ms < points[i].ms)
            return points[i - 1].value + (points[i].value - points[i - 1].value) *
                                             (ms - points[i - 1].ms) /
                                             (points[i].ms - points[i - 1].ms);
    return points.back().value;
}

// The engine mixes in chunks of 1024 frames and ramps a clip's gain over
// runs of 32 frames that start afresh in each chunk: the envelope is read at
// the ends of each run. Balance panning keeps the centre at full level.
std::vector<float> HandMix(int64_t totalFrames) {
    constexpr int64_t kChunk = 1024;
    constexpr int kRun = 32;
    std::vector<float> out(static_cast<size_t>(totalFrames) * 2, 0.0f);
    for (const ClipPlan& plan : kPlans) {
        const std::vector<float> source = ToneSamples(plan);
        const auto start = static_cast<int64_t>(std::llround(plan.startMs * kFramesPerMs));
        const int64_t end = start + plan.frames;
        const auto left = static_cast<float>(plan.trackVolume * std::min(1.0, 1.0 - plan.trackPan));
        const auto right =
            static_cast<float>(plan.trackVolume * std::min(1.0, 1.0 + plan.trackPan));
        for (int64_t chunk = 0; chunk < totalFrames; chunk += kChunk) {
            const int64_t from = std::max(chunk, start);
            const int64_t to = std::min({chunk + kChunk, end, totalFrames});
            for (int64_t run = from; run < to; run += kRun) {
                const int count = static_cast<int>(std::min<int64_t>(kRun, to - run));
                const int64_t clipFrame = run - start;
                const double gain0 = EnvelopeAt(plan.volume, clipFrame / kFramesPerMs);
                const double gain1 = EnvelopeAt(plan.volume, (clipFrame + count) / kFramesPerMs);
                for (int i = 0; i < count; ++i) {
                    const double gain = gain0 + (gain1 - gain0) / count * i;
                    const auto sample =
                        static_cast<float>(source[static_cast<size_t>(clipFrame + i)] * gain);
                    out[static_cast<size_t>(run + i) * 2] += sample * left;
                    out[static_cast<size_t>(run + i) * 2 + 1] += sample * right;
                }
            }
        }
    }
    return out;
}

uint32_t U32At(const std::string& bytes, size_t at) {
    uint32_t value = 0;
    std::memcpy(&value, bytes.data() + at, 4);
    return value;
}

uint16_t U16At(const std::string& bytes, size_t at) {
    uint16_t value = 0;
    std::memcpy(&value, bytes.data() + at, 2);
    return value;
}

// The samples of a 32-bit float stereo WAV file at 44.1 kHz; empty when the
// file is anything else.
std::vector<float> ReadFloatStereoWav(const std::string& path) {
    const std::string bytes = FileContents(path);
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0)
        return {};
    bool floatStereo = false;
    for (size_t at = 12; at + 8 <= bytes.size();) {
        const std::string id = bytes.substr(at, 4);
        const uint32_t size = U32At(bytes, at + 4);
        if (size > bytes.size() - at - 8)
            return {};
        if (id == "fmt " && size >= 16)
            floatStereo = U16At(bytes, at + 8) == 3 && U16At(bytes, at + 10) == 2 &&
                          U32At(bytes, at + 12) == 44100 && U16At(bytes, at + 22) == 32;
        if (id == "data" && floatStereo) {
            std::vector<float> samples(size / 4);
            std::memcpy(samples.data(), bytes.data() + at + 8, samples.size() * 4);
            return samples;
        }
        at += 8 + size + (size & 1);
    }
    return {};
}

class ThreeClipRender : public ::testing::Test {
protected:
    void SetUp() override {
        if (!ProgramBuilt())
            GTEST_SKIP() << "loomtone is not built";
        dir = FreshTestFolder();
        fs::create_directories(dir + "config");
        env = LeakCheckEnv(dir) + "XDG_CONFIG_HOME='" + dir + "config' ";
    }

    // Renders to float samples, so the comparison is not limited by 16 bits.
    void ChooseFloatWav() {
        ScopedEnv config("XDG_CONFIG_HOME", (dir + "config").c_str());
        CFormatPrefs format;
        format.wavBitDepth = 32;
        ASSERT_TRUE(format.SaveFormatPrefs(std::string(CPrefs::kCurrentKeyPath) + "\\Render"));
    }

    void WriteProject() {
        CPCMMixer mixer;
        CUndoMgr undo(400);
        ProjectPreferences prefs;
        prefs.DefRecDir = dir;
        prefs.bSwitchKeyTempoOnFirstSound = false;
        prefs.lastSnapSetting = 0;
        CProject project(mixer, undo, prefs);
        project.NewProject(true);
        project.SetSnapLevel(0);
        for (size_t i = 0; i < kPlans.size(); ++i) {
            const ClipPlan& plan = kPlans[i];
            const std::string wav = dir + "tone" + std::to_string(i) + ".wav";
            WriteToneWav(wav, plan.frames, plan.peak, plan.hz);
            project.SelectTrack(static_cast<int>(i), false);
            project.MoveCaretAndPlayback(plan.startMs);
            CClip* clip = project.AddAudioClip(wav);
            ASSERT_NE(clip, nullptr);
            ASSERT_DOUBLE_EQ(clip->GetStartMs(), plan.startMs);
            CEnvelope* volume = clip->GetEnvelopeByType(kEnvelopeVolume);
            ASSERT_NE(volume, nullptr);
            for (const Point& point : plan.volume)
                volume->Insert(point.ms, point.value);
            CTrack* track = project.GetTrack(static_cast<int>(i));
            track->SetVolume(plan.trackVolume, false);
            track->SetPan(plan.trackPan, false);
        }
        ASSERT_TRUE(project.SaveProject(dir + "three.lt4"));
    }

    std::string dir;
    std::string env;
};

} // namespace

TEST_F(ThreeClipRender, TheRenderEqualsTheSourcesMixedByHand) {
    ASSERT_NO_FATAL_FAILURE(ChooseFloatWav());
    ASSERT_NO_FATAL_FAILURE(WriteProject());
    ASSERT_EQ(RunShell(env + kProgram + " --render '" + dir + "three.lt4' '" + dir +
                       "mix.wav' 2> '" + dir + "err.txt'"),
              0);

    const std::vector<float> rendered = ReadFloatStereoWav(dir + "mix.wav");
    const int64_t frames = static_cast<int64_t>(rendered.size() / 2);
    // The last clip ends at 700 ms + 35280 frames; anything after is silence.
    const int64_t projectEnd = 30870 + 35280;
    ASSERT_GE(frames, projectEnd);
    const std::vector<float> expected = HandMix(frames);
    int reported = 0;
    for (size_t i = 0; i < rendered.size() && reported < 5; ++i) {
        if (std::fabs(rendered[i] - expected[i]) > 1e-4f) {
            ADD_FAILURE() << "frame " << i / 2 << (i % 2 ? " right" : " left") << ": rendered "
                          << rendered[i] << ", mixed by hand " << expected[i];
            ++reported;
        }
    }
    // Where all three clips sound, the mix is far from silence.
    double energy = 0.0;
    for (size_t i = 30870 * 2; i < 44100 * 2; ++i)
        energy += expected[i] * expected[i];
    EXPECT_GT(energy / (44100 - 30870) / 2, 0.01);
}
