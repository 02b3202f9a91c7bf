#include "pianoroll/PianoRollBody.h"

#include "engine/CMidiSound.h"
#include "gui/GuiInput.h"
#include "gui/GuiSkinColor.h"
#include "gui/VRGuiWindow.h"
#include "pianoroll/CEditNotesDlg.h"
#include "pianoroll/PRBeatLines.h"
#include "pianoroll/PRMixerPreview.h"
#include "pianoroll/PRNoteAreaMenu.h"
#include "pianoroll/PRNotePainter.h"
#include "pianoroll/PRNotifications.h"
#include "project/CMIDIClip.h"
#include "support/CUndoMgr.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// How much of the notes below the rubber band shows through it.
constexpr double kRubberBandOpacity = 70 / 255.0;

// Skin colours are 0x00BBGGRR.
void SetColor(cairo_t* cr, uint32_t bgr) {
    cairo_set_source_rgb(cr, (bgr & 0xFF) / 255.0, ((bgr >> 8) & 0xFF) / 255.0,
                         ((bgr >> 16) & 0xFF) / 255.0);
}

uint32_t Darker(uint32_t bgr, int amount) {
    uint32_t out = 0;
    for (int shift : {0, 8, 16}) {
        const int channel = std::max(0, static_cast<int>((bgr >> shift) & 0xFF) - amount);
        out |= static_cast<uint32_t>(channel) << shift;
    }
    return out;
}

unsigned GestureModifiers(uint32_t keys) {
    return ((keys & MK_SHIFT) ? PRNoteGestures::kShift : 0u) |
           ((keys & MK_CONTROL) ? PRNoteGestures::kControl : 0u);
}

} // namespace

PianoRollBody::PianoRollBody(CMIDIClip& clip, CUndoMgr& undo, PRMixerPreview* preview)
    : m_clip(clip), m_edits(clip, undo), m_gestures(m_edits, *this), m_preview(preview) {
    m_clip.AddRef();
    m_clip.AddObserver(this);
    FitSize();
}

PianoRollBody::~PianoRollBody() {
    m_clip.RemoveObserver(this);
    m_clip.DeleteRefObject();
}

void PianoRollBody::SetMsPerPixel(double msPerPixel) {
    m_gestures.SetMsPerPixel(msPerPixel);
    FitSize();
    Invalidate(nullptr);
}

void PianoRollBody::FitSize() {
    const CMidiSound* sound = m_edits.Sound();
    const double lengthMs = sound ? std::max(sound->GetMediaLength(), sound->Length()) : 0.0;
    const int width = m_gestures.Geometry().XOfTime(lengthMs) + kExtraWidth;
    SetSize(std::max(width, 2000), PRNoteGeometry::kContentHeight);
}

void PianoRollBody::OnDraw(const GuiRect& r) {
    DrawRows(r);
    DrawGridLines(r);
    DrawNotes(r);
    DrawRubberBand(r);
    DrawPlayLine(r);
}

void PianoRollBody::DrawRubberBand(const GuiRect& r) {
    const std::optional<PRNoteRect>& band = m_gestures.RubberBand();
    if (!band || band->Width() <= 0)
        return;
    const GuiRect box{band->left, band->top, band->right, band->bottom};
    if (!box.Intersects(r))
        return;
    cairo_t* cr = GetWindow()->GetDrawContext();
    const uint32_t fill = GuiSkinColor("selection-color");
    cairo_save(cr);
    cairo_rectangle(cr, r.left, r.top, r.Width(), r.Height());
    cairo_clip(cr);
    cairo_set_source_rgba(cr, (fill & 0xFF) / 255.0, ((fill >> 8) & 0xFF) / 255.0,
                          ((fill >> 16) & 0xFF) / 255.0, kRubberBandOpacity);
    cairo_rectangle(cr, box.left, box.top, box.Width(), box.Height());
    cairo_fill(cr);
    SetColor(cr, GuiSkinColor("selection-outline-color"));
    cairo_set_line_width(cr, 1.0);
    cairo_rectangle(cr, box.left + 0.5, box.top + 0.5, box.Width() - 1.0, box.Height() - 1.0);
    cairo_stroke(cr);
    cairo_restore(cr);
}

void PianoRollBody::SetPlayLine(std::optional<int32_t> soundMs) {
    if (soundMs == m_playLineMs)
        return;
    InvalidatePlayLine();
    m_playLineMs = soundMs;
    InvalidatePlayLine();
}

void PianoRollBody::InvalidatePlayLine() {
    if (!m_playLineMs)
        return;
    const int x = m_gestures.Geometry().XOfTime(*m_playLineMs);
    const GuiRect column{x, 0, x + 1, GetHeight()};
    Invalidate(&column);
}

