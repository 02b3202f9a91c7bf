#include "pianoroll/PRNoteClipboard.h"

#include "pianoroll/CSelRectUndo.h"
#include "pianoroll/PRNoteEdits.h"
#include "pianoroll/PRNoteGestures.h"
#include "support/CUndoMgr.h"
#include "support/CUndoStep.h"

#include <algorithm>
#include <cmath>

std::optional<PRNoteClipboard::TimeRange> PRNoteClipboard::BandRange() const {
    const std::optional<PRNoteRect>& band = m_gestures.RubberBand();
    if (!band)
        return std::nullopt;
    const PRNoteGeometry& geometry = m_gestures.Geometry();
    return TimeRange{geometry.TimeOfX(std::min(band->left, band->right)),
                     geometry.TimeOfX(std::max(band->left, band->right))};
}

std::vector<MidiNotePtr> PRNoteClipboard::SelectedNotes() const {
    std::vector<MidiNotePtr> notes;
    for (const PRSelectedNote& selected : m_gestures.Selection())
        if (selected.note && selected.note->IsValid())
            notes.push_back(selected.note);
    return notes;
}

void PRNoteClipboard::Copy() {
    const std::vector<MidiNotePtr> notes = SelectedNotes();
    if (notes.empty())
        return;
    const std::optional<TimeRange> band = BandRange();
    m_notes.clear();
    m_referenceMs = kNoReference;
    for (const MidiNotePtr& note : notes) {
        TMidiSndNoteData data = note->GetNoteData();
        if (band && data.start < band->endMs && data.end > band->startMs) {
            data.start = std::max(data.start, band->startMs);
            data.end = std::min(data.end, band->endMs);
        }
        m_notes.push_back(data);
        m_referenceMs = std::min(m_referenceMs, data.start);
    }
}

void PRNoteClipboard::Cut() {
    CUndoStep step(m_edits.Undo());
    Copy();
    DeleteKeepingOutside(BandRange());
}

void PRNoteClipboard::Delete() {
    CUndoStep step(m_edits.Undo());
    DeleteKeepingOutside(BandRange());
}

void PRNoteClipboard::DeleteKeepingOutside(const std::optional<TimeRange>& band) {
    const std::vector<MidiNotePtr> notes = SelectedNotes();
    // Undo shows the rubber band the notes were cut out with again.
    if (const std::optional<PRBandSpan> span = m_gestures.RubberBandSpan(); span && !notes.empty())
        m_edits.Undo().AddUndoNode(CSelRectUndo(m_edits.Clip(), *span));
    m_gestures.DeselectAll();
    m_gestures.HideRubberBand();
    for (auto it = notes.rbegin(); it != notes.rend(); ++it) {
        const TMidiSndNoteData data = (*it)->GetNoteData();
        if (!m_edits.DeleteNote(*it) || !band)
            continue;
        if (data.start < band->startMs) {
            TMidiSndNoteData before = data;
            before.end = std::min(data.end, band->startMs);
            m_edits.AddNote(before);
        }
        if (data.end > band->endMs) {
            TMidiSndNoteData after = data;
            after.start = std::max(data.start, band->endMs);
            m_edits.AddNote(after);
        }
    }
}

std::vector<MidiNotePtr> PRNoteClipboard::Paste() {
    std::vector<MidiNotePtr> added;
    if (m_notes.empty())
        return added;
    CUndoStep step(m_edits.Undo());
    m_gestures.DeselectAll();
    m_gestures.HideRubberBand();
    const double shift = std::trunc(m_gestures.CaretTimeMs()) - m_referenceMs;
    for (TMidiSndNoteData data : m_notes) {
        data.start += shift;
        data.end += shift;
        if (MidiNotePtr note = m_edits.AddNote(data))
            added.push_back(note);
    }
    // Pasted notes make room among the others, never among themselves.
    for (const MidiNotePtr& note : added)
        if (note->IsValid())
            m_edits.ResolveOverlaps(note, added);
    for (const MidiNotePtr& note : added)
        if (note->IsValid())
            m_gestures.Select(note);
    return added;
}
