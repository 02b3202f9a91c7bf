#include "timeline/LoomtoneCustomWindow.h"

#include "gui/GuiInput.h"
#include "gui/GuiScrollBar.h"
#include "gui/VRGuiWindow.h"
#include "timeline/CCaret.h"
#include "timeline/CPlaybackIndicator.h"
#include "timeline/CTrackSelRect.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

// Pixels per timer tick of edge scrolling, d pixels into the zone: from 1 at
// its edge to 51 a hundred pixels in.
int32_t EdgeScrollStep(int32_t d) {
    const double depth = std::abs(d);
    return static_cast<int32_t>(1.0 + depth * depth * depth * 0.00005);
}

} // namespace

LoomtoneCustomWindow::LoomtoneCustomWindow()
    : m_mainArea(std::make_unique<VRGuiContainer>()),
      m_headerCorner(std::make_unique<GuiTexturePanel>("header-skin", kHeaderWidth, kRulerHeight)),
      m_headerColumn(std::make_unique<GuiTexturePanel>("wood background", kHeaderWidth, 1)),
      m_headerFoot(std::make_unique<GuiTexturePanel>("wood background", kHeaderWidth, 1)),
      m_horizontal(std::make_unique<VRGuiContainer>()),
      m_trackBodies(std::make_unique<GuiTexturePanel>("wood background", kContentWidth, 1)),
      m_playbackLine(std::make_unique<CPlaybackIndicator>()), m_caret(std::make_unique<CCaret>()),
      m_selRect(std::make_unique<CTrackSelRect>()),
      m_verticalBar(std::make_unique<GuiScrollBar>(GuiScrollBar::Orientation::kVertical)),
      m_horizontalBar(std::make_unique<GuiScrollBar>(GuiScrollBar::Orientation::kHorizontal)) {
    m_trackBodies->SetType(kGuiTypeTrackBodiesContainer);
    m_trackBodies->SetZOrder(kBodiesZOrder);
    AddChild(m_mainArea.get(), 0, kToolbarHeight);
    m_mainArea->AddChild(m_headerCorner.get(), 0, 0);
    m_mainArea->AddChild(m_headerColumn.get(), 0, kRulerHeight);
    m_mainArea->AddChild(m_headerFoot.get(), 0, kRulerHeight);
    m_mainArea->AddChild(m_horizontal.get(), kHeaderWidth, 0);
    m_horizontal->AddChild(m_trackBodies.get(), 0, kRulerHeight);
    m_horizontal->AddChild(m_playbackLine.get(), -m_playbackLine->LineOffset(), 0);
    m_trackBodies->AddChild(m_caret.get(), -m_caret->LineOffset(), 0);
    m_trackBodies->AddChild(m_selRect.get(), 0, 0);
    m_playbackLine->SetSources([this] { return PlaybackPositionMs(); },
                               [this] { return TrackAreaMsPerPixel(); });
    for (GuiScrollBar* bar : {m_verticalBar.get(), m_horizontalBar.get()}) {
        bar->SetZOrder(kScrollBarZOrder);
        AddChild(bar, 0, 0);
        bar->Hide();
    }
    m_verticalBar->SetHandler(
        [this](GuiScrollBar::Code code, int32_t position) { OnVerticalScroll(code, position); });
    m_horizontalBar->SetHandler(
        [this](GuiScrollBar::Code code, int32_t position) { OnHorizontalScroll(code, position); });
}

LoomtoneCustomWindow::~LoomtoneCustomWindow() {
    if (VRGuiWindow* window = GetWindow()) {
        KillTimer(kScrollTimer);
        m_playbackLine->StopFollowing();
        window->ForgetObject(m_playbackLine.get());
        window->ForgetObject(m_caret.get());
        window->ForgetObject(m_selRect.get());
        window->ForgetObject(this);
    }
}

