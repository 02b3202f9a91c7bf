#pragma once

#include "support/Notification.h"

#include <cstdint>

class CClip;

// Notification codes a clip sends to its observers (the project and the
// track area), with the payload each carries. Payloads are passed by
// pointer and live only for the delivery.
enum ClipNotification : int {
    // A click (release without a move, or after a selection drag). ClipClick.
    kNotifyClipClicked = 1004,
    // A selection drag moved at least 2 pixels from the press. ClipSelectionDrag.
    kNotifyClipSelectionDrag = 1011,
    // Every button release. No payload.
    kNotifyClipReleased = 1012,
    // Clicked while not selected, or restored as selected. ClipSelection.
    kNotifyClipSelect = 1014,
    // Clicked with Shift or Ctrl while selected, or restored as not selected. ClipSelection.
    kNotifyClipDeselect = 1015,
    // After a click: move the caret there. ClipCaret.
    kNotifyClipCaret = 1019,
    // A move drag of an unlocked clip. ClipMoveDrag.
    kNotifyClipMoveDrag = 1021,
    // Backspace or Delete pressed while the clip has the keyboard. No payload.
    kNotifyClipDeleteKey = 1022,
};

struct ClipClick {
    int32_t trackIndex = 0;
    int32_t reserved = 0;
};

struct ClipSelectionDrag {
    int32_t pressX = 0;
    int32_t pressY = 0;
    int32_t dx = 0;
    int32_t dy = 0;
    uint32_t keys = 0;
};

struct ClipSelection {
    CClip* clip = nullptr;
    uint32_t keys = 0;
};

struct ClipCaret {
    int32_t x = 0; // on the timeline, never below 0
    int32_t moveCaret = 1;
};

struct ClipMoveDrag {
    enum Phase : int32_t { kFirstMove = 1, kLaterMove = 2, kRelease = 3 };
    int32_t dx = 0;
    int32_t dy = 0;
    int32_t phase = kFirstMove;
};

// What each code carries (see support/Notification.h).
template <> struct NotificationCarries<kNotifyClipClicked> { using Type = const ClipClick; };
template <> struct NotificationCarries<kNotifyClipSelectionDrag> {
    using Type = const ClipSelectionDrag;
};
template <> struct NotificationCarries<kNotifyClipReleased> { using Type = void; };
template <> struct NotificationCarries<kNotifyClipSelect> { using Type = const ClipSelection; };
template <> struct NotificationCarries<kNotifyClipDeselect> { using Type = const ClipSelection; };
template <> struct NotificationCarries<kNotifyClipCaret> { using Type = const ClipCaret; };
template <> struct NotificationCarries<kNotifyClipMoveDrag> { using Type = const ClipMoveDrag; };
template <> struct NotificationCarries<kNotifyClipDeleteKey> { using Type = void; };
