#pragma once

#include "engine/CMidiControllerList.h"

#include <vector>

class CMIDIClip;
class PRControllerLane;
class PRControllerStroke;
class PRNoteEdits;

// What a stroke does to one controller list: the events it takes out and
// the events it puts in (times in sound ms).
struct PRControllerChange {
    std::vector<MidiControllerEvent> removed;
    std::vector<MidiControllerEvent> added;

    bool Empty() const { return removed.empty() && added.empty(); }
};

// The edits of the controller lane on one MIDI clip. A stroke over a
// velocity lane changes the velocities of the notes it covers (through the
// note edits, with their undo); a stroke over a controller lane replaces the
// controller's events under it, recorded as one CControllerUndo. Each
// commit is one undo step. Columns and times meet at msPerPixel: column x
// starts at sound time x * msPerPixel.
class PRControllerEdits {
public:
    explicit PRControllerEdits(PRNoteEdits& notes);

    // Commits a finished stroke (erase: the eraser's, which only removes).
    // True when the clip changed.
    bool Commit(const PRControllerLane& lane, const PRControllerStroke& stroke, double msPerPixel,
                bool erase);

    // The change a stroke makes to a controller list holding existing: every
    // event in the stroke's columns goes; unless erasing, an event comes at
    // each column whose value differs from the column before it, and a
    // pitch bend that does not end at its centre returns there 1 ms after
    // the last column.
    static PRControllerChange Plan(const std::vector<MidiControllerEvent>& existing,
                                   const PRControllerLane& lane, const PRControllerStroke& stroke,
                                   double msPerPixel, bool erase, int channel);

    // Adds or removes (the first event equal to) an event on the clip's
    // sound and its working copy, without undo: what undo and redo replay.
    static bool ApplyAdd(CMIDIClip& clip, int controller, const MidiControllerEvent& event);
    static bool ApplyRemove(CMIDIClip& clip, int controller, const MidiControllerEvent& event);

private:
    bool CommitVelocities(const PRControllerLane& lane, const PRControllerStroke& stroke,
                          double msPerPixel);
    bool CommitController(const PRControllerLane& lane, const PRControllerStroke& stroke,
                          double msPerPixel, bool erase);
    // The channel drawn events go to: the first note's, so that they reach
    // the notes of a clip that plays on another channel than the first.
    int DrawChannel() const;

    PRNoteEdits& m_notes;
};
