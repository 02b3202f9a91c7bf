#pragma once

#include <algorithm>
#include <cstdint>

// The identifiers of the main window's commands, shared by the menu bar and
// the keyboard shortcuts.
enum MainCommand : int32_t {
    // File
    kCmdNewProject = 100,
    kCmdOpenProject,
    kCmdSave,
    kCmdSaveAs,
    kCmdTransferProject,
    kCmdMixDownMp3,
    kCmdMixDownOgg,
    kCmdMixDownWma,
    kCmdMixDownWav,
    kCmdBurnCD,
    kCmdLabelCD,
    kCmdPreferences,
    kCmdExit,
    kCmdExportMidi,
    // Edit
    kCmdUndo = 200,
    kCmdRedo,
    kCmdCut,
    kCmdCopy,
    kCmdPaste,
    kCmdDelete,
    kCmdSelectAll,
    kCmdSplit,
    kCmdJoin,
    // Mix
    kCmdAddSound = 300,
    kCmdAddInstrumentClip,
    kCmdLoopLibrary,
    kCmdPlay,
    kCmdPlayFromPreviousMarker,
    kCmdPlayFromNextMarker,
    kCmdRewindToStart,
    kCmdFastForwardToEnd,
    kCmdRecord,
    kCmdRecordingTimer,
    kCmdLoopPlay,
    kCmdMetronome,
    kCmdMasterVolumeExact,
    kCmdGlobalEffects,
    kCmdProjectSettings,
    kCmdMidiReset,
    kCmdAddTempoKeyChange,
    kCmdAddMarker,
    kCmdAutoMarkerWizard,
    kCmdDeleteAllMarkers,
    kCmdAutoBeatMatch,
    kCmdTransposeUp,
    kCmdTransposeDown,
    kCmdFindMissingSounds,
    // Track
    kCmdAddAudioTrack = 400,
    kCmdAddInstrumentTrack,
    kCmdInsertAudioTrack,
    kCmdInsertInstrumentTrack,
    kCmdDuplicateTrack,
    kCmdMoveTrackUp,
    kCmdMoveTrackDown,
    kCmdTrackHeightSmall,
    kCmdTrackHeightNormal,
    kCmdTrackHeightLarge,
    kCmdChooseTrackImage,
    kCmdFreezeTrack,
    kCmdDeleteTrack,
    kCmdMuteTrack,
    kCmdSoloTrack,
    kCmdArmTrack,
    kCmdTrackVolumeExact,
    kCmdTrackPanExact,
    kCmdTrackEffects,
    kCmdSelectAllSoundsOnTrack,
    // Sound
    kCmdEditLoop = 500,
    kCmdSoundAddSound,
    kCmdSoundAddInstrumentClip,
    kCmdSoundLoopLibrary,
    kCmdPlaySound,
    kCmdMuteSound,
    kCmdLockSound,
    kCmdExternalEditor,
    kCmdLoopToTrim,
    kCmdTrimSilence,
    kCmdSoundAutoMarkerWizard,
    kCmdNormalize,
    kCmdFadeInFast,
    kCmdFadeInMedium,
    kCmdFadeInSlow,
    kCmdFadeOutFast,
    kCmdFadeOutMedium,
    kCmdFadeOutSlow,
    kCmdBoost50,
    kCmdBoost25,
    kCmdBoost5,
    kCmdBoost1,
    kCmdReduce50,
    kCmdReduce25,
    kCmdReduce5,
    kCmdReduce1,
    kCmdResetEnvelope,
    kCmdInvertEnvelope,
    kCmdSoundSplit,
    kCmdSoundJoin,
    // View
    kCmdAllTracksSmall = 600,
    kCmdAllTracksNormal,
    kCmdAllTracksLarge,
    kCmdTimelineBeats,
    kCmdTimelineTime,
    kCmdSnapFirst, // Off, 1/1 ... 1/64, then the three triplets
    kCmdSnapLast = kCmdSnapFirst + 10,
    kCmdToggleDetails,
    kCmdProjectDetails,
    kCmdTrackDetails,
    kCmdSoundDetails,
    kCmdViewLoopLibrary,
    kCmdZoomIn,
    kCmdZoomOut,
    kCmdZoomToProject,
    // Help
    kCmdHelpTopics = 700,
    kCmdDownloadLoops,
    kCmdDownloadSounds,
    kCmdDownloadEffects,
    kCmdAbout,
    // Ranges: master volume 20..200 %, track volume 20..200 %, track pan
    // -100..100 % (offset by 100), recent projects, markers.
    kCmdPercentRange = 201,
    kCmdMasterVolumeFirst = 1000,
    kCmdTrackVolumeFirst = kCmdMasterVolumeFirst + kCmdPercentRange,
    kCmdTrackPanFirst = kCmdTrackVolumeFirst + kCmdPercentRange,
    kCmdRecentFirst = kCmdTrackPanFirst + kCmdPercentRange,
    kCmdRecentLast = kCmdRecentFirst + 31,
    kCmdPlayFromMarkerFirst = 2000,
    kCmdEditMarkerFirst = 3000,
    kCmdMarkerRange = 1000,
};

static_assert(kCmdRecentLast < kCmdPlayFromMarkerFirst, "command ranges must not overlap");

// Whether the command lies in the count commands from first on.
inline bool InCommandRange(int32_t command, int32_t first, int32_t count) {
    return command >= first && command < first + count;
}

// The heights of small, normal and large tracks (0, 1, 2).
inline int32_t TrackHeightFor(int32_t size) {
    constexpr int32_t kHeights[] = {30, 70, 255};
    return kHeights[std::clamp(size, 0, 2)];
}
