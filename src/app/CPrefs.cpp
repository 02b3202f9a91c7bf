#include "app/CPrefs.h"

#include "support/CRegKey.h"
#include "support/Log.h"
#include "support/Paths.h"
#include "support/PrivateFolder.h"
#include "support/SystemInfo.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <thread>
#include <variant>
#include <vector>

namespace {

constexpr const char* kReadForNewVersionName = "bReadSettingsForLoom4";
constexpr int32_t kBiggest = std::numeric_limits<int32_t>::max();
// Device numbers: -1 names the system's default device.
constexpr int32_t kLowestDevice = -1;
constexpr int32_t kHighestDevice = 1023;

enum class NumberRule { Range, Clamp, PowerOfTwo };

// What a stored text must be to be taken.
enum class TextKind {
    Name,           // at most kMaxNameLength bytes
    Path,           // at most kMaxPathLength bytes; '\' becomes '/'
    FolderToCreate, // as Path, absolute, ending in '/', and the folder can be created
    ExistingFolder, // as Path, absolute, ending in '/', and the folder exists
};

struct FlagPref {
    const char* name;
    bool CPrefs::*field;
};
struct NumberPref {
    const char* name;
    int32_t CPrefs::*field;
    int32_t min;
    int32_t max;
    NumberRule rule = NumberRule::Range;
};
// A double kept as an 8-byte blob; finite, above min (or at it when minIncluded), at most max.
struct RealPref {
    const char* name;
    double CPrefs::*field;
    double min;
    double max;
    bool minIncluded;
};
struct TextPref {
    const char* name;
    std::string CPrefs::*field;
    TextKind kind;
};
struct RectPref {
    const char* name;
    CPrefs::Rect CPrefs::*field;
};
struct MixerPref {
    const char* name;
    MixerInitRecord CPrefs::*field;
};
struct InstrumentPref {
    const char* name;
    CPrefs::InstrumentId CPrefs::*field;
};
using Pref =
    std::variant<FlagPref, NumberPref, RealPref, TextPref, RectPref, MixerPref, InstrumentPref>;

using P = CPrefs;
const Pref kPrefs[] = {
    TextPref{"TempDirM", &P::TempDirM, TextKind::FolderToCreate},
    RectPref{"lastMainWinRect", &P::lastMainWinRect},
    FlagPref{"bMainWindowMaximized", &P::bMainWindowMaximized},
    NumberPref{"mixDeviceType", &P::mixDeviceType, 0, 2},
    MixerPref{"mixerInit", &P::mixerInit},
    MixerPref{"mixerASIOInit", &P::mixerASIOInit},
    NumberPref{"mixWaveInput", &P::mixWaveInput, kLowestDevice, kHighestDevice},
    NumberPref{"mixWaveOutput", &P::mixWaveOutput, kLowestDevice, kHighestDevice},
    NumberPref{"mixASIOInput", &P::mixASIOInput, kLowestDevice, kHighestDevice},
    NumberPref{"mixASIOOutput", &P::mixASIOOutput, kLowestDevice, kHighestDevice},
    NumberPref{"mixASIODevice", &P::mixASIODevice, kLowestDevice, kHighestDevice},
    NumberPref{"mixMidiInDevice", &P::mixMidiInDevice, kLowestDevice, kHighestDevice},
    NumberPref{"mixWaveRTInput", &P::mixWaveRTInput, kLowestDevice, kHighestDevice},
    NumberPref{"mixWaveRTOutput", &P::mixWaveRTOutput, kLowestDevice, kHighestDevice},
    NumberPref{"mixWaveRTLatency", &P::mixWaveRTLatency, 1, 1000},
    MixerPref{"mixWaveRTInit", &P::mixWaveRTInit},
    FlagPref{"bNoAudioDevice", &P::bNoAudioDevice},
    TextPref{"lastPlaybackDevice", &P::lastPlaybackDevice, TextKind::Name},
    TextPref{"lastRecordingDevice", &P::lastRecordingDevice, TextKind::Name},
    TextPref{"lastMidiInDevice", &P::lastMidiInDevice, TextKind::Name},
    TextPref{"DefRecDir", &P::DefRecDir, TextKind::Path},
    FlagPref{"bMonitorInputDuringRecording", &P::bMonitorInputDuringRecording},
    FlagPref{"bWarnAboutMonitorLatency", &P::bWarnAboutMonitorLatency},
    NumberPref{"recInputInUseBehavior", &P::recInputInUseBehavior, 0, 1},
    TextPref{"metronomeMeasureSoundFilePath", &P::metronomeMeasureSoundFilePath, TextKind::Path},
    TextPref{"metronomeBeatSoundFilePath", &P::metronomeBeatSoundFilePath, TextKind::Path},
    FlagPref{"bUseMetronome", &P::bUseMetronome},
    FlagPref{"bPlaybackWhenRecording", &P::bPlaybackWhenRecording},
    NumberPref{"metronomeVolume", &P::metronomeVolume, 1, 100, NumberRule::Clamp},
    FlagPref{"bPlayRenderedFiles", &P::bPlayRenderedFiles},
    FlagPref{"bSetPlaybackIndicatorOnTracksClick", &P::bSetPlaybackIndicatorOnTracksClick},
    TextPref{"waveFileEditorPath", &P::waveFileEditorPath, TextKind::Path},
    TextPref{"defaultAuthor", &P::defaultAuthor, TextKind::Name},
    TextPref{"defaultCopyright", &P::defaultCopyright, TextKind::Name},
    RealPref{"defaultTempo", &P::defaultTempo, 1.0, 999.0, true},
    NumberPref{"defaultKey", &P::defaultKey, 0, 23},
    NumberPref{"defaultTimeSigNumerator", &P::defaultTimeSigNumerator, 1, 99},
    NumberPref{"defaultTimeSigDenominator", &P::defaultTimeSigDenominator, 1, 64,
               NumberRule::PowerOfTwo},
    NumberPref{"lastSnapSetting", &P::lastSnapSetting, 0, 10},
    FlagPref{"bSwitchKeyTempoOnFirstSound", &P::bSwitchKeyTempoOnFirstSound},
    FlagPref{"bAskToSwitchKeyTempoOnFirstSound", &P::bAskToSwitchKeyTempoOnFirstSound},
    FlagPref{"bAutoBeatMatchAllClipsWithTempo", &P::bAutoBeatMatchAllClipsWithTempo},
    FlagPref{"bAskToAutoBeatMatch", &P::bAskToAutoBeatMatch},
    FlagPref{"bEditCopy", &P::bEditCopy},
    FlagPref{"bAutoNameEditCopies", &P::bAutoNameEditCopies},
    FlagPref{"bPreviewSound", &P::bPreviewSound},
    FlagPref{"bShowNewProjectDialog", &P::bShowNewProjectDialog},
    FlagPref{"bDetailsShowingState", &P::bDetailsShowingState},
    NumberPref{"lastDetailPage", &P::lastDetailPage, 0, 15},
    NumberPref{"lastTimeMode", &P::lastTimeMode, 0, 1},
    FlagPref{"bLoadVST", &P::bLoadVST},
    FlagPref{"bLoadDirectX", &P::bLoadDirectX},
    FlagPref{"bAutoScrollingDuringPlayback", &P::bAutoScrollingDuringPlayback},
    FlagPref{"bConserveCPUMode", &P::bConserveCPUMode},
    FlagPref{"bShowDBValues", &P::bShowDBValues},
    NumberPref{"defaultAudioShade", &P::defaultAudioShade, 0, 0xFFFFFF},
    FlagPref{"bUseIMAPI", &P::bUseIMAPI},
    FlagPref{"bUseVeranthASPILayer", &P::bUseVeranthASPILayer},
    NumberPref{"lastCDBurnerIndex", &P::lastCDBurnerIndex, kLowestDevice, kHighestDevice},
    FlagPref{"bAskAboutGoldenhawkGeneric", &P::bAskAboutGoldenhawkGeneric},
    FlagPref{"bCDText", &P::bCDText},
    FlagPref{"bTestMode", &P::bTestMode},
    FlagPref{"bConvertToWav", &P::bConvertToWav},
    NumberPref{"burnSpeed", &P::burnSpeed, 1, 255},
    FlagPref{"bBurnAsOne", &P::bBurnAsOne},
    TextPref{"DefSaveDir", &P::DefSaveDir, TextKind::ExistingFolder},
    TextPref{"DefRenderDir", &P::DefRenderDir, TextKind::ExistingFolder},
    TextPref{"DefLoadDir", &P::DefLoadDir, TextKind::ExistingFolder},
    TextPref{"DefTransferDir", &P::DefTransferDir, TextKind::ExistingFolder},
    FlagPref{"bCreateFilesForEachMarker", &P::bCreateFilesForEachMarker},
    FlagPref{"bRenderTags", &P::bRenderTags},
    FlagPref{"bRenderSelectionIfThereIsOne", &P::bRenderSelectionIfThereIsOne},
    FlagPref{"bUseMarkerTitlesForTrackNames", &P::bUseMarkerTitlesForTrackNames},
    FlagPref{"bNormalizeMixDown", &P::bNormalizeMixDown},
    RealPref{"fMixDownLoudness", &P::fMixDownLoudness, -70.0, 0.0, true},
    RealPref{"fMixDownTruePeak", &P::fMixDownTruePeak, -20.0, 0.0, true},
    NumberPref{"lastFreezeID", &P::lastFreezeID, 0, kBiggest},
    NumberPref{"lastSoundDetailsHeight", &P::lastSoundDetailsHeight, 0, 10000},
    NumberPref{"lastLibraryDetailsHeight", &P::lastLibraryDetailsHeight, 0, 10000},
    NumberPref{"loopLibraryPathLookUpNum", &P::loopLibraryPathLookUpNum, 0, kBiggest},
    NumberPref{"lastCatType", &P::lastCatType, 0, 255},
    NumberPref{"lastDetailTypeIndex", &P::lastDetailTypeIndex, 0, 255},
    NumberPref{"lastSoundLibCheckStamp", &P::lastSoundLibCheckStamp, 0, kBiggest},
    FlagPref{"bFirstRun", &P::bFirstRun},
    FlagPref{"bAttemptToOpenDevice", &P::bAttemptToOpenDevice},
    NumberPref{"recTimerMils", &P::recTimerMils, 1, kBiggest},
    FlagPref{"bDeleteUnusedRecordings", &P::bDeleteUnusedRecordings},
    FlagPref{"bMidiChase", &P::bMidiChase},
    InstrumentPref{"generalMidiInstrument", &P::generalMidiInstrument},
    InstrumentPref{"defaultVirtualInstrument", &P::defaultVirtualInstrument},
    NumberPref{"defaultNoteLength", &P::defaultNoteLength, 0, 5},
    NumberPref{"defaultVelocity", &P::defaultVelocity, 1, 127},
    FlagPref{"bTripletModifierOn", &P::bTripletModifierOn},
    FlagPref{"bDottedModifierOn", &P::bDottedModifierOn},
    NumberPref{"snapLevel", &P::snapLevel, 0, 10},
    NumberPref{"toolMode", &P::toolMode, 0, 2},
    FlagPref{"bAutoTrackOnSilence", &P::bAutoTrackOnSilence},
    RealPref{"fAutoTrackIntervalMinutes", &P::fAutoTrackIntervalMinutes, 0.0, 10000.0, false},
    RealPref{"fAutoTrackIntervalTotalMinutes", &P::fAutoTrackIntervalTotalMinutes, 0.0, 10000.0,
             false},
    NumberPref{"iAutoTrackMinSilenceMils", &P::iAutoTrackMinSilenceMils, 1, 3600000},
    NumberPref{"iAutoTrackSilenceThreshold", &P::iAutoTrackSilenceThreshold, 0, 100},
    RealPref{"fAutoTrackMinMinutesBetweenMarkers", &P::fAutoTrackMinMinutesBetweenMarkers, 0.0,
             10000.0, false},
    RealPref{"fFadeEdgesBy", &P::fFadeEdgesBy, 0.0, 60.0, true},
    FlagPref{"bAutoTrackTrimSilence", &P::bAutoTrackTrimSilence},
    FlagPref{"bAutoTrackCreateCDMarkers", &P::bAutoTrackCreateCDMarkers},
    NumberPref{"numTimesClickedOnHelp", &P::numTimesClickedOnHelp, 0, kBiggest},
    NumberPref{"numTimesPlayedAudio", &P::numTimesPlayedAudio, 0, kBiggest},
    NumberPref{"numTimesRecordedAudio", &P::numTimesRecordedAudio, 0, kBiggest},
    NumberPref{"defProjectType", &P::defProjectType, 0, 2},
    NumberPref{"quantizeStartSetting", &P::quantizeStartSetting, 0, 10},
    NumberPref{"quantizeLengthSetting", &P::quantizeLengthSetting, 0, 10},
    NumberPref{"quantizeSwingLevel", &P::quantizeSwingLevel, 0, 100},
    FlagPref{"bQuantizeSelection", &P::bQuantizeSelection},
    FlagPref{"bQuantizeWithSwing", &P::bQuantizeWithSwing},
};

// ---- Reading -------------------------------------------------------------------------------

std::string WithTrailingSlash(std::string path) {
    if (!path.empty() && path.back() != '/')
        path += '/';
    return path;
}

bool ReadBlob(const CRegKey& key, const char* name, size_t size, std::vector<uint8_t>* bytes) {
    return key.GetKeyData(name, bytes) && bytes->size() == size;
}

int32_t ReadInt32(const uint8_t* in) {
    return static_cast<int32_t>(static_cast<uint32_t>(in[0]) | static_cast<uint32_t>(in[1]) << 8 |
                                static_cast<uint32_t>(in[2]) << 16 |
                                static_cast<uint32_t>(in[3]) << 24);
}

// A stored text, or "" with false when it does not meet its kind.
bool AcceptText(TextKind kind, std::string text, std::string* accepted) {
    if (kind != TextKind::Name)
        text = ToNativeSeparators(text);
    if (kind == TextKind::FolderToCreate || kind == TextKind::ExistingFolder) {
        if (!text.starts_with('/'))
            return false;
        text = WithTrailingSlash(text);
    }
    const size_t limit = kind == TextKind::Name ? CPrefs::kMaxNameLength : CPrefs::kMaxPathLength;
    if (text.size() > limit)
        return false;
    if (kind == TextKind::FolderToCreate && !CreateMultiLevelDir(text))
        return false;
    if (kind == TextKind::ExistingFolder && !IsValidDirectory(text))
        return false;
    *accepted = std::move(text);
    return true;
}

void LoadPref(const CRegKey& key, CPrefs& prefs, const FlagPref& pref) {
    int32_t value = 0;
    if (key.GetKeyNum(pref.name, &value))
        prefs.*pref.field = value != 0;
}

void LoadPref(const CRegKey& key, CPrefs& prefs, const NumberPref& pref) {
    int32_t value = 0;
    if (!key.GetKeyNum(pref.name, &value))
        return;
    if (pref.rule == NumberRule::Clamp)
        value = std::clamp(value, pref.min, pref.max);
    if (pref.rule == NumberRule::PowerOfTwo && !std::has_single_bit(static_cast<uint32_t>(value)))
        return;
    if (value >= pref.min && value <= pref.max)
        prefs.*pref.field = value;
}

void LoadPref(const CRegKey& key, CPrefs& prefs, const RealPref& pref) {
    std::vector<uint8_t> bytes;
    if (!ReadBlob(key, pref.name, sizeof(double), &bytes))
        return;
    uint64_t bits = 0;
    for (size_t i = 0; i < sizeof bits; ++i)
        bits |= static_cast<uint64_t>(bytes[i]) << (8 * i);
    const double value = std::bit_cast<double>(bits);
    const bool aboveMin = pref.minIncluded ? value >= pref.min : value > pref.min;
    if (std::isfinite(value) && aboveMin && value <= pref.max)
        prefs.*pref.field = value;
}

void LoadPref(const CRegKey& key, CPrefs& prefs, const TextPref& pref) {
    std::wstring wide;
    if (!key.GetKeyStringW(pref.name, &wide))
        return;
    std::string accepted;
    if (AcceptText(pref.kind, ConvertUnicodeToSingleByte(wide), &accepted))
        prefs.*pref.field = std::move(accepted);
}

void LoadPref(const CRegKey& key, CPrefs& prefs, const RectPref& pref) {
    std::vector<uint8_t> bytes;
    if (!ReadBlob(key, pref.name, 16, &bytes))
        return;
    prefs.*pref.field = {ReadInt32(&bytes[0]), ReadInt32(&bytes[4]), ReadInt32(&bytes[8]),
                         ReadInt32(&bytes[12])};
}

void LoadPref(const CRegKey& key, CPrefs& prefs, const MixerPref& pref) {
    std::vector<uint8_t> bytes;
    if (key.GetKeyData(pref.name, &bytes))
        MixerInitRecord::FromBytes(bytes, &(prefs.*pref.field));
}

void LoadPref(const CRegKey& key, CPrefs& prefs, const InstrumentPref& pref) {
    std::vector<uint8_t> bytes;
    if (ReadBlob(key, pref.name, sizeof(CPrefs::InstrumentId), &bytes))
        std::copy(bytes.begin(), bytes.end(), (prefs.*pref.field).begin());
}

// ---- Writing -------------------------------------------------------------------------------

void PutInt32(uint8_t* out, int32_t value) {
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i));
}