bool LoomtoneCustomWindow::Initialize(VRGuiContainer* parent, int32_t x, int32_t y, int32_t width,
                                      int32_t height) {
    if (!parent)
        return false;
    if (GetParent() != parent)
        parent->AddChild(this, x, y);
    VRGuiWindow* window = GetWindow();
    if (!window)
        return false;
    m_created = true;
    StartTimer(kScrollTimer, kScrollTimerMs);
    m_playbackLine->StartFollowing(window->GetRefreshPeriod());
    window->WatchMouse(this, [this](const GuiMessage& message) { OnWatchedMouse(message); });
    SetSize(width, height);
    return true;
}

void LoomtoneCustomWindow::Attach(VRGuiObject*& slot, VRGuiObject* object, VRGuiContainer& parent,
                                  int32_t x, int32_t y) {
    if (slot && slot->GetParent() == &parent)
        parent.RemoveChild(slot);
    slot = object;
    if (object)
        parent.AddChild(object, x, y);
}

void LoomtoneCustomWindow::AttachToolbar(VRGuiObject* toolbar) {
    Attach(m_toolbar, toolbar, *this, 0, 0);
}

void LoomtoneCustomWindow::AttachRuler(VRGuiObject* ruler) {
    Attach(m_ruler, ruler, *m_horizontal, 0, 0);
}

void LoomtoneCustomWindow::AttachMasterBar(VRGuiObject* masterBar) {
    Attach(m_masterBar, masterBar, *this, 0, std::max(0, GetHeight() - kMasterBarHeight));
}

void LoomtoneCustomWindow::SetSize(int32_t width, int32_t height) {
    if (!m_created)
        return;
    width = std::max(width, kMinWidth);
    height = std::max(height, kMinHeight);
    VRGuiContainer::SetSize(width, height);
    Layout(width, height);
    UpdateBars();
    if (VRGuiWindow* window = GetWindow())
        window->FlushInvalidRegion();
}

void LoomtoneCustomWindow::Layout(int32_t w, int32_t h) {
    const int32_t areaHeight = h - kToolbarHeight - kMasterBarHeight;
    if (m_toolbar)
        m_toolbar->SetSize(w, kToolbarHeight);
    m_mainArea->SetSize(w, areaHeight);
    m_horizontal->SetSize(w - kHeaderWidth, areaHeight);
    m_trackBodies->SetSize(kContentWidth, areaHeight);
    if (m_masterBar) {
        m_masterBar->SetPosition(0, h - kMasterBarHeight);
        m_masterBar->SetSize(w, kMasterBarHeight);
    }
    OnTimelineScrolled();
}

int32_t LoomtoneCustomWindow::GetTracksViewHeight() const {
    const int32_t bottom =
        GetHeight() - kMasterBarHeight - (m_horizontalShown ? kScrollBarSize : 0);
    return std::max(0, bottom - kBodiesTop);
}

int32_t LoomtoneCustomWindow::GetTracksScrollHeight() const {
    // Once the tracks overflow the view there is room below the last one to drop on.
    return m_tracksBottom > GetTracksViewHeight() ? m_tracksBottom + kDropRoomBelowTracks
                                                  : m_tracksBottom;
}

int32_t LoomtoneCustomWindow::GetMaxTracksScrollY() const {
    return std::max(0, GetTracksScrollHeight() - GetTracksViewHeight());
}

