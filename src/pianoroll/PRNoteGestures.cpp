#include "pianoroll/PRNoteGestures.h"

#include "engine/CMidiSound.h"
#include "pianoroll/PRDragRules.h"
#include "pianoroll/PRNoteEdits.h"

#include <algorithm>
#include <cmath>

PRNoteGestures::PRNoteGestures(PRNoteEdits& edits, PRNoteAreaListener& listener)
    : m_edits(edits), m_listener(listener) {}

PRNoteTiming PRNoteGestures::Timing() const {
    return PRNoteTiming::ForSound(m_edits.Sound());
}

double PRNoteGestures::NewNoteLengthMs() const {
    if (m_settings.customLengthMs > 0.0)
        return m_settings.customLengthMs;
    return Timing().NoteLengthMs(m_settings.length);
}

int PRNoteGestures::KeyOffset() const {
    const CMidiSound* sound = m_edits.Sound();
    return sound && !sound->GetObeyKeyMap() ? sound->GetForcedKeyOffset() : 0;
}

int PRNoteGestures::DisplayedPitch(const MidiNote& note) const {
    return note.GetPitch() + KeyOffset();
}

std::optional<PRNoteRect> PRNoteGestures::NoteRect(const MidiNote& note) const {
    const int pitch = DisplayedPitch(note);
    if (pitch < 0 || pitch >= PRNoteGeometry::kNumPitches)
        return std::nullopt;
    return m_geometry.NoteRect(note.GetStart(), note.GetEnd(), pitch);
}

MidiNotePtr PRNoteGestures::HitTest(int x, int y, PRHitZone* zone) const {
    for (const MidiNotePtr& note : m_edits.Notes()) {
        const std::optional<PRNoteRect> rect = NoteRect(*note);
        if (rect && rect->Contains(x, y)) {
            if (zone)
                *zone = PRNoteGeometry::ZoneAt(*rect, x, m_settings.tool);
            return note;
        }
    }
    if (zone)
        *zone = PRHitZone::kNone;
    return nullptr;
}

MidiNotePtr PRNoteGestures::EraserHit(int x, int y) const {
    const PRNoteRect footprint = PRNoteGeometry::EraserFootprint(x, y);
    for (const MidiNotePtr& note : m_edits.Notes()) {
        const std::optional<PRNoteRect> rect = NoteRect(*note);
        if (rect && rect->Intersects(footprint))
            return note;
    }
    return nullptr;
}

bool PRNoteGestures::IsSelected(const MidiNote* note) const {
    return std::any_of(m_selection.begin(), m_selection.end(),
                       [note](const PRSelectedNote& s) { return s.note.get() == note; });
}

PRSelectedNote* PRNoteGestures::Record(const MidiNote* note) {
    for (PRSelectedNote& s : m_selection)
        if (s.note.get() == note)
            return &s;
    return nullptr;
}

void PRNoteGestures::Select(const MidiNotePtr& note) {
    if (!note || IsSelected(note.get()))
        return;
    const std::optional<PRNoteRect> rect = NoteRect(*note);
    if (!rect)
        return;
    PRSelectedNote record{note, *rect, *rect, static_cast<int32_t>(note->GetStart())};
    const auto at =
        std::upper_bound(m_selection.begin(), m_selection.end(), std::round(note->GetStart()),
                         [](double start, const PRSelectedNote& s) {
                             return start < std::round(s.note->GetStart());
                         });
    m_selection.insert(at, record);
    m_listener.RepaintRect(*rect);
}

void PRNoteGestures::DeselectAll() {
    for (const PRSelectedNote& s : m_selection)
        m_listener.RepaintRect(s.rect);
    m_selection.clear();
}

void PRNoteGestures::SelectAll() {
    DeselectAll();
    for (const MidiNotePtr& note : m_edits.Notes())
        Select(note);
    m_band.reset();
}

void PRNoteGestures::SelectKey(int pitch, bool replace) {
    if (replace)
        DeselectAll();
    for (const MidiNotePtr& note : m_edits.Notes())
        if (DisplayedPitch(*note) == pitch)
            Select(note);
    m_band.reset();
}

