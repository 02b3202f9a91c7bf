#include "FakeDeviceCatalog.h"
#include "ScopedEnv.h"
#include "app/CPrefs.h"
#include "app/CSystemDeviceCatalog.h"
#include "app/DeviceCatalog.h"
#include "app/LoomtoneApp.h"
#include "app/StartupDevices.h"
#include "gui/COffscreenGuiHost.h"
#include "gui/MessageBoxes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

class StartupTest : public ::testing::Test {
protected:
    StartupTest()
        : m_root(std::string(LOOMTONE_TEST_TMP) + "/startup/"),
          m_config("XDG_CONFIG_HOME", (m_root + "config").c_str()),
          m_data("XDG_DATA_HOME", (m_root + "data").c_str()) {
        fs::create_directories(m_root);
    }
    ~StartupTest() override { SetMessageBoxHook(nullptr); }

    // Answers every box with the answer and keeps the requests.
    void AnswerBoxes(int answer) {
        SetMessageBoxHook([this, answer](const MessageBoxRequest& request, bool&) {
            asked.push_back(request);
            return answer;
        });
    }

    const std::string m_root;
    std::vector<MessageBoxRequest> asked;

private:
    ScopedEnv m_config;
    ScopedEnv m_data;
};

} // namespace

TEST_F(StartupTest, RemembersDevicesByNameNotByNumber) {
    FakeDeviceCatalog devices;
    devices.playback[DeviceCatalog::kWave] = {"Speakers", "USB Headset"};
    devices.recording[DeviceCatalog::kWave] = {"Line In", "Microphone"};
    devices.midiInputs = {"Keyboard"};
    CPrefs prefs;
    prefs.mixDeviceType = DeviceCatalog::kWave;
    prefs.mixWaveOutput = 3;
    prefs.lastPlaybackDevice = "USB Headset";
    prefs.mixWaveInput = 4;
    prefs.lastRecordingDevice = "Gone Away";
    prefs.mixMidiInDevice = 2;
    prefs.lastMidiInDevice = "Keyboard";
    FindDevicesAgain(prefs, devices);
    EXPECT_EQ(prefs.mixWaveOutput, 1);
    // A name that is gone keeps the stored number.
    EXPECT_EQ(prefs.mixWaveInput, 4);
    EXPECT_EQ(prefs.mixMidiInDevice, 0);
}

TEST_F(StartupTest, AWaveOutputTheMachineLacksBecomesTheFirstDevice) {
    FakeDeviceCatalog devices;
    devices.playback[DeviceCatalog::kWave] = {"A", "B"};
    CPrefs prefs;
    prefs.mixWaveOutput = 3;
    prefs.lastPlaybackDevice = "Unplugged";
    FindDevicesAgain(prefs, devices);
    PrepareOutputDevice(prefs, devices);
    EXPECT_EQ(prefs.mixWaveOutput, 3);
    EXPECT_EQ(prefs.mixerInit.firstField, 0);

    prefs.mixWaveOutput = 1;
    PrepareOutputDevice(prefs, devices);
    EXPECT_EQ(prefs.mixerInit.firstField, 1);
    // With no device at all (the machine's own list today) the first one is asked for.
    PrepareOutputDevice(prefs, CSystemDeviceCatalog());
    EXPECT_EQ(prefs.mixerInit.firstField, 0);
}

TEST_F(StartupTest, FirstRunWithWaveRTDevicesTakesTheDefaultOutput) {
    FakeDeviceCatalog devices;
    devices.playback[DeviceCatalog::kWaveRT] = {"HDMI", "Speakers"};
    devices.defaultWaveRT = 1;
    CPrefs prefs;
    ASSERT_TRUE(prefs.bFirstRun);
    ChooseFirstRunDevices(prefs, devices, 3000);
    EXPECT_EQ(prefs.mixDeviceType, DeviceCatalog::kWaveRT);
    EXPECT_EQ(prefs.mixWaveRTOutput, -1);
    EXPECT_EQ(prefs.mixWaveRTInput, 0);
    EXPECT_EQ(prefs.mixWaveRTLatency, 50);
    FindDevicesAgain(prefs, devices);
    EXPECT_EQ(prefs.mixWaveRTOutput, 1);
    EXPECT_EQ(prefs.lastPlaybackDevice, "Speakers");

    CPrefs slow;
    ChooseFirstRunDevices(slow, FakeDeviceCatalog(), 3000);
    EXPECT_EQ(slow.mixDeviceType, DeviceCatalog::kWave);
    EXPECT_EQ(slow.mixerInit.numBuffers, 8);
    EXPECT_EQ(slow.mixerInit.bufferSize, 2048);
}

TEST_F(StartupTest, AnInterruptedStartAsksToResetTheDevices) {
    CPrefs prefs;
    prefs.mixDeviceType = DeviceCatalog::kWaveRT;
    prefs.mixWaveRTOutput = 2;
    AnswerBoxes(IDNO);
    EXPECT_FALSE(OfferDeviceResetAfterInterruptedStart(prefs));
    EXPECT_TRUE(asked.empty());

    prefs.bAttemptToOpenDevice = true;
    EXPECT_TRUE(OfferDeviceResetAfterInterruptedStart(prefs));
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].title, MyLoadString("CRASH_ResetDevicesTitle"));
    EXPECT_TRUE(asked[0].flags & MB_YESNO);
    EXPECT_FALSE(prefs.bAttemptToOpenDevice);
    EXPECT_EQ(prefs.mixDeviceType, DeviceCatalog::kWaveRT);
    EXPECT_EQ(prefs.mixWaveRTOutput, 2);

    AnswerBoxes(IDYES);
    prefs.bAttemptToOpenDevice = true;
    OfferDeviceResetAfterInterruptedStart(prefs);
    EXPECT_EQ(prefs.mixDeviceType, 0);
    EXPECT_EQ(prefs.mixWaveRTOutput, 0);
}

TEST_F(StartupTest, AMissingSkinStopsStartUpWithTheReasonAndNoDeviceQuestionNextTime) {
    const std::string program = m_root + "noskin/";
    fs::create_directories(program);
    CSystemDeviceCatalog devices;
    COffscreenGuiHost host;
    {
        LoomtoneApp app(devices);
        StartupOptions options;
        options.programFolder = program;
        EXPECT_FALSE(app.Startup(host, options));
        EXPECT_EQ(app.Error(), "Problem initing skin file @ '" + program + "loomskin.ini'");
        EXPECT_EQ(app.MainWindow(), nullptr);
    }
    CPrefs prefs;
    prefs.Load(false);
    EXPECT_FALSE(prefs.bAttemptToOpenDevice);
}

TEST_F(StartupTest, AStartThatCompletesClearsTheDeviceGuard) {
    CSystemDeviceCatalog devices;
    COffscreenGuiHost host;
    AnswerBoxes(IDNO);
    LoomtoneApp app(devices);
    StartupOptions options;
    options.programFolder = std::string(LOOMTONE_SOURCE_DIR) + "/data/";
    ASSERT_TRUE(app.Startup(host, options)) << app.Error();
    EXPECT_NE(app.MainWindow(), nullptr);
    EXPECT_TRUE(host.IsOpen());
    CPrefs stored;
    stored.Load(false);
    EXPECT_FALSE(stored.bAttemptToOpenDevice);
    EXPECT_TRUE(fs::exists(app.UserDataFolder() + "Loomtone-Log.txt"));
    app.Shutdown();
}
