#pragma once

#include "timeline/LoomtoneCustomWindow.h"

// What the project document is shown as: the track area inside the main
// window.
using ProjectWindowBase = LoomtoneCustomWindow;
