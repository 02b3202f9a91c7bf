#pragma once

class CClip;
class CClipDrag;
class CClipSelection;
class CProject;
class CUndoMgr;

// Choosing clips: selecting one (and the track it lies on) or every clip of
// a track, letting go of them, and deleting the selection as one undo step.
class CClipSelector {
public:
    CClipSelector(CProject& project, CClipSelection& selection, CClipDrag& drag, CUndoMgr& undo)
        : m_project(project), m_selection(selection), m_drag(drag), m_undo(undo) {}

    // Unless extending, deselects every clip first.
    void SelectClip(CClip* clip, bool extend);
    void DeselectClip(CClip* clip);
    // trackIndex -1: every track.
    void SelectAllClips(int trackIndex, bool select);
    // Drops clips that left their tracks and takes in every clip marked selected.
    void RebuildClipSelection();
    void DeleteSelection();

private:
    CProject& m_project;
    CClipSelection& m_selection;
    CClipDrag& m_drag;
    CUndoMgr& m_undo;
};