void SavePref(CRegKey& key, const CPrefs& prefs, const FlagPref& pref) {
    key.SetKeyNum(pref.name, prefs.*pref.field ? 1 : 0);
}

void SavePref(CRegKey& key, const CPrefs& prefs, const NumberPref& pref) {
    key.SetKeyNum(pref.name, prefs.*pref.field);
}

void SavePref(CRegKey& key, const CPrefs& prefs, const RealPref& pref) {
    const auto bits = std::bit_cast<uint64_t>(prefs.*pref.field);
    uint8_t bytes[sizeof bits];
    for (size_t i = 0; i < sizeof bits; ++i)
        bytes[i] = static_cast<uint8_t>(bits >> (8 * i));
    key.SetKeyData(pref.name, bytes, sizeof bytes);
}

void SavePref(CRegKey& key, const CPrefs& prefs, const TextPref& pref) {
    key.SetKeyStringW(pref.name, ConvertSingleByteToUnicode(prefs.*pref.field));
}

void SavePref(CRegKey& key, const CPrefs& prefs, const RectPref& pref) {
    const CPrefs::Rect& rect = prefs.*pref.field;
    uint8_t bytes[16];
    PutInt32(&bytes[0], rect.left);
    PutInt32(&bytes[4], rect.top);
    PutInt32(&bytes[8], rect.right);
    PutInt32(&bytes[12], rect.bottom);
    key.SetKeyData(pref.name, bytes, sizeof bytes);
}

