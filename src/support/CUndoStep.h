#pragma once

class CUndoMgr;

// One user-visible editing step. The records added to the undo manager while
// the step lives form one undo set: opening the step closes whatever set was
// open, so the step never joins the edit before it, and closing the step
// closes its set, so the edit after it never joins it. A step that recorded
// nothing leaves nothing behind. A step opened while another one is open
// belongs to the outer one.
//
//     CUndoStep step(undo);
//     clip.SetMuted(true, true);
//     clip.SetLocked(true, true); // one undo step for both changes
class CUndoStep {
public:
    explicit CUndoStep(CUndoMgr& undo);
    ~CUndoStep();
    CUndoStep(const CUndoStep&) = delete;
    CUndoStep& operator=(const CUndoStep&) = delete;

private:
    CUndoMgr& m_undo;
};
