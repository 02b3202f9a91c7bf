#include "app/CommandAvailability.h"

#include "app/MainCommands.h"

#include <algorithm>
#include <array>

namespace {

// Commands waiting for their subsystem: the transport and recording, CD
// burning, the clipboard and clip editing operations, the effects views, the
// details pages, the piano roll and the dialogs that are not built yet.
constexpr std::array kNotBuilt = {
    kCmdBurnCD,
    kCmdLabelCD,
    kCmdPreferences,
    kCmdCut,
    kCmdCopy,
    kCmdPaste,
    kCmdSplit,
    kCmdJoin,
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
    kCmdGlobalEffects,
    kCmdProjectSettings,
    kCmdTransposeUp,
    kCmdTransposeDown,
    kCmdDuplicateTrack,
    kCmdMoveTrackUp,
    kCmdMoveTrackDown,
    kCmdChooseTrackImage,
    kCmdFreezeTrack,
    kCmdTrackEffects,
    kCmdEditLoop,
    kCmdSoundAddInstrumentClip,
    kCmdSoundLoopLibrary,
    kCmdPlaySound,
    kCmdMuteSound,
    kCmdLockSound,
    kCmdExternalEditor,
    kCmdLoopToTrim,
    kCmdTrimSilence,
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
    kCmdProjectDetails,
    kCmdTrackDetails,
    kCmdSoundDetails,
    kCmdViewLoopLibrary,
    kCmdZoomToProject,
    kCmdHelpTopics,
    kCmdAbout,
};

bool InRange(int32_t command, int32_t first, int32_t count) {
    return command >= first && command < first + count;
}

} // namespace

bool IsCommandBuilt(int32_t command) {
    // Playing from a marker waits for the transport.
    if (InRange(command, kCmdPlayFromMarkerFirst, kCmdMarkerRange))
        return false;
    return std::find(kNotBuilt.begin(), kNotBuilt.end(), command) == kNotBuilt.end();
}
