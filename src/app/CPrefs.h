#pragma once

#include "app/CMissingSoundFolders.h"
#include "app/MixerInitRecord.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// The user's preferences and the program's remembered state. Construction sets every default;
// Load overwrites them with what the settings store holds (keeping the default wherever a stored
// value is missing, of the wrong type or size, or out of range) and Save writes them all back.
// Every field is named after its value in the store.
class CPrefs {
public:
    // Key of the current settings, and of the previous version's, below the store's root.
    static constexpr const char* kCurrentKeyPath = "SOFTWARE\\Veranth\\Loomtone4";
    static constexpr const char* kOldKeyPath = "SOFTWARE\\Veranth\\Loomtone3";
    // Longest text that fits a path field, and a name field.
    static constexpr size_t kMaxPathLength = 259;
    static constexpr size_t kMaxNameLength = 255;

    struct Rect {
        int32_t left = 0;
        int32_t top = 0;
        int32_t right = 0;
        int32_t bottom = 0;
        bool operator==(const Rect&) const = default;
    };
    // The effect identifier of a virtual instrument.
    using InstrumentId = std::array<uint8_t, 16>;

    // Creates the temporary sound folder at once.
    CPrefs();

    // Whether the previous version's settings are to be taken over: its key holds settings and
    // has not been marked as read, and the current key holds none.
    bool ShouldReadOldVersionSettings();
    // Reads every preference from the previous version's key, marking it as read, or from the
    // current key. False when the key can be neither opened nor created.
    bool Load(bool fromOldVersion);
    // Writes every preference under the current key and then the store to disk. False when the
    // store could not be written.
    bool Save() const;

    // The audio driver type, the three mixer records, every device index, the WaveRT latency
    // and the choice of no device.
    void ResetDeviceSettings();
    // The default and General MIDI instruments.
    void ResetInstrumentDefaults();

    // Calls back with each stored value's name and its current value as text, in store order.
    void ForEachValue(
        const std::function<void(std::string_view name, const std::string& text)>& visit) const;

    // Conserving processor time is the default on a single processor known to be slower than
    // 1000 MHz.
    static bool ConserveCPUByDefault(unsigned processors, int speedMHz);
    // The built-in General MIDI instrument.
    static InstrumentId GeneralMidiInstrumentId();

