#include "app/ProjectPreferencesFrom.h"

#include "app/CPrefs.h"

ProjectPreferences ProjectPreferencesFrom(const CPrefs& prefs) {
    ProjectPreferences project;
    project.DefRecDir = prefs.DefRecDir;
    project.defaultAuthor = prefs.defaultAuthor;
    project.defaultCopyright = prefs.defaultCopyright;
    project.defaultTempo = prefs.defaultTempo;
    project.defaultKey = prefs.defaultKey;
    project.defaultTimeSigNumerator = prefs.defaultTimeSigNumerator;
    project.defaultTimeSigDenominator = prefs.defaultTimeSigDenominator;
    project.bUseMetronome = prefs.bUseMetronome;
    project.metronomeBeatSoundFilePath = prefs.metronomeBeatSoundFilePath;
    project.metronomeMeasureSoundFilePath = prefs.metronomeMeasureSoundFilePath;
    project.metronomeVolume = prefs.metronomeVolume;
    project.defaultAudioShade = prefs.defaultAudioShade;
    project.lastFreezeID = prefs.lastFreezeID;
    project.bDeleteUnusedRecordings = prefs.bDeleteUnusedRecordings;
    project.bShowNewProjectDialog = prefs.bShowNewProjectDialog;
    project.bShowDBValues = prefs.bShowDBValues;
    project.defProjectType = prefs.defProjectType;
    project.lastTimeMode = prefs.lastTimeMode;
    project.lastSnapSetting = prefs.lastSnapSetting;
    project.bAutoScrollingDuringPlayback = prefs.bAutoScrollingDuringPlayback;
    project.bSetPlaybackIndicatorOnTracksClick = prefs.bSetPlaybackIndicatorOnTracksClick;
    project.bSwitchKeyTempoOnFirstSound = prefs.bSwitchKeyTempoOnFirstSound;
    project.bAskToSwitchKeyTempoOnFirstSound = prefs.bAskToSwitchKeyTempoOnFirstSound;
    project.bAskToAutoBeatMatch = prefs.bAskToAutoBeatMatch;
    project.recInputInUseBehavior = prefs.recInputInUseBehavior;
    project.bWarnAboutMonitorLatency = prefs.bWarnAboutMonitorLatency;
    project.mixWaveInput = prefs.mixWaveInput;
    project.mixWaveRTInput = prefs.mixWaveRTInput;
    project.mixASIOInput = prefs.mixASIOInput;
    project.mixMidiInDevice = prefs.mixMidiInDevice;
    project.defaultVirtualInstrument = prefs.defaultVirtualInstrument;
    project.bAutoTrackOnSilence = prefs.bAutoTrackOnSilence;
    project.fAutoTrackIntervalMinutes = prefs.fAutoTrackIntervalMinutes;
    project.fAutoTrackIntervalTotalMinutes = prefs.fAutoTrackIntervalTotalMinutes;
    project.iAutoTrackMinSilenceMils = prefs.iAutoTrackMinSilenceMils;
    project.iAutoTrackSilenceThreshold = prefs.iAutoTrackSilenceThreshold;
    project.fAutoTrackMinMinutesBetweenMarkers = prefs.fAutoTrackMinMinutesBetweenMarkers;
    project.bAutoTrackCreateCDMarkers = prefs.bAutoTrackCreateCDMarkers;
    return project;
}

void CopyProjectPreferencesBack(const ProjectPreferences& project, CPrefs& prefs) {
    prefs.bAskToAutoBeatMatch = project.bAskToAutoBeatMatch;
    prefs.lastFreezeID = project.lastFreezeID;
    prefs.bWarnAboutMonitorLatency = project.bWarnAboutMonitorLatency;
    prefs.bAskToSwitchKeyTempoOnFirstSound = project.bAskToSwitchKeyTempoOnFirstSound;
    prefs.bSwitchKeyTempoOnFirstSound = project.bSwitchKeyTempoOnFirstSound;
    prefs.bShowNewProjectDialog = project.bShowNewProjectDialog;
    prefs.bShowDBValues = project.bShowDBValues;
    prefs.bUseMetronome = project.bUseMetronome;
    prefs.defProjectType = project.defProjectType;
    prefs.lastSnapSetting = project.lastSnapSetting;
    prefs.lastTimeMode = project.lastTimeMode;
    prefs.bAutoTrackOnSilence = project.bAutoTrackOnSilence;
    prefs.fAutoTrackIntervalMinutes = project.fAutoTrackIntervalMinutes;
    prefs.fAutoTrackIntervalTotalMinutes = project.fAutoTrackIntervalTotalMinutes;
    prefs.iAutoTrackMinSilenceMils = project.iAutoTrackMinSilenceMils;
    prefs.iAutoTrackSilenceThreshold = project.iAutoTrackSilenceThreshold;
    prefs.fAutoTrackMinMinutesBetweenMarkers = project.fAutoTrackMinMinutesBetweenMarkers;
    prefs.bAutoTrackCreateCDMarkers = project.bAutoTrackCreateCDMarkers;
}
