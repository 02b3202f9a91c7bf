#pragma once

class CMIDIClip;
class CMIDITrack;
class CMidiSound;
class CProject;
class CUndoMgr;

// An empty MIDI clip of one bar at the snapped caret, made by Add Instrument
// Clip and by a double click on an empty MIDI lane, and handed to the note
// editor. It lands on the selected track when that is a MIDI track; a MIDI
// track is put in place of an audio track, or appended when none is
// selected. The whole change is one undo step.
class CNewMidiClip {
public:
    CNewMidiClip(CProject& project, CUndoMgr& undo) : m_project(project), m_undo(undo) {}

    // The new clip (already selected and offered to the editor), or none in
    // file activity or when the track refuses it.
    CMIDIClip* AddAtCaret();

    // The bar's length in reference ms for a time signature (4/4 when not
    // positive): the clip follows the tempo map, so its bar is counted at
    // the reference tempo.
    static double BarMs(int numerator, int denominator);

private:
    CMIDITrack* TargetTrack();
    CMidiSound* MakeSound(double startMs) const;

    CProject& m_project;
    CUndoMgr& m_undo;
};
