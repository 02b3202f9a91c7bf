#pragma once

#include "engine/MidiNote.h"
#include "support/CUndoAtom.h"

#include <memory>

class CMIDIClip;

// One note of a MIDI clip added, removed or changed in the piano roll: the
// note's data before and after and its index. Undo and redo find the note by
// its data (its index first), so that records of one step replay in any
// order of index shifts. Holds a reference on the clip.
class CPianoRollUndo : public CUndoAtom {
public:
    enum Kind { kAdd = 0, kRemove = 1, kChange = 2 };

    CPianoRollUndo(CMIDIClip& clip, Kind kind, int index, const TMidiSndNoteData& before,
                   const TMidiSndNoteData& after);
    CPianoRollUndo(const CPianoRollUndo& other);
    CPianoRollUndo& operator=(const CPianoRollUndo&) = delete;
    ~CPianoRollUndo() override;

    std::unique_ptr<CUndoAtom> Clone() const override;
    void Restore(bool redo) override;
    void GetDescription(std::string& out) const override;

private:
    void Insert(const TMidiSndNoteData& data);
    void Remove(const TMidiSndNoteData& data);
    void Replace(const TMidiSndNoteData& from, const TMidiSndNoteData& to);

    CMIDIClip& m_clip;
    Kind m_kind;
    int m_index;
    TMidiSndNoteData m_before;
    TMidiSndNoteData m_after;
};