void PRNoteGestures::DeleteSelection() {
    for (auto it = m_selection.rbegin(); it != m_selection.rend(); ++it) {
        m_listener.RepaintRect(it->rect);
        m_edits.DeleteNote(it->note);
    }
    m_selection.clear();
    m_band.reset();
}

void PRNoteGestures::RenewStartRects() {
    // Notes may have moved since they were selected, or gone.
    std::erase_if(m_selection, [](const PRSelectedNote& s) { return !s.note->IsValid(); });
    for (PRSelectedNote& s : m_selection)
        if (const std::optional<PRNoteRect> rect = NoteRect(*s.note))
            s.rect = s.startRect = *rect;
}

void PRNoteGestures::Preview(int pitch, int velocity, int channel) {
    if (pitch == m_previewPitch && channel == m_previewChannel)
        return;
    PreviewOff();
    m_listener.PreviewNoteOn(pitch, velocity, channel);
    m_previewPitch = pitch;
    m_previewChannel = channel;
}

void PRNoteGestures::PreviewOff() {
    if (m_previewPitch < 0)
        return;
    m_listener.PreviewNoteOff(m_previewPitch, m_previewChannel);
    m_previewPitch = -1;
}

void PRNoteGestures::Hover(int x, int y) {
    if (m_buttonDown)
        return;
    PRHitZone zone = PRHitZone::kNone;
    MidiNotePtr note = m_settings.tool == PRTool::kEraser ? EraserHit(x, y) : HitTest(x, y, &zone);
    if (note && m_settings.tool == PRTool::kEraser)
        zone = PRHitZone::kBody;
    if (note != m_hovered) {
        for (const MidiNotePtr& changed : {m_hovered, note})
            if (changed)
                if (const std::optional<PRNoteRect> rect = NoteRect(*changed))
                    m_listener.RepaintRect(*rect);
    }
    m_hovered = note;
    m_zone = zone;
    m_listener.ShowTime(m_geometry.TimeOfX(std::max(0, x)));
}

void PRNoteGestures::Press(int x, int y, unsigned modifiers) {
    m_gestureStep.emplace(m_edits.Undo());
    Hover(x, y);
    m_buttonDown = true;
    m_pressX = x;
    m_pressY = y;
    m_caretMs = Timing().Snap(m_geometry.TimeOfX(x), m_settings.snapLevel);
    if (!m_hovered || !IsSelected(m_hovered.get())) {
        if ((modifiers & (kShift | kControl)) == 0)
            DeselectAll();
        Select(m_hovered);
    }
    RenewStartRects();
    m_moved = false;
    Drag(x, y);
}

void PRNoteGestures::Drag(int x, int y) {
    if (!m_buttonDown)
        return;
    if (m_settings.tool == PRTool::kEraser) {
        EraseUnder(x, y);
        m_listener.ShowTime(m_geometry.TimeOfX(std::max(0, x)));
        return;
    }
    const int dx = x - m_pressX;
    const int dy = y - m_pressY;
    if (dx != 0 || dy != 0)
        m_moved = true;
    switch (m_zone) {
    case PRHitZone::kNone:
        if (m_settings.tool == PRTool::kArrow) {
            if (m_moved)
                SpanRubberBand(x, y, true);
        } else {
            Preview(PRNoteGeometry::PitchAtY(y), m_settings.velocity, 0);
        }
        break;
    case PRHitZone::kBody:
        MoveSelection(dx, dy);
        break;
    case PRHitZone::kStartEdge:
    case PRHitZone::kEndEdge:
        ResizeHovered(dx);
        break;
    }
}

void PRNoteGestures::EraseUnder(int x, int y) {
    const PRNoteRect footprint = PRNoteGeometry::EraserFootprint(x, y);
    for (const MidiNotePtr& note : m_edits.Notes()) {
        const std::optional<PRNoteRect> rect = NoteRect(*note);
        if (!rect || !rect->Intersects(footprint))
            continue;
        m_selection.erase(std::remove_if(m_selection.begin(), m_selection.end(),
                                         [&](const PRSelectedNote& s) { return s.note == note; }),
                          m_selection.end());
        m_edits.DeleteNote(note);
        m_listener.RepaintRect(*rect);
    }
}

