#pragma once

#include "engine/MidiNote.h"
#include "pianoroll/PRNoteGeometry.h"
#include "pianoroll/PRNoteTiming.h"
#include "support/CUndoStep.h"

#include <cstdint>
#include <optional>
#include <vector>

class PRNoteEdits;

// What new notes get and how the pointer acts: the toolbar's settings.
struct PRToolSettings {
    PRTool tool = PRTool::kPencil;
    PRLengthChoice length;
    // Sound ms new notes get instead of the length type; 0 for none.
    double customLengthMs = 0.0;
    int velocity = 110;
    int snapLevel = 4;
};

// One selected note: where it is drawn during a drag, where it was when the
// gesture started (content pixels) and the time the drag gives it (sound
// ms: the new start for moves and start edges, the new end for end edges).
struct PRSelectedNote {
    MidiNotePtr note;
    PRNoteRect rect;
    PRNoteRect startRect;
    int32_t newTimeMs = 0;
};

// What the gestures tell the window around them.
class PRNoteAreaListener {
public:
    virtual ~PRNoteAreaListener() = default;
    virtual void PreviewNoteOn(int pitch, int velocity, int channel) = 0;
    virtual void PreviewNoteOff(int pitch, int channel) = 0;
    // Content rectangle to repaint.
    virtual void RepaintRect(const PRNoteRect&) {}
    // The sound time under the pointer or of the dragged note.
    virtual void ShowTime(double) {}
    // The settings changed to those of a clicked note.
    virtual void ToolSettingsChanged() {}
};

// The mouse gestures of the note area without any drawing: hover, press,
// drag and release in content pixels turn into note edits (one undo set per
// gesture), a selection and a rubber band, with the pitches heard through the
// listener. Times are sound ms; pitches seen here are displayed pitches (the
// stored pitch plus the forced key offset when the sound ignores the key map).
class PRNoteGestures {
public:
    static constexpr unsigned kShift = 1;
    static constexpr unsigned kControl = 2;

    PRNoteGestures(PRNoteEdits& edits, PRNoteAreaListener& listener);

    void SetMsPerPixel(double msPerPixel) { m_geometry = PRNoteGeometry(msPerPixel); }
    const PRNoteGeometry& Geometry() const { return m_geometry; }
    PRToolSettings& Settings() { return m_settings; }
    const PRToolSettings& Settings() const { return m_settings; }
    PRNoteTiming Timing() const;
    // Sound ms a new note lasts.
    double NewNoteLengthMs() const;

    // Pointer input in content coordinates.
    void Hover(int x, int y);
    void Press(int x, int y, unsigned modifiers);
    void Drag(int x, int y);
    void Release(int x, int y, unsigned modifiers);
    bool ButtonDown() const { return m_buttonDown; }
    // True while selected notes are drawn at their dragged places.
    bool MovingSelection() const { return m_buttonDown && m_moved && m_zone == PRHitZone::kBody; }

    const MidiNotePtr& Hovered() const { return m_hovered; }
    PRHitZone HoverZone() const { return m_zone; }
    double CaretTimeMs() const { return m_caretMs; }
    // Where a click on the ruler put the caret (the paste target).
    void SetCaretTimeMs(double soundMs) { m_caretMs = soundMs; }
    const std::vector<PRSelectedNote>& Selection() const { return m_selection; }
    bool IsSelected(const MidiNote* note) const;
    void Select(const MidiNotePtr& note);
    void DeselectAll();
    void SelectAll();
    // Selects the notes of a displayed pitch, after deselecting all with replace.
    void SelectKey(int pitch, bool replace);
    // The rubber band's rectangle (content pixels, snapped) while shown.
    const std::optional<PRNoteRect>& RubberBand() const { return m_band; }
    void HideRubberBand() { m_band.reset(); }
    // The rubber band apart from the zoom, and shown again from that.
    std::optional<PRBandSpan> RubberBandSpan() const;
    void ShowRubberBand(const PRBandSpan& span);
    // Deletes the selected notes, one undo record each.
    void DeleteSelection();

    // Displayed pitch of a note, and its rectangle; none outside 0..127.
    int DisplayedPitch(const MidiNote& note) const;
    std::optional<PRNoteRect> NoteRect(const MidiNote& note) const;
    // The first note whose rectangle holds the point, in list order.
    MidiNotePtr HitTest(int x, int y, PRHitZone* zone) const;

private:
    int KeyOffset() const;
    MidiNotePtr EraserHit(int x, int y) const;
    PRSelectedNote* Record(const MidiNote* note);
    void RenewStartRects();
    void Preview(int pitch, int velocity, int channel);
    void PreviewOff();
    void MoveSelection(int dx, int dy);
    void ResizeHovered(int dx);
    void EraseUnder(int x, int y);
    void SpanRubberBand(int x, int y, bool live);
    void DrawNote();
    void CommitMove(int dx);
    void CommitResize();
    void TakeNoteAsModel();

    PRNoteEdits& m_edits;
    PRNoteAreaListener& m_listener;
    PRNoteGeometry m_geometry{10.0};
    PRToolSettings m_settings;
    MidiNotePtr m_hovered;
    PRHitZone m_zone = PRHitZone::kNone;
    int m_pressX = 0;
    int m_pressY = 0;
    bool m_buttonDown = false;
    // Everything a press, its drags and its release change is one undo step.
    std::optional<CUndoStep> m_gestureStep;
    bool m_moved = false;
    double m_caretMs = 0.0;
    std::vector<PRSelectedNote> m_selection;
    std::vector<MidiNotePtr> m_bandSelected;
    std::optional<PRNoteRect> m_band;
    // The pitch and channel sounding for the preview; -1 when none.
    int m_previewPitch = -1;
    int m_previewChannel = 0;
};
