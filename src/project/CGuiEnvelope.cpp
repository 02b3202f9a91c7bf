#include "project/CGuiEnvelope.h"

#include "gui/CBaseDialog.h"
#include "gui/CImage.h"
#include "gui/CImageManager.h"
#include "gui/CValueEntryDialog.h"
#include "gui/GuiInput.h"
#include "gui/GuiMenu.h"
#include "gui/GuiPopupMenu.h"
#include "gui/IGuiHost.h"
#include "gui/VRGuiWindow.h"
#include "project/CClip.h"
#include "project/CEnvelopeFunctions.h"
#include "project/CMixerLock.h"
#include "project/ClipDocument.h"
#include "project/EnvelopeValueText.h"
#include "support/CUndoStep.h"
#include "support/LocalizedStrings.h"
#include "timeline/CToolbar.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

namespace {

// Point menu identifiers.
constexpr int32_t kMenuEditPoint = 1;
constexpr int32_t kMenuRemovePoint = 3;

int32_t Truncated(double value) {
    return std::isfinite(value) ? static_cast<int32_t>(std::clamp(std::trunc(value), -1e9, 1e9))
                                : 0;
}

} // namespace

CGuiEnvelope::CGuiEnvelope(CClip& clip) : m_clip(clip) {
    SetTransparent(true);
    m_normalImage = CImageManager::Instance().Get("env-pt-normal");
    m_selectedImage = CImageManager::Instance().Get("env-pt-sel");
    if (m_normalImage && m_normalImage->Width() > 0 && m_normalImage->Height() > 0) {
        m_pointWidth = m_normalImage->Width();
        m_pointHeight = m_normalImage->Height();
    }
}

CGuiEnvelope::~CGuiEnvelope() {
    Capture(false);
}

int32_t CGuiEnvelope::EnvelopeType() const {
    return m_clip.GetDocument().ShownEnvelopeType();
}

CEnvelope* CGuiEnvelope::Envelope() const {
    return m_clip.GetEnvelopeByType(EnvelopeType());
}

double CGuiEnvelope::MsPerPixel() const {
    const double ms = m_clip.GetDocument().MsPerPixel();
    return ms > 0.0 ? ms : ClipDocument::kDefaultMsPerPixel;
}

bool CGuiEnvelope::IsSwallowed(int index) const {
    return index >= 0 && index < int(m_swallowed.size()) && m_swallowed[size_t(index)];
}

bool CGuiEnvelope::IsEnd(int32_t index) const {
    const CEnvelope* envelope = Envelope();
    return envelope && (index == 0 || index == envelope->GetNumPoints() - 1);
}

bool CGuiEnvelope::IsEditable() const {
    return Envelope() && IsVisible() && !m_clip.IsRecording() && !m_clip.IsFrozen();
}

int32_t CGuiEnvelope::TopOfValue(double value) const {
    const CEnvelope* envelope = Envelope();
    const int32_t usable = std::max(UsableHeight(), 0);
    if (!envelope)
        return usable;
    const double range = envelope->GetMaxValue() - envelope->GetMinValue();
    if (range <= 0.0)
        return usable;
    const double fraction = 1.0 - (value - envelope->GetMinValue()) / range;
    return std::clamp(Truncated(usable * fraction), 0, usable);
}

double CGuiEnvelope::ValueAtTop(int32_t top) const {
    const CEnvelope* envelope = Envelope();
    if (!envelope)
        return 0.0;
    const int32_t usable = UsableHeight();
    const double fraction = usable > 0 ? std::clamp(double(usable - top) / usable, 0.0, 1.0) : 0.0;
    return envelope->GetMinValue() + fraction * (envelope->GetMaxValue() - envelope->GetMinValue());
}

