#pragma once

class CProject;
class CUndoMgr;

// The key semitones away from key within its mode: a major key stays major
// and a minor key minor, wrapping round the octave. A key outside the table
// stays as it is.
int TransposedKey(int key, int semitones);

// Transpose Project Keys Up / Down: every marker that sets a key moves it by
// semitones (the clips that follow the key map follow it), each with a
// CTimeGridUndo in the undo set the caller began. Returns how many changed.
int TransposeProjectKeys(CProject& project, CUndoMgr& undo, int semitones);
