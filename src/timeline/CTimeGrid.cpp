#include "timeline/CTimeGrid.h"

#include "engine/TempoMap.h"
#include "gui/CSkin.h"
#include "gui/GuiInput.h"
#include "gui/GuiMenu.h"
#include "gui/GuiPopupMenu.h"
#include "gui/GuiTextLayout.h"
#include "gui/IGuiHost.h"
#include "gui/VRGuiWindow.h"
#include "support/LocalizedStrings.h"
#include "timeline/CTrackMarker.h"
#include "timeline/TimeGridHost.h"
#include "timeline/TimelineNotifications.h"

#include <cairo.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace {

constexpr std::array<int32_t, CTimeGrid::kZoomLevelCount> kMsPerPixel = {
    1,   2,   3,   4,   5,   6,   8,   10,  12,  15,   20,   25,   30,   40,   50,   60,   80,  100,
    120, 150, 200, 250, 300, 400, 500, 600, 800, 1000, 1200, 1500, 2000, 2500, 3000, 4000, 5000};

struct SnapLevel {
    int32_t divisions;
    const char* menuKey;
};

constexpr std::array<SnapLevel, CTimeGrid::kSnapLevelCount> kSnapLevels = {{
    {0, "ViewMenu:Snap:Off"},
    {1, "ViewMenu:Snap:1/1"},
    {2, "ViewMenu:Snap:1/2"},
    {4, "ViewMenu:Snap:1/4"},
    {8, "ViewMenu:Snap:1/8"},
    {16, "ViewMenu:Snap:1/16"},
    {32, "ViewMenu:Snap:1/32"},
    {64, "ViewMenu:Snap:1/64"},
    {12, "ViewMenu:Snap:1/4Triplet"},
    {24, "ViewMenu:Snap:1/8Triplet"},
    {48, "ViewMenu:Snap:1/16Triplet"},
}};

constexpr int kMeasureSnapLevel = 1;
// Labels reach this far right of their tick, so ticks this far outside a
// repainted rectangle still draw their label into it.
constexpr int32_t kLabelReach = 100;
constexpr int32_t kLabelTop = 28;
constexpr int32_t kLabelBottom = 43;
constexpr int32_t kMarkerLineWidth = 2;

bool IsValidSnapLevel(int level) {
    return level >= 0 && level < CTimeGrid::kSnapLevelCount;
}

int32_t ClampToInt32(double value) {
    constexpr double kMin = std::numeric_limits<int32_t>::min();
    constexpr double kMax = std::numeric_limits<int32_t>::max();
    return int32_t(std::clamp(value, kMin, kMax));
}

void FillColumn(cairo_t* cr, int32_t x, int32_t top, int32_t width, int32_t height,
                uint32_t color) {
    CImage::SetSourceColor(cr, color);
    cairo_rectangle(cr, x, top, width, height);
    cairo_fill(cr);
}

TrackMarkerLook StartMarkerLook() {
    return {MyLoadString("TM_Start"), CTrackMarker::kStartMarkerColour, true};
}

} // namespace

int32_t CTimeGrid::MsPerPixel(int level) {
    return kMsPerPixel[size_t(std::clamp(level, 0, kZoomLevelCount - 1))];
}

int32_t CTimeGrid::SnapDivisions(int level) {
    return IsValidSnapLevel(level) ? kSnapLevels[size_t(level)].divisions : 0;
}

const char* CTimeGrid::SnapMenuKey(int level) {
    return IsValidSnapLevel(level) ? kSnapLevels[size_t(level)].menuKey : "";
}

int CTimeGrid::RunSnapMenu(VRGuiWindow* window, int32_t x, int32_t y, int currentLevel) {
    if (!window)
        return -1;
    // Menu identifiers are levels + 1: identifier 0 means "nothing chosen".
    GuiMenu menu;
    for (int level = 0; level < kSnapLevelCount; ++level)
        menu.AddItem(level + 1, MyLoadString(SnapMenuKey(level)));
    menu.Check(currentLevel + 1, true);
    GuiPopupMenu popup(menu);
    return popup.Run(window, x, y) - 1;
}

