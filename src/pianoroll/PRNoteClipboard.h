#pragma once

#include "engine/MidiNote.h"

#include <optional>
#include <vector>

class PRNoteEdits;
class PRNoteGestures;

// Cut, copy, paste and delete of the piano roll's selected notes. Copied
// notes are kept as note data with the earliest start as their reference,
// so a paste puts that start at the paste time. While the rubber band shows,
// it is a time selection: copies are clipped to its time range and a delete
// keeps the parts of each note outside it. Each operation is one undo step.
class PRNoteClipboard {
public:
    // The reference of an empty clipboard.
    static constexpr double kNoReference = 999999999.0;

    PRNoteClipboard(PRNoteEdits& edits, PRNoteGestures& gestures)
        : m_edits(edits), m_gestures(gestures) {}

    void Copy();
    void Cut();
    // The copied notes shifted to the note area's caret time; they become the
    // selection and make room among the same pitches. Answers the notes added.
    std::vector<MidiNotePtr> Paste();
    void Delete();

    bool IsEmpty() const { return m_notes.empty(); }
    const std::vector<TMidiSndNoteData>& Notes() const { return m_notes; }
    double ReferenceMs() const { return m_referenceMs; }

private:
    struct TimeRange {
        double startMs;
        double endMs;
    };
    // The rubber band's time range (sound ms), when it shows.
    std::optional<TimeRange> BandRange() const;
    std::vector<MidiNotePtr> SelectedNotes() const;
    void DeleteKeepingOutside(const std::optional<TimeRange>& band);

    PRNoteEdits& m_edits;
    PRNoteGestures& m_gestures;
    std::vector<TMidiSndNoteData> m_notes;
    double m_referenceMs = kNoReference;
};
