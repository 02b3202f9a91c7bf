#include "FakeDeviceCatalog.h"
#include "JackServer.h"
#include "JackTestClients.h"
#include "ScopedEnv.h"
#include "app/AudioPageChoices.h"
#include "app/CAudioDevices.h"
#include "app/CPreferencesDialog.h"
#include "app/CPrefs.h"
#include "app/CSystemDeviceCatalog.h"
#include "engine/CAudioDevice.h"
#include "engine/CNullDevice.h"
#include "engine/CPCMMixer.h"
#include "gui/CDialogButton.h"
#include "gui/CDialogChoice.h"
#include "gui/COffscreenGuiHost.h"
#include "gui/GuiPopupMenu.h"
#include "gui/MessageBoxes.h"
#include "gui/VRGuiWindow.h"
#include "support/LocalizedStrings.h"
#include "timeline/TimelineTestHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

using Steps = std::vector<std::function<void()>>;

std::map<std::string, std::string> Values(const CPrefs& prefs) {
    std::map<std::string, std::string> values;
    prefs.ForEachValue([&values](std::string_view name, const std::string& text) {
        values.emplace(std::string(name), text);
    });
    return values;
}

// The dialog on a window of its own, with the settings store in the test's
// folder; the user's gestures are steps of the dialog's modal loop.
class PreferencesDialogTest : public ::testing::Test {
protected:
    PreferencesDialogTest()
        : m_root(std::string(LOOMTONE_TEST_TMP) + "/prefs-dialog-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name() + "/"),
          m_config("XDG_CONFIG_HOME", (m_root + "config").c_str()) {
        std::filesystem::remove_all(m_root);
        std::filesystem::create_directories(m_root);
        m_catalog.playback = {
            {0, {"Speakers", "Headphones"}}, {1, {"system"}}, {2, {"hw:0", "hw:1"}}};
        m_catalog.recording = {{0, {"Microphone"}}, {1, {"system"}}, {2, {"hw:0"}}};
        m_catalog.midiInputs = {"Keys", "Pads"};
    }
    void SetUp() override {
        ASSERT_TRUE(m_window.Initialize(&m_host, 800, 600));
        SetMessageBoxHook([this](const MessageBoxRequest& request, bool&) {
            m_titles.push_back(request.title);
            return IDOK;
        });
    }
    void TearDown() override {
        m_host.SetModalDriver(nullptr);
        SetMessageBoxHook(nullptr);
        m_mixer.CloseDevice();
        m_mixer.GetNullDevice().Stop();
    }

    CPreferencesDialog* Dialog() { return dynamic_cast<CPreferencesDialog*>(m_window.TopLayer()); }
    void Click(const VRGuiObject& object) {
        const GuiRect r = object.GetAbsRect();
        const int32_t x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
        m_host.MouseMove(x, y);
        m_host.LeftDown(x, y);
        m_host.LeftUp(x, y);
    }
    // Opens a drop-down list of the dialog and picks the entry: two steps.
    void Pick(Steps& steps, CDialogChoice& (CPreferencesDialog::*list)(), int entry) {
        steps.push_back([this, list] { Click((Dialog()->*list)()); });
        steps.push_back([this, entry] { ClickMenuItem(m_host, m_window, entry); });
    }
    void Press(Steps& steps, int button) {
        steps.push_back([this, button] { Click(*Dialog()->GetButton(button)); });
    }
    bool Run(CAudioDevices& devices, const Steps& steps) {
        DriveMenu(m_host, steps);
        const bool ok = CPreferencesDialog::Run(&m_window, devices);
        m_host.SetModalDriver(nullptr);
        return ok;
    }

    const std::string m_root;
    ScopedEnv m_config;
    COffscreenGuiHost m_host;
    VRGuiWindow m_window;
    CPrefs m_prefs;
    CPCMMixer m_mixer;
    FakeDeviceCatalog m_catalog;
    std::vector<std::string> m_titles;
};

TEST_F(PreferencesDialogTest, TheNullDriverAndTheOtherChoicesRoundTripThroughTheStore) {
    CAudioDevices devices(m_prefs, m_mixer, m_catalog);
    Steps steps;
    Pick(steps, &CPreferencesDialog::Driver, AudioPageChoices::kNoDevice);
    Pick(steps, &CPreferencesDialog::MidiInput, 2); // None, Keys, Pads
    Pick(steps, &CPreferencesDialog::BlockSize, 1); // 128 frames
    Press(steps, IDOK);
    ASSERT_TRUE(Run(devices, steps));

    EXPECT_TRUE(m_prefs.bNoAudioDevice);
    EXPECT_EQ(m_prefs.mixDeviceType, 0) << "the last real driver is kept";
    EXPECT_EQ(m_prefs.mixMidiInDevice, 1);
    EXPECT_EQ(m_prefs.lastMidiInDevice, "Pads");
    EXPECT_EQ(m_prefs.mixerInit.bufferSize, 128 * m_prefs.mixerInit.blockAlign);
    EXPECT_FALSE(m_mixer.IsOpen()) << "no device: the null device plays";
    EXPECT_TRUE(m_titles.empty()) << "choosing no device is no failure";

    CPrefs stored;
    ASSERT_TRUE(stored.Load(false));
    EXPECT_EQ(Values(stored), Values(m_prefs)) << "OK saved the store";
    const AudioPageChoices shown = AudioPageChoices::FromPrefs(stored, m_catalog);
    EXPECT_EQ(shown.driver, AudioPageChoices::kNoDevice);
    EXPECT_EQ(shown.midiInput, 1);
    EXPECT_EQ(shown.blockFrames, 128);
    EXPECT_EQ(shown.sampleRate, 44100);
}

TEST_F(PreferencesDialogTest, EveryDriverStoresItsDevicesByIndexAndName) {
    for (int driver = 0; driver < AudioPageChoices::kNoDevice; ++driver) {
        AudioPageChoices chosen;
        chosen.driver = driver;
        chosen.output = 1 % static_cast<int>(m_catalog.playback[driver].size());
        chosen.input = 0;
        chosen.midiInput = 0;
        chosen.sampleRate = 44100;
        chosen.blockFrames = 512;
        CPrefs prefs;
        chosen.Store(prefs, m_catalog);
        EXPECT_EQ(prefs.mixDeviceType, driver);
        EXPECT_EQ(prefs.lastPlaybackDevice, m_catalog.playback[driver][chosen.output]);
        EXPECT_EQ(prefs.lastRecordingDevice, m_catalog.recording[driver][0]);
        EXPECT_EQ(prefs.lastMidiInDevice, "Keys");
        EXPECT_EQ(AudioPageChoices::FromPrefs(prefs, m_catalog), chosen) << "driver " << driver;
    }
    CPrefs alsa;
    alsa.mixDeviceType = DeviceCatalog::kWaveRT;
    alsa.mixWaveRTOutput = -1;
    m_catalog.defaultWaveRT = 1;
    EXPECT_EQ(AudioPageChoices::FromPrefs(alsa, m_catalog).output, 1)
        << "the default ALSA output shows as the device it is";
}

TEST_F(PreferencesDialogTest, CancelChangesNothing) {
    CAudioDevices devices(m_prefs, m_mixer, m_catalog);
    const auto before = Values(m_prefs);
    Steps steps;
    Pick(steps, &CPreferencesDialog::Driver, 2);
    Pick(steps, &CPreferencesDialog::Output, 1);
    Pick(steps, &CPreferencesDialog::MidiInput, 1);
    Press(steps, IDCANCEL);
    EXPECT_FALSE(Run(devices, steps));
    EXPECT_EQ(Values(m_prefs), before);
    EXPECT_FALSE(m_mixer.IsOpen());
    CPrefs stored;
    stored.Load(false);
    EXPECT_NE(stored.mixDeviceType, 2) << "nothing was saved";
}

TEST_F(PreferencesDialogTest, TheDriverChoiceListsItsOwnDevicesAndTheJackNoteIsDrawn) {
    CPreferencesDialog dialog(AudioPageChoices::FromPrefs(m_prefs, m_catalog), m_catalog, {});
    dialog.ShowModeless(&m_window);
    m_host.Advance(100);
    EXPECT_EQ(dialog.Output().EntryCount(), 2);
    EXPECT_EQ(dialog.Output().GetSelectedText(), "Speakers");
    EXPECT_TRUE(dialog.BlockSize().IsEnabled());
    // Where the note about the server's block size goes, under the last row.
    const GuiRect block = dialog.BlockSize().GetAbsRect();
    auto noteArea = [&] {
        std::vector<uint32_t> pixels;
        for (int32_t y = block.bottom + 6; y < block.bottom + 20; ++y)
            for (int32_t x = block.left; x < block.right; x += 2)
                pixels.push_back(m_host.ScreenPixel(x, y));
        return pixels;
    };
    const std::vector<uint32_t> plain = noteArea();

    DriveMenu(m_host, {[this] { ClickMenuItem(m_host, m_window, DeviceCatalog::kAsio); }});
    Click(dialog.Driver());
    m_host.SetModalDriver(nullptr);
    m_host.Advance(100);
    EXPECT_EQ(dialog.Driver().GetSelected(), DeviceCatalog::kAsio);
    EXPECT_EQ(dialog.Output().EntryCount(), 1);
    EXPECT_EQ(dialog.Output().GetSelectedText(), "system");
    EXPECT_FALSE(dialog.BlockSize().IsEnabled()) << "the JACK server sets it";
    EXPECT_NE(noteArea(), plain) << "the note is drawn";

    DriveMenu(m_host, {[this] { ClickMenuItem(m_host, m_window, AudioPageChoices::kNoDevice); }});
    Click(dialog.Driver());
    m_host.SetModalDriver(nullptr);
    EXPECT_FALSE(dialog.Output().IsEnabled());
    EXPECT_EQ(dialog.Output().GetSelectedText(), MyLoadString("PRF_NoDevice"));
    dialog.EndDialog(IDCANCEL);
}

TEST_F(PreferencesDialogTest, TheTestToneButtonPlaysOverTheOutput) {
    CAudioDevices devices(m_prefs, m_mixer, m_catalog);
    Steps steps;
    Press(steps, CPreferencesDialog::kTestToneId);
    steps.push_back([this] { EXPECT_TRUE(m_mixer.IsOneShotPlaying()); });
    Press(steps, IDCANCEL);
    EXPECT_FALSE(Run(devices, steps));
    EXPECT_TRUE(m_mixer.GetNullDevice().IsRunning()) << "without a device the null device plays it";
    const std::vector<float> tone = CAudioDevices::TestTone();
    EXPECT_EQ(tone.size(), size_t{44100} * CAudioDevices::kToneMs / 1000 * 2);
    EXPECT_FLOAT_EQ(tone.front(), 0.0f) << "fades in";
    const float peak = *std::max_element(tone.begin(), tone.end());
    EXPECT_NEAR(peak, CAudioDevices::kToneLevel, 1e-3);
}

TEST_F(PreferencesDialogTest, ADeviceThatCannotOpenIsReportedAndTheNullDevicePlays) {
    ScopedEnv noServer("JACK_DEFAULT_SERVER",
                       ("loomtone-none-" + std::to_string(getpid())).c_str());
    CAudioDevices devices(m_prefs, m_mixer, m_catalog);
    Steps steps;
    Pick(steps, &CPreferencesDialog::Driver, DeviceCatalog::kAsio);
    Press(steps, IDOK);
    ASSERT_TRUE(Run(devices, steps));
    EXPECT_EQ(m_prefs.mixDeviceType, DeviceCatalog::kAsio) << "the choice is kept";
    ASSERT_EQ(m_titles.size(), 1u);
    EXPECT_EQ(m_titles[0], MyLoadString("ProgramName"));
    EXPECT_FALSE(m_mixer.IsOpen());
    EXPECT_EQ(&m_mixer.GetDevice(), static_cast<CAudioDevice*>(&m_mixer.GetNullDevice()));
}

TEST_F(PreferencesDialogTest, ChoosingJackReopensTheOutputThereAndTheToneReachesIt) {
    START_JACK_OR_SKIP(server);
    CSystemDeviceCatalog system;
    CAudioDevices devices(m_prefs, m_mixer, system);
    Steps steps;
    Pick(steps, &CPreferencesDialog::Driver, DeviceCatalog::kAsio);
    Press(steps, IDOK);
    ASSERT_TRUE(Run(devices, steps));
    EXPECT_TRUE(m_titles.empty());
    ASSERT_TRUE(m_mixer.IsOpen()) << "reopened without a restart";
    EXPECT_EQ(m_mixer.GetDevice().BlockFrames(), JackServer::kPeriod);
    ASSERT_TRUE(JackServer::WaitForPort("loomtone:outport", std::chrono::seconds(10)));

    JackPeakMeter meter("meter");
    ASSERT_TRUE(meter.Listen("loomtone:outport 0"));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_LT(meter.Peak(), 0.01f) << "silence before the tone";
    Steps tone;
    Press(tone, CPreferencesDialog::kTestToneId);
    Press(tone, IDCANCEL);
    EXPECT_FALSE(Run(devices, tone));
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (meter.Peak() < 0.1f && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_GT(meter.Peak(), 0.1f) << "the tone played through JACK";
    EXPECT_LT(meter.Peak(), CAudioDevices::kToneLevel + 0.01f);
    m_mixer.CloseDevice();
}

} // namespace