void SavePref(CRegKey& key, const CPrefs& prefs, const MixerPref& pref) {
    const auto bytes = (prefs.*pref.field).ToBytes();
    key.SetKeyData(pref.name, bytes.data(), bytes.size());
}

void SavePref(CRegKey& key, const CPrefs& prefs, const InstrumentPref& pref) {
    const CPrefs::InstrumentId& id = prefs.*pref.field;
    key.SetKeyData(pref.name, id.data(), id.size());
}

// ---- Describing ----------------------------------------------------------------------------

std::string DoubleText(double value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string HexText(const uint8_t* bytes, size_t size) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (size_t i = 0; i < size; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 15];
    }
    return text;
}

std::string Describe(const CPrefs& prefs, const FlagPref& pref) {
    return prefs.*pref.field ? "1" : "0";
}

std::string Describe(const CPrefs& prefs, const NumberPref& pref) {
    return std::to_string(prefs.*pref.field);
}

std::string Describe(const CPrefs& prefs, const RealPref& pref) {
    return DoubleText(prefs.*pref.field);
}

std::string Describe(const CPrefs& prefs, const TextPref& pref) {
    return prefs.*pref.field;
}

std::string Describe(const CPrefs& prefs, const RectPref& pref) {
    const CPrefs::Rect& rect = prefs.*pref.field;
    return std::to_string(rect.left) + ", " + std::to_string(rect.top) + ", " +
           std::to_string(rect.right) + ", " + std::to_string(rect.bottom);
}

