#include "ProgramUnderTest.h"
#include "ScopedEnv.h"
#include "SoundProject.h"
#include "ToneWav.h"
#include "app/CPrefs.h"
#include "engine/CDelayEffect.h"
#include "engine/CEffectChain.h"
#include "engine/CGainEffect.h"
#include "engine/CLV2Catalog.h"
#include "engine/CLV2State.h"
#include "engine/EffectsFactory.h"
#include "project/CTrack.h"
#include "project/MarkerRecord.h"
#include "support/CRegStore.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace fs = std::filesystem;

namespace {

// Two seconds of a 440 Hz tone at half scale, 16-bit mono.
void WriteProject(const std::string& dir) {
    WriteToneWav(dir + "Tone.wav", 2 * 44100, 16384);
    WriteProjectOfSounds(dir + "tone.lt4", {dir + "Tone.wav"});
}

class RenderCommand : public ::testing::Test {
protected:
    void SetUp() override {
        if (!ProgramBuilt())
            GTEST_SKIP() << "loomtone is not built";
        dir = FreshTestFolder();
        WriteProject(dir);
        env = LeakCheckEnv(dir);
    }

    int Render(const std::string& out) {
        return RunShell(env + kProgram + " --render '" + dir + "tone.lt4' '" + out + "' 2> '" +
                        dir + "err.txt'");
    }

    std::string dir;
    std::string env;
};

} // namespace

TEST_F(RenderCommand, MixesTheProjectDownToTheFormatOfTheExtension) {
    for (const char* extension : {"wav", "ogg", "mp3", "wma"}) {
        const std::string out = dir + "mix." + extension;
        ASSERT_EQ(Render(out), 0) << extension;
        ASSERT_TRUE(fs::exists(out)) << extension;
        const double seconds =
            std::atof(CommandOutput("ffprobe -v error -show_entries format=duration -of csv=p=0 '" +
                                    out + "'")
                          .c_str());
        // The clip's two seconds, plus at most the effects' tail and a codec frame.
        EXPECT_GE(seconds, 1.99) << extension;
        EXPECT_LT(seconds, 4.0) << extension;
    }
    // Nothing rings on: the file ends with the sound, and no tail is announced.
    const double wavSeconds =
        std::atof(CommandOutput("ffprobe -v error -show_entries format=duration -of csv=p=0 '" +
                                dir + "mix.wav'")
                      .c_str());
    EXPECT_NEAR(wavSeconds, 2.0, 0.05);
    EXPECT_EQ(FileContents(dir + "err.txt").find("ring out"), std::string::npos);
    const std::string stat = CommandOutput("sox '" + dir + "mix.wav' -n stat 2>&1");
    const size_t at = stat.find("Maximum amplitude:");
    ASSERT_NE(at, std::string::npos);
    EXPECT_NEAR(std::atof(stat.c_str() + at + 18), 0.5, 0.05);
}

TEST_F(RenderCommand, RefusesAnUnknownExtensionAndAMissingProject) {
    EXPECT_EQ(Render(dir + "mix.xyz"), 2);
    EXPECT_FALSE(fs::exists(dir + "mix.xyz"));
    const std::string error = FileContents(dir + "err.txt");
    EXPECT_NE(error.substr(0, error.find('\n')).find(".wav, .mp3, .ogg or .wma"),
              std::string::npos);

    EXPECT_NE(RunShell(env + kProgram + " --render '" + dir + "none.lt4' '" + dir +
                       "none.wav' 2>/dev/null"),
              0);
    EXPECT_FALSE(fs::exists(dir + "none.wav"));
}

TEST_F(RenderCommand, SaysWhenInstrumentsRingOnPastTheLastSound) {
    // The example's melody is played by an instrument whose notes fade out.
    const std::string example =
        std::string(LOOMTONE_SOURCE_DIR) + "/data/Example Projects/Example Song.lt4";
    ASSERT_EQ(RunShell(env + kProgram + " --render '" + example + "' '" + dir +
                       "example.wav' 2> '" + dir + "err.txt'"),
              0);
    const std::string error = FileContents(dir + "err.txt");
    EXPECT_NE(error.find("s past the last sound, for instruments and effects to ring out"),
              std::string::npos)
        << error;
}

