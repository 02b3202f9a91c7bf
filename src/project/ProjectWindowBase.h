#pragma once

#include "gui/VRGuiContainer.h"

// What the project document is shown as: the track area, a container inside
// the main window. The track-area class takes this place once it exists.
using ProjectWindowBase = VRGuiContainer;
