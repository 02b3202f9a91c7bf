#pragma once

#include "engine/CMidiSound.h"
#include "pianoroll/PRNoteEdits.h"
#include "pianoroll/PRNoteGeometry.h"
#include "project/CMIDIClip.h"

#include <algorithm>
#include <tuple>
#include <vector>

// What the note-area tests compare: start, end and stored pitch of each note.
using NoteSpan = std::tuple<double, double, int>;
using Notes = std::vector<NoteSpan>;

// Middle of a pitch's row, in content pixels.
inline int Row(int pitch) {
    return PRNoteGeometry::RowTop(pitch) + 5;
}

// A MIDI clip of the document over an empty sound lengthMs long; the caller
// gives back its reference.
template <class Document> CMIDIClip* NewEmptyMidiClip(Document& doc, double lengthMs) {
    auto* sound = new CMidiSound;
    sound->SetMediaLength(lengthMs);
    sound->SetVirtualLength(lengthMs);
    return new CMIDIClip(doc, sound);
}

// The sound's notes, sorted: notes of equal start keep no fixed order among
// themselves in the sound.
inline Notes SortedNotes(const PRNoteEdits& edits) {
    Notes notes;
    for (const MidiNotePtr& n : edits.Notes())
        notes.emplace_back(n->GetStart(), n->GetEnd(), n->GetPitch());
    std::sort(notes.begin(), notes.end());
    return notes;
}