void LoomtoneCustomWindow::UpdateBars() {
    if (!m_created)
        return;
    const int32_t w = GetWidth(), h = GetHeight();
    const int32_t scrollX = GetTimelineScrollX();
    m_horizontalShown = m_contentWidth > w - kHeaderWidth || scrollX != 0;
    m_verticalShown = GetMaxTracksScrollY() > 0;
    // What can no longer be scrolled to is not left scrolled: the bar and the view agree.
    if (GetTracksScrollY() > GetMaxTracksScrollY())
        ApplyVerticalScroll(GetMaxTracksScrollY());
    const int32_t viewBottom = kBodiesTop + GetTracksViewHeight();
    // The headers end where the bodies' view ends, above the horizontal bar.
    m_headerColumn->SetSize(kHeaderWidth, GetTracksViewHeight());
    m_headerFoot->SetPosition(0, viewBottom - kToolbarHeight);
    m_headerFoot->SetSize(kHeaderWidth, std::max(1, h - kMasterBarHeight - viewBottom));
    if (m_verticalShown) {
        m_verticalBar->SetPosition(w - kScrollBarSize, kBodiesTop);
        m_verticalBar->SetSize(kScrollBarSize, std::max(1, GetTracksViewHeight()));
        m_verticalBar->SetRange(0, GetTracksScrollHeight() - 1, GetTracksViewHeight());
        m_verticalBar->SetPos(GetTracksScrollY());
        m_verticalBar->Show();
    } else {
        m_verticalBar->Hide();
    }
    if (m_horizontalShown) {
        const int32_t right = m_verticalShown ? w - kScrollBarSize : w;
        m_horizontalBar->SetPosition(kHeaderWidth, h - kMasterBarHeight - kScrollBarSize);
        m_horizontalBar->SetSize(std::max(1, right - kHeaderWidth), kScrollBarSize);
        m_horizontalBar->SetRange(0, m_contentWidth + 140, w - kHeaderWidth);
        m_horizontalBar->SetPos(scrollX);
        m_horizontalBar->Show();
    } else {
        m_horizontalBar->Hide();
    }
}

int32_t LoomtoneCustomWindow::GetTimelineScrollX() const {
    return m_horizontal->GetScrollX();
}

int32_t LoomtoneCustomWindow::GetTracksScrollY() const {
    return m_headerColumn->GetScrollY();
}

void LoomtoneCustomWindow::SetVerticalScroll(int32_t y) {
    ApplyVerticalScroll(std::clamp(y, 0, GetMaxTracksScrollY()));
    UpdateBars();
}

void LoomtoneCustomWindow::ApplyVerticalScroll(int32_t y) {
    m_verticalBar->SetPos(y);
    m_headerColumn->SetScrollY(y);
    m_trackBodies->SetScrollY(y);
}

void LoomtoneCustomWindow::ResetScroll() {
    SetVerticalScroll(0);
    SetHorizontalScroll(0);
}

void LoomtoneCustomWindow::SetHorizontalScroll(int32_t x) {
    x = std::max(0, x);
    m_horizontalBar->SetPos(x);
    if (x != m_horizontal->GetScrollX()) {
        m_horizontal->SetScrollX(x);
        OnTimelineScrolled();
    } else {
        m_trackBodies->Invalidate(nullptr);
    }
    UpdateBars();
}

void LoomtoneCustomWindow::RecomputeScrollRanges(bool vertical, bool horizontal) {
    if (vertical) {
        int32_t bottom = 0;
        for (int i = 0; i < m_headerColumn->ChildCount(); ++i) {
            const VRGuiObject* header = m_headerColumn->ChildAt(i);
            bottom = std::max(bottom, header->GetY() + header->GetHeight());
        }
        m_tracksBottom = bottom;
        // The caret and the playback line reach at least down the view.
        m_tracksHeight = std::max(bottom, GetTracksViewHeight());
        OnTracksHeightChanged(m_tracksHeight);
    }
    if (horizontal) {
        const double m = std::max(1, TrackAreaMsPerPixel());
        const TimelineExtents e = GetTimelineExtents();
        double widest = std::max<double>(e.projectEndMs / m + 10, GetViewWidth());
        widest = std::max({widest, e.caretMs / m, e.selectionEndMs / m,
                           static_cast<double>(GetTimelineScrollX()), e.playbackMs / m,
                           e.lastTempoEventMs / m});
        m_contentWidth = 200 + static_cast<int32_t>(std::min<double>(widest, kContentWidth));
    }
    UpdateBars();
    PlaceCaret();
    OnTimelineLayout();
}

