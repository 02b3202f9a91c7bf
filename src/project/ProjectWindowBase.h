#pragma once

#include "gui/VRGuiWindow.h"

// The window class the project document is shown in. The track-area window
// takes this place once it exists; until then a plain window hosts the
// header column and the track bodies.
using ProjectWindowBase = VRGuiWindow;
