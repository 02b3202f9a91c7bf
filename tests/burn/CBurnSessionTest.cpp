#include "burn/CBurnSession.h"
#include "burn/CBurnLayout.h"
#include "burn/CLibburnBurner.h"

#include "BurnTestDoubles.h"
#include "engine/CPCMMixer.h"
#include "engine/CPCMSound.h"
#include "engine/CSoundGroup.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

CBurnLayout TwoTracks(double endMs) {
    CBurnLayout layout;
    CBurnLayout::Request request;
    request.markers = {{0, "One", "", true}, {5000, "Two", "", true}};
    request.projectEndMs = endMs;
    request.forBurn = true;
    layout.PrepareBurn(request);
    return layout;
}

void PollUntilFinished(CBurnSession& session) {
    for (int wait = 0; wait < 1200 && session.GetStage() != CBurnSession::Stage::Finished; ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        session.Poll();
    }
    ASSERT_EQ(session.GetStage(), CBurnSession::Stage::Finished);
}

} // namespace

TEST(BurnSession, RendersBurnsAndRemovesItsFiles) {
    const std::string dir = SoundFixtures::FreshDir("BurnSessionFake") + "/";
    CPCMMixer mixer;
    SoundPtr tone = AddTone(mixer, 10.0);
    ScriptedBurner burner;
    CBurnSession session(mixer, burner, dir);
    LogCapture log;
    CBurnSession::Settings settings;
    settings.albumTitle = "Album";
    settings.simulate = true;
    ASSERT_TRUE(session.Begin(TwoTracks(10000), settings));
    PollUntilFinished(session);
    EXPECT_EQ(session.GetOutcome(), CBurnSession::Outcome::TestSuccess) << session.Error();
    ASSERT_EQ(burner.started.tracks.size(), 2u);
    EXPECT_TRUE(burner.filesPresent);
    EXPECT_TRUE(burner.started.simulate);
    EXPECT_EQ(burner.started.tracks[1].wavPath, dir + "tmp2.wav");
    EXPECT_EQ(burner.started.tracks[1].title, "Two");
    EXPECT_NE(session.CueSheet().find("FILE \"" + dir + "tmp2.wav\" WAVE\r\n  TRACK 02 AUDIO"),
              std::string::npos);
    for (const char* line :
         {"BurnerWorker - ENTER", "Before Converting to WAV...", "After Converting to WAV...",
          "Before BurnFilesNow", "CBurner::ConvertAndBurnWorker - Calling StartDAOBurn", "   2. ",
          "   Total: 10000", "Finished test...", "Successful test - Ejecting CD!",
          "BurnerWorker - EXIT"})
        EXPECT_TRUE(log.Contains(line)) << line;
    EXPECT_TRUE(fs::is_empty(dir));
    EXPECT_DOUBLE_EQ(session.Progress(), 1.0);
}

TEST(BurnSession, AFileDriveRefusesAudioClearlyAndNothingStays) {
    const std::string dir = SoundFixtures::FreshDir("BurnSessionStdio") + "/";
    const std::string work = dir + "work/";
    fs::create_directories(work);
    CPCMMixer mixer;
    SoundPtr tone = AddTone(mixer, 10.0);
    CLibburnBurner burner;
    ASSERT_TRUE(burner.Open("stdio:" + dir + "disc.img")) << burner.LastError();
    EXPECT_EQ(burner.Disc(), CDiscBurner::DiscState::Blank);
    {
        CBurnSession session(mixer, burner, work);
        ASSERT_TRUE(session.Begin(TwoTracks(10000), {}));
        PollUntilFinished(session);
        EXPECT_EQ(session.GetOutcome(), CBurnSession::Outcome::BurnError);
        EXPECT_NE(session.Error().find("a file takes data only, never audio tracks"),
                  std::string::npos)
            << session.Error();
        EXPECT_NE(session.Error().find("audio track prohibited by non-CD"), std::string::npos)
            << session.Error();
    }
    burner.Close();
    EXPECT_TRUE(fs::is_empty(work));
}

TEST(BurnSession, AWriterThatCannotBeOpenedSaysSo) {
    CLibburnBurner burner;
    EXPECT_FALSE(burner.Open("/nonexistent/cd-writer"));
    EXPECT_NE(burner.LastError().find("/nonexistent/cd-writer"), std::string::npos);
    EXPECT_EQ(burner.Disc(), CDiscBurner::DiscState::NoDisc);
    EXPECT_TRUE(burner.Speeds().empty());
}
