#pragma once

#include <array>
#include <cstdint>
#include <string>

// The preferences the project document reads and writes. The program copies
// them from its preferences record before it creates the project and back
// afterwards; the document itself never reaches up into the program.
struct ProjectPreferences {
    using InstrumentId = std::array<uint8_t, 16>;

    std::string DefRecDir;
    // Where track pictures are kept, made small (ends in '/'); none: a
    // picture is used where the user found it.
    std::string pictureFolder;
    std::string defaultAuthor;
    std::string defaultCopyright;
    double defaultTempo = 120.0;
    int32_t defaultKey = 3;
    int32_t defaultTimeSigNumerator = 4;
    int32_t defaultTimeSigDenominator = 4;
    bool bUseMetronome = false;
    std::string metronomeBeatSoundFilePath;
    std::string metronomeMeasureSoundFilePath;
    int32_t metronomeVolume = 42;
    int32_t defaultAudioShade = 0x00FF00;
    // The last number a frozen file was named with; it only grows.
    int32_t lastFreezeID = 0;
    bool bDeleteUnusedRecordings = true;
    bool bShowNewProjectDialog = true;
    // Envelope volumes read in decibels rather than percent.
    bool bShowDBValues = false;
    // The kind last chosen in the new-project dialog (0 record a band, 1 mix
    // loops, 2 MIDI) and the time-line mode it set.
    int32_t defProjectType = 2;
    int32_t lastTimeMode = 1;
    // The ruler's snap level, and whether the view follows playback.
    int32_t lastSnapSetting = 4;
    bool bAutoScrollingDuringPlayback = true;
    // Whether a click on the tracks moves the play position with the caret.
    bool bSetPlaybackIndicatorOnTracksClick = true;
    // Whether the first sound's key and tempo become the project's, and
    // whether to ask first.
    bool bSwitchKeyTempoOnFirstSound = true;
    bool bAskToSwitchKeyTempoOnFirstSound = true;
    bool bAskToAutoBeatMatch = true;
    int32_t recInputInUseBehavior = 1;
    // Turning input monitoring on tells how late the input will be heard.
    bool bWarnAboutMonitorLatency = true;
    // The recording input a track is first armed with, per driver type
    // (0 wave, 2 WaveRT, any other ASIO), and the MIDI input device.
    int32_t mixWaveInput = 0;
    int32_t mixWaveRTInput = 0;
    int32_t mixASIOInput = 0;
    int32_t mixMidiInDevice = 0;
    // The automatic marker wizard's settings as last confirmed: markers at
    // intervals or at silences of the mix, and its numbers.
    bool bAutoTrackOnSilence = false;
    double fAutoTrackIntervalMinutes = 5.0;
    double fAutoTrackIntervalTotalMinutes = 74.0;
    int32_t iAutoTrackMinSilenceMils = 1500;
    int32_t iAutoTrackSilenceThreshold = 7;
    double fAutoTrackMinMinutesBetweenMarkers = 1.0;
    bool bAutoTrackCreateCDMarkers = true;
    // All zero: new MIDI tracks start without an instrument.
    InstrumentId defaultVirtualInstrument{};
};