int32_t CGuiEnvelope::LeftOfTime(int index, int count, double timeMs) const {
    // The end points stay inside the clip: the first one's left edge on the
    // clip's left edge, the last one's right edge on its right edge.
    int32_t offset = -(m_pointWidth / 2);
    if (index == 0)
        offset = 0;
    else if (index == count - 1)
        offset = -m_pointWidth;
    const int32_t right = std::max(GetWidth() - m_pointWidth, 0);
    return std::clamp(Truncated(timeMs / MsPerPixel()) + offset, 0, right);
}

double CGuiEnvelope::TimeAtLeft(int index, int count, int32_t left) const {
    if (index == 0 || index == count - 1) {
        EnvelopePoint point;
        return Envelope() && Envelope()->GetPointAtIndex(index, point) ? point.timeMs : 0.0;
    }
    return (left + m_pointWidth / 2) * MsPerPixel();
}

GuiRect CGuiEnvelope::PointRect(int index) const {
    const CEnvelope* envelope = Envelope();
    EnvelopePoint point;
    if (!envelope || !envelope->GetPointAtIndex(index, point))
        return {};
    const int count = envelope->GetNumPoints();
    int32_t left = LeftOfTime(index, count, point.timeMs);
    int32_t top = TopOfValue(point.value);
    const int32_t dy = m_pointer.y - m_press.y;
    if (m_gesture == Gesture::kPoint && index == m_dragIndex) {
        const int32_t dx = IsEnd(index) ? 0 : m_pointer.x - m_press.x;
        left = std::clamp(m_rectAtPress.left + dx, 0, std::max(GetWidth() - m_pointWidth, 0));
        top = std::clamp(m_rectAtPress.top + dy, 0, std::max(UsableHeight(), 0));
    } else if (m_gesture == Gesture::kSegment &&
               (index == m_dragIndex || index == m_dragIndex + 1)) {
        top = std::clamp(m_segmentTops[index - m_dragIndex] + dy, 0, std::max(UsableHeight(), 0));
    }
    return {left, top, left + m_pointWidth, top + m_pointHeight};
}

std::vector<CGuiEnvelope::Centre> CGuiEnvelope::Curve() const {
    std::vector<Centre> curve;
    const CEnvelope* envelope = Envelope();
    if (!envelope)
        return curve;
    if (envelope->GetNumPoints() == 0) {
        const double y = TopOfValue(envelope->GetDefaultValue()) + m_pointHeight / 2;
        curve.push_back({double(m_pointWidth / 2), y});
        curve.push_back({double(std::max(GetWidth() - m_pointWidth, 0) + m_pointWidth / 2), y});
        return curve;
    }
    for (int i = 0; i < envelope->GetNumPoints(); ++i) {
        if (IsSwallowed(i))
            continue;
        const GuiRect r = PointRect(i);
        curve.push_back({double(r.left + m_pointWidth / 2), double(r.top + m_pointHeight / 2)});
    }
    return curve;
}

int32_t CGuiEnvelope::PointAt(GuiPoint p) const {
    const CEnvelope* envelope = Envelope();
    if (!envelope)
        return -1;
    for (int i = envelope->GetNumPoints() - 1; i >= 0; --i)
        if (!IsSwallowed(i) && PointRect(i).Contains(p.x, p.y))
            return i;
    return -1;
}

bool CGuiEnvelope::IsOnLine(GuiPoint p) const {
    const std::vector<Centre> curve = Curve();
    for (size_t k = 1; k < curve.size(); ++k) {
        if (curve[k].x <= p.x)
            continue;
        const Centre& a = curve[k - 1];
        const Centre& b = curve[k];
        if (a.x > p.x)
            return false;
        const double y = b.x > a.x ? a.y + (b.y - a.y) * (p.x - a.x) / (b.x - a.x) : b.y;
        return std::fabs(y - p.y) <= m_pointHeight / 2;
    }
    return false;
}

double CGuiEnvelope::ValueAtX(int32_t x) const {
    const CEnvelope* envelope = Envelope();
    return envelope ? envelope->ValueAt(x * MsPerPixel()) : 0.0;
}