    // Stored preferences, in store order.
    std::string TempDirM;
    Rect lastMainWinRect;
    bool bMainWindowMaximized = true;
    // The device fields up to bNoAudioDevice take their defaults from ResetDeviceSettings.
    int32_t mixDeviceType;
    MixerInitRecord mixerInit;
    MixerInitRecord mixerASIOInit;
    int32_t mixWaveInput;
    int32_t mixWaveOutput;
    int32_t mixASIOInput;
    int32_t mixASIOOutput;
    int32_t mixASIODevice;
    int32_t mixMidiInDevice;
    int32_t mixWaveRTInput;
    int32_t mixWaveRTOutput;
    int32_t mixWaveRTLatency;
    MixerInitRecord mixWaveRTInit;
    // No sound card or server at all: the mixer plays on its null device.
    bool bNoAudioDevice;
    std::string lastPlaybackDevice;
    std::string lastRecordingDevice;
    std::string lastMidiInDevice;
    std::string DefRecDir;
    bool bMonitorInputDuringRecording = true;
    bool bWarnAboutMonitorLatency = true;
    int32_t recInputInUseBehavior = 1;
    std::string metronomeMeasureSoundFilePath;
    std::string metronomeBeatSoundFilePath;
    bool bUseMetronome = false;
    bool bPlaybackWhenRecording = true;
    int32_t metronomeVolume = 42;
    bool bPlayRenderedFiles = true;
    bool bSetPlaybackIndicatorOnTracksClick = true;
    std::string waveFileEditorPath;
    std::string defaultAuthor;
    std::string defaultCopyright;
    double defaultTempo = 120.0;
    int32_t defaultKey = 3;
    int32_t defaultTimeSigNumerator = 4;
    int32_t defaultTimeSigDenominator = 4;
    int32_t lastSnapSetting = 4;
    bool bSwitchKeyTempoOnFirstSound = true;
    bool bAskToSwitchKeyTempoOnFirstSound = true;
    bool bAutoBeatMatchAllClipsWithTempo = true;
    bool bAskToAutoBeatMatch = true;
    bool bEditCopy = false;
    bool bAutoNameEditCopies = true;
    bool bPreviewSound = true;
    bool bShowNewProjectDialog = true;
    bool bDetailsShowingState = false;
    int32_t lastDetailPage = 4;
    int32_t lastTimeMode = 1;
    bool bLoadVST = true;
    bool bLoadDirectX = true;
    bool bAutoScrollingDuringPlayback = true;
    bool bConserveCPUMode = false;
    bool bShowDBValues = false;
    int32_t defaultAudioShade = 0x00FF00;
    bool bUseIMAPI = false;
    bool bUseVeranthASPILayer = true;
    int32_t lastCDBurnerIndex = -1;
    bool bAskAboutGoldenhawkGeneric = true;
    bool bCDText = true;
    bool bTestMode = false;
    bool bConvertToWav = false;
    int32_t burnSpeed = 255;
    bool bBurnAsOne = false;
    std::string DefSaveDir;
    std::string DefRenderDir;
    std::string DefLoadDir;
    std::string DefTransferDir;
    bool bCreateFilesForEachMarker = false;
    bool bRenderTags = true;
    bool bRenderSelectionIfThereIsOne = false;
    bool bUseMarkerTitlesForTrackNames = false;
    // Mix-downs brought to an integrated loudness (LUFS, EBU R128) with the
    // true peak under a ceiling (dBTP).
    bool bNormalizeMixDown = false;
    double fMixDownLoudness = -14.0;
    double fMixDownTruePeak = -1.0;
    int32_t lastFreezeID = 0;
    int32_t lastSoundDetailsHeight = 260;
    int32_t lastLibraryDetailsHeight = 170;
    int32_t loopLibraryPathLookUpNum = 0;
    int32_t lastCatType = 6;
    int32_t lastDetailTypeIndex = 0;
    int32_t lastSoundLibCheckStamp = 0;
    bool bFirstRun = true;
    bool bAttemptToOpenDevice = false;
    int32_t recTimerMils = 3600000;
    bool bDeleteUnusedRecordings = true;
    bool bMidiChase = true;
    // Both instruments take their defaults from ResetInstrumentDefaults.
    InstrumentId generalMidiInstrument;
    InstrumentId defaultVirtualInstrument;
    int32_t defaultNoteLength = 3;
    int32_t defaultVelocity = 110;
    bool bTripletModifierOn = false;
    bool bDottedModifierOn = false;
    int32_t snapLevel = 4;
    int32_t toolMode = 1;
    bool bAutoTrackOnSilence = false;
    double fAutoTrackIntervalMinutes = 5.0;
    double fAutoTrackIntervalTotalMinutes = 74.0;
    int32_t iAutoTrackMinSilenceMils = 1500;
    int32_t iAutoTrackSilenceThreshold = 7;
    double fAutoTrackMinMinutesBetweenMarkers = 1.0;
    double fFadeEdgesBy = 1.5;
    bool bAutoTrackTrimSilence = true;
    bool bAutoTrackCreateCDMarkers = true;
    int32_t numTimesClickedOnHelp = 0;
    int32_t numTimesPlayedAudio = 0;
    int32_t numTimesRecordedAudio = 0;
    int32_t defProjectType = 2;
    int32_t quantizeStartSetting = 4;
    int32_t quantizeLengthSetting = 0;
    int32_t quantizeSwingLevel = 0;
    bool bQuantizeSelection = false;
    bool bQuantizeWithSwing = false;

    // Stored in the same key by the list itself.
    CMissingSoundFolders missingSoundFolders;

    // Not stored: the skin file and the instrument preset folder, both in the program folder.
    std::string skinFilePath;
    std::string instPresetFolder;
};
