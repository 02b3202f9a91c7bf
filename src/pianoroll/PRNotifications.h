#pragma once

#include "support/Notification.h"

#include <cstdint>

// Notification codes of the piano roll.
enum PRNotification : int {
    // Preview a pitch (PRKeyEvent) until the matching preview off.
    kNotifyPreviewNoteOn = 1045,
    kNotifyPreviewNoteOff = 1046,
    // Select the notes of a key (PRKeyEvent), replacing or adding to the selection.
    kNotifySelectKeyNotes = 1048,
    kNotifyAddKeyNotes = 1049,
    // A loop flag is dragged (PRLoopFlagMove).
    kNotifyLoopFlagMoved = 1052,
    // The read-out shows a sound time (whole ms).
    kNotifyShowTime = 1060,
    // Sent by a MIDI clip when undo or redo put one of its notes back, so
    // that an open piano roll drops its selection and repaints. The
    // parameter is the clip.
    kNotifyNotesRestored = 1063,
    // Sent by a MIDI clip when undo or redo put back controller events, so
    // that an open controller lane repaints. The parameter is the clip.
    kNotifyControllersRestored = 1120,
};

// The key of a keyboard notification.
struct PRKeyEvent {
    int pitch = 0;
    int velocity = 0;
    int channel = 0;
};

// Where a dragged loop flag's pointer would put it.
struct PRLoopFlagMove {
    int32_t flag = 0;  // CLoopFlag::Which
    double timeMs = 0; // sound ms
    int32_t phase = 0; // CLoopFlag::Phase
};

template <> struct NotificationCarries<kNotifyLoopFlagMoved> { using Type = const PRLoopFlagMove; };
template <> struct NotificationCarries<kNotifyShowTime> { using Type = int32_t; };
