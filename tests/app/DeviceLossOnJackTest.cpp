// The program as started, set to play through JACK, when its server goes
// away while it plays and comes back later: the user is told once, nothing
// hangs, and the once-a-second device check opens the output again, so that
// the next Play is heard.

#include "JackServer.h"
#include "JackTestClients.h"
#include "ScopedEnv.h"
#include "ToneWav.h"
#include "app/CPrefs.h"
#include "app/CSystemDeviceCatalog.h"
#include "app/DeviceCatalog.h"
#include "app/LoomtoneApp.h"
#include "engine/CAudioDevice.h"
#include "engine/CPCMMixer.h"
#include "gui/COffscreenGuiHost.h"
#include "gui/GuiInput.h"
#include "gui/MessageBoxes.h"
#include "project/CProject.h"
#include "transport/CMixMasterBar.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr const char* kOutput = "loomtone:outport 0";

class DeviceLossOnJack : public ::testing::Test {
protected:
    DeviceLossOnJack()
        : m_root(std::string(LOOMTONE_TEST_TMP) + "/devicelossonjack/"),
          m_config("XDG_CONFIG_HOME", (m_root + "config").c_str()),
          m_data("XDG_DATA_HOME", (m_root + "data").c_str()) {
        fs::remove_all(m_root);
        fs::create_directories(m_root);
        SetMessageBoxHook([this](const MessageBoxRequest& request, bool&) {
            told.push_back(request.text);
            return static_cast<int>(IDOK);
        });
    }
    ~DeviceLossOnJack() override { SetMessageBoxHook(nullptr); }

    // The stored preferences of a user who chose JACK, and a JACK MIDI input.
    static void ChooseJack(int midiInput) {
        CPrefs prefs;
        prefs.Load(false);
        prefs.bFirstRun = false;
        prefs.bShowNewProjectDialog = false;
        prefs.mixDeviceType = DeviceCatalog::kAsio;
        prefs.mixMidiInDevice = midiInput;
        ASSERT_TRUE(prefs.Save());
    }

    // Runs the window's timers a second at a time until `done` or 10 s.
    bool AdvanceUntil(const std::function<bool()>& done) {
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!done() && std::chrono::steady_clock::now() < limit) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            m_host.Advance(CMixMasterBar::kDeviceCheckPeriodMs + 10);
        }
        return done();
    }

    const std::string m_root;
    ScopedEnv m_config;
    ScopedEnv m_data;
    COffscreenGuiHost m_host;
    std::vector<std::string> told;
};

std::string LogText(const std::string& path) {
    std::ifstream file(path);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Waits until the meter has heard more than a whisper.
bool Hears(const JackPeakMeter& meter) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (meter.Peak() < 0.05f && std::chrono::steady_clock::now() < limit)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return meter.Peak() >= 0.05f;
}

TEST_F(DeviceLossOnJack, TheUserIsToldOnceAndTheDeviceCheckOpensTheServerAgainWhenItIsBack) {
    if (!JackInstalled())
        GTEST_SKIP() << "jackd is not installed";
    auto server = std::make_unique<JackServer>();
    ASSERT_TRUE(server->Started());
    CSystemDeviceCatalog devices;
    LoomtoneApp app(devices);
    {
        // A keyboard on the server: the program's MIDI input is a JACK
        // client too, which must not outlive the server either.
        CPCMMixer unheard; // the sender's clock, unused here
        JackNoteSender keyboard(unheard);
        ASSERT_TRUE(keyboard.IsActive());
        ChooseJack(JackNoteSender::InputIndex());
        StartupOptions options;
        options.programFolder = std::string(LOOMTONE_SOURCE_DIR) + "/data/";
        options.openAudioDevices = true;
        ASSERT_TRUE(app.Startup(m_host, options)) << app.Error();
    }
    CPCMMixer& mixer = app.Mixer();
    ASSERT_TRUE(mixer.IsOpen());
    EXPECT_EQ(mixer.GetDevice().BlockFrames(), JackServer::kPeriod) << "JACK's period";

    CProject& project = *app.Project();
    project.NewProject(true);
    WriteToneWav(m_root + "tone.wav", 20 * 44100, 16000);
    project.SelectTrack(0, false);
    project.MoveCaretAndPlayback(0.0);
    ASSERT_NE(project.AddAudioClip(m_root + "tone.wav"), nullptr);
    {
        JackPeakMeter meter("meter");
        ASSERT_TRUE(meter.Listen(kOutput));
        m_host.KeyDown(VK_SPACE, 0);
        ASSERT_TRUE(mixer.Playing());
        EXPECT_TRUE(Hears(meter));
    }

    // The server goes away while playing.
    server->Kill();
    server.reset();
    ASSERT_TRUE(AdvanceUntil([&] { return !told.empty(); })) << "the loss was not told";
    EXPECT_FALSE(mixer.Playing());
    // Tried again every second while the server is away, told only once.
    m_host.Advance(2 * CMixMasterBar::kDeviceCheckPeriodMs + 10);
    EXPECT_EQ(told.size(), size_t{1});

    // Back: the device check opens it again without the user doing anything.
    server = std::make_unique<JackServer>();
    ASSERT_TRUE(server->Started());
    ASSERT_TRUE(AdvanceUntil([&] { return mixer.IsOpen() && !mixer.GetDevice().Failed(); }))
        << "not opened again";
    ASSERT_TRUE(JackServer::WaitForPort(kOutput, std::chrono::seconds(10)));
    EXPECT_EQ(told.size(), size_t{1});
    JackPeakMeter meter("meter");
    ASSERT_TRUE(meter.Listen(kOutput));
    project.MoveCaretAndPlayback(0.0);
    m_host.KeyDown(VK_SPACE, 0);
    ASSERT_TRUE(mixer.Playing());
    EXPECT_TRUE(Hears(meter)) << "played through the server that came back";
    m_host.KeyDown(VK_SPACE, 0);
    const std::string log = LogText(app.UserDataFolder() + "Loomtone-Log.txt");
    EXPECT_NE(log.find("MIDI input open: notesender"), std::string::npos) << log;
    EXPECT_NE(log.find("A JACK server went away: closing 2 clients"), std::string::npos) << log;
    app.Shutdown();
}

} // namespace
