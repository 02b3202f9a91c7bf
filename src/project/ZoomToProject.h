#pragma once

#include <cstdint>

class CProject;

// The finest zoom level at which heardMs of timeline fit into viewWidth
// pixels; the coarsest level when nothing finer does.
int ZoomLevelToFit(double heardMs, int32_t viewWidth);

// Zoom to Project: the whole project, from its start to the end of its last
// clip, fills the view, scrolled to the start. False (nothing changes) for
// a project without clips.
bool ZoomToProject(CProject& project);
