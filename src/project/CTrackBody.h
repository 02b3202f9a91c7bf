#pragma once

#include "gui/VRGuiContainer.h"

// The body of a track, the lane its clips lie on. For now it holds the
// track's place and size; clips and painting come with the track area.
class CTrackBody : public VRGuiContainer {
public:
    CTrackBody();
};
