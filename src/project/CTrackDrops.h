#pragma once

#include "gui/GuiRect.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CPCMMixer;
class CProject;
class CUndoMgr;

// Files dropped on the track area: sounds and MIDI files become clips on
// the track under the drop, at its time, as one undo step; a project file
// goes to the open command instead.
class CTrackDrops {
public:
    CTrackDrops(CProject& project, CPCMMixer& mixer, CUndoMgr& undo)
        : m_project(project), m_mixer(mixer), m_undo(undo) {}

    // What a project file dropped on the tracks starts.
    void SetOpenProject(std::function<void(const std::string&)> command) {
        m_openProject = std::move(command);
    }
    // bodyPoint: where on the track bodies, in pixels of the timeline.
    void FilesDropped(const std::vector<std::string>& files, GuiPoint bodyPoint);

private:
    void SelectTrackForDrop(int32_t y);

    CProject& m_project;
    CPCMMixer& m_mixer;
    CUndoMgr& m_undo;
    std::function<void(const std::string&)> m_openProject;
};
