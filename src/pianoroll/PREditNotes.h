#pragma once

#include "engine/MidiNote.h"

#include <vector>

class CMidiSound;
class PRNoteEdits;

// A time as the note-edit dialog shows it: whole measures, beats and
// thousandths of a beat. For a start, measures and beats count from 1; for
// a duration, from 0.
struct PRMusicalTime {
    int measures = 0;
    int beats = 0;
    int fraction = 0;

    bool operator==(const PRMusicalTime&) const = default;
};

// The values of the note-edit dialog for one or many notes: each is -1 when
// the notes do not agree on it (the dialog shows "-") or, on the way back,
// when the user left it so (the notes keep theirs).
struct PREditNoteValues {
    int start = -1;    // sound ms, truncated
    int duration = -1; // sound ms, truncated
    int channel = -1;  // 0..15
    int pitch = -1;    // stored pitch 0..127
    int velocity = -1;
    int releaseVelocity = -1;

    bool operator==(const PREditNoteValues&) const = default;
};

// The arithmetic of the note-edit dialog. Musical times go by a tempo (the
// sound's own, or 120 when it follows the tempo map, so that a beat of
// reference time is 500 ms) and the sound's beats per measure.
class PREditNotes {
public:
    // The values the notes share, in the order given.
    static PREditNoteValues Gather(const std::vector<MidiNotePtr>& notes);
    // The tempo and beats per measure the dialog counts with for a sound.
    static double TempoOf(const CMidiSound* sound);
    static int BeatsPerMeasureOf(const CMidiSound* sound);

    static PRMusicalTime StartToMusical(int startMs, double tempo, int beatsPerMeasure);
    static PRMusicalTime DurationToMusical(int durationMs, double tempo, int beatsPerMeasure);
    // Sound ms, truncated; -1 for a start before measure 1 or with a field
    // left empty (negative).
    static int MusicalToStart(const PRMusicalTime& t, double tempo, int beatsPerMeasure);
    // Sound ms, truncated; -1 when a field is empty (negative).
    static int MusicalToDuration(const PRMusicalTime& t, double tempo, int beatsPerMeasure);

    // Writes every value that is not -1 into each note (a start moves the
    // note, keeping its length; a duration sets its end) as one undo step,
    // then lets each note make room among its pitch. A duration that is not
    // positive is ignored. False when nothing changed.
    static bool Apply(PRNoteEdits& edits, const std::vector<MidiNotePtr>& notes,
                      const PREditNoteValues& values);
};