void PRNoteGestures::MoveSelection(int dx, int dy) {
    if (!m_hovered || m_selection.empty())
        return;
    double earliest = m_selection.front().note->GetStart();
    int highestTop = m_selection.front().startRect.top;
    for (const PRSelectedNote& s : m_selection) {
        earliest = std::min(earliest, s.note->GetStart());
        highestTop = std::min(highestTop, s.startRect.top);
    }
    const PRNoteTiming timing = Timing();
    const PRDragRules rules(timing, m_geometry, m_settings.snapLevel);
    const double delta = rules.MoveDeltaMs(m_hovered->GetStart(), earliest, dx, m_moved);
    const int rows = PRDragRules::MoveRowsPx(highestTop, dy);
    for (PRSelectedNote& s : m_selection) {
        m_listener.RepaintRect(s.rect);
        s.newTimeMs = static_cast<int32_t>(s.note->GetStart() + delta);
        s.rect.left = m_geometry.XOfTime(s.newTimeMs);
        s.rect.right = m_geometry.XOfTime(std::trunc(s.newTimeMs + s.note->GetDuration()));
        s.rect.top = std::min(s.startRect.top + rows, PRNoteGeometry::kLowestRowTop);
        s.rect.bottom = s.rect.top + PRNoteGeometry::kRowHeight;
        m_listener.RepaintRect(s.rect);
    }
    if (const PRSelectedNote* lead = Record(m_hovered.get())) {
        Preview(PRNoteGeometry::PitchOfRowTop(lead->rect.top), m_hovered->GetVelocity(),
                m_hovered->GetChannel());
        m_listener.ShowTime(lead->newTimeMs);
    }
}

void PRNoteGestures::ResizeHovered(int dx) {
    PRSelectedNote* s = m_hovered ? Record(m_hovered.get()) : nullptr;
    if (!s)
        return;
    const PRNoteTiming timing = Timing();
    const PRDragRules rules(timing, m_geometry, m_settings.snapLevel);
    m_listener.RepaintRect(s->rect);
    s->rect = s->startRect;
    if (m_zone == PRHitZone::kStartEdge) {
        s->newTimeMs = rules.DraggedStartMs(s->startRect.left, dx, m_hovered->GetEnd());
        s->rect.left = std::min(m_geometry.XOfTime(s->newTimeMs), s->rect.right - 1);
    } else {
        s->newTimeMs = rules.DraggedEndMs(s->startRect.right, dx, m_hovered->GetStart());
        s->rect.right = std::max(m_geometry.XOfTime(s->newTimeMs), s->rect.left + 1);
    }
    m_listener.RepaintRect(s->rect);
    m_listener.ShowTime(s->newTimeMs);
}

std::optional<PRBandSpan> PRNoteGestures::RubberBandSpan() const {
    if (!m_band)
        return std::nullopt;
    return PRBandSpan{m_geometry.TimeOfX(m_band->left), m_geometry.TimeOfX(m_band->right),
                      m_band->top, m_band->bottom};
}

void PRNoteGestures::ShowRubberBand(const PRBandSpan& span) {
    m_band = PRNoteRect{m_geometry.XOfTime(span.startMs), span.top, m_geometry.XOfTime(span.endMs),
                        span.bottom};
}

void PRNoteGestures::SpanRubberBand(int x, int y, bool live) {
    const PRNoteTiming timing = Timing();
    const auto snappedX = [&](int px) {
        const double ms = timing.Snap(m_geometry.TimeOfX(std::max(0, px)), m_settings.snapLevel);
        return m_geometry.XOfTime(ms);
    };
    PRNoteRect band{
        snappedX(std::min(x, m_pressX)), PRNoteGeometry::RowBoundaryAt(std::min(y, m_pressY)),
        snappedX(std::max(x, m_pressX)), PRNoteGeometry::RowBoundaryAt(std::max(y, m_pressY))};
    if (band.top == band.bottom) {
        if (y < m_pressY)
            band.top -= PRNoteGeometry::kRowHeight;
        else
            band.bottom += PRNoteGeometry::kRowHeight;
    }
    // The old band and the new one, with the notes they touch.
    if (m_band)
        m_listener.RepaintRect(*m_band);
    m_band = band;
    m_listener.RepaintRect(band);
    if (live) {
        for (const MidiNotePtr& note : m_bandSelected)
            m_selection.erase(
                std::remove_if(m_selection.begin(), m_selection.end(),
                               [&](const PRSelectedNote& s) { return s.note == note; }),
                m_selection.end());
        m_bandSelected.clear();
    }
    if (band.Width() <= 0)
        return;
    for (const MidiNotePtr& note : m_edits.Notes()) {
        const std::optional<PRNoteRect> rect = NoteRect(*note);
        if (!rect || !rect->Intersects(band) || IsSelected(note.get()))
            continue;
        Select(note);
        if (live)
            m_bandSelected.push_back(note);
    }
}