std::string Describe(const CPrefs& prefs, const MixerPref& pref) {
    const MixerInitRecord& r = prefs.*pref.field;
    char text[200];
    std::snprintf(text, sizeof text,
                  "%d, %d buffers of %d bytes; format %u, %u channels, %u Hz, %u bytes/s, "
                  "align %u, %u bits, extra %u",
                  r.firstField, r.numBuffers, r.bufferSize, r.formatTag, r.channels, r.sampleRate,
                  r.avgBytesPerSec, r.blockAlign, r.bitsPerSample, r.extraSize);
    return text;
}

std::string Describe(const CPrefs& prefs, const InstrumentPref& pref) {
    const CPrefs::InstrumentId& id = prefs.*pref.field;
    return HexText(id.data(), id.size());
}

// ---- Defaults ------------------------------------------------------------------------------

std::string SystemTempFolder() {
    const char* tmp = std::getenv("TMPDIR");
    if (tmp != nullptr && tmp[0] == '/')
        return WithTrailingSlash(tmp);
    return "/tmp/";
}

// The documents folder; the home folder, or failing that the temporary folder, stands in.
std::string DocumentsFolder() {
    std::string folder = GetMyDocumentsPath();
    if (folder.empty())
        folder = GetHomeDirectory();
    return folder.empty() ? SystemTempFolder() : folder;
}

} // namespace