// A ringing effect on a track without sounds, and one that does not ring on
// the track that plays, add no tail; an echo on the track that plays does.
TEST_F(RenderCommand, OnlyEffectsThatRingOnTracksThatPlayAddATail) {
    const auto render = [this](const std::string& project, const std::string& out) {
        return RunShell(env + kProgram + " --render '" + project + "' '" + out + "' 2> '" + dir +
                        "err.txt'");
    };
    const auto seconds = [](const std::string& file) {
        return std::atof(CommandOutput("soxi -D '" + file + "'").c_str());
    };
    const auto addEffect = [](CTrack& track, std::unique_ptr<CAudioEffect> effect) {
        ASSERT_TRUE(track.GetEffectChain()->Insert(std::move(effect), -1));
    };
    WriteProjectOfSounds(dir + "quiet.lt4", {dir + "Tone.wav"}, [&](CProject& project) {
        project.AddAudioTrack(-1, false);
        auto echo = std::make_unique<CDelayEffect>();
        echo->SetParameter(CDelayEffect::kTimeMs, 1500.0f);
        addEffect(*project.GetTrack(project.GetNumTracks() - 1), std::move(echo));
        addEffect(*project.GetTrack(0), std::make_unique<CGainEffect>());
    });
    ASSERT_EQ(render(dir + "quiet.lt4", dir + "quiet.wav"), 0);
    EXPECT_NEAR(seconds(dir + "quiet.wav"), 2.0, 0.01);
    EXPECT_EQ(FileContents(dir + "err.txt").find("ring out"), std::string::npos);

    WriteProjectOfSounds(dir + "echo.lt4", {dir + "Tone.wav"}, [&](CProject& project) {
        auto echo = std::make_unique<CDelayEffect>();
        echo->SetParameter(CDelayEffect::kTimeMs, 1500.0f);
        echo->SetParameter(CDelayEffect::kFeedback, 0.0f); // one repeat
        addEffect(*project.GetTrack(0), std::move(echo));
    });
    ASSERT_EQ(render(dir + "echo.lt4", dir + "echo.wav"), 0);
    EXPECT_NEAR(seconds(dir + "echo.wav"), 3.5, 0.01);
    EXPECT_NE(FileContents(dir + "err.txt").find("runs 1.5 s past the last sound"),
              std::string::npos)
        << FileContents(dir + "err.txt");
}

// The command finds the installed LV2 effects when the project names one,
// though it does not scan for them at its start.
TEST_F(RenderCommand, RendersThroughAnLV2EffectTheProjectNames) {
    const EffectID ampId = CLV2State::MakeID("http://plugin.org.uk/swh-plugins/amp");
    CLV2Catalog::Instance().ScanAndRegister();
    if (!EffectsFactory::GetInstance()->IsKnown(ampId))
        GTEST_SKIP() << "the amplifier plug-in is not installed (scripts/setup installs swh-lv2)";
    WriteProjectOfSounds(dir + "amp.lt4", {dir + "Tone.wav"}, [&](CProject& project) {
        std::unique_ptr<CAudioEffect> amp = EffectsFactory::GetInstance()->LoadEffect(ampId);
        ASSERT_NE(amp, nullptr);
        amp->SetParameter(0, -20.0f); // gain in dB
        ASSERT_TRUE(project.GetTrack(0)->GetEffectChain()->Insert(std::move(amp), -1));
    });
    ASSERT_EQ(RunShell(env + kProgram + " --render '" + dir + "amp.lt4' '" + dir + "amp.wav' 2> '" +
                       dir + "err.txt'"),
              0)
        << FileContents(dir + "err.txt");
    // The tone peaks at half scale; 20 dB down is a tenth of that.
    const double peak =
        std::atof(CommandOutput("sox '" + dir +
                                "amp.wav' -n stat 2>&1 | awk '/Maximum amplitude/ {print $3}'")
                      .c_str());
    EXPECT_NEAR(peak, 0.05, 0.005);
}

// A plug-in whose output overflows is bypassed in the render as in playback,
// and the command says so where the editor shows a message.
TEST_F(RenderCommand, SaysWhichPluginWasBypassed) {
    const EffectID ampId = CLV2State::MakeID("http://plugin.org.uk/swh-plugins/amp");
    CLV2Catalog::Instance().ScanAndRegister();
    if (!EffectsFactory::GetInstance()->IsKnown(ampId))
        GTEST_SKIP() << "the amplifier plug-in is not installed (scripts/setup installs swh-lv2)";
    // A float sound near the largest float: doubled, it is infinite.
    const std::string huge = dir + "huge.wav";
    ASSERT_EQ(RunShell("sox -n -r 44100 -c 2 -e floating-point -b 32 '" + huge +
                       "' synth 0.5 square 100 vol 1 && python3 -c \"import sys\n"
                       "d=bytearray(open(sys.argv[1],'rb').read())\n"
                       "i=d.find(b'data')+8\n"
                       "import struct\n"
                       "for o in range(i,len(d)-3,4): d[o:o+4]=struct.pack('<f',3e38)\n"
                       "open(sys.argv[1],'wb').write(d)\" '" +
                       huge + "'"),
              0);
    WriteProjectOfSounds(dir + "loud.lt4", {huge}, [&](CProject& project) {
        std::unique_ptr<CAudioEffect> amp = EffectsFactory::GetInstance()->LoadEffect(ampId);
        ASSERT_NE(amp, nullptr);
        amp->SetParameter(0, 6.0f); // gain in dB
        ASSERT_TRUE(project.GetTrack(0)->GetEffectChain()->Insert(std::move(amp), -1));
    });
    ASSERT_EQ(RunShell(env + kProgram + " --render '" + dir + "loud.lt4' '" + dir +
                       "loud.wav' 2> '" + dir + "err.txt'"),
              0);
    const std::string said = FileContents(dir + "err.txt");
    EXPECT_NE(said.find("stopped giving usable sound and is bypassed"), std::string::npos) << said;
}