bool CGuiEnvelope::RecordEdit(const std::function<bool()>& edit) {
    CUndoStep step(m_clip.GetDocument().ClipUndo());
    m_clip.BeginEnvelopeChange(EnvelopeType());
    const bool done = edit();
    m_clip.EndEnvelopeChange();
    return done;
}

int32_t CGuiEnvelope::InsertPoint(double timeMs, double value) {
    CMixerLock lock(m_clip.GetDocument().ClipMixer());
    return Envelope()->Insert(timeMs, value);
}

bool CGuiEnvelope::ErasePoint(int32_t index) {
    CMixerLock lock(m_clip.GetDocument().ClipMixer());
    return Envelope()->RemoveByIndex(index);
}

bool CGuiEnvelope::MovePoint(int32_t index, double timeMs, double value) {
    CEnvelope& envelope = *Envelope();
    std::vector<EnvelopePoint> points = CEnvelopeFunctions::Points(envelope);
    if (index < 0 || index >= int(points.size()))
        return false;
    CMixerLock lock(m_clip.GetDocument().ClipMixer());
    if (points[size_t(index)].timeMs == timeMs) {
        // A change of value keeps the point's place among points of the
        // same time.
        points[size_t(index)].value = value;
        CEnvelopeFunctions::SetPoints(envelope, points);
        m_selected = index;
        return true;
    }
    envelope.RemoveByIndex(index);
    m_selected = envelope.Insert(timeMs, value);
    return m_selected >= 0;
}

int32_t CGuiEnvelope::AddPoint(double timeMs, double value) {
    CEnvelope* envelope = Envelope();
    if (!envelope || !std::isfinite(timeMs) || !std::isfinite(value))
        return -1;
    const double length = m_clip.GetLengthMs();
    int32_t index = -1;
    RecordEdit([&] {
        if (envelope->GetNumPoints() == 0) {
            // The curve keeps the default everywhere but where the user
            // puts the point.
            InsertPoint(0.0, envelope->GetDefaultValue());
            InsertPoint(length, envelope->GetDefaultValue());
        }
        index = InsertPoint(std::clamp(timeMs, 0.0, std::max(length, 0.0)), value);
        return index >= 0;
    });
    m_selected = index;
    return index;
}

bool CGuiEnvelope::RemovePointByIndex(int32_t index) {
    const CEnvelope* envelope = Envelope();
    if (!envelope || index <= 0 || index >= envelope->GetNumPoints() - 1)
        return false;
    const bool removed = RecordEdit([&] { return ErasePoint(index); });
    if (removed && m_selected == index)
        m_selected = -1;
    else if (removed && m_selected > index)
        --m_selected;
    return removed;
}

bool CGuiEnvelope::EditPointByIndex(int32_t index, double timeMs, double value) {
    const CEnvelope* envelope = Envelope();
    EnvelopePoint point;
    if (!envelope || !envelope->GetPointAtIndex(index, point) || !std::isfinite(timeMs) ||
        !std::isfinite(value))
        return false;
    if (IsEnd(index)) {
        timeMs = point.timeMs;
    } else {
        EnvelopePoint first;
        EnvelopePoint last;
        envelope->GetPointAtIndex(0, first);
        envelope->GetPointAtIndex(envelope->GetNumPoints() - 1, last);
        timeMs = std::clamp(timeMs, first.timeMs, last.timeMs);
    }
    return RecordEdit([&] { return MovePoint(index, timeMs, value); });
}

void CGuiEnvelope::SetCursor(GuiCursor cursor) {
    if (VRGuiWindow* window = GetWindow())
        if (IGuiHost* host = window->GetHWND())
            host->SetCursor(cursor);
}

void CGuiEnvelope::Capture(bool on) {
    VRGuiWindow* window = GetWindow();
    if (!window)
        return;
    if (on)
        window->SetCapture(this);
    else if (window->GetCaptured() == this)
        window->ReleaseCapture();
}

