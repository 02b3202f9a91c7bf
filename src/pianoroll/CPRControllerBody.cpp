#include "pianoroll/CPRControllerBody.h"

#include "engine/CMidiSound.h"
#include "gui/GuiInput.h"
#include "gui/GuiSkinColor.h"
#include "gui/VRGuiWindow.h"
#include "pianoroll/PRBeatLines.h"
#include "pianoroll/PRNoteEdits.h"
#include "pianoroll/PRNoteGestures.h"
#include "pianoroll/PRNotifications.h"
#include "pianoroll/PRValueColumns.h"
#include "project/CMIDIClip.h"
#include "support/LocalizedStrings.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// Skin colours are 0x00BBGGRR.
void SetColour(cairo_t* cr, uint32_t bgr) {
    cairo_set_source_rgb(cr, (bgr & 0xFF) / 255.0, ((bgr >> 8) & 0xFF) / 255.0,
                         ((bgr >> 16) & 0xFF) / 255.0);
}

void FillRect(cairo_t* cr, int x, int y, int width, int height) {
    cairo_rectangle(cr, x, y, width, height);
    cairo_fill(cr);
}

} // namespace

CPRControllerBody::CPRControllerBody(PRNoteEdits& edits, const PRNoteGestures& gestures)
    : m_edits(edits), m_gestures(gestures), m_controllerEdits(edits) {
    m_edits.Clip().AddObserver(this);
    SetSize(2000, kDefaultHeight);
}

CPRControllerBody::~CPRControllerBody() {
    m_edits.Clip().RemoveObserver(this);
}

void CPRControllerBody::SetLane(const PRControllerLane& lane) {
    m_lane = lane;
    m_stroke.Clear();
    m_drawing = false;
    Invalidate(nullptr);
}

const CMidiSound* CPRControllerBody::Sound() const {
    return m_edits.Sound();
}

double CPRControllerBody::MsPerPixel() const {
    return m_gestures.Geometry().MsPerPixel();
}

bool CPRControllerBody::Erasing() const {
    return m_gestures.Settings().tool == PRTool::kEraser;
}

void CPRControllerBody::OnDraw(const GuiRect& r) {
    cairo_t* cr = GetWindow()->GetDrawContext();
    cairo_save(cr);
    SetColour(cr, GuiSkinColor("piano-roll-controller-resize-strip"));
    FillRect(cr, r.left, 0, r.Width(), PRControllerLane::kResizeStrip);
    SetColour(cr, GuiSkinColor("piano-roll-controller-back"));
    FillRect(cr, r.left, PRControllerLane::kResizeStrip, r.Width(),
             GetHeight() - PRControllerLane::kResizeStrip);
    DrawGridLines(r);
    DrawValues(r);
    cairo_restore(cr);
}

void CPRControllerBody::DrawGridLines(const GuiRect& r) {
    cairo_t* cr = GetWindow()->GetDrawContext();
    const uint32_t major = GuiSkinColor("maj-tick");
    const uint32_t minor = GuiSkinColor("min-tick");
    for (const PRBeatLine& line :
         PRBeatLinesIn(m_gestures.Timing(), m_gestures.Geometry(), r.left, r.right)) {
        SetColour(cr, line.measureStart ? major : minor);
        FillRect(cr, line.x, PRControllerLane::kResizeStrip, 1,
                 GetHeight() - PRControllerLane::kResizeStrip);
    }
}

void CPRControllerBody::DrawValues(const GuiRect& r) {
    CMidiSound* sound = m_edits.Sound();
    if (!sound)
        return;
    const uint32_t colour = GuiSkinColor("piano-roll-controller-color");
    const PRNoteGeometry& geometry = m_gestures.Geometry();
    const bool showStroke = m_drawing && !Erasing();
    const auto visible = [&](int x) {
        return x >= r.left - 2 && x <= r.right + 2 && !(showStroke && m_stroke.YAt(x) >= 0);
    };
    cairo_t* cr = GetWindow()->GetDrawContext();
    PRValueColumns columns;
    sound->Lock();
    if (m_lane.IsVelocity()) {
        const bool release = m_lane.Type() == PRLaneType::kReleaseVelocity;
        for (int i = 0; i < sound->NumNotes(); ++i) {
            const MidiNotePtr note = sound->GetNote(i);
            const int x = geometry.XOfTime(release ? note->GetEnd() : note->GetStart());
            if (visible(x))
                AddValue(columns, x,
                         release ? note->GetNoteData().releaseVelocity : note->GetVelocity());
        }
    } else if (const CMidiControllerList* list =
                   sound->GetMidiControllerList(m_lane.Controller())) {
        // The list is sorted by time: skip to the repainted columns.
        const auto& events = list->Events();
        const double fromMs = geometry.TimeOfX(std::max(0, r.left - 2));
        auto it =
            std::lower_bound(events.begin(), events.end(), fromMs,
                             [](const MidiControllerEvent& e, double ms) { return e.time < ms; });
        for (; it != events.end(); ++it) {
            const int x = geometry.XOfTime(it->time);
            if (x > r.right + 2)
                break;
            if (visible(x))
                AddValue(columns, x, it->value);
        }
    }
    sound->Unlock();
    SetColour(cr, colour);
    columns.Fill(cr);
    if (m_lane.IsPitchBend()) {
        SetColour(cr, GuiSkinColor("piano-roll-controller-drawing-zero-point"));
        FillRect(cr, r.left,
                 PRControllerLane::kResizeStrip + m_lane.YOfValue(m_lane.Base(), DrawingHeight()),
                 r.Width(), 1);
    }
    if (showStroke) {
        const uint32_t drawing = GuiSkinColor("piano-roll-controller-drawing-color");
        for (const auto& [x, y] : m_stroke.Points())
            if (x >= r.left - 2 && x <= r.right + 2)
                AddValue(columns, x, m_lane.ValueAtY(y, m_stroke.DrawingHeight()));
        SetColour(cr, drawing);
        columns.Fill(cr);
    }
}

