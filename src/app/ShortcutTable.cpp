#include "app/ShortcutTable.h"

#include "app/MainCommands.h"
#include "gui/GuiInput.h"

namespace {

constexpr uint32_t kCtrl = kModControl;
constexpr uint32_t kCtrlShift = kModControl | kModShift;
constexpr uint32_t kAlt = kModAlt;

// Alt+L is both Solo and the slow fade-out; the track command keeps it, as
// the track menu is the one that shows it first.
constexpr Shortcut kShortcuts[] = {
    {'N', kCtrl, kCmdNewProject},
    {'O', kCtrl, kCmdOpenProject},
    {'S', kCtrl, kCmdSave},
    {'B', kCtrl, kCmdBurnCD},
    {'Z', kCtrl, kCmdUndo},
    {'Y', kCtrl, kCmdRedo},
    {'X', kCtrl, kCmdCut},
    {'C', kCtrl, kCmdCopy},
    {'V', kCtrl, kCmdPaste},
    {VK_DELETE, 0, kCmdDelete},
    {'A', kCtrl, kCmdSelectAll},
    {'T', kCtrl, kCmdSplit},
    {'J', kCtrl, kCmdJoin},
    {VK_SPACE, 0, kCmdPlay},
    {VK_SPACE, kCtrlShift, kCmdPlayFromPreviousMarker},
    {VK_SPACE, kCtrl, kCmdPlayFromNextMarker},
    {VK_HOME, 0, kCmdRewindToStart},
    {VK_END, 0, kCmdFastForwardToEnd},
    {'R', kCtrl, kCmdRecord},
    {'G', kCtrl, kCmdAddAudioTrack},
    {'E', kCtrl, kCmdAddInstrumentTrack},
    {'U', kCtrlShift, kCmdMoveTrackUp},
    {'D', kCtrlShift, kCmdMoveTrackDown},
    {'F', kCtrlShift, kCmdFreezeTrack},
    {'A', kCtrlShift, kCmdSelectAllSoundsOnTrack},
    {'M', kAlt, kCmdMuteTrack},
    {'L', kAlt, kCmdSoloTrack},
    {'H', kCtrl, kCmdSoundAddSound},
    {'I', kCtrl, kCmdTrimSilence},
    {'K', kCtrl, kCmdNormalize},
    {'A', kAlt, kCmdFadeInFast},
    {'S', kAlt, kCmdFadeInMedium},
    {'D', kAlt, kCmdFadeInSlow},
    {'J', kAlt, kCmdFadeOutFast},
    {'K', kAlt, kCmdFadeOutMedium},
    {'Q', kAlt, kCmdBoost50},
    {'W', kAlt, kCmdBoost25},
    {'E', kAlt, kCmdBoost5},
    {'R', kAlt, kCmdBoost1},
    {'U', kAlt, kCmdReduce50},
    {'I', kAlt, kCmdReduce25},
    {'O', kAlt, kCmdReduce5},
    {'P', kAlt, kCmdReduce1},
    {'T', kAlt, kCmdResetEnvelope},
    {'Y', kAlt, kCmdInvertEnvelope},
    {VK_ADD, 0, kCmdZoomIn},
    {VK_SUBTRACT, 0, kCmdZoomOut},
    {'0', 0, kCmdZoomToProject},
};

} // namespace

int32_t CommandForShortcut(int32_t key, uint32_t modifiers) {
    for (const Shortcut& shortcut : kShortcuts)
        if (shortcut.key == key && shortcut.modifiers == modifiers)
            return shortcut.command;
    return 0;
}