void LoomtoneCustomWindow::PlaceCaret() {
    int32_t top = 0, height = 0;
    if (!CaretTrackSpan(top, height)) {
        m_caret->Hide();
        return;
    }
    m_caret->Place(GetTimelineExtents().caretMs, TrackAreaMsPerPixel(), top, height);
    m_caret->Show();
}

void LoomtoneCustomWindow::ScrollVerticallyBy(int32_t delta) {
    SetVerticalScroll(GetTracksScrollY() + delta);
}

bool LoomtoneCustomWindow::OnWheel(GuiPoint p, int32_t delta, uint32_t keys) {
    if (VRGuiContainer::OnWheel(p, delta, keys))
        return true;
    if (p.y < kToolbarHeight || p.y >= GetHeight() - kMasterBarHeight || m_buttonHeld)
        return false;
    // Notches away from the user: up, left, in.
    const int32_t notches = delta / kWheelDelta != 0 ? delta / kWheelDelta : (delta > 0 ? 1 : -1);
    if (keys & MK_CONTROL) {
        ZoomAround(p.x - kHeaderWidth, notches < 0);
    } else if (keys & MK_SHIFT) {
        const int32_t step = std::max(1, GetViewWidth() / 10);
        SetHorizontalScroll(std::clamp(GetTimelineScrollX() - notches * step, 0, m_contentWidth));
    } else {
        ScrollVerticallyBy(-notches * kWheelStep);
    }
    return true;
}

void LoomtoneCustomWindow::ZoomAround(int32_t viewX, bool zoomOut) {
    // Over the headers the view's left edge stays put.
    viewX = std::clamp(viewX, 0, GetViewWidth());
    const double before = std::max(1, TrackAreaMsPerPixel());
    const double ms = (GetTimelineScrollX() + viewX) * before;
    Zoom(zoomOut);
    const double after = std::max(1, TrackAreaMsPerPixel());
    if (after == before)
        return;
    SetHorizontalScroll(std::max(0, static_cast<int32_t>(ms / after) - viewX));
    RecomputeScrollRanges(false, true);
}

void LoomtoneCustomWindow::OnVerticalScroll(int32_t code, int32_t position) {
    const int32_t line = std::max(1, GetTracksViewHeight() / 10);
    switch (code) {
    case GuiScrollBar::kLineUp:
    case GuiScrollBar::kPageUp:
        ScrollVerticallyBy(-line);
        break;
    case GuiScrollBar::kLineDown:
    case GuiScrollBar::kPageDown:
        ScrollVerticallyBy(line);
        break;
    case GuiScrollBar::kThumbReleased:
        m_buttonHeld = false;
        break;
    case GuiScrollBar::kThumbTracking:
        m_buttonHeld = true;
        SetVerticalScroll(position);
        break;
    default:
        break;
    }
}

void LoomtoneCustomWindow::OnHorizontalScroll(int32_t code, int32_t position) {
    const int32_t view = GetViewWidth();
    const int32_t x = GetTimelineScrollX();
    switch (code) {
    case GuiScrollBar::kLineUp:
        SetHorizontalScroll(std::max(0, x - view / 10));
        break;
    case GuiScrollBar::kLineDown:
        SetHorizontalScroll(std::min(m_contentWidth, x + view / 10));
        break;
    case GuiScrollBar::kPageUp:
        SetHorizontalScroll(std::max(0, x - view));
        break;
    case GuiScrollBar::kPageDown:
        SetHorizontalScroll(std::min(m_contentWidth, x + view));
        break;
    case GuiScrollBar::kThumbReleased:
        m_buttonHeld = false;
        break;
    case GuiScrollBar::kThumbTracking:
        m_buttonHeld = true;
        SetHorizontalScroll(position);
        break;
    default:
        break;
    }
}

