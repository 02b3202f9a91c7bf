#include "project/ZoomToProject.h"

#include "engine/TempoMap.h"
#include "project/CProject.h"
#include "support/Log.h"
#include "timeline/CTimeGrid.h"
#include "timeline/TimelineNotifications.h"

#include <cmath>

int ZoomLevelToFit(double heardMs, int32_t viewWidth) {
    const int coarsest = CTimeGrid::kZoomLevelCount - 1;
    if (viewWidth <= 0 || !(heardMs > 0.0))
        return coarsest;
    for (int level = 0; level < coarsest; ++level)
        if (std::trunc(heardMs / CTimeGrid::MsPerPixel(level)) <= viewWidth)
            return level;
    return coarsest;
}

bool ZoomToProject(CProject& project) {
    const double lengthMs = project.GetProjectLengthMs();
    if (!(lengthMs > 0.0))
        return false;
    // The view shows heard time: a slow project needs more room.
    const double heardEnd = project.GetTempoMap().GetTempoAdjustedTime(lengthMs);
    project.SetZoomLevel(ZoomLevelToFit(heardEnd, project.GetViewWidth()));
    project.SetHorizontalScroll(0);
    Notify<CTimeGrid::kNotifyZoomChanged>(project, intptr_t(project.MsPerPixel()));
    LogFmt("CProject::Zoom() zoomLevel=%d", project.MsPerPixel());
    return true;
}
