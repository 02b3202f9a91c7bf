#pragma once

#include "gui/VRGuiContainer.h"

// The header of a track in the header column of the track area. For now it
// holds the track's place and size; its controls come with the track area.
class CTrackHeader : public VRGuiContainer {
public:
    static constexpr int32_t kWidth = 300;

    CTrackHeader();
};
