#pragma once

#include "support/Notification.h"

class CMIDIClip;

// Asks for the note editor on a MIDI clip: sent by the clip (double click,
// its menu's editor entry) to its observers, relayed by the project to the
// main window, and sent by the project for a new empty clip.
enum ClipEditorNotification : int {
    kNotifyOpenClipEditor = 1064,
};

template <> struct NotificationCarries<kNotifyOpenClipEditor> { using Type = CMIDIClip; };
