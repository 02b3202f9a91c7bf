#include "app/CPrefs.h"
#include "app/PrefsReport.h"
#include "support/CRegKey.h"
#include "support/Paths.h"

#include "ProgramUnderTest.h"
#include "ScopedEnv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

namespace fs = std::filesystem;

namespace {

// The words of a text separated by single spaces.
std::vector<std::string> Words(std::string_view text) {
    std::vector<std::string> words;
    for (size_t start = 0; start < text.size();) {
        const size_t end = std::min(text.find(' ', start), text.size());
        words.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return words;
}

// Every value the preferences keep in their key, in order.
const std::vector<std::string> kTableNames = Words(
    "TempDirM lastMainWinRect bMainWindowMaximized mixDeviceType mixerInit mixerASIOInit "
    "mixWaveInput mixWaveOutput mixASIOInput mixASIOOutput mixASIODevice mixMidiInDevice "
    "mixWaveRTInput mixWaveRTOutput mixWaveRTLatency mixWaveRTInit bNoAudioDevice "
    "lastPlaybackDevice "
    "lastRecordingDevice lastMidiInDevice DefRecDir bMonitorInputDuringRecording "
    "bWarnAboutMonitorLatency recInputInUseBehavior metronomeMeasureSoundFilePath "
    "metronomeBeatSoundFilePath bUseMetronome bPlaybackWhenRecording metronomeVolume "
    "bPlayRenderedFiles bSetPlaybackIndicatorOnTracksClick waveFileEditorPath defaultAuthor "
    "defaultCopyright defaultTempo defaultKey defaultTimeSigNumerator "
    "defaultTimeSigDenominator lastSnapSetting bSwitchKeyTempoOnFirstSound "
    "bAskToSwitchKeyTempoOnFirstSound bAutoBeatMatchAllClipsWithTempo bAskToAutoBeatMatch "
    "bEditCopy bAutoNameEditCopies bPreviewSound bShowNewProjectDialog bDetailsShowingState "
    "lastDetailPage lastTimeMode bLoadVST bLoadDirectX bAutoScrollingDuringPlayback "
    "bConserveCPUMode bShowDBValues defaultAudioShade bUseIMAPI bUseVeranthASPILayer "
    "lastCDBurnerIndex bAskAboutGoldenhawkGeneric bCDText bTestMode bConvertToWav burnSpeed "
    "bBurnAsOne DefSaveDir DefRenderDir DefLoadDir DefTransferDir bCreateFilesForEachMarker "
    "bRenderTags bRenderSelectionIfThereIsOne bUseMarkerTitlesForTrackNames bNormalizeMixDown "
    "fMixDownLoudness fMixDownTruePeak lastFreezeID "
    "lastSoundDetailsHeight lastLibraryDetailsHeight loopLibraryPathLookUpNum lastCatType "
    "lastDetailTypeIndex lastSoundLibCheckStamp bFirstRun bAttemptToOpenDevice recTimerMils "
    "bDeleteUnusedRecordings bMidiChase generalMidiInstrument defaultVirtualInstrument "
    "defaultNoteLength defaultVelocity bTripletModifierOn bDottedModifierOn snapLevel "
    "toolMode bAutoTrackOnSilence fAutoTrackIntervalMinutes fAutoTrackIntervalTotalMinutes "
    "iAutoTrackMinSilenceMils iAutoTrackSilenceThreshold fAutoTrackMinMinutesBetweenMarkers "
    "fFadeEdgesBy bAutoTrackTrimSilence bAutoTrackCreateCDMarkers numTimesClickedOnHelp "
    "numTimesPlayedAudio numTimesRecordedAudio defProjectType quantizeStartSetting "
    "quantizeLengthSetting quantizeSwingLevel bQuantizeSelection bQuantizeWithSwing");

using ValueMap = std::map<std::string, std::string>;

ValueMap Values(const CPrefs& prefs) {
    ValueMap values;
    prefs.ForEachValue([&values](std::string_view name, const std::string& text) {
        values.emplace(std::string(name), text);
    });
    return values;
}

std::vector<uint8_t> DoubleBytes(double value) {
    uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    std::vector<uint8_t> bytes;
    for (int i = 0; i < 8; ++i)
        bytes.push_back(static_cast<uint8_t>(bits >> (8 * i)));
    return bytes;
}

// Points the settings store, the home folder and the temporary folder of the program at a fresh
// folder of the test's own.
class CPrefsTest : public ::testing::Test {
protected:
    CPrefsTest()
        : m_root((fs::path(LOOMTONE_TEST_TMP) /
                  ("prefs-" +
                   std::string(::testing::UnitTest::GetInstance()->current_test_info()->name())))
                     .string() +
                 "/"),
          m_home(m_root + "home/"), m_tmp(m_root + "tmp/"), m_homeEnv("HOME", m_home.c_str()),
          m_configEnv("XDG_CONFIG_HOME", (m_home + ".config").c_str()),
          m_tmpEnv("TMPDIR", m_tmp.c_str()), m_cacheEnv("XDG_CACHE_HOME", nullptr) {
        fs::remove_all(m_root);
        fs::create_directories(m_home);
        fs::create_directories(m_tmp);
    }

    static std::unique_ptr<CRegKey> Key(const char* path = CPrefs::kCurrentKeyPath) {
        CRegKey root(RegRoot::CurrentUser);
        return root.CreateSubKey(path);
    }
    // What a fresh reader of the file on disk finds.
    static bool OnDisk(const char* keyPath, const std::string& name, CRegStore::Value* value) {
        CRegStore disk(CRegStore::CurrentUserPath());
        CRegStore::KeyPath path;
        return disk.Load() && CRegStore::SplitKeyPath(keyPath, &path) &&
               disk.GetValue(path, name, value);
    }
    static std::string LoadedValue(const std::string& name) {
        CPrefs prefs;
        EXPECT_TRUE(prefs.Load(false));
        return Values(prefs)[name];
    }

    const std::string m_root;
    const std::string m_home;
    const std::string m_tmp;

private:
    ScopedEnv m_homeEnv, m_configEnv, m_tmpEnv, m_cacheEnv;
};

TEST_F(CPrefsTest, DefaultsOnAFreshMachine) {
    const std::time_t before = std::time(nullptr);
    CPrefs prefs;
    const std::string program = GetExeDirectory();
    // Decoded sounds stay with their user, closed to others.
    EXPECT_EQ(prefs.TempDirM, m_home + ".cache/loomtone/sounds/");
    EXPECT_TRUE(fs::is_directory(prefs.TempDirM));
    EXPECT_EQ(fs::status(prefs.TempDirM).permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_EQ(prefs.DefRecDir, m_home + "My Recordings/");
    EXPECT_EQ(prefs.DefRenderDir, m_home);
    EXPECT_EQ(prefs.DefLoadDir, m_home);
    EXPECT_EQ(prefs.DefTransferDir, m_home);
    // Projects are the user's: they are saved among the user's documents,
    // never beside the program.
    EXPECT_EQ(prefs.DefSaveDir, m_home);
    EXPECT_EQ(prefs.metronomeMeasureSoundFilePath, program + "HighTone.wav");
    EXPECT_EQ(prefs.metronomeBeatSoundFilePath, program + "LowTone.wav");
    EXPECT_EQ(prefs.skinFilePath, program + "loomskin.ini");
    EXPECT_EQ(prefs.instPresetFolder, program + "InstPresets/");
    EXPECT_GE(prefs.lastSoundLibCheckStamp, before);
    EXPECT_LE(prefs.lastSoundLibCheckStamp, std::time(nullptr));

    // What a new user starts with, as stored.
    const ValueMap values = Values(prefs);
    const ValueMap expected = {
        {"lastMainWinRect", "0, 0, 0, 0"},
        {"mixerInit", "0, 8 buffers of 16384 bytes; format 1, 2 channels, 44100 Hz, 176400 "
                      "bytes/s, align 4, 16 bits, extra 0"},
        {"mixerASIOInit", "0, 8 buffers of 16384 bytes; format 1, 2 channels, 44100 Hz, 176400 "
                          "bytes/s, align 4, 16 bits, extra 0"},
        {"mixWaveRTInit", "0, 2 buffers of 7056 bytes; format 3, 2 channels, 44100 Hz, 352800 "
                          "bytes/s, align 8, 32 bits, extra 0"},
        {"lastPlaybackDevice", ""},
        {"defaultTempo", "120"},
        {"generalMidiInstrument", "4d477256000000000000000000000000"},
        {"defaultVirtualInstrument", "4d477256000000000000000000000000"},
        {"fFadeEdgesBy", "1.5"},
        {"bMainWindowMaximized", "1"},
        {"mixDeviceType", "0"},
        {"mixWaveRTLatency", "20"},
        {"mixMidiInDevice", "0"},
        {"recInputInUseBehavior", "1"},
        {"metronomeVolume", "42"},
        {"defaultKey", "3"},
        {"defaultTimeSigNumerator", "4"},
        {"defaultTimeSigDenominator", "4"},
        {"lastSnapSetting", "4"},
        {"bEditCopy", "0"},
        {"bAutoNameEditCopies", "1"},
        {"lastDetailPage", "4"},
        {"lastTimeMode", "1"},
        {"defaultAudioShade", "65280"},
        {"bUseIMAPI", "0"},
        {"bUseVeranthASPILayer", "1"},
        {"lastCDBurnerIndex", "-1"},
        {"burnSpeed", "255"},
        {"bRenderTags", "1"},
        {"bNormalizeMixDown", "0"},
        {"fMixDownLoudness", "-14"},
        {"fMixDownTruePeak", "-1"},
        {"lastSoundDetailsHeight", "260"},
        {"lastLibraryDetailsHeight", "170"},
        {"lastCatType", "6"},
        {"bFirstRun", "1"},
        {"bAttemptToOpenDevice", "0"},
        {"recTimerMils", "3600000"},
        {"defaultNoteLength", "3"},
        {"defaultVelocity", "110"},
        {"snapLevel", "4"},
        {"toolMode", "1"},
        {"fAutoTrackIntervalMinutes", "5"},
        {"fAutoTrackIntervalTotalMinutes", "74"},
        {"iAutoTrackMinSilenceMils", "1500"},
        {"iAutoTrackSilenceThreshold", "7"},
        {"fAutoTrackMinMinutesBetweenMarkers", "1"},
        {"defProjectType", "2"},
        {"quantizeStartSetting", "4"},
        {"quantizeLengthSetting", "0"},
        {"quantizeSwingLevel", "0"},
        {"bAutoAddFolders", "1"},
        {"numMissingSoundsSearchPaths", "0"}};
    for (const auto& [name, text] : expected)
        EXPECT_EQ(values.at(name), text) << name;
}

TEST_F(CPrefsTest, DocumentsFolderIsUsedWhenThereIsOne) {
    fs::create_directories(m_home + "Documents");
    CPrefs prefs;
    EXPECT_EQ(prefs.DefRecDir, m_home + "Documents/My Recordings/");
    EXPECT_EQ(prefs.DefRenderDir, m_home + "Documents/");
}

TEST_F(CPrefsTest, ValuesAreListedInStoreOrder) {
    CPrefs prefs;
    prefs.missingSoundFolders.folders.AddString("/sounds");
    std::vector<std::string> names;
    prefs.ForEachValue(
        [&names](std::string_view name, const std::string&) { names.emplace_back(name); });
    std::vector<std::string> expected = kTableNames;
    expected.insert(expected.end(),
                    {"bAutoAddFolders", "numMissingSoundsSearchPaths", "MissingSoundPath-0"});
    EXPECT_EQ(names, expected);
}

// The start-up sequence on a machine with no stored settings.
TEST_F(CPrefsTest, FirstStartSavesEveryValue) {
    CPrefs prefs;
    const ValueMap defaults = Values(prefs);
    // Nothing of an older version is there to take over.
    EXPECT_FALSE(prefs.ShouldReadOldVersionSettings());
    ASSERT_TRUE(prefs.Load(false));
    EXPECT_EQ(Values(prefs), defaults);
    ASSERT_TRUE(prefs.Save());

    CRegStore::Value value;
    for (const std::string& name : kTableNames)
        EXPECT_TRUE(OnDisk(CPrefs::kCurrentKeyPath, name, &value)) << name;
    for (const char* name : {"bAutoAddFolders", "numMissingSoundsSearchPaths"})
        EXPECT_TRUE(OnDisk(CPrefs::kCurrentKeyPath, name, &value)) << name;
    ASSERT_TRUE(OnDisk(CPrefs::kCurrentKeyPath, "defaultTempo", &value));
    EXPECT_EQ(value.type, CRegStore::ValueType::Blob);
    EXPECT_EQ(value.bytes.size(), 8u);
    ASSERT_TRUE(OnDisk(CPrefs::kCurrentKeyPath, "bMainWindowMaximized", &value));
    EXPECT_EQ(value.type, CRegStore::ValueType::Number);
    ASSERT_TRUE(OnDisk(CPrefs::kCurrentKeyPath, "TempDirM", &value));
    EXPECT_EQ(value.type, CRegStore::ValueType::String);

    CPrefs next;
    EXPECT_FALSE(next.ShouldReadOldVersionSettings());
    ASSERT_TRUE(next.Load(false));
    EXPECT_EQ(Values(next), defaults);
}

TEST_F(CPrefsTest, OldVersionSettingsAreTakenOverOnce) {
    const auto old = Key(CPrefs::kOldKeyPath);
    const auto tempo = DoubleBytes(90.0);
    old->SetKeyData("defaultTempo", tempo.data(), tempo.size());
    old->SetKeyNum("bFirstRun", 0);
    old->SetKeyStringW("defaultAuthor", L"Old Author");
    ASSERT_TRUE(old->Flush());

    CPrefs prefs;
    ASSERT_TRUE(prefs.ShouldReadOldVersionSettings());
    ASSERT_TRUE(prefs.Load(true));
    EXPECT_EQ(prefs.defaultTempo, 90.0);
    EXPECT_FALSE(prefs.bFirstRun);
    EXPECT_EQ(prefs.defaultAuthor, "Old Author");
    CRegStore::Value flag;
    ASSERT_TRUE(OnDisk(CPrefs::kOldKeyPath, "bReadSettingsForLoom4", &flag));
    EXPECT_EQ(flag.number, 1);
    prefs.defaultTempo = 100.0;
    ASSERT_TRUE(prefs.Save());

    CPrefs later;
    EXPECT_FALSE(later.ShouldReadOldVersionSettings());
    ASSERT_TRUE(later.Load(false));
    EXPECT_EQ(later.defaultTempo, 100.0);
    EXPECT_FALSE(later.bFirstRun);
}

// A store that lost the line marking the migration done still holds the current settings:
// they are what is read, and an old version's settings never replace them.
TEST_F(CPrefsTest, CurrentSettingsAreNeverReplacedByOldOnes) {
    const auto old = Key(CPrefs::kOldKeyPath);
    const auto oldTempo = DoubleBytes(90.0);
    old->SetKeyData("defaultTempo", oldTempo.data(), oldTempo.size());
    const auto current = Key();
    const auto tempo = DoubleBytes(133.0);
    current->SetKeyData("defaultTempo", tempo.data(), tempo.size());
    current->SetKeyNum("bFirstRun", 0);
    ASSERT_TRUE(current->Flush());

    CPrefs prefs;
    EXPECT_FALSE(prefs.ShouldReadOldVersionSettings());
    ASSERT_TRUE(prefs.Load(prefs.ShouldReadOldVersionSettings()));
    EXPECT_EQ(prefs.defaultTempo, 133.0);
    EXPECT_FALSE(prefs.bFirstRun);
}

TEST_F(CPrefsTest, ChangedValuesSurviveSaveAndLoad) {
    fs::create_directories(m_root + "songs");
    CPrefs prefs;
    prefs.lastMainWinRect = {-10, 20, 1910, 1060};
    prefs.bMainWindowMaximized = false;
    prefs.mixDeviceType = 2;
    prefs.mixerInit.firstField = 3;
    prefs.mixerInit.numBuffers = 4;
    prefs.mixWaveRTOutput = -1;
    prefs.lastPlaybackDevice = "USB Audio \xe2\x99\xaa";
    prefs.metronomeVolume = 100;
    prefs.defaultTempo = 133.25;
    prefs.defaultTimeSigDenominator = 8;
    prefs.lastSnapSetting = 10;
    prefs.DefSaveDir = m_root + "songs/";
    prefs.DefRecDir = m_root + "takes/";
    prefs.generalMidiInstrument = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    prefs.fFadeEdgesBy = 0.0;
    prefs.lastCDBurnerIndex = 2;
    prefs.bAttemptToOpenDevice = true;
    prefs.quantizeSwingLevel = 55;
    prefs.missingSoundFolders.bAutoAddFolders = false;
    prefs.missingSoundFolders.folders.AddString("/media/sounds");
    prefs.missingSoundFolders.folders.AddString("/home/u/loops");
    ASSERT_TRUE(prefs.Save());

    CPrefs loaded;
    ASSERT_TRUE(loaded.Load(false));
    EXPECT_EQ(Values(loaded), Values(prefs));
}

struct Stored {
    std::string name;
    std::function<void(CRegKey&)> store;
};

Stored Number(const std::string& name, int32_t value) {
    return {name, [name, value](CRegKey& key) { key.SetKeyNum(name, value); }};
}
Stored Real(const std::string& name, double value) {
    return {name, [name, value](CRegKey& key) {
                const auto bytes = DoubleBytes(value);
                key.SetKeyData(name, bytes.data(), bytes.size());
            }};
}
Stored Bytes(const std::string& name, std::vector<uint8_t> bytes) {
    return {name,
            [name, bytes](CRegKey& key) { key.SetKeyData(name, bytes.data(), bytes.size()); }};
}
Stored Text(const std::string& name, std::string text) {
    return {name, [name, text](CRegKey& key) { key.SetKeyString(name, text); }};
}

std::vector<uint8_t> MixerBytes(void (*change)(MixerInitRecord&)) {
    MixerInitRecord record = MixerInitRecord::WaveDefault();
    change(record);
    const auto bytes = record.ToBytes();
    return {bytes.begin(), bytes.end()};
}

TEST_F(CPrefsTest, StoredValuesOutsideTheirDomainKeepTheDefault) {
    const ValueMap defaults = Values(CPrefs());
    fs::create_directories(m_root + "a-file-parent");
    std::ofstream(m_root + "a-file") << "x";
    const std::vector<Stored> cases = {
        Number("mixDeviceType", 3),
        Number("mixDeviceType", -1),
        Number("mixWaveOutput", 5000),
        Number("mixWaveRTLatency", 0),
        Real("defaultTempo", 0.0),
        Real("defaultTempo", std::nan("")),
        Real("defaultTempo", INFINITY),
        Real("defaultTempo", 1000.0),
        Real("defaultTempo", 0.99),
        Bytes("defaultTempo", {0, 0, 0, 0, 0, 0, 0x5e}),
        Number("defaultTempo", 120),
        Number("defaultKey", 24),
        Number("defaultTimeSigNumerator", 0),
        Number("defaultTimeSigDenominator", 3),
        Number("defaultTimeSigDenominator", 0),
        Number("defaultTimeSigDenominator", 128),
        Number("defaultTimeSigDenominator", -4),
        Number("lastSnapSetting", 99),
        Number("lastSnapSetting", -1),
        Number("snapLevel", 11),
        Number("toolMode", 3),
        Number("defaultNoteLength", 6),
        Number("defaultVelocity", 0),
        Number("defaultVelocity", 128),
        Number("quantizeStartSetting", 11),
        Number("quantizeLengthSetting", -1),
        Number("quantizeSwingLevel", 101),
        Number("lastTimeMode", 2),
        Number("recTimerMils", 0),
        Number("iAutoTrackMinSilenceMils", 0),
        Number("defProjectType", 3),
        Number("burnSpeed", 0),
        Real("fAutoTrackIntervalMinutes", 0.0),
        Real("fAutoTrackIntervalMinutes", -5.0),
        Real("fAutoTrackIntervalTotalMinutes", 0.0),
        Real("fAutoTrackMinMinutesBetweenMarkers", std::nan("")),
        Real("fFadeEdgesBy", -0.5),
        Bytes("lastMainWinRect", std::vector<uint8_t>(12, 1)),
        Bytes("lastMainWinRect", std::vector<uint8_t>(17, 1)),
        Bytes("generalMidiInstrument", std::vector<uint8_t>(20, 1)),
        Bytes("defaultVirtualInstrument", std::vector<uint8_t>(15, 1)),
        Bytes("mixerInit", std::vector<uint8_t>(31, 1)),
        Bytes("mixerInit", MixerBytes([](MixerInitRecord& r) { r.channels = 0; })),
        Bytes("mixerASIOInit", MixerBytes([](MixerInitRecord& r) { r.blockAlign = 3; })),
        Bytes("mixWaveRTInit", MixerBytes([](MixerInitRecord& r) { r.bitsPerSample = 12; })),
        Number("mixWaveRTInit", 1),
        Text("lastPlaybackDevice", std::string(256, 'd')),
        Text("defaultAuthor", std::string(256, 'a')),
        Text("waveFileEditorPath", "/" + std::string(259, 'p')),
        Number("metronomeBeatSoundFilePath", 1),
        Text("DefSaveDir", m_root + "missing-folder"),
        Text("DefRenderDir", "Songs"),
        Text("DefLoadDir", "C:\\My Documents\\"),
        Text("DefTransferDir", m_root + "a-file"),
        Text("DefSaveDir", "/" + std::string(258, 's')),
        Text("TempDirM", "relative/temp"),
        Text("TempDirM", m_root + "a-file/temp"),
    };
    const auto key = Key();
    for (const Stored& stored : cases) {
        stored.store(*key);
        EXPECT_EQ(LoadedValue(stored.name), defaults.at(stored.name)) << stored.name;
    }
}

TEST_F(CPrefsTest, ValuesAtTheEdgesOfTheirDomainAreTaken) {
    const auto key = Key();
    const std::vector<std::pair<Stored, std::string>> cases = {
        {Number("metronomeVolume", 0), "1"},
        {Number("metronomeVolume", -7), "1"},
        {Number("metronomeVolume", 250), "100"},
        {Number("metronomeVolume", 100), "100"},
        {Number("mixDeviceType", 2), "2"},
        {Number("mixWaveRTOutput", -1), "-1"},
        {Real("defaultTempo", 1.0), "1"},
        {Real("defaultTempo", 999.0), "999"},
        {Number("defaultTimeSigNumerator", 1), "1"},
        {Number("defaultTimeSigDenominator", 1), "1"},
        {Number("defaultTimeSigDenominator", 64), "64"},
        {Number("defaultVelocity", 1), "1"},
        {Number("defaultVelocity", 127), "127"},
        {Number("lastSnapSetting", 0), "0"},
        {Number("snapLevel", 10), "10"},
        {Number("toolMode", 0), "0"},
        {Number("defaultNoteLength", 5), "5"},
        {Number("quantizeStartSetting", 10), "10"},
        {Real("fAutoTrackIntervalMinutes", 0.25), "0.25"},
        {Real("fFadeEdgesBy", 0.0), "0"},
        {Number("bFirstRun", 7), "1"},
        {Bytes("lastMainWinRect", {0xff, 0xff, 0xff, 0xff, 2, 0, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0}),
         "-1, 2, 3, 4"},
        {Text("lastPlaybackDevice", std::string(255, 'd')), std::string(255, 'd')},
        {Text("waveFileEditorPath", "C:\\Tools\\edit.exe"), "C:/Tools/edit.exe"},
        {Text("waveFileEditorPath", "/" + std::string(258, 'p')), "/" + std::string(258, 'p')},
    };
    for (const auto& [stored, expected] : cases) {
        stored.store(*key);
        EXPECT_EQ(LoadedValue(stored.name), expected) << stored.name;
    }
}

TEST_F(CPrefsTest, StoredFoldersAreCheckedAndEndInASlash) {
    fs::create_directories(m_root + "songs");
    std::string windowsStyle = m_root + "songs";
    std::replace(windowsStyle.begin(), windowsStyle.end(), '/', '\\');
    const auto key = Key();
    key->SetKeyString("DefSaveDir", m_root + "songs");
    key->SetKeyString("DefRenderDir", windowsStyle);
    key->SetKeyString("TempDirM", m_root + "new\\temp");
    CPrefs prefs;
    ASSERT_TRUE(prefs.Load(false));
    EXPECT_EQ(prefs.DefSaveDir, m_root + "songs/");
    EXPECT_EQ(prefs.DefRenderDir, m_root + "songs/");
    EXPECT_EQ(prefs.TempDirM, m_root + "new/temp/");
    EXPECT_TRUE(fs::is_directory(m_root + "new/temp"));
}

TEST_F(CPrefsTest, ResetsTouchOnlyTheirFields) {
    CPrefs prefs;
    const ValueMap defaults = Values(prefs);
    prefs.mixDeviceType = 1;
    prefs.mixerInit.numBuffers = 3;
    prefs.mixerASIOInit.bufferSize = 512;
    prefs.mixWaveRTInit.firstField = -1;
    prefs.mixWaveInput = prefs.mixWaveOutput = prefs.mixASIOInput = prefs.mixASIOOutput = 4;
    prefs.mixASIODevice = prefs.mixMidiInDevice = prefs.mixWaveRTInput = 5;
    prefs.mixWaveRTOutput = -1;
    prefs.mixWaveRTLatency = 50;
    prefs.bNoAudioDevice = true;
    prefs.lastPlaybackDevice = "kept";
    prefs.generalMidiInstrument.fill(9);
    prefs.defaultVirtualInstrument.fill(8);
    prefs.ResetDeviceSettings();
    ValueMap values = Values(prefs);
    EXPECT_EQ(values.at("lastPlaybackDevice"), "kept");
    EXPECT_NE(values.at("generalMidiInstrument"), defaults.at("generalMidiInstrument"));
    values["lastPlaybackDevice"] = "";
    prefs.ResetInstrumentDefaults();
    values = Values(prefs);
    values["lastPlaybackDevice"] = "";
    EXPECT_EQ(values, defaults);
}

TEST_F(CPrefsTest, MissingSoundFoldersAreStoredInTheSameKey) {
    CPrefs prefs;
    prefs.missingSoundFolders.folders.AddString("/a");
    prefs.missingSoundFolders.folders.AddString("/b");
    prefs.missingSoundFolders.folders.AddString("/c");
    ASSERT_TRUE(prefs.Save());
    CRegStore::Value value;
    ASSERT_TRUE(OnDisk(CPrefs::kCurrentKeyPath, "MissingSoundPath-2", &value));
    EXPECT_EQ(value.bytes, "/c");

    prefs.missingSoundFolders.folders.RemoveByIndex(0);
    ASSERT_TRUE(prefs.Save());
    EXPECT_FALSE(OnDisk(CPrefs::kCurrentKeyPath, "MissingSoundPath-2", &value));
    CPrefs loaded;
    ASSERT_TRUE(loaded.Load(false));
    EXPECT_EQ(loaded.missingSoundFolders.folders.Strings(), (std::vector<std::string>{"/b", "/c"}));
}

TEST_F(CPrefsTest, DamagedMissingSoundFolderListKeepsWhatIsUsable) {
    const auto key = Key();
    key->SetKeyNum("bAutoAddFolders", 0);
    key->SetKeyNum("numMissingSoundsSearchPaths", 0x7fffffff);
    key->SetKeyString("MissingSoundPath-0", "D:\\Samples");
    key->SetKeyString("MissingSoundPath-1", "");
    key->SetKeyNum("MissingSoundPath-2", 5);
    key->SetKeyString("MissingSoundPath-3", "/" + std::string(259, 'x'));
    key->SetKeyString("MissingSoundPath-4", "/loops");
    key->SetKeyString("MissingSoundPath-5", "D:/Samples");
    key->SetKeyString("MissingSoundPath-255", "/last");
    key->SetKeyString("MissingSoundPath-256", "/beyond");
    CPrefs prefs;
    ASSERT_TRUE(prefs.Load(false));
    EXPECT_FALSE(prefs.missingSoundFolders.bAutoAddFolders);
    EXPECT_EQ(prefs.missingSoundFolders.folders.Strings(),
              (std::vector<std::string>{"D:/Samples", "/loops", "/last"}));

    key->SetKeyNum("numMissingSoundsSearchPaths", -3);
    CPrefs negative;
    ASSERT_TRUE(negative.Load(false));
    EXPECT_EQ(negative.missingSoundFolders.folders.Count(), 0);
}

TEST(CPrefs, ConservesProcessorTimeOnlyOnOneSlowProcessor) {
    EXPECT_TRUE(CPrefs::ConserveCPUByDefault(1, 800));
    EXPECT_FALSE(CPrefs::ConserveCPUByDefault(1, 1000));
    EXPECT_FALSE(CPrefs::ConserveCPUByDefault(1, 0));
    EXPECT_FALSE(CPrefs::ConserveCPUByDefault(2, 800));
    EXPECT_FALSE(CPrefs::ConserveCPUByDefault(0, 800));
}

TEST_F(CPrefsTest, ReportNamesTheStoreAndEveryValue) {
    CPrefs prefs;
    const std::string report = FormatPrefsReport(prefs, "/x/registry");
    EXPECT_TRUE(
        report.starts_with("Settings store: /x/registry, key SOFTWARE\\Veranth\\Loomtone4\n"));
    for (const std::string& name : kTableNames)
        EXPECT_NE(report.find("\n" + name + " = "), std::string::npos) << name;
    EXPECT_NE(report.find("\ndefaultTempo = 120\n"), std::string::npos);
}

TEST_F(CPrefsTest, ProgramPrintsThePreferences) {
    if (!ProgramBuilt())
        GTEST_SKIP() << "loomtone is not built";
    EXPECT_EQ(RunShell(kProgram + " --prefs > '" + m_root + "out.txt'"), 0);
    const std::string output = FileContents(m_root + "out.txt");
    EXPECT_NE(output.find("Settings store: " + CRegStore::CurrentUserPath()), std::string::npos);
    EXPECT_NE(output.find("\nmetronomeVolume = 42\n"), std::string::npos);
    EXPECT_NE(output.find("\nTempDirM = " + m_home + ".cache/loomtone/sounds/\n"),
              std::string::npos);
}

} // namespace