bool LoomtoneCustomWindow::OnKey(int32_t event, int32_t key, uint32_t modifiers) {
    if (VRGuiContainer::OnKey(event, key, modifiers))
        return true;
    if (event != kKeyDown || m_buttonHeld)
        return false;
    const bool shift = modifiers & kModShift;
    const bool control = modifiers & kModControl;
    switch (key) {
    case VK_BACK:
    case VK_DELETE:
        DeleteSelection();
        return true;
    case VK_TAB:
        SelectNextClip(shift ? -1 : 1);
        return true;
    case VK_ESCAPE:
        DeselectEverything();
        return true;
    case VK_SPACE:
        PlayStopKey(modifiers);
        return true;
    case VK_PRIOR:
        ScrollVerticallyBy(-GetTracksViewHeight() / 10);
        return true;
    case VK_NEXT:
        ScrollVerticallyBy(GetTracksViewHeight() / 10);
        return true;
    case VK_HOME:
        MoveToProjectStart();
        return true;
    case VK_END:
        MoveToProjectEnd();
        return true;
    case VK_LEFT:
    case VK_RIGHT: {
        // A twentieth of the view, or 20 ms with Control, 1 ms with both.
        double step = std::trunc(static_cast<double>(TrackAreaMsPerPixel()) * GetViewWidth() / 20);
        if (control)
            step = shift ? 1 : 20;
        const double delta = key == VK_LEFT ? -step : step;
        if (HasSelectedClips())
            MoveClips(delta, 0, !control);
        else
            MoveCaret(delta, 0, !control);
        return true;
    }
    case VK_UP:
    case VK_DOWN: {
        const int32_t delta = key == VK_UP ? -1 : 1;
        if (HasSelectedClips())
            MoveClips(0, delta, true);
        else
            MoveCaret(0, delta, true);
        return true;
    }
    case VK_ADD:
    case VK_OEM_PLUS:
        Zoom(false);
        return true;
    case VK_SUBTRACT:
    case VK_OEM_MINUS:
        Zoom(true);
        return true;
    default:
        return false;
    }
}

void LoomtoneCustomWindow::AllowEdgeScrolling(bool horizontal, bool vertical) {
    m_horizontalEdgeAllowed = horizontal;
    m_verticalEdgeAllowed = vertical;
}

void LoomtoneCustomWindow::UpdateClickTime(GuiPoint p) {
    if (p.y <= 45 || p.y >= GetHeight() - kMasterBarHeight)
        return;
    const double m = std::max(1, TrackAreaMsPerPixel());
    const double t = std::max(0.0, (GetTimelineScrollX() - kHeaderWidth + p.x) * m);
    m_clickTime = SnapAdjustedTime(t);
}

void LoomtoneCustomWindow::OnWatchedMouse(const GuiMessage& message) {
    const GuiPoint p{message.x - GetAbsX(), message.y - GetAbsY()};
    const bool inside = p.x >= 0 && p.y >= 0 && p.x < GetWidth() && p.y < GetHeight();
    switch (message.type) {
    case GuiMessageType::LButtonDown:
    case GuiMessageType::LButtonDblClk:
        if (!inside)
            return;
        m_pointer = m_press = p;
        m_buttonHeld = true;
        UpdateClickTime(p);
        if (p.x >= kHeaderWidth && p.y >= 96 && p.y < GetHeight() - kMasterBarHeight &&
            HasActiveTimeSelection())
            ClearTimeSelection();
        return;
    case GuiMessageType::MouseMove:
        m_pointer = p;
        if (m_buttonHeld && (message.keys & MK_LBUTTON) && p.x >= 0 &&
            p.y < GetHeight() - kMasterBarHeight)
            m_edgeScrolling = true;
        return;
    case GuiMessageType::LButtonUp:
        if (!m_buttonHeld)
            return;
        m_pointer = p;
        if (m_edgeScrolling)
            RecomputeScrollRanges(true, true);
        m_buttonHeld = false;
        m_edgeScrolling = false;
        UpdateClickTime(p);
        if (IsBelowTracks(m_press) && IsBelowTracks(p) && std::abs(p.x - m_press.x) < kClickSlack &&
            std::abs(p.y - m_press.y) < kClickSlack)
            OnClickBelowTracks(std::max(0, p.x - kHeaderWidth + GetTimelineScrollX()),
                               message.keys);
        return;
    default:
        return;
    }
}

