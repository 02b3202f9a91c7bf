#pragma once

#include "support/Notification.h"
#include "timeline/CPlaybackIndicator.h"
#include "timeline/CTimeGrid.h"

#include <cstdint>

// What the timeline's notifications carry (see support/Notification.h).
// CTimeGrid::kNotifyDragState is passed on as it came.
template <> struct NotificationCarries<CTimeGrid::kNotifyZoomChanged> {
    using Type = intptr_t; // milliseconds per pixel
};
template <> struct NotificationCarries<CPlaybackIndicator::kNotifyPosition> {
    using Type = intptr_t; // the playback position in heard milliseconds
};
