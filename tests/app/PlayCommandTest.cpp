#include "app/PlayCommand.h"
#include "JackServer.h"
#include "ProgramUnderTest.h"
#include "engine/CAudioEffect.h"
#include "engine/CEffectChain.h"
#include "engine/CPCMMixer.h"
#include "project/CProject.h"
#include "project/CTrack.h"
#include "support/CUndoMgr.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <string>
#include <thread>
#include <vector>

namespace {

const std::string kSong =
    std::string(LOOMTONE_SOURCE_DIR) + "/data/Example Projects/Example Song.lt4";
constexpr int kRate = 44100;

bool Parse(std::vector<std::string> words, PlayRequest& request, std::string& reason) {
    std::vector<char*> pointers;
    for (std::string& word : words)
        pointers.push_back(word.data());
    return ParsePlayArguments(static_cast<int>(pointers.size()), pointers.data(), request, reason);
}

TEST(PlayArguments, ReadTheFileDriverStartAndLength) {
    PlayRequest request;
    std::string reason;
    ASSERT_TRUE(
        Parse({"song.lt4", "--driver", "jack", "--from", "2.5", "--seconds", "4"}, request, reason))
        << reason;
    EXPECT_EQ(request.file, "song.lt4");
    EXPECT_EQ(request.driverType, AudioDeviceChoice::kJack);
    EXPECT_DOUBLE_EQ(request.fromSeconds, 2.5);
    EXPECT_DOUBLE_EQ(request.seconds, 4.0);

    PlayRequest plain;
    ASSERT_TRUE(Parse({"song.lt4"}, plain, reason));
    EXPECT_EQ(plain.driverType, PlayRequest::kPreferredDriver);
    EXPECT_LT(plain.seconds, 0.0);
}

TEST(PlayArguments, RefuseWhatTheyDoNotKnow) {
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"song.lt4", "--driver", "asio"},
        {"song.lt4", "--seconds", "-1"},
        {"song.lt4", "--from", "soon"},
        {"song.lt4", "--seconds", "nan"},
        {"song.lt4", "--driver"},
        {"song.lt4", "other.lt4"},
        {"song.lt4", "--loud"},
    };
    for (const auto& words : bad) {
        PlayRequest request;
        std::string reason;
        EXPECT_FALSE(Parse(words, request, reason)) << (words.empty() ? "" : words.back());
        EXPECT_FALSE(reason.empty());
    }
}

TEST(PlayCommand, ANullDeviceRunsForTheGivenTime) {
    if (!ProgramBuilt())
        GTEST_SKIP() << "loomtone is not built";
    const std::string dir = FreshTestFolder();
    const std::string command = LeakCheckEnv(dir) + "'" + kProgram + "' --play '" + kSong +
                                "' --driver null --from 14 --seconds 1.5 2>'" + dir + "err.txt'";
    EXPECT_EQ(RunShell(command), 0);
    const std::string err = CommandOutput("cat '" + dir + "err.txt'");
    EXPECT_NE(err.find("loomtone: 14.0 s"), std::string::npos) << err;
    EXPECT_NE(err.find("callbacks of 256 frames"), std::string::npos) << err;
}

TEST(PlayCommand, ADeviceThatCannotOpenFailsWithTheReason) {
    if (!ProgramBuilt())
        GTEST_SKIP() << "loomtone is not built";
    const std::string dir = FreshTestFolder();
    // A JACK server of a name that does not run.
    const std::string command = LeakCheckEnv(dir) + "JACK_DEFAULT_SERVER=loomtone-none-" +
                                std::to_string(getpid()) + " '" + kProgram + "' --play '" + kSong +
                                "' --driver jack --seconds 1 2>'" + dir + "err.txt'";
    EXPECT_EQ(RunShell(command), 1);
    const std::string err = CommandOutput("cat '" + dir + "err.txt'");
    EXPECT_NE(err.find("the audio device could not open"), std::string::npos) << err;
}

std::vector<short> ReadFrames(const std::string& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file || info.channels != 2) {
        if (file)
            sf_close(file);
        return {};
    }
    std::vector<short> samples(static_cast<size_t>(info.frames) * 2);
    sf_readf_short(file, samples.data(), info.frames);
    sf_close(file);
    return samples;
}