void PRNoteGestures::Release(int x, int y, unsigned modifiers) {
    if (!m_buttonDown)
        return;
    const int dx = x - m_pressX;
    const bool withModifier = (modifiers & (kShift | kControl)) != 0;
    const bool eraser = m_settings.tool == PRTool::kEraser;
    switch (m_zone) {
    case PRHitZone::kNone:
        if (m_settings.tool == PRTool::kPencil) {
            PreviewOff();
            DrawNote();
        } else if (m_band && m_moved) {
            SpanRubberBand(x, y, false);
            if (withModifier)
                m_band.reset();
        }
        break;
    case PRHitZone::kBody:
        if (eraser) {
            m_edits.DeleteNote(m_hovered);
            m_selection.clear();
        } else if (m_moved) {
            CommitMove(dx);
        }
        PreviewOff();
        break;
    case PRHitZone::kStartEdge:
    case PRHitZone::kEndEdge:
        CommitResize();
        break;
    }
    if (!m_moved && !withModifier && !eraser && m_hovered) {
        DeselectAll();
        Select(m_hovered);
    }
    if (m_hovered && m_hovered->IsValid() && !eraser)
        TakeNoteAsModel();
    m_bandSelected.clear();
    m_buttonDown = false;
    m_gestureStep.reset();
    RenewStartRects();
}

void PRNoteGestures::DrawNote() {
    TMidiSndNoteData data;
    data.start = Timing().Snap(m_geometry.TimeOfX(std::max(0, m_pressX)), m_settings.snapLevel);
    data.end = data.start + NewNoteLengthMs();
    data.pitch = PRNoteGeometry::PitchAtY(m_pressY) - KeyOffset();
    data.velocity = data.releaseVelocity = std::clamp(m_settings.velocity, 1, 127);
    data.channel = 0;
    if (MidiNotePtr note = m_edits.AddNote(data))
        m_edits.ResolveOverlaps(note);
}

void PRNoteGestures::CommitMove(int dx) {
    std::vector<PRSelectedNote> order = m_selection;
    if (dx > 0)
        std::reverse(order.begin(), order.end());
    std::vector<MidiNotePtr> selected;
    for (const PRSelectedNote& s : order) {
        TMidiSndNoteData data = s.note->GetNoteData();
        data.end = s.newTimeMs + s.note->GetDuration();
        data.start = s.newTimeMs;
        data.pitch = PRNoteGeometry::PitchOfRowTop(s.rect.top) - KeyOffset();
        m_edits.ChangeNote(s.note, data);
        selected.push_back(s.note);
    }
    for (const MidiNotePtr& note : selected)
        m_edits.ResolveOverlaps(note, selected);
}

void PRNoteGestures::CommitResize() {
    const PRSelectedNote* s = m_hovered ? Record(m_hovered.get()) : nullptr;
    if (!s)
        return;
    TMidiSndNoteData data = m_hovered->GetNoteData();
    (m_zone == PRHitZone::kStartEdge ? data.start : data.end) = s->newTimeMs;
    if (m_edits.ChangeNote(m_hovered, data))
        m_edits.ResolveOverlaps(m_hovered);
}

void PRNoteGestures::TakeNoteAsModel() {
    const PRLengthChoice choice =
        Timing().LengthChoiceOf(static_cast<int32_t>(m_hovered->GetDuration()));
    m_settings.velocity = std::clamp(m_hovered->GetVelocity(), 1, 127);
    m_settings.length = choice;
    m_settings.customLengthMs =
        choice.type == PRNoteTiming::kCustomLength ? m_hovered->GetDuration() : 0.0;
    m_listener.ToolSettingsChanged();
}