void CPRControllerBody::AddValue(PRValueColumns& columns, int x, int value) const {
    const int h = DrawingHeight();
    const int top = PRControllerLane::kResizeStrip;
    const int base = top + m_lane.YOfValue(m_lane.Base(), h);
    const int at = top + m_lane.YOfValue(value, h);
    // Bottom rows of the 0..127 lanes include their own row, so that the
    // least value still shows one pixel.
    const int y0 = std::min(base, at);
    const int y1 = std::max(base, at) + 1;
    columns.Add(x, y0, y1);
}

bool CPRControllerBody::OnMouse(int32_t event, GuiPoint p, uint32_t) {
    const int y = p.y - PRControllerLane::kResizeStrip;
    if (m_resizing || ((event == kMouseLeftDown || event == kMouseLeftDoubleClick) && y < 0)) {
        DragSplit(event, p);
        return true;
    }
    switch (event) {
    case kMouseLeftDown:
    case kMouseLeftDoubleClick:
        if (VRGuiWindow* window = GetWindow())
            window->SetCapture(this);
        m_drawing = !(Erasing() && m_lane.IsVelocity());
        if (m_drawing) {
            m_stroke.Begin(p.x, y, DrawingHeight());
            RepaintColumns(m_stroke.Least(), m_stroke.Greatest());
        }
        return true;
    case kMouseMove:
        if (m_drawing) {
            m_stroke.DrawTo(p.x, y);
            RepaintColumns(m_stroke.Least(), m_stroke.Greatest());
        }
        return true;
    case kMouseLeftUp:
    case kMouseLeftUpAfterDoubleClick:
        if (VRGuiWindow* window = GetWindow())
            window->ReleaseCapture();
        Commit();
        return true;
    default:
        return false;
    }
}

void CPRControllerBody::DragSplit(int32_t event, GuiPoint p) {
    VRGuiWindow* window = GetWindow();
    const int32_t windowY = LocalToAbsPoint(p).y;
    switch (event) {
    case kMouseLeftDown:
    case kMouseLeftDoubleClick:
        if (window)
            window->SetCapture(this);
        m_resizing = true;
        m_resizePressY = windowY;
        SendSplit(PRLaneSplit{0, PRLaneSplit::kStart});
        break;
    case kMouseMove:
        SendSplit(PRLaneSplit{m_resizePressY - windowY, PRLaneSplit::kDrag});
        break;
    case kMouseLeftUp:
    case kMouseLeftUpAfterDoubleClick:
        if (window)
            window->ReleaseCapture();
        m_resizing = false;
        break;
    default:
        break;
    }
}

void CPRControllerBody::SendSplit(const PRLaneSplit& split) {
    Notify<kNotifyLaneSplit>(*this, &split);
}

void CPRControllerBody::Commit() {
    if (!m_drawing)
        return;
    m_drawing = false;
    if (m_controllerEdits.Commit(m_lane, m_stroke, MsPerPixel(), Erasing()))
        m_edits.Clip().Invalidate(nullptr);
    m_stroke.Clear();
    Invalidate(nullptr);
}

void CPRControllerBody::RepaintColumns(int least, int greatest) {
    const GuiRect dirty{least - 1, 0, greatest + 3, GetHeight()};
    Invalidate(&dirty);
}

bool CPRControllerBody::GetToolTip(GuiPoint p, std::string& text) {
    const int y = p.y - PRControllerLane::kResizeStrip;
    if (y < 0) {
        text = MyLoadString("CTRL_RESIZE");
        return true;
    }
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%d",
                  m_lane.ShownValue(m_lane.ValueAtY(y, DrawingHeight())));
    text = buffer;
    return true;
}

void CPRControllerBody::OnNotification(int message, void*) {
    if (message == kNotifyControllersRestored || message == kNotifyNotesRestored)
        Invalidate(nullptr);
}