void CGuiEnvelope::PressPoint(int32_t index, GuiPoint p) {
    // Where the engine has the point, taken before the gesture starts:
    // from then on PointRect answers where the pointer has it.
    m_rectAtPress = PointRect(index);
    m_gesture = Gesture::kPoint;
    m_dragIndex = index;
    m_selected = index;
    m_press = p;
    m_pointer = p;
    m_swallowed.assign(size_t(Envelope()->GetNumPoints()), false);
    Capture(true);
    Invalidate(nullptr);
}

void CGuiEnvelope::UpdateSwallowed() {
    const CEnvelope* envelope = Envelope();
    const int count = envelope->GetNumPoints();
    m_swallowed.assign(size_t(count), false);
    const int32_t centre = PointRect(m_dragIndex).left + m_pointWidth / 2;
    const int32_t centreAtPress = m_rectAtPress.left + m_pointWidth / 2;
    for (int j = 1; j < count - 1; ++j) {
        if (j == m_dragIndex)
            continue;
        EnvelopePoint point;
        envelope->GetPointAtIndex(j, point);
        const int32_t other = LeftOfTime(j, count, point.timeMs) + m_pointWidth / 2;
        // Passed over on the way from where the point was pressed.
        const bool passedLeft = j < m_dragIndex && other >= centre && other <= centreAtPress;
        const bool passedRight = j > m_dragIndex && other <= centre && other >= centreAtPress;
        m_swallowed[size_t(j)] = passedLeft || passedRight;
    }
}

void CGuiEnvelope::DragPoint(GuiPoint p) {
    m_pointer = p;
    UpdateSwallowed();
    Invalidate(nullptr);
}

void CGuiEnvelope::ReleasePoint(uint32_t keys) {
    const int32_t index = m_dragIndex;
    const int count = Envelope()->GetNumPoints();
    const GuiRect r = PointRect(index);
    // A point let go where it was pressed keeps its exact time and value.
    const bool moved = r != m_rectAtPress;
    const std::vector<bool> swallowed = m_swallowed;
    const bool anySwallowed =
        std::find(swallowed.begin(), swallowed.end(), true) != swallowed.end();
    m_gesture = Gesture::kNone;
    m_swallowed.clear();
    Capture(false);
    if (keys & MK_LALT) {
        RemovePointByIndex(index);
    } else if (moved || anySwallowed) {
        const double timeMs = TimeAtLeft(index, count, r.left);
        const double value = ValueAtTop(r.top);
        RecordEdit([&] {
            int32_t moving = index;
            for (int j = count - 1; j >= 0; --j) {
                if (!swallowed[size_t(j)])
                    continue;
                ErasePoint(j);
                if (j < moving)
                    --moving;
            }
            return MovePoint(moving, timeMs, value);
        });
    }
    m_dragIndex = -1;
    Invalidate(nullptr);
}

void CGuiEnvelope::PressSegment(GuiPoint p) {
    const CEnvelope* envelope = Envelope();
    const int count = envelope->GetNumPoints();
    for (int k = 1; k < count; ++k) {
        const GuiRect right = PointRect(k);
        if (right.left + m_pointWidth / 2 <= p.x)
            continue;
        // Taken before the gesture starts, as for a point.
        m_segmentTops[0] = PointRect(k - 1).top;
        m_segmentTops[1] = right.top;
        m_gesture = Gesture::kSegment;
        m_dragIndex = k - 1;
        m_press = p;
        m_pointer = p;
        Capture(true);
        SetCursor(GuiCursor::kResizeUpDown);
        return;
    }
}