void PianoRollBody::DrawPlayLine(const GuiRect& r) {
    if (!m_playLineMs)
        return;
    const int x = m_gestures.Geometry().XOfTime(*m_playLineMs);
    if (x < r.left || x >= r.right)
        return;
    cairo_t* cr = GetWindow()->GetDrawContext();
    SetColor(cr, GuiSkinColor("play indicator color"));
    cairo_rectangle(cr, x, r.top, 1, r.Height());
    cairo_fill(cr);
}

void PianoRollBody::DrawRows(const GuiRect& r) {
    cairo_t* cr = GetWindow()->GetDrawContext();
    const CMidiSound* sound = m_edits.Sound();
    const double soundEndMs = sound ? sound->GetMediaLength() : 0.0;
    const int soundEndX = std::clamp(m_gestures.Geometry().XOfTime(soundEndMs), r.left, r.right);
    const uint32_t light = GuiSkinColor("piano-roll-light-color");
    const uint32_t dark = GuiSkinColor("piano-roll-dark-color");
    const uint32_t croppedLight = GuiSkinColor("piano-roll-cropped-light-color");
    const uint32_t croppedDark = GuiSkinColor("piano-roll-cropped-dark-color");
    const uint32_t line = GuiSkinColor("piano-roll-line-color");
    const uint32_t lineForC = GuiSkinColor("piano-roll-line-color-for-c");
    SetColor(cr, GuiSkinColor("piano-roll-back-fill"));
    cairo_rectangle(cr, r.left, r.top, r.Width(), r.Height());
    cairo_fill(cr);
    for (int pitch = PRNoteGeometry::PitchAtY(r.top); pitch >= 0; --pitch) {
        const int top = PRNoteGeometry::RowTop(pitch);
        if (top >= r.bottom)
            break;
        const bool black = PRNoteGeometry::IsBlackKey(pitch);
        SetColor(cr, black ? dark : light);
        cairo_rectangle(cr, r.left, top, soundEndX - r.left, PRNoteGeometry::kRowHeight);
        cairo_fill(cr);
        SetColor(cr, black ? croppedDark : croppedLight);
        cairo_rectangle(cr, soundEndX, top, r.right - soundEndX, PRNoteGeometry::kRowHeight);
        cairo_fill(cr);
        SetColor(cr, pitch % 12 == 0 ? lineForC : line);
        cairo_rectangle(cr, r.left, top + PRNoteGeometry::kRowHeight - 1, r.Width(), 1);
        cairo_fill(cr);
    }
}

void PianoRollBody::DrawGridLines(const GuiRect& r) {
    cairo_t* cr = GetWindow()->GetDrawContext();
    const uint32_t major = GuiSkinColor("maj-tick");
    const uint32_t minor = GuiSkinColor("min-tick");
    for (const PRBeatLine& line :
         PRBeatLinesIn(m_gestures.Timing(), m_gestures.Geometry(), r.left, r.right)) {
        SetColor(cr, line.measureStart ? major : minor);
        cairo_rectangle(cr, line.x, r.top, 1, r.Height());
        cairo_fill(cr);
    }
}

void PianoRollBody::DrawNotes(const GuiRect& r) {
    cairo_t* cr = GetWindow()->GetDrawContext();
    const uint32_t inside = GuiSkinColor("piano-roll-note-inside");
    const uint32_t dragging = GuiSkinColor("piano-roll-note-dragging-inside");
    const uint32_t border = GuiSkinColor("piano-roll-note-border");
    const uint32_t hoverBorder = GuiSkinColor("piano-roll-note-hover-border");
    const bool moving = m_gestures.MovingSelection();
    PRNotePainter painter(cr);
    const auto draw = [&](const PRNoteRect& n, uint32_t fill, uint32_t edge) {
        if (n.right < r.left || n.left >= r.right || n.bottom <= r.top || n.top >= r.bottom)
            return;
        painter.Paint(n, fill, edge);
    };
    cairo_save(cr);
    for (const MidiNotePtr& note : m_edits.Notes()) {
        const bool selected = m_gestures.IsSelected(note.get());
        if (moving && selected)
            continue;
        const std::optional<PRNoteRect> rect = m_gestures.NoteRect(*note);
        if (!rect)
            continue;
        // Louder notes are darker.
        const int brush = std::max(0, std::min(note->GetVelocity(), 127) * 10 / 127 - 1);
        const bool lit = selected || note == m_gestures.Hovered();
        draw(*rect, Darker(inside, 7 * brush), lit ? hoverBorder : border);
    }
    if (moving)
        for (const PRSelectedNote& s : m_gestures.Selection())
            draw(s.rect, dragging, hoverBorder);
    painter.Flush();
    cairo_restore(cr);
}

