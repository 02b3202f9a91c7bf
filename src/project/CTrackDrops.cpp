#include "project/CTrackDrops.h"

#include "engine/CPCMMixer.h"
#include "project/CProject.h"
#include "project/CTrack.h"
#include "project/CTrackBody.h"
#include "support/CUndoMgr.h"
#include "support/CUndoStep.h"
#include "support/Paths.h"

namespace {

bool IsProjectFileName(const std::string& path) {
    for (const char* extension : {"lt3", "lt3template", "lt4", "lt4template", "ltc"})
        if (HasFileExtension(path, extension))
            return true;
    return false;
}

} // namespace

void CTrackDrops::FilesDropped(const std::vector<std::string>& files, GuiPoint bodyPoint) {
    m_mixer.Stop(0);
    bool first = true;
    for (const std::string& file : files) {
        if (IsProjectFileName(file)) {
            if (m_openProject)
                m_openProject(file);
            return;
        }
        if (first) {
            // A track made for the drop is an undo step of its own; each
            // sound added to it is another.
            CUndoStep step(m_undo);
            SelectTrackForDrop(bodyPoint.y);
            m_project.MoveCaretAndPlayback(static_cast<double>(bodyPoint.x) *
                                           m_project.MsPerPixel());
            first = false;
        }
        if (!m_project.AddClip(file))
            return;
    }
}

void CTrackDrops::SelectTrackForDrop(int32_t y) {
    for (int index = 0; index < m_project.GetNumTracks(); ++index) {
        const CTrack* track = m_project.GetTrack(index);
        const CTrackBody* body = track->GetBody();
        if (body && y >= body->GetY() && y < body->GetY() + track->GetHeight()) {
            m_project.SelectTrack(index, false);
            return;
        }
    }
    // Below the last track: the sound gets a new track of its own.
    m_project.AddAudioTrack(-1, true);
}