void CGuiEnvelope::ReleaseSegment() {
    const int32_t left = m_dragIndex;
    const int32_t leftTop = PointRect(left).top;
    const int32_t rightTop = PointRect(left + 1).top;
    const bool moved = leftTop != m_segmentTops[0] || rightTop != m_segmentTops[1];
    const double leftValue = ValueAtTop(leftTop);
    const double rightValue = ValueAtTop(rightTop);
    m_gesture = Gesture::kNone;
    m_dragIndex = -1;
    Capture(false);
    Invalidate(nullptr);
    if (!moved)
        return;
    RecordEdit([&] {
        CEnvelope& envelope = *Envelope();
        std::vector<EnvelopePoint> points = CEnvelopeFunctions::Points(envelope);
        if (left + 1 >= int(points.size()))
            return false;
        points[size_t(left)].value = leftValue;
        points[size_t(left) + 1].value = rightValue;
        CMixerLock lock(m_clip.GetDocument().ClipMixer());
        CEnvelopeFunctions::SetPoints(envelope, points);
        return true;
    });
}

void CGuiEnvelope::ShowPointMenu(int32_t index, GuiPoint p) {
    VRGuiWindow* window = GetWindow();
    if (!window)
        return;
    GuiMenu menu;
    menu.AddItem(kMenuEditPoint, MyLoadString("GuiPoint_Item0"));
    menu.AddSeparator();
    menu.AddItem(kMenuRemovePoint, MyLoadString("GuiPoint_Item2"));
    // The ends keep their place.
    menu.Enable(kMenuRemovePoint, !IsEnd(index));
    GuiPopupMenu popup(menu);
    const GuiPoint at = LocalToAbsPoint(p);
    const int32_t chosen = popup.Run(window, at.x, at.y);
    if (chosen == kMenuRemovePoint)
        RemovePointByIndex(index);
    else if (chosen == kMenuEditPoint)
        AskPointValue(index);
}

void CGuiEnvelope::AskPointValue(int32_t index) {
    const CEnvelope* envelope = Envelope();
    EnvelopePoint point;
    if (!envelope || !envelope->GetPointAtIndex(index, point))
        return;
    const int32_t type = EnvelopeType();
    const bool decibels = m_clip.GetDocument().ShowsDecibels();
    const double minimum = envelope->GetMinValue();
    const double maximum = envelope->GetMaxValue();
    const std::string range = MyLoadString("EGPD_Min") + " " +
                              EnvelopeValueText::EntryText(type, minimum, decibels) + "    " +
                              MyLoadString("EGPD_Max") + " " +
                              EnvelopeValueText::EntryText(type, maximum, decibels);
    CValueEntryDialog dialog(MyLoadString(CToolbar::EnvelopeNameKey(type)), range);
    dialog.SetText(EnvelopeValueText::EntryText(type, point.value, decibels));
    if (dialog.DoModal(GetWindow()) != IDOK)
        return;
    double value = point.value;
    if (EnvelopeValueText::ParseEntry(type, dialog.GetText(), decibels, minimum, maximum, value) &&
        value != point.value)
        EditPointByIndex(index, point.timeMs, value);
}