bool PianoRollBody::OnMouse(int32_t event, GuiPoint p, uint32_t keys) {
    const unsigned modifiers = GestureModifiers(keys);
    m_lastPointer = p;
    switch (event) {
    case kMouseMove:
        if (m_gestures.ButtonDown())
            m_gestures.Drag(p.x, p.y);
        else
            m_gestures.Hover(p.x, p.y);
        return true;
    case kMouseLeftDown:
    case kMouseLeftDoubleClick:
        if (VRGuiWindow* window = GetWindow())
            window->SetCapture(this);
        m_pressPoint = p;
        m_gestures.Press(p.x, p.y, modifiers);
        return true;
    case kMouseLeftUp:
    case kMouseLeftUpAfterDoubleClick:
        if (VRGuiWindow* window = GetWindow())
            window->ReleaseCapture();
        m_gestures.Release(p.x, p.y, modifiers);
        Invalidate(nullptr);
        m_clip.Invalidate(nullptr);
        if (event == kMouseLeftUpAfterDoubleClick)
            EditSelectedNotes();
        return true;
    case kMouseRightDown:
        return true;
    case kMouseRightUp:
        if (!m_gestures.ButtonDown())
            PRNoteAreaMenu(*this).Run(GetWindow(), LocalToAbsPoint(p));
        return true;
    default:
        return false;
    }
}

bool PianoRollBody::OnKey(int32_t event, int32_t key, uint32_t modifiers) {
    if (event != kKeyDown || m_gestures.ButtonDown())
        return true;
    if ((modifiers & kModControl) && (key == 'X' || key == 'C' || key == 'V')) {
        key == 'X'   ? m_clipboard.Cut()
        : key == 'C' ? m_clipboard.Copy()
                     : void(m_clipboard.Paste());
        m_clip.Invalidate(nullptr);
        Invalidate(nullptr);
        return true;
    }
    switch (key) {
    case VK_DELETE:
    case VK_BACK:
        m_clipboard.Delete();
        m_clip.Invalidate(nullptr);
        break;
    case VK_ESCAPE:
        m_gestures.DeselectAll();
        m_gestures.HideRubberBand();
        break;
    default:
        break;
    }
    Invalidate(nullptr);
    return true;
}

bool PianoRollBody::GetToolTip(GuiPoint p, std::string& text) {
    static const char* const kNames[] = {"C",  "C#", "D",  "D#", "E",  "F",
                                         "F#", "G",  "G#", "A",  "A#", "B"};
    const int pitch = PRNoteGeometry::PitchAtY(p.y);
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%s%d", kNames[pitch % 12], pitch / 12);
    text = buffer;
    return true;
}

void PianoRollBody::OnNotification(int message, void* parameter) {
    switch (message) {
    case kNotifyNotesRestored:
        m_gestures.DeselectAll();
        m_gestures.HideRubberBand();
        break;
    case kNotifyRubberBandRestored:
        if (const PRBandSpan* band = NotificationArgument<kNotifyRubberBandRestored>(parameter))
            m_gestures.ShowRubberBand(*band);
        else
            m_gestures.HideRubberBand();
        break;
    default:
        return;
    }
    Invalidate(nullptr);
}

std::vector<MidiNotePtr> PianoRollBody::SelectedNotes() const {
    std::vector<MidiNotePtr> notes;
    for (const PRSelectedNote& selected : m_gestures.Selection())
        if (selected.note && selected.note->IsValid())
            notes.push_back(selected.note);
    return notes;
}

void PianoRollBody::EditSelectedNotes() {
    const std::vector<MidiNotePtr> notes = SelectedNotes();
    if (notes.empty())
        return;
    if (CEditNotesDlg::Run(GetWindow(), m_edits, notes)) {
        Invalidate(nullptr);
        m_clip.Invalidate(nullptr);
    }
}

void PianoRollBody::ToolSettingsChanged() {
    Notify<kNotifyToolSettingsChanged>(*this);
}

void PianoRollBody::PreviewNoteOn(int pitch, int velocity, int channel) {
    if (m_preview)
        m_preview->NoteOn(pitch, velocity, channel);
}

void PianoRollBody::PreviewNoteOff(int, int) {
    if (m_preview)
        m_preview->NoteOff();
}

void PianoRollBody::RepaintRect(const PRNoteRect& r) {
    const GuiRect dirty{r.left - 1, r.top - 1, r.right + 2, r.bottom + 1};
    Invalidate(&dirty);
}

void PianoRollBody::ShowTime(double soundMs) {
    if (m_timeSink)
        m_timeSink(soundMs);
}