// The float capture as 16-bit samples, converted as the mix-down's WAV
// writer converts (libsndfile with clipping on), so that equal mixes give
// equal samples.
std::vector<short> AsRenderedSamples(const std::string& floatPath, const std::string& shortPath) {
    SF_INFO in{};
    SNDFILE* source = sf_open(floatPath.c_str(), SFM_READ, &in);
    if (!source)
        return {};
    std::vector<float> samples(static_cast<size_t>(in.frames * in.channels));
    sf_readf_float(source, samples.data(), in.frames);
    sf_close(source);
    SF_INFO out{};
    out.samplerate = in.samplerate;
    out.channels = in.channels;
    out.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* target = sf_open(shortPath.c_str(), SFM_WRITE, &out);
    if (!target)
        return {};
    sf_command(target, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    sf_writef_float(target, samples.data(), in.frames);
    sf_close(target);
    return ReadFrames(shortPath);
}

// The song with its instrument track muted, saved next to the test's files.
// The song with its effects switched off, and its instrument muted when
// asked. Playing starts at 2 s, where the effects hold nothing yet; in a
// render from the start they hold what came before (the pad's reverb), so
// only the song without them can be compared with its render.
std::string LiveStartCopy(const std::string& dir, bool muteInstrument) {
    CPCMMixer mixer;
    CUndoMgr undo(400);
    ProjectPreferences prefs;
    prefs.DefRecDir = dir;
    CProject project(mixer, undo, prefs);
    bool cancelled = false;
    EXPECT_TRUE(project.LoadProject(kSong, cancelled));
    for (int index = 0; index < project.GetNumTracks(); ++index) {
        CTrack* track = project.GetTrack(index);
        if (muteInstrument && track->GetKind() == CTrack::kMidi)
            track->ToggleMute();
        const CEffectChain* effects = track->GetEffectChain();
        for (int slot = 0; effects && slot < effects->NumEffects(); ++slot)
            effects->GetEffect(slot)->setActive(false);
    }
    const std::string path = dir + (muteInstrument ? "Muted.lt4" : "Live.lt4");
    EXPECT_TRUE(project.SaveProject(path));
    return path;
}

struct Capture {
    std::vector<short> samples;
    // The server skipped cycles (a loaded machine): the capture has gaps.
    bool xruns = false;
};

// Plays the project on the test's JACK server from 2 s for 5 s and records
// two seconds of Loomtone's output ports with jack_capture once they exist.
Capture PlayAndCapture(const std::string& project, const std::string& dir) {
    const std::string play = LeakCheckEnv(dir) + "'" + kProgram + "' --play '" + project +
                             "' --driver jack --from 2 --seconds 5 2>'" + dir + "play.txt'";
    int played = -1;
    std::thread player([&] { played = RunShell(play); });
    Capture captured;
    if (JackServer::WaitForPort("loomtone:outport", std::chrono::seconds(30))) {
        const std::string out = dir + "capture.wav";
        std::filesystem::remove(out);
        const std::string said =
            CommandOutput("jack_capture -f wav -d 2 -dc -s -p 'loomtone:outport 0' "
                          "-p 'loomtone:outport 1' '" +
                          out + "' 2>&1");
        captured.xruns = said.find("x-run") != std::string::npos;
        captured.samples = AsRenderedSamples(out, dir + "capture16.wav");
    }
    player.join();
    EXPECT_EQ(played, 0) << CommandOutput("cat '" + dir + "play.txt'");
    return captured;
}

// A capture with gaps from the server's own skipped cycles says nothing about
// the mix; it is taken again, up to three times.
Capture CaptureWithoutGaps(const std::string& project, const std::string& dir) {
    Capture captured = PlayAndCapture(project, dir);
    for (int again = 0; again < 2 && captured.xruns; ++again)
        captured = PlayAndCapture(project, dir);
    return captured;
}

std::vector<short> Render(const std::string& project, const std::string& dir) {
    const std::string out = dir + "render.wav";
    EXPECT_EQ(RunShell(LeakCheckEnv(dir) + "'" + kProgram + "' --render '" + project + "' '" + out +
                       "' 2>/dev/null"),
              0);
    return ReadFrames(out);
}

// The frame of `render` where the capture starts: the best match of a short
// window taken a little into the capture, searched over where playback ran.
int64_t AlignStart(const std::vector<short>& render, const std::vector<short>& capture) {
    constexpr int64_t kInto = kRate / 10;
    constexpr int64_t kWindow = 512;
    const int64_t renderFrames = static_cast<int64_t>(render.size() / 2);
    double best = std::numeric_limits<double>::max();
    int64_t bestStart = -1;
    for (int64_t start = 0; start + kInto + kWindow < renderFrames && start < 10 * kRate; ++start) {
        double sum = 0.0;
        for (int64_t index = 0; index < kWindow * 2 && sum < best; ++index) {
            const double d = render[static_cast<size_t>((start + kInto) * 2 + index)] -
                             capture[static_cast<size_t>(kInto * 2 + index)];
            sum += d * d;
        }
        if (sum < best) {
            best = sum;
            bestStart = start;
        }
    }
    return bestStart;
}

struct Difference {
    int64_t differing = 0;
    double rmsDbfs = -200.0;
};

Difference Compare(const std::vector<short>& render, const std::vector<short>& capture,
                   int64_t start) {
    Difference result;
    double sum = 0.0;
    const size_t count = std::min(capture.size(), render.size() - static_cast<size_t>(start) * 2);
    for (size_t index = 0; index < count; ++index) {
        const double d =
            (render[static_cast<size_t>(start) * 2 + index] - capture[index]) / 32768.0;
        result.differing += d != 0.0;
        sum += d * d;
    }
    if (sum > 0.0)
        result.rmsDbfs = 10.0 * std::log10(sum / static_cast<double>(count));
    return result;
}

TEST(PlayCommandOnJack, PlaysTheSongSampleForSampleAsItRendersWithTheInstrumentMuted) {
    if (!ProgramBuilt())
        GTEST_SKIP() << "loomtone is not built";
    START_JACK_OR_SKIP(server);
    const std::string dir = FreshTestFolder();
    const std::string muted = LiveStartCopy(dir, true);
    const std::vector<short> render = Render(muted, dir);
    ASSERT_FALSE(render.empty());
    // On a loaded machine one period of a take is now and then lost without
    // the server counting an xrun; a take with no such gap must match exactly.
    Difference best;
    best.differing = -1;
    for (int take = 0; take < 4 && best.differing != 0; ++take) {
        const Capture captured = CaptureWithoutGaps(muted, dir);
        if (captured.xruns)
            continue;
        ASSERT_GE(captured.samples.size(), size_t{kRate}) << "nothing captured";
        const int64_t start = AlignStart(render, captured.samples);
        // Playback ran from 2 s; the capture began once the ports were there.
        EXPECT_GE(start, 2 * kRate);
        const Difference difference = Compare(render, captured.samples, start);
        if (best.differing < 0 || difference.differing < best.differing)
            best = difference;
    }
    if (best.differing < 0)
        GTEST_SKIP() << "the JACK server skipped cycles in every capture (a loaded machine)";
    EXPECT_EQ(best.differing, 0) << "RMS of the difference " << best.rmsDbfs << " dBFS";
}

TEST(PlayCommandOnJack, PlaysTheSongCloseToItsRenderWithTheInstrument) {
    if (!ProgramBuilt())
        GTEST_SKIP() << "loomtone is not built";
    START_JACK_OR_SKIP(server);
    const std::string dir = FreshTestFolder();
    const std::string song = LiveStartCopy(dir, false);
    const std::vector<short> render = Render(song, dir);
    ASSERT_FALSE(render.empty());
    const Capture captured = CaptureWithoutGaps(song, dir);
    if (captured.xruns)
        GTEST_SKIP() << "the JACK server skipped cycles in every capture (a loaded machine)";
    ASSERT_GE(captured.samples.size(), size_t{kRate}) << "nothing captured";
    const int64_t start = AlignStart(render, captured.samples);
    EXPECT_GE(start, 2 * kRate);
    const double rmsDbfs = Compare(render, captured.samples, start).rmsDbfs;
    EXPECT_LT(rmsDbfs, -40.0);
    RecordProperty("DifferenceDbfs", std::to_string(rmsDbfs));
}

} // namespace

namespace {

TEST(PlayCommandOnJack, AServerThatGoesAwayEndsPlayingWithTheReason) {
    if (!ProgramBuilt())
        GTEST_SKIP() << "loomtone is not built";
    START_JACK_OR_SKIP(server);
    const std::string dir = FreshTestFolder();
    const std::string play = LeakCheckEnv(dir) + "'" + kProgram + "' --play '" + kSong +
                             "' --driver jack --seconds 30 2>'" + dir + "play.txt'";
    int played = -1;
    std::thread player([&] { played = RunShell(play); });
    const bool started = JackServer::WaitForPort("loomtone:outport", std::chrono::seconds(30));
    // The server goes away once the song really plays; a server killed
    // while the client starts is JackDevice's test.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (started && std::chrono::steady_clock::now() < deadline &&
           CommandOutput("cat '" + dir + "play.txt'").find("loomtone: 1.0 s") == std::string::npos)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    server.Kill();
    player.join();
    ASSERT_TRUE(started);
    EXPECT_EQ(played, 1);
    const std::string err = CommandOutput("cat '" + dir + "play.txt'");
    EXPECT_NE(err.find("the audio device stopped while playing"), std::string::npos) << err;
}

} // namespace