bool CGuiEnvelope::OnMouse(int32_t event, GuiPoint p, uint32_t keys) {
    if (!IsEditable())
        return false;
    const bool shift = (keys & MK_SHIFT) != 0;
    const bool ctrl = (keys & MK_CONTROL) != 0;
    switch (event) {
    case kMouseMove:
        if (m_gesture == Gesture::kPoint) {
            DragPoint(p);
        } else if (m_gesture == Gesture::kSegment) {
            m_pointer = p;
            Invalidate(nullptr);
        } else if (PointAt(p) >= 0 || IsOnLine(p)) {
            SetCursor(shift && PointAt(p) < 0 ? GuiCursor::kResizeUpDown
                                              : GuiCursor::kEnvelopePoint);
        } else {
            return false;
        }
        return true;
    case kMouseLeftDown:
    case kMouseLeftDoubleClick: {
        if (m_gesture != Gesture::kNone)
            return true;
        const int32_t index = PointAt(p);
        if (index >= 0) {
            PressPoint(index, p);
            return true;
        }
        const bool onLine = IsOnLine(p);
        if (onLine && shift) {
            PressSegment(p);
            return true;
        }
        // Ctrl at the clip's edges stretches the clip.
        const bool inEdge =
            p.x <= CClip::kEdgeZoneWidth || p.x >= GetWidth() - CClip::kEdgeZoneWidth;
        if (shift || !(onLine || (ctrl && !inEdge)))
            return false;
        AddPoint(p.x * MsPerPixel(), ValueAtTop(p.y - m_pointHeight / 2));
        return true;
    }
    case kMouseLeftUp:
    case kMouseLeftUpAfterDoubleClick:
        if (m_gesture == Gesture::kPoint)
            ReleasePoint(keys);
        else if (m_gesture == Gesture::kSegment)
            ReleaseSegment();
        else
            return false;
        return true;
    case kMouseRightDown:
        return m_gesture == Gesture::kNone && PointAt(p) >= 0;
    case kMouseRightUp: {
        const int32_t index = m_gesture == Gesture::kNone ? PointAt(p) : -1;
        if (index < 0)
            return false;
        ShowPointMenu(index, p);
        return true;
    }
    default:
        return false;
    }
}

bool CGuiEnvelope::GetToolTip(GuiPoint p, std::string& text) {
    const CEnvelope* envelope = Envelope();
    if (!envelope || !IsVisible())
        return false;
    const bool decibels = m_clip.GetDocument().ShowsDecibels();
    double value = 0.0;
    if (m_gesture == Gesture::kPoint) {
        value = ValueAtTop(PointRect(m_dragIndex).top);
    } else if (const int32_t index = PointAt(p); index >= 0) {
        EnvelopePoint point;
        envelope->GetPointAtIndex(index, point);
        value = point.value;
    } else if (IsOnLine(p)) {
        value = ValueAtX(p.x);
    } else {
        return false;
    }
    text = EnvelopeValueText::Format(EnvelopeType(), value, decibels);
    return true;
}

void CGuiEnvelope::DrawPoint(cairo_t* cr, int index) const {
    const GuiRect r = PointRect(index);
    const bool hot = index == m_selected || (m_gesture == Gesture::kPoint && index == m_dragIndex);
    const std::shared_ptr<const CImage>& image = hot ? m_selectedImage : m_normalImage;
    if (image) {
        image->Draw(cr, r.left, r.top);
        return;
    }
    cairo_set_source_rgb(cr, hot ? 1.0 : 0.9, hot ? 0.3 : 0.9, 0.2);
    cairo_rectangle(cr, r.left, r.top, r.Width(), r.Height());
    cairo_fill(cr);
}

void CGuiEnvelope::OnDraw(const GuiRect& r) {
    VRGuiWindow* window = GetWindow();
    const CEnvelope* envelope = Envelope();
    if (!window || !envelope || r.IsEmpty())
        return;
    cairo_t* cr = window->GetDrawContext();
    const std::vector<Centre> curve = Curve();
    cairo_save(cr);
    // Inverting what lies beneath shows the line on any clip colour.
    cairo_set_operator(cr, CAIRO_OPERATOR_DIFFERENCE);
    cairo_set_source_rgb(cr, 1.0, 1.0, 1.0);
    cairo_set_line_width(cr, 1.0);
    for (size_t k = 1; k < curve.size(); ++k) {
        if (curve[k].x < r.left)
            continue;
        cairo_move_to(cr, curve[k - 1].x + 0.5, curve[k - 1].y + 0.5);
        cairo_line_to(cr, curve[k].x + 0.5, curve[k].y + 0.5);
        if (curve[k].x > r.right)
            break;
    }
    cairo_stroke(cr);
    cairo_restore(cr);
    for (int i = 0; i < envelope->GetNumPoints(); ++i)
        if (!IsSwallowed(i) && PointRect(i).Intersects(r))
            DrawPoint(cr, i);
}
