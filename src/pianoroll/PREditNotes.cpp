#include "pianoroll/PREditNotes.h"

#include "engine/CMidiSound.h"
#include "pianoroll/PRNoteEdits.h"
#include "pianoroll/PRNoteTiming.h"
#include "support/CUndoStep.h"

#include <algorithm>
#include <cmath>

namespace {

// Whole beats and thousandths of a time; a fraction that rounds up to a
// whole beat is carried into it.
void SplitBeats(int ms, double tempo, int& whole, int& fraction) {
    const double beats = ms * tempo / 60000.0;
    whole = static_cast<int>(std::trunc(beats));
    fraction = static_cast<int>(std::lround((beats - whole) * 1000.0));
    if (fraction >= 1000) {
        ++whole;
        fraction -= 1000;
    }
}

int Agreed(int first, int other) {
    return first == other ? first : -1;
}

} // namespace

PREditNoteValues PREditNotes::Gather(const std::vector<MidiNotePtr>& notes) {
    PREditNoteValues v;
    for (size_t i = 0; i < notes.size(); ++i) {
        const TMidiSndNoteData d = notes[i]->GetNoteData();
        const PREditNoteValues own{static_cast<int>(d.start),
                                   static_cast<int>(d.end - d.start),
                                   d.channel,
                                   d.pitch,
                                   d.velocity,
                                   d.releaseVelocity};
        if (i == 0) {
            v = own;
            continue;
        }
        v.start = Agreed(v.start, own.start);
        v.duration = Agreed(v.duration, own.duration);
        v.channel = Agreed(v.channel, own.channel);
        v.pitch = Agreed(v.pitch, own.pitch);
        v.velocity = Agreed(v.velocity, own.velocity);
        v.releaseVelocity = Agreed(v.releaseVelocity, own.releaseVelocity);
    }
    return v;
}

double PREditNotes::TempoOf(const CMidiSound* sound) {
    return PRNoteTiming::ForSound(sound).Tempo();
}

int PREditNotes::BeatsPerMeasureOf(const CMidiSound* sound) {
    return PRNoteTiming::ForSound(sound).BeatsPerMeasure();
}

PRMusicalTime PREditNotes::StartToMusical(int startMs, double tempo, int beatsPerMeasure) {
    int whole = 0;
    int fraction = 0;
    SplitBeats(startMs, tempo, whole, fraction);
    return {whole / beatsPerMeasure + 1, whole % beatsPerMeasure + 1, fraction};
}

PRMusicalTime PREditNotes::DurationToMusical(int durationMs, double tempo, int beatsPerMeasure) {
    int whole = 0;
    int fraction = 0;
    SplitBeats(durationMs, tempo, whole, fraction);
    return {whole / beatsPerMeasure, whole % beatsPerMeasure, fraction};
}

int PREditNotes::MusicalToStart(const PRMusicalTime& t, double tempo, int beatsPerMeasure) {
    if (t.measures < 1 || t.beats < 0 || t.fraction < 0 || tempo <= 0.0)
        return -1;
    const double beats = static_cast<double>(beatsPerMeasure) * (t.measures - 1) +
                         std::max(0, t.beats - 1) + t.fraction * 0.001;
    return static_cast<int>(std::trunc(beats / tempo * 60000.0));
}

int PREditNotes::MusicalToDuration(const PRMusicalTime& t, double tempo, int beatsPerMeasure) {
    if (t.measures < 0 || t.beats < 0 || t.fraction < 0 || tempo <= 0.0)
        return -1;
    const double beats =
        static_cast<double>(beatsPerMeasure) * t.measures + t.beats + t.fraction * 0.001;
    return static_cast<int>(std::trunc(beats / tempo * 60000.0));
}

bool PREditNotes::Apply(PRNoteEdits& edits, const std::vector<MidiNotePtr>& notes,
                        const PREditNoteValues& values) {
    CMidiSound* sound = edits.Sound();
    if (!sound)
        return false;
    CUndoStep step(edits.Undo());
    sound->Lock();
    bool changed = false;
    for (const MidiNotePtr& note : notes) {
        TMidiSndNoteData data = note->GetNoteData();
        if (values.channel >= 0)
            data.channel = values.channel;
        if (values.pitch >= 0)
            data.pitch = values.pitch;
        if (values.velocity >= 0)
            data.velocity = values.velocity;
        if (values.releaseVelocity >= 0)
            data.releaseVelocity = values.releaseVelocity;
        if (values.start >= 0) {
            data.end = values.start + (data.end - data.start);
            data.start = values.start;
        }
        if (values.duration > 0)
            data.end = data.start + values.duration;
        if (data != note->GetNoteData() && edits.ChangeNote(note, data))
            changed = true;
    }
    for (const MidiNotePtr& note : notes)
        edits.ResolveOverlaps(note);
    sound->Unlock();
    return changed;
}