CTimeGrid::CTimeGrid(TimeGridHost& host)
    : GuiTexturePanel("timeline background", kWidth, kHeight), m_host(host) {
    SetZOrder(kZOrder);
    m_msPerPixel = std::max(host.CurrentMsPerPixel(), 1);
    m_unit = CRulerTicks::UnitFor(m_timeLineMode, m_msPerPixel);
    m_majorColor = CSkin::ColorOf("maj-tick");
    m_minorColor = CSkin::ColorOf("min-tick");
    m_textColor = CSkin::ColorOf("time-text-color");
    SyncMarkers();
}

CTimeGrid::~CTimeGrid() {
    RemoveMarkers();
}

double CTimeGrid::Snap(bool useGivenLevel, int level, double realTime) const {
    // Also catches NaN.
    if (!(realTime > 0.0))
        return 0.0;
    const int snapLevel = useGivenLevel ? level : m_snapLevel;
    const int32_t divisions = SnapDivisions(snapLevel);
    if (divisions == 0)
        return realTime;
    TempoEvent event;
    if (!m_host.GetTempoMap().GetTempoEventAtTime(std::trunc(realTime), TempoMap::kAnyChange,
                                                  &event))
        return realTime;
    if (snapLevel == kMeasureSnapLevel)
        return SnapToMeasure(m_host.GetTempoMap(), realTime);
    const double interval = event.denominator * 60000.0 / (divisions * TempoMap::kReferenceTempo);
    const double base = std::trunc(realTime / interval) * interval;
    const double remainder = std::trunc(realTime - base);
    // Exactly half an interval snaps down.
    return remainder > interval / 2 ? base + interval : base;
}

double CTimeGrid::SnapToMeasure(const TempoMap& map, double realTime) {
    int beatsPerMeasure = 4;
    int beatUnit = 4;
    // The signature of the measure the time lies in, not of one starting at it.
    map.GetTimeSignatureAtTime(std::trunc(realTime - 1), &beatsPerMeasure, &beatUnit);
    int measure = 0;
    int beat = 1;
    double fraction = 0.0;
    map.GetMeasureAndBeat(realTime, &measure, &beat, &fraction);
    if (measure <= 0 || (beat == 1 && fraction == 0.0))
        return realTime;
    // Beats count from 1: in 4/4 a time on beat 2 stays in its own measure.
    if (beat + fraction > beatsPerMeasure / 2.0)
        ++measure;
    return map.GetTimeAtMeasureAndBeat(measure, 1, 0.0);
}

double CTimeGrid::SnapAdjusted(bool useGivenLevel, int level, double time) const {
    const TempoMap& map = m_host.GetTempoMap();
    return map.GetTempoAdjustedTime(Snap(useGivenLevel, level, map.GetRealTime(time)));
}

int32_t CTimeGrid::GetSnapInterval() const {
    // 4 / (divisions * 120) minutes of a whole note at 120 beats per minute.
    const int32_t divisions = SnapDivisions(m_snapLevel);
    return divisions == 0 ? 1 : 2000 / divisions;
}

double CTimeGrid::SnapStep(double realTime, bool forward) const {
    const double step = GetSnapInterval();
    return Snap(false, 0, std::max(0.0, realTime + (forward ? step : -step)));
}

void CTimeGrid::SetSnapLevel(int level) {
    if (!IsValidSnapLevel(level) || level == m_snapLevel)
        return;
    m_snapLevel = level;
    // Measure ticks subdivide as finely as the snap.
    if (m_timeLineMode == kMeasureMode)
        RebuildTicks();
}

void CTimeGrid::SetTimeLineMode(int32_t mode) {
    m_timeLineMode = mode == kMeasureMode ? kMeasureMode : kClockMode;
    // The unit follows the mode too, or a switch back to clock time would
    // count in a step chosen for another zoom.
    m_unit = CRulerTicks::UnitFor(m_timeLineMode, m_msPerPixel);
    RebuildTicks();
}

RulerView CTimeGrid::CurrentView() const {
    const VRGuiContainer* parent = GetParent();
    if (!parent)
        return {m_msPerPixel, 0, 0};
    const int32_t left = parent->GetScrollX() - GetX();
    const int32_t right = left + parent->GetWidth();
    // Ticks just left of the view still draw the start of their label in it.
    const int32_t reach = left > 0 ? std::min(left, kLabelReach) : 0;
    return {m_msPerPixel, left - reach, right};
}

void CTimeGrid::BuildTicks(const RulerView& view) {
    if (m_timeLineMode == kClockMode)
        m_ticks = CRulerTicks::Clock(view, m_unit);
    else
        m_ticks = CRulerTicks::Measures(view, m_host.GetTempoMap(), SnapDivisions(m_snapLevel));
    m_builtView = view;
    m_ticksBuilt = true;
}

