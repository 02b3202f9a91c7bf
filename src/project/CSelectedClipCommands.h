#pragma once

class CClip;
class CProject;
class CUndoMgr;

// The clip menu's commands that work on every selected clip at once: Mute,
// Lock, Loop to Trim, Trim Silence, Normalize and the envelope functions
// (fades, boost, reduce, reset, invert; each clip's shown envelope, within
// the time selection when there is one). The clip the menu was
// opened on leads: Mute and Lock give every clip the state it toggles to,
// and a clip outside the selection acts alone. Locked clips, clips of
// frozen tracks and clips being recorded are left as they are (only Lock
// reaches locked clips, to unlock them). One undo step.
class CSelectedClipCommands {
public:
    CSelectedClipCommands(CProject& project, CUndoMgr& undo) : m_project(project), m_undo(undo) {}

    // Whether a clip menu item (CClip::kMenu...) is carried out here.
    static bool Handles(int menuIndex);
    void Do(CClip& leader, int menuIndex);

private:
    void DoOn(CClip& clip, int menuIndex, bool state);

    CProject& m_project;
    CUndoMgr& m_undo;
};
