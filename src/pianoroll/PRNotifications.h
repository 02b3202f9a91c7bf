#pragma once

#include "pianoroll/PRNoteGeometry.h"
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
    // The controller lane's top edge is dragged (PRLaneSplit).
    kNotifyLaneSplit = 1056,
    // The note area's tool settings changed to those of a clicked note; the
    // toolbar shows them again.
    kNotifyToolSettingsChanged = 1062,
    // A loop flag is dragged (PRLoopFlagMove).
    kNotifyLoopFlagMoved = 1052,
    // The read-out shows a sound time (whole ms).
    kNotifyShowTime = 1060,
    // A click on the ruler puts the caret and the play position at a sound
    // time (whole ms).
    kNotifyLocate = 1061,
    // Sent by a MIDI clip when undo or redo put one of its notes back, so
    // that an open piano roll drops its selection and repaints. The
    // parameter is the clip.
    kNotifyNotesRestored = 1063,
    // Sent by a MIDI clip when undo or redo put back controller events, so
    // that an open controller lane repaints. The parameter is the clip.
    kNotifyControllersRestored = 1120,
    // Sent by a MIDI clip when undo or redo put the piano roll's rubber band
    // back (a PRBandSpan) or took it away (null), so that an open piano roll
    // shows it so.
    kNotifyRubberBandRestored = 1310,
};

// A drag of the controller lane's top edge: how many pixels the pointer went
// up since the press (0 at the press itself).
struct PRLaneSplit {
    enum State { kStart = 1, kDrag = 2 };
    int up = 0;
    State state = kStart;
};

template <> struct NotificationCarries<kNotifyLaneSplit> { using Type = const PRLaneSplit; };

// The key of a keyboard notification.
struct PRKeyEvent {
    int pitch = 0;
    int velocity = 0;
    int channel = 0;
};

template <> struct NotificationCarries<kNotifyPreviewNoteOn> { using Type = const PRKeyEvent; };
template <> struct NotificationCarries<kNotifyPreviewNoteOff> { using Type = const PRKeyEvent; };
template <> struct NotificationCarries<kNotifySelectKeyNotes> { using Type = const PRKeyEvent; };
template <> struct NotificationCarries<kNotifyAddKeyNotes> { using Type = const PRKeyEvent; };
template <> struct NotificationCarries<kNotifyToolSettingsChanged> { using Type = void; };

template <> struct NotificationCarries<kNotifyRubberBandRestored> {
    using Type = const PRBandSpan;
};
// Where a dragged loop flag's pointer would put it.
struct PRLoopFlagMove {
    int32_t flag = 0;  // CLoopFlag::Which
    double timeMs = 0; // sound ms
    int32_t phase = 0; // CLoopFlag::Phase
};

template <> struct NotificationCarries<kNotifyLoopFlagMoved> { using Type = const PRLoopFlagMove; };
template <> struct NotificationCarries<kNotifyShowTime> { using Type = int32_t; };
template <> struct NotificationCarries<kNotifyLocate> { using Type = int32_t; };