void CTimeGrid::EnsureTicks() {
    const RulerView view = CurrentView();
    const bool moved = view.left != m_builtView.left || view.right != m_builtView.right ||
                       view.msPerPixel != m_builtView.msPerPixel;
    if (!m_ticksBuilt || moved)
        BuildTicks(view);
}

void CTimeGrid::RebuildTicks() {
    const bool wasBuilt = m_ticksBuilt;
    const RulerView before = m_builtView;
    const std::vector<RulerTick> old = std::move(m_ticks);
    BuildTicks(CurrentView());
    // A scroll carries the drawn ruler and tracks along and draws what it
    // uncovers; they need drawing again only when the ticks differ where the
    // old and the new view meet.
    if (wasBuilt && SameTicksWhereViewsMeet(old, before))
        return;
    Invalidate(nullptr);
    m_host.InvalidateTrackBodies();
}

bool CTimeGrid::SameTicksWhereViewsMeet(const std::vector<RulerTick>& old,
                                        const RulerView& oldView) const {
    if (oldView.msPerPixel != m_builtView.msPerPixel)
        return false;
    const int32_t from = std::max(oldView.left, m_builtView.left);
    const int32_t to = std::min(oldView.right, m_builtView.right);
    if (from >= to)
        return false;
    auto within = [from, to](const std::vector<RulerTick>& ticks) {
        std::vector<const RulerTick*> inside;
        for (const RulerTick& tick : ticks)
            if (tick.x >= from && tick.x < to)
                inside.push_back(&tick);
        return inside;
    };
    const auto before = within(old);
    const auto now = within(m_ticks);
    return std::equal(before.begin(), before.end(), now.begin(), now.end(),
                      [](const RulerTick* a, const RulerTick* b) {
                          return a->x == b->x && a->height == b->height && a->label == b->label;
                      });
}

const std::vector<RulerTick>& CTimeGrid::GetTicks() {
    EnsureTicks();
    return m_ticks;
}

CTrackMarker* CTimeGrid::GetMarker(int index) const {
    return index >= 0 && index < MarkerCount() ? m_markers[size_t(index)].get() : nullptr;
}

void CTimeGrid::RemoveMarkers() {
    std::vector<VRGuiObject*> markers;
    markers.reserve(m_markers.size());
    for (const auto& marker : m_markers)
        markers.push_back(marker.get());
    RemoveChildren(markers);
    m_markers.clear();
}

void CTimeGrid::SyncMarkers() {
    RemoveMarkers();
    const TempoMap& map = m_host.GetTempoMap();
    for (int i = 0; i < map.NumEvents(); ++i) {
        TempoEvent event;
        map.GetEvent(i, &event);
        TrackMarkerLook look;
        if (!m_host.GetMarkerLook(i, look) && i == 0)
            look = StartMarkerLook();
        auto marker = std::make_unique<CTrackMarker>(look, event);
        marker->AddObserver(this);
        AddChild(marker.get(), 0, 0);
        m_markers.push_back(std::move(marker));
    }
    PlaceMarkers();
    m_ticksBuilt = false;
}

void CTimeGrid::PlaceMarkers() {
    const TempoMap& map = m_host.GetTempoMap();
    for (const auto& marker : m_markers) {
        const double adjusted = std::trunc(map.GetTempoAdjustedTime(marker->GetTime()));
        marker->SetPosition(ClampToInt32(std::trunc(adjusted / m_msPerPixel)), 0);
    }
    // A marker's text stops short of the next marker's flag.
    for (size_t i = 0; i < m_markers.size(); ++i) {
        const int32_t x = m_markers[i]->GetX();
        const int64_t next = i + 1 < m_markers.size() ? m_markers[i + 1]->GetX()
                                                      : std::numeric_limits<int32_t>::max();
        m_markers[i]->LimitWidth(ClampToInt32(double(next - x)));
    }
}

void CTimeGrid::OnDraw(const GuiRect& r) {
    DrawTexture(r);
    EnsureTicks();
    DrawTicks(r);
}