CPrefs::CPrefs() {
    const std::string program = GetExeDirectory();
    const std::string documents = DocumentsFolder();
    // Per user: what lies there is what projects play.
    TempDirM = PrivateFolder::DefaultSoundFolder();
    if (std::string why; !PrivateFolder::Prepare(TempDirM, why))
        LogFmt("CPrefs - the sound cache folder '%s' cannot be used: %s", TempDirM.c_str(),
               why.c_str());
    ResetDeviceSettings();
    DefRecDir = documents + "My Recordings/";
    metronomeMeasureSoundFilePath = program + "HighTone.wav";
    metronomeBeatSoundFilePath = program + "LowTone.wav";
    // Reading the processor speed takes the kernel a while, and it matters on one processor only.
    const unsigned processors = std::thread::hardware_concurrency();
    bConserveCPUMode = processors == 1 && ConserveCPUByDefault(processors, CPUSpeed());
    DefSaveDir = documents;
    DefRenderDir = documents;
    DefLoadDir = documents;
    DefTransferDir = documents;
    lastSoundLibCheckStamp = static_cast<int32_t>(std::time(nullptr));
    ResetInstrumentDefaults();
    skinFilePath = program + "loomskin.ini";
    instPresetFolder = program + "InstPresets/";
}

bool CPrefs::ConserveCPUByDefault(unsigned processors, int speedMHz) {
    return processors == 1 && speedMHz > 0 && speedMHz < 1000;
}

