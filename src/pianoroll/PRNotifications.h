#pragma once

// Notification codes of the piano roll.
enum PRNotification : int {
    // Preview a pitch (PRKeyEvent) until the matching preview off.
    kNotifyPreviewNoteOn = 1045,
    kNotifyPreviewNoteOff = 1046,
    // Select the notes of a key (PRKeyEvent), replacing or adding to the selection.
    kNotifySelectKeyNotes = 1048,
    kNotifyAddKeyNotes = 1049,
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
