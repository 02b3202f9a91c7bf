#pragma once

#include "engine/CMidiControllerList.h"
#include "support/CUndoAtom.h"

#include <memory>
#include <vector>

class CMIDIClip;

// One stroke over a controller lane: the events of one controller list it
// removed and the events it added. Undo takes the added events out and puts
// the removed ones back; redo does the reverse. Events are found by their
// data, so the record does not depend on list indices. Holds a reference on
// the clip.
class CControllerUndo : public CUndoAtom {
public:
    CControllerUndo(CMIDIClip& clip, int controller, std::vector<MidiControllerEvent> removed,
                    std::vector<MidiControllerEvent> added);
    CControllerUndo(const CControllerUndo& other);
    CControllerUndo& operator=(const CControllerUndo&) = delete;
    ~CControllerUndo() override;

    std::unique_ptr<CUndoAtom> Clone() const override;
    void Restore(bool redo) override;
    void GetDescription(std::string& out) const override;

private:
    void Replace(const std::vector<MidiControllerEvent>& out,
                 const std::vector<MidiControllerEvent>& in);

    CMIDIClip& m_clip;
    int m_controller;
    std::vector<MidiControllerEvent> m_removed;
    std::vector<MidiControllerEvent> m_added;
};