CPrefs::InstrumentId CPrefs::GeneralMidiInstrumentId() {
    return {'M', 'G', 'r', 'V'};
}

void CPrefs::ResetDeviceSettings() {
    mixDeviceType = 0;
    mixerInit = MixerInitRecord::WaveDefault();
    mixerASIOInit = MixerInitRecord::WaveDefault();
    mixWaveInput = 0;
    mixWaveOutput = 0;
    mixASIOInput = 0;
    mixASIOOutput = 0;
    mixASIODevice = 0;
    mixMidiInDevice = 0;
    mixWaveRTInput = 0;
    mixWaveRTOutput = 0;
    mixWaveRTLatency = 20;
    mixWaveRTInit = MixerInitRecord::WaveRTDefault();
    bNoAudioDevice = false;
}

void CPrefs::ResetInstrumentDefaults() {
    generalMidiInstrument = GeneralMidiInstrumentId();
    defaultVirtualInstrument = GeneralMidiInstrumentId();
}

bool CPrefs::ShouldReadOldVersionSettings() {
    CRegKey root(RegRoot::CurrentUser);
    const std::unique_ptr<CRegKey> old = root.GetSubKey(kOldKeyPath);
    if (old == nullptr || !old->HasValues() || old->SubKeyExists(kReadForNewVersionName))
        return false;
    // Current settings are never replaced by old ones, whatever became of the mark.
    const std::unique_ptr<CRegKey> current = root.GetSubKey(kCurrentKeyPath);
    return current == nullptr || !current->HasValues();
}

bool CPrefs::Load(bool fromOldVersion) {
    CRegKey root(RegRoot::CurrentUser);
    const std::unique_ptr<CRegKey> key =
        root.CreateSubKey(fromOldVersion ? kOldKeyPath : kCurrentKeyPath);
    if (key == nullptr)
        return false;
    for (const Pref& pref : kPrefs)
        std::visit([&](const auto& entry) { LoadPref(*key, *this, entry); }, pref);
    missingSoundFolders.Load(*key);
    if (fromOldVersion) {
        key->SetKeyNum(kReadForNewVersionName, 1);
        key->Flush();
    }
    return true;
}

bool CPrefs::Save() const {
    CRegKey root(RegRoot::CurrentUser);
    const std::unique_ptr<CRegKey> key = root.CreateSubKey(kCurrentKeyPath);
    if (key == nullptr)
        return false;
    for (const Pref& pref : kPrefs)
        std::visit([&](const auto& entry) { SavePref(*key, *this, entry); }, pref);
    missingSoundFolders.Save(*key);
    if (key->Flush())
        return true;
    Log("CPrefs::Save() - the preferences could not be written - returning false!");
    return false;
}

void CPrefs::ForEachValue(
    const std::function<void(std::string_view name, const std::string& text)>& visit) const {
    for (const Pref& pref : kPrefs) {
        std::visit([&](const auto& entry) { visit(entry.name, Describe(*this, entry)); }, pref);
    }
    visit("bAutoAddFolders", missingSoundFolders.bAutoAddFolders ? "1" : "0");
    visit("numMissingSoundsSearchPaths", std::to_string(missingSoundFolders.folders.Count()));
    for (int i = 0; i < missingSoundFolders.folders.Count(); ++i)
        visit(CMissingSoundFolders::ValueName(i), missingSoundFolders.folders.Index(i));
}