void CTimeGrid::DrawTicks(const GuiRect& r) {
    cairo_t* cr = GetWindow()->GetDrawContext();
    const int64_t from = int64_t(r.left) - kLabelReach;
    const int64_t to = int64_t(r.right) + kLabelReach;
    auto tick = std::lower_bound(m_ticks.begin(), m_ticks.end(), from,
                                 [](const RulerTick& t, int64_t x) { return t.x < x; });
    for (; tick != m_ticks.end() && tick->x <= to; ++tick) {
        const uint32_t color = tick->height >= CRulerTicks::kLabelled ? m_majorColor : m_minorColor;
        FillColumn(cr, tick->x, kHeight - tick->height, 1, tick->height, color);
        if (tick->label.empty())
            continue;
        m_labelLayouts.Get(GuiFont{}, tick->label)
            .DrawIn(cr, tick->x, kLabelTop, kLabelReach, kLabelBottom - kLabelTop, kTextSingleLine,
                    m_textColor);
    }
}

void CTimeGrid::DrawGridLines(VRGuiObject& target, const GuiRect& r) {
    VRGuiWindow* window = target.GetWindow();
    if (!window || r.IsEmpty())
        return;
    EnsureTicks();
    cairo_t* cr = window->GetDrawContext();
    auto tick = std::lower_bound(m_ticks.begin(), m_ticks.end(), r.left,
                                 [](const RulerTick& t, int32_t x) { return t.x < x; });
    for (; tick != m_ticks.end() && tick->x <= r.right; ++tick) {
        const uint32_t color = tick->height >= CRulerTicks::kLabelled ? m_majorColor : m_minorColor;
        FillColumn(cr, tick->x, r.top, 1, r.Height(), color);
    }
    // The start marker sits on the ruler's own origin and draws no line. A
    // marker's 2-pixel line covers its x and the column after it.
    for (size_t i = 1; i < m_markers.size(); ++i) {
        const int32_t x = m_markers[i]->GetX();
        if (x >= r.left && x < r.right)
            FillColumn(cr, x, r.top, kMarkerLineWidth, r.Height() - 1,
                       m_markers[i]->GetLook().colour);
    }
}

bool CTimeGrid::OnMouse(int32_t event, GuiPoint p, uint32_t keys) {
    // The markers have their chance first.
    if (GuiTexturePanel::OnMouse(event, p, keys))
        return true;
    switch (event) {
    case kMouseLeftDown:
        if (const int flag = m_markerMouse.FlagAt(p); flag > 0 && m_markerMouse.Press(flag, p.x))
            Capture(true);
        else
            OnLeftDown(p.x);
        return true;
    case kMouseMove:
        if (m_markerMouse.IsDragging())
            m_markerMouse.Move(p.x);
        else if (m_pressed)
            OnDrag(p.x);
        else
            ShowCursor(m_markerMouse.FlagAt(p) > 0 ? GuiCursor::kResizeLeftRight
                                                   : GuiCursor::kArrow);
        return m_pressed || m_markerMouse.IsDragging();
    case kMouseLeftUp:
        if (m_markerMouse.IsDragging()) {
            Capture(false);
            m_markerMouse.Release(p.x);
        } else if (m_pressed && m_selecting)
            OnDrag(p.x);
        else
            OnLeftUp(p.x);
        EndPress();
        return true;
    case kMouseLeftDoubleClick:
        OnDoubleClick(p);
        return true;
    case kMouseRightDown:
        return true;
    case kMouseRightUp:
        if (const int flag = m_markerMouse.FlagAt(p); flag >= 0)
            m_markerMouse.RunMenu(flag, p);
        else
            RunContextMenu(p);
        return true;
    default:
        return false;
    }
}

void CTimeGrid::OnLeftDown(int32_t x) {
    m_host.ClearTimeSelection();
    m_pressed = true;
    m_selecting = false;
    m_pressX = x;
    Capture(true);
}

void CTimeGrid::Capture(bool on) {
    VRGuiWindow* window = GetWindow();
    if (!window)
        return;
    if (on)
        window->SetCapture(this);
    else if (window->GetCaptured() == this)
        window->ReleaseCapture();
}

void CTimeGrid::ShowCursor(GuiCursor cursor) {
    if (VRGuiWindow* window = GetWindow())
        if (IGuiHost* host = window->GetHWND())
            host->SetCursor(cursor);
}

void CTimeGrid::OnDrag(int32_t x) {
    // A few pixels of slack keep a click a click.
    if (!m_selecting && std::abs(x - m_pressX) <= kDragSlack)
        return;
    m_selecting = true;
    m_host.SelectTimeOnRuler(m_pressX, x);
}

