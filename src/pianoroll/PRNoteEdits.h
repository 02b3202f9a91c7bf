#pragma once

#include "engine/MidiNote.h"

#include <vector>

class CMIDIClip;
class CMidiSound;
class CUndoMgr;

// The note operations of the piano roll on one MIDI clip. Every add, change
// and removal goes through the engine's note operations under the sound's
// lock, is applied to the clip's working copy too (same index) so that the
// two stay in step, and is recorded for undo (CPianoRollUndo) in the undo
// manager's open set. Note times are sound ms.
//
// Without a MIDI sound every operation does nothing and fails.
class PRNoteEdits {
public:
    PRNoteEdits(CMIDIClip& clip, CUndoMgr& undo);

    CMIDIClip& Clip() const { return m_clip; }
    CUndoMgr& Undo() const { return m_undo; }
    CMidiSound* Sound() const;
    // The sound's notes in list order (sorted by start).
    std::vector<MidiNotePtr> Notes() const;

    // The new note, null when the engine refused it.
    MidiNotePtr AddNote(const TMidiSndNoteData& data);
    // False when the note is not in the sound or the data is refused.
    bool ChangeNote(const MidiNotePtr& note, const TMidiSndNoteData& data);
    bool DeleteNote(const MidiNotePtr& note);
    // Other notes of the note's pitch make room for it: covered ones go,
    // overlapping ones are cut (PROverlapRule). Notes listed in untouchable
    // are left alone.
    void ResolveOverlaps(const MidiNotePtr& note, const std::vector<MidiNotePtr>& untouchable = {});

    // The same operations by index without undo, on the sound and its
    // working copy: what undo and redo replay. False when the sound has no
    // such note or refuses the data.
    static bool ApplyAdd(CMIDIClip& clip, const TMidiSndNoteData& data, int* index);
    static bool ApplyRemove(CMIDIClip& clip, int index);
    static bool ApplyChange(CMIDIClip& clip, int index, const TMidiSndNoteData& data,
                            int* newIndex);
    // Index of the note holding exactly that data, preferring hint; -1.
    static int FindNote(const CMidiSound& sound, const TMidiSndNoteData& data, int hint);

private:
    void Record(int kind, int index, const TMidiSndNoteData& before, const TMidiSndNoteData& after);

    CMIDIClip& m_clip;
    CUndoMgr& m_undo;
};
