#pragma once

#include "engine/CMidiSound.h"

// A second of MIDI material: three 250 ms notes, 300 ms apart, rising from
// firstPitch. The caller owns the sound until a clip takes it.
inline CMidiSound* ThreeNotes(int firstPitch) {
    auto* sound = new CMidiSound;
    TMidiSndNoteData note;
    for (int i = 0; i < 3; ++i) {
        note.start = i * 300.0;
        note.end = note.start + 250.0;
        note.pitch = firstPitch + i;
        sound->AddMidiNote(note, nullptr);
    }
    sound->SetMediaLength(1000.0);
    sound->SetLoopStart(0.0);
    sound->SetLoopEnd(1000.0);
    sound->SetVirtualLength(1000.0);
    return sound;
}