// The command keeps converted sounds in the preference's temporary sound
// folder, as the editor does; without a usable folder it still renders.
TEST_F(RenderCommand, ConvertedSoundsGoToTheTemporarySoundFolder) {
    const std::string sound = dir + "tone48.wav";
    ASSERT_EQ(RunShell("sox -n -r 48000 -c 1 -b 16 '" + sound + "' synth 1 sine 440 vol 0.5"), 0);
    WriteProjectOfSounds(dir + "tone48.lt4", {sound});
    fs::create_directories(dir + "home");
    std::ofstream(dir + "blocker") << "a file where a folder should be";
    const std::string home = "HOME='" + dir + "home' XDG_CONFIG_HOME='" + dir + "home/.config' ";
    const auto render = [&](const std::string& cache, const std::string& out) {
        return RunShell(env + home + "XDG_CACHE_HOME='" + cache + "' " + kProgram + " --render '" +
                        dir + "tone48.lt4' '" + out + "' 2>/dev/null");
    };
    ASSERT_EQ(render(dir + "cache", dir + "mix.wav"), 0);
    EXPECT_TRUE(fs::exists(dir + "mix.wav"));
    int cached = 0;
    for (const auto& entry : fs::directory_iterator(dir + "cache/loomtone/sounds"))
        cached += entry.path().extension() == ".f32";
    EXPECT_EQ(cached, 1);

    ASSERT_EQ(render(dir + "blocker", dir + "blocked.wav"), 0);
    EXPECT_TRUE(fs::exists(dir + "blocked.wav"));
    // The same sound; only the titles (the file names) differ.
    EXPECT_EQ(CommandOutput("soxi -s '" + dir + "blocked.wav'"),
              CommandOutput("soxi -s '" + dir + "mix.wav'"));
}

// Without options the command mixes down as the editor's mix-down would with
// the user's preferences, which it only reads; the command line overrides
// them.
TEST_F(RenderCommand, FollowsTheMixDownPreferencesUnlessTheCommandLineSaysOtherwise) {
    WriteToneWav(dir + "Long.wav", 10 * 44100, 16384);
    WriteProjectOfSounds(dir + "album.lt4", {dir + "Long.wav"}, [](CProject& project) {
        for (const int32_t ms : {3000, 6000}) {
            MarkerRecord marker = project.Markers().At(0);
            marker.time = ms;
            marker.tempoEvent.time = ms;
            marker.tempoEvent.tempoChange = marker.tempoEvent.keyChange =
                marker.tempoEvent.timeSigChange = false;
            marker.name = "Song at " + std::to_string(ms);
            marker.cdTrack = true;
            ASSERT_TRUE(project.Markers().Add(marker));
        }
    });
    const std::string config = dir + "config";
    std::string store;
    {
        ScopedEnv configHome("XDG_CONFIG_HOME", config.c_str());
        CPrefs prefs;
        prefs.bCreateFilesForEachMarker = true;
        prefs.bNormalizeMixDown = true;
        prefs.fMixDownLoudness = -30.0;
        ASSERT_TRUE(prefs.Save());
        store = CRegStore::CurrentUserPath();
    }
    const std::string storeBytes = FileContents(store);
    ASSERT_FALSE(storeBytes.empty());
    const auto render = [&](const std::string& out, const std::string& options) {
        return RunShell(env + "XDG_CONFIG_HOME='" + config + "' " + kProgram + " --render '" + dir +
                        "album.lt4' '" + dir + out + "' " + options + " 2> '" + dir + "err.txt'");
    };
    const auto peak = [&](const std::string& file) {
        const std::string stat = CommandOutput("sox '" + dir + file + "' -n stat 2>&1");
        const size_t at = stat.find("Maximum amplitude:");
        return at == std::string::npos ? -1.0 : std::atof(stat.c_str() + at + 18);
    };

    ASSERT_EQ(render("marked.wav", ""), 0) << FileContents(dir + "err.txt");
    EXPECT_FALSE(fs::exists(dir + "marked.wav"));
    ASSERT_TRUE(fs::exists(dir + "marked-1.wav"));
    EXPECT_TRUE(fs::exists(dir + "marked-2.wav"));
    // Brought down to -30 LUFS from a tone at half scale.
    EXPECT_GT(peak("marked-1.wav"), 0.0);
    EXPECT_LT(peak("marked-1.wav"), 0.1);

    ASSERT_EQ(render("whole.wav", "--one-file --no-normalize"), 0) << FileContents(dir + "err.txt");
    EXPECT_TRUE(fs::exists(dir + "whole.wav"));
    EXPECT_FALSE(fs::exists(dir + "whole-1.wav"));
    EXPECT_NEAR(peak("whole.wav"), 0.5, 0.05);

    EXPECT_EQ(render("bad.wav", "--normalize loud"), 2);
    EXPECT_NE(FileContents(dir + "err.txt").find("--normalize"), std::string::npos);
    EXPECT_EQ(render("bad.wav", "--normalize -14 --shout"), 2);
    EXPECT_FALSE(fs::exists(dir + "bad.wav"));
    // The preferences were read, never written.
    EXPECT_EQ(FileContents(store), storeBytes);
}