void CTimeGrid::EndPress() {
    m_pressed = false;
    m_selecting = false;
    Capture(false);
}

void CTimeGrid::OnLeftUp(int32_t x) {
    if (m_host.IsRecording())
        return;
    const double ms = double(int64_t(x) * m_msPerPixel);
    if (m_host.IsPlaying())
        m_host.RelocatePlayback(ms);
    else
        m_host.MovePlaybackMarker(ms);
}

void CTimeGrid::OnDoubleClick(GuiPoint p) {
    m_host.BeginUndoSet();
    // Anywhere on a marker, flag or text, edits it: a new marker at its
    // time could only be refused as taken.
    if (const int index = MarkerAt(p); index >= 0)
        m_host.OpenMarkerDialog(index);
    else
        m_host.OpenNewMarkerDialog(
            m_host.GetTempoMap().GetRealTime(double(int64_t(p.x) * m_msPerPixel)));
}

int CTimeGrid::MarkerAt(GuiPoint p) const {
    // Later markers lie over earlier ones.
    for (size_t i = m_markers.size(); i-- > 0;) {
        const CTrackMarker& marker = *m_markers[i];
        if (marker.IsVisible() && p.x >= marker.GetX() && p.x < marker.GetX() + marker.GetWidth() &&
            p.y >= marker.GetY() && p.y < marker.GetY() + marker.GetHeight())
            return int(i);
    }
    return -1;
}

void CTimeGrid::RunContextMenu(GuiPoint p) {
    VRGuiWindow* window = GetWindow();
    if (!window)
        return;
    const bool recording = m_host.IsRecording();
    GuiMenu menu;
    for (int32_t command = kCmdAddMarker; command <= kCmdToggleMode; ++command) {
        if (command == 3 || command == 6) {
            menu.AddSeparator();
            continue;
        }
        std::string key = "MarkerMenu2Item" + std::to_string(command);
        if (command == kCmdToggleMode)
            key = m_timeLineMode == kClockMode ? "MarkerMenu2ItemBeats" : "MarkerMenu2ItemTime";
        menu.AddItem(command, MyLoadString(key));
    }
    menu.Enable(kCmdPreviousMarker, !recording);
    menu.Enable(kCmdNextMarker, !recording);
    const GuiPoint at = LocalToAbsPoint(p);
    GuiPopupMenu popup(menu);
    const int32_t command = popup.Run(window, at.x, at.y);
    RunMenuCommand(command, double(int64_t(p.x) * m_msPerPixel));
}

void CTimeGrid::RunMenuCommand(int32_t command, double clickedMs) {
    const TempoMap& map = m_host.GetTempoMap();
    const double clickedReal = map.GetRealTime(clickedMs);
    double markerTime = 0.0;
    switch (command) {
    case kCmdAddMarker:
        m_host.BeginUndoSet();
        m_host.OpenNewMarkerDialog(clickedReal);
        break;
    case kCmdMarkerWizard:
        m_host.OpenMarkerWizard();
        break;
    case kCmdPreviousMarker:
        if (map.GetPreviousMarkerBeforeTime(clickedReal, &markerTime))
            m_host.RelocatePlayback(map.GetTempoAdjustedTime(markerTime));
        break;
    case kCmdNextMarker:
        if (map.GetNextMarkerAfterTime(clickedReal, &markerTime))
            m_host.RelocatePlayback(map.GetTempoAdjustedTime(markerTime));
        break;
    case kCmdToggleMode:
        m_host.SetTimeLineMode(m_timeLineMode == kClockMode ? kMeasureMode : kClockMode);
        break;
    default:
        break;
    }
}

void CTimeGrid::OnZoomChanged(int32_t msPerPixel) {
    if (msPerPixel <= 0)
        return;
    m_msPerPixel = msPerPixel;
    m_unit = CRulerTicks::UnitFor(m_timeLineMode, m_msPerPixel);
    PlaceMarkers();
    RebuildTicks();
}

void CTimeGrid::OnNotification(int message, void* parameter) {
    if (message == kNotifyZoomChanged)
        OnZoomChanged(ClampToInt32(double(NotificationArgument<kNotifyZoomChanged>(parameter))));
    else if (message == kNotifyDragState)
        SendNotification(kNotifyDragState, parameter);
}