bool LoomtoneCustomWindow::IsBelowTracks(GuiPoint p) const {
    const int32_t viewY = p.y - kBodiesTop;
    return p.x >= kHeaderWidth && p.x < GetWidth() - (m_verticalShown ? kScrollBarSize : 0) &&
           viewY >= 0 && viewY < GetTracksViewHeight() &&
           viewY + GetTracksScrollY() >= m_tracksBottom;
}

bool LoomtoneCustomWindow::EdgeScroll() {
    const int32_t w = GetWidth(), h = GetHeight();
    const GuiPoint p = m_pointer;
    bool scrolled = false;
    if (m_horizontalEdgeAllowed && std::abs(p.x - m_press.x) >= kEdgeScrollSlack) {
        const int32_t x = GetTimelineScrollX();
        if (p.x > w - 108) {
            SetHorizontalScroll(x + EdgeScrollStep(std::min(p.x - (w - 108), 100)));
            scrolled = true;
        } else if (p.x < 315 && x > 0) {
            SetHorizontalScroll(std::max(0, x - EdgeScrollStep(std::max(p.x - 340, -100))));
            scrolled = true;
        }
    }
    if (m_verticalEdgeAllowed && std::abs(p.y - m_press.y) >= kEdgeScrollSlack) {
        const int32_t y = GetTracksScrollY();
        if (p.y > h - 83) {
            SetVerticalScroll(y + EdgeScrollStep(std::min(p.y - (h - 83), 100)));
            scrolled = true;
        } else if (p.y < 65 && y > 0) {
            SetVerticalScroll(std::max(0, y - EdgeScrollStep(std::max(p.y - 150, -100))));
            scrolled = true;
        }
    }
    return scrolled;
}

void LoomtoneCustomWindow::FollowPlayback() {
    double ms = 0.0;
    if (m_buttonHeld || !PlaybackToFollow(ms))
        return;
    const int32_t x = static_cast<int32_t>(ms / std::max(1, TrackAreaMsPerPixel()));
    const int32_t scrollX = GetTimelineScrollX();
    if (x > scrollX + GetViewWidth() - 20 || x < scrollX)
        SetHorizontalScroll(x);
}

void LoomtoneCustomWindow::OnTimer(uint32_t id) {
    if (id != kScrollTimer) {
        VRGuiContainer::OnTimer(id);
        return;
    }
    if (!m_edgeScrolling) {
        FollowPlayback();
        return;
    }
    if (!EdgeScroll())
        return;
    // The gesture follows the view: it hears the pointer again at its place
    // in the scrolled content.
    if (VRGuiWindow* window = GetWindow()) {
        GuiMessage move;
        move.type = GuiMessageType::MouseMove;
        move.x = m_pointer.x + GetAbsX();
        move.y = m_pointer.y + GetAbsY();
        move.keys = MK_LBUTTON;
        window->WindowProc(move);
    }
}

void LoomtoneCustomWindow::DropFiles(const std::vector<std::string>& files, GuiPoint windowPoint) {
    const GuiPoint body{windowPoint.x - m_trackBodies->GetAbsX(),
                        windowPoint.y - m_trackBodies->GetAbsY() + m_trackBodies->GetScrollY()};
    if (body.x < 0 || body.y < 0 || files.empty())
        return;
    FilesDroppedOnTracks(files, body);
}
