#include "gui/VRGuiWindow.h"

#include "gui/GuiInput.h"
#include "gui/IGuiHost.h"
#include "gui/VRGuiLayer.h"
#include "support/Log.h"
#include "support/Paths.h"

#include <cairo.h>

#include <algorithm>
#include <mutex>

namespace {

// Dropped files may come as paths relative to the folder the program started in.
std::vector<std::string> AbsolutePaths(const std::vector<std::string>& files) {
    std::vector<std::string> absolute;
    absolute.reserve(files.size());
    for (const std::string& file : files)
        absolute.push_back(MakeAbsolutePath(file));
    return absolute;
}

} // namespace

VRGuiWindow::VRGuiWindow() : m_link(std::make_shared<GuiWindowLink>()) {
    m_link->window = this;
    SetType(kGuiTypeWindow);
}

VRGuiWindow::VRGuiWindow(int32_t width, int32_t height)
    : VRGuiContainer(width, height), m_link(std::make_shared<GuiWindowLink>()) {
    m_link->window = this;
    SetType(kGuiTypeWindow);
}

VRGuiWindow::~VRGuiWindow() {
    // Objects that outlive the window must not reach it any more.
    m_link->window = nullptr;
    m_toolTip.Hide();
    if (m_host) {
        for (const TimerEntry& entry : m_timers)
            m_host->StopTimer(entry.id);
        m_host->StopTimer(REFRESH_TIMER);
        if (m_captureSet)
            m_host->ReleaseMouse();
        m_host->Close();
    }
    m_timers.clear();
    m_hovered = nullptr;
    m_captured = nullptr;
}

bool VRGuiWindow::Initialize(IGuiHost* host, int32_t width, int32_t height) {
    if (!CreateNativeWindow(host, width, height)) {
        Log("VRGuiWindow::Initialize failed!");
        return false;
    }
    SetSize(width, height);
    // The first picture shows the whole window, not only what was marked dirty.
    Invalidate(nullptr);
    if (!m_host->StartTimer(REFRESH_TIMER, m_refreshPeriodMs))
        LogFmt("****FAILED on VRGuiWindow::Initialize SetTimer failed - HWND=%p timerID = %u, "
               "frequency=%u, lastError=%x",
               static_cast<void*>(m_host), REFRESH_TIMER, m_refreshPeriodMs, 0u);
    return true;
}

bool VRGuiWindow::CreateNativeWindow(IGuiHost* host, int32_t width, int32_t height) {
    if (!host || !host->Open(this, width, height))
        return false;
    auto buffer = std::make_unique<CBackBuffer>();
    if (!buffer->Create(std::max(width, 1), std::max(height, 1))) {
        host->Close();
        return false;
    }
    m_host = host;
    m_backBuffer = std::move(buffer);
    m_host->SetFocus();
    m_doubleClick = false;
    m_toolTip.Initialize(kToolTipDelayMs, kToolTipDisplayMs,
                         [this](GuiPoint p, std::string& text) { return GetToolTip(p, text); });
    return true;
}

CBackBuffer* VRGuiWindow::GetBackBuffer() {
    return m_backBuffer.get();
}

cairo_t* VRGuiWindow::GetDrawContext() {
    return m_backBuffer ? m_backBuffer->Context() : nullptr;
}

void VRGuiWindow::SetSize(int32_t width, int32_t height) {
    if (m_backBuffer && (m_backBuffer->Width() < width || m_backBuffer->Height() < height)) {
        const int32_t oldBufferWidth = m_backBuffer->Width();
        const int32_t oldBufferHeight = m_backBuffer->Height();
        const int32_t newBufferWidth = std::max(oldBufferWidth, width);
        const int32_t newBufferHeight = std::max(oldBufferHeight, height);
        if (m_backBuffer->Grow(newBufferWidth, newBufferHeight, GetWidth(), GetHeight())) {
            const GuiRect right{oldBufferWidth, 0, newBufferWidth, oldBufferHeight};
            const GuiRect bottom{0, oldBufferHeight, newBufferWidth, newBufferHeight};
            if (!right.IsEmpty())
                Render(&right);
            if (!bottom.IsEmpty())
                Render(&bottom);
        }
    }
    if (width == GetWidth() && height == GetHeight())
        return;
    StoreSize(width, height);
    if (m_host)
        m_host->Resize(width, height);
}

void VRGuiWindow::SetPosition(int32_t x, int32_t y) {
    if (x == GetX() && y == GetY())
        return;
    VRGuiContainer::SetPosition(x, y);
    if (m_host)
        m_host->Move(x, y);
}

bool VRGuiWindow::OnKey(int32_t event, int32_t key, uint32_t modifiers) {
    // An open layer keeps the keyboard from everything below it.
    if (VRGuiLayer* layer = TopLayer()) {
        if (layer->IsVisible() && layer->IsEnabled())
            layer->OnKey(event, key, modifiers);
        return true;
    }
    for (int i = 0; i < ChildCount(); ++i) {
        VRGuiObject* child = ChildAt(i);
        if (child->IsVisible() && child->IsEnabled() && child->OnKey(event, key, modifiers))
            return true;
    }
    return false;
}

bool VRGuiWindow::OnText(const std::string& text) {
    if (VRGuiLayer* layer = TopLayer()) {
        if (layer->IsVisible() && layer->IsEnabled())
            layer->OnText(text);
        return true;
    }
    for (int i = 0; i < ChildCount(); ++i) {
        VRGuiObject* child = ChildAt(i);
        if (child->IsVisible() && child->IsEnabled() && child->OnText(text))
            return true;
    }
    return false;
}

bool VRGuiWindow::GetToolTip(GuiPoint p, std::string& text) {
    VRGuiObject* object = m_captured ? m_captured : m_hovered;
    if (!object)
        return false;
    return object->GetToolTip(ToObject(object, p), text);
}

void VRGuiWindow::SetCapture(VRGuiObject* object) {
    ReleaseCapture();
    if (!object)
        return;
    m_captured = object;
    m_captureSet = true;
    if (m_host)
        m_host->CaptureMouse();
}

void VRGuiWindow::ReleaseCapture() {
    const bool wasSet = m_captureSet;
    m_captured = nullptr;
    m_captureSet = false;
    if (wasSet && m_host)
        m_host->ReleaseMouse();
}

void VRGuiWindow::FlushInvalidRegion() {
    std::lock_guard<CLock> guard(*this);
    if (m_host) {
        for (const GuiRect& rect : m_pendingInvalid.Rects())
            m_host->InvalidateRect(rect);
    }
    m_pendingInvalid.Clear();
}

void VRGuiWindow::InvalidateMainWindow(const GuiRect& r) {
    std::lock_guard<CLock> guard(*this);
    m_pendingInvalid.Unite(r);
}

CRegion VRGuiWindow::GetPendingInvalidRegion() const {
    std::lock_guard<CLock> guard(const_cast<VRGuiWindow&>(*this));
    return m_pendingInvalid;
}

void VRGuiWindow::SetRefreshPeriod(uint32_t ms) {
    m_refreshPeriodMs = ms;
    if (!m_host)
        return;
    m_host->StopTimer(REFRESH_TIMER);
    if (!m_host->StartTimer(REFRESH_TIMER, ms))
        LogFmt("****FAILED on VRGuiWindow::Initialize SetTimer failed - HWND=%p timerID = %u, "
               "frequency=%u, lastError=%x",
               static_cast<void*>(m_host), REFRESH_TIMER, ms, 0u);
}

void VRGuiWindow::StartTimer(VRGuiObject* object, uint32_t id, uint32_t ms) {
    std::lock_guard<CLock> guard(*this);
    KillTimer(object, id);
    if (!object || id == REFRESH_TIMER || id == 0)
        return;
    const auto at = std::upper_bound(m_timers.begin(), m_timers.end(), id,
                                     [](uint32_t key, const TimerEntry& e) { return key < e.id; });
    m_timers.insert(at, TimerEntry{id, object});
    if (!m_host || !m_host->StartTimer(id, ms))
        LogFmt("****FAILED on VRGuiWindow::StartTimer - timerID = %u, frequency=%u, lastError=%x",
               id, ms, 0u);
}

void VRGuiWindow::KillTimer(VRGuiObject* object, uint32_t id) {
    std::lock_guard<CLock> guard(*this);
    for (auto it = m_timers.begin(); it != m_timers.end();) {
        if (it->object != object || (id != 0 && it->id != id)) {
            ++it;
            continue;
        }
        if (m_host)
            m_host->StopTimer(it->id);
        it = m_timers.erase(it);
    }
}

bool VRGuiWindow::HasTimer(const VRGuiObject* object, uint32_t id) const {
    std::lock_guard<CLock> guard(const_cast<VRGuiWindow&>(*this));
    return std::any_of(m_timers.begin(), m_timers.end(),
                       [&](const TimerEntry& e) { return e.object == object && e.id == id; });
}

void VRGuiWindow::ForgetObject(VRGuiObject* object) {
    KillTimer(object, 0);
    if (m_hovered == object)
        m_hovered = nullptr;
    if (m_hoveredBefore == object)
        m_hoveredBefore = nullptr;
    if (m_captured == object)
        ReleaseCapture();
    std::erase(m_layers, object);
    std::erase_if(m_mouseWatchers, [object](const auto& entry) { return entry.first == object; });
}

void VRGuiWindow::OpenLayer(VRGuiLayer* layer, int32_t x, int32_t y) {
    if (!layer || layer->IsOpen())
        return;
    // The object under the pointer or holding the mouse loses it to the layer.
    ReleaseCapture();
    if (VRGuiObject* hovered = m_hovered) {
        m_hovered = nullptr;
        const GuiPoint cursor = m_host ? m_host->CursorPos() : GuiPoint{};
        hovered->OnMouse(kMouseLeave, ToObject(hovered, cursor), 0);
    }
    x = std::max(0, std::min(x, GetWidth() - layer->GetWidth()));
    y = std::max(0, std::min(y, GetHeight() - layer->GetHeight()));
    layer->SetZOrder(kLayerZOrder + static_cast<int32_t>(m_layers.size()));
    m_layers.push_back(layer);
    layer->SetOpen(true);
    AddChild(layer, x, y);
    layer->Invalidate(nullptr);
}

void VRGuiWindow::CloseLayer(VRGuiLayer* layer) {
    if (!layer || !layer->IsOpen())
        return;
    layer->SetOpen(false);
    ForgetLayerInput(layer);
    std::erase(m_layers, layer);
    RemoveChild(layer);
}

void VRGuiWindow::ForgetLayerInput(VRGuiLayer* layer) {
    auto inside = [layer](const VRGuiObject* object) {
        for (; object; object = object->GetParent())
            if (object == layer)
                return true;
        return false;
    };
    if (inside(m_hovered))
        m_hovered = nullptr;
    if (inside(m_hoveredBefore))
        m_hoveredBefore = nullptr;
    if (inside(m_captured))
        ReleaseCapture();
}

bool VRGuiWindow::RunModal(const std::function<bool()>& finished) {
    if (finished())
        return true;
    return m_host && m_host->RunModalLoop(finished);
}

bool VRGuiWindow::BeginObjectDraw(const VRGuiObject& object, const GuiRect& r) {
    cairo_t* cr = GetDrawContext();
    if (!cr)
        return false;
    const GuiRect abs = object.LocalToAbsRect(r);
    cairo_save(cr);
    cairo_identity_matrix(cr);
    cairo_reset_clip(cr);
    cairo_rectangle(cr, abs.left, abs.top, abs.Width(), abs.Height());
    cairo_clip(cr);
    cairo_translate(cr, object.GetAbsX(), object.GetAbsY());
    m_drawnPixels += uint64_t(abs.Width()) * uint64_t(abs.Height());
    return true;
}

void VRGuiWindow::EndObjectDraw() {
    if (cairo_t* cr = GetDrawContext())
        cairo_restore(cr);
}

intptr_t VRGuiWindow::WindowProc(const GuiMessage& message) {
    switch (message.type) {
    case GuiMessageType::Size:
        OnSizeMessage(message);
        return 0;
    case GuiMessageType::Activate:
        if (message.active) {
            if (m_host)
                m_host->SetFocus();
        } else {
            OnFocusLost();
        }
        return 0;
    case GuiMessageType::KillFocus:
        OnFocusLost();
        return 0;
    case GuiMessageType::Paint:
        if (message.updateRegion)
            OnPaintMessage(*message.updateRegion);
        return 0;
    case GuiMessageType::Destroy:
        if (m_host)
            m_host->PostQuit();
        return 0;
    case GuiMessageType::KeyDown:
    case GuiMessageType::KeyUp:
        if (!IsEnabled())
            return 0;
        return OnKey(message.type == GuiMessageType::KeyDown ? kKeyDown : kKeyUp, message.key,
                     message.modifiers);
    case GuiMessageType::TextInput:
        return IsEnabled() ? OnText(message.text) : 0;
    case GuiMessageType::Timer:
        OnTimerMessage(message.timerId);
        return 0;
    case GuiMessageType::DropFiles:
        if (m_dropHandler && IsEnabled() && m_layers.empty())
            m_dropHandler(AbsolutePaths(message.files), {message.x, message.y});
        return 0;
    case GuiMessageType::MouseWheel:
        return OnWheelMessage(message);
    case GuiMessageType::MouseMove:
    case GuiMessageType::LButtonDown:
    case GuiMessageType::LButtonUp:
    case GuiMessageType::LButtonDblClk:
    case GuiMessageType::RButtonDown:
    case GuiMessageType::RButtonUp: {
        const intptr_t handled = OnMouseMessage(message);
        NotifyMouseWatchers(message);
        return handled;
    }
    }
    return 0;
}

void VRGuiWindow::WatchMouse(VRGuiObject* owner, MouseWatcher watcher) {
    m_mouseWatchers.emplace_back(owner, std::move(watcher));
}

void VRGuiWindow::NotifyMouseWatchers(const GuiMessage& message) {
    if (!IsEnabled())
        return;
    // A watcher may end another watcher's life; walk by index.
    for (size_t i = 0; i < m_mouseWatchers.size(); ++i) {
        MouseWatcher watcher = m_mouseWatchers[i].second;
        watcher(message);
    }
}

void VRGuiWindow::OnSizeMessage(const GuiMessage& message) {
    if (message.minimized)
        return;
    if (message.width == GetWidth() && message.height == GetHeight())
        return;
    SetSize(message.width, message.height);
    FlushInvalidRegion();
}

void VRGuiWindow::OnFocusLost() {
    if (VRGuiObject* hovered = m_hovered) {
        m_hovered = nullptr;
        const GuiPoint cursor = m_host ? m_host->CursorPos() : GuiPoint{};
        hovered->OnMouse(kMouseLeave, ToObject(hovered, cursor), 0);
    }
    ReleaseCapture();
}

void VRGuiWindow::OnPaintMessage(const CRegion& update) {
    if (update.IsEmpty() || !m_host || !m_backBuffer)
        return;
    cairo_surface_t* screen = m_host->GetScreenSurface();
    cairo_t* screenContext = screen ? cairo_create(screen) : nullptr;
    for (const GuiRect& rect : update.Rects()) {
        if (IsEnabled())
            Paint(&rect);
        if (!screenContext)
            continue;
        cairo_surface_flush(m_backBuffer->Surface());
        CBackBuffer::CopyRect(m_backBuffer->Surface(), screen, rect);
        if (m_toolTip.IsShown() && m_toolTip.Rect().Intersects(rect)) {
            cairo_save(screenContext);
            cairo_rectangle(screenContext, rect.left, rect.top, rect.Width(), rect.Height());
            cairo_clip(screenContext);
            m_toolTip.Draw(screenContext);
            cairo_restore(screenContext);
        }
    }
    if (screenContext) {
        cairo_destroy(screenContext);
        cairo_surface_flush(screen);
    }
    m_host->Present(update);
}

void VRGuiWindow::OnTimerMessage(uint32_t id) {
    if (id == REFRESH_TIMER) {
        OnRefreshTick();
        return;
    }
    VRGuiObject* object = nullptr;
    {
        std::lock_guard<CLock> guard(*this);
        for (const TimerEntry& entry : m_timers) {
            if (entry.id == id) {
                object = entry.object;
                break;
            }
        }
    }
    if (object)
        object->OnTimer(id);
}

void VRGuiWindow::OnRefreshTick() {
    if (!m_host)
        return;
    // Stopped and started again, so that a slow repaint delays the next tick
    // instead of queueing ticks.
    if (!m_host->StopTimer(REFRESH_TIMER))
        Log("****FAILED on VRGuiWindow::WM_TIMER KillTimer failed for REFRESH_TIMER");
    if (IsEnabled()) {
        const GuiRect toolTipChange = m_toolTip.Update(m_host->NowMs(), GetWidth(), GetHeight());
        if (!toolTipChange.IsEmpty())
            InvalidateMainWindow(toolTipChange);
        FlushInvalidRegion();
    }
    if (!m_host->StartTimer(REFRESH_TIMER, m_refreshPeriodMs))
        LogFmt("****FAILED on VRGuiWindow::WM_TIMER SetTimer failed - timerID = %u, "
               "frequency=%u, lastError=%x",
               REFRESH_TIMER, m_refreshPeriodMs, 0u);
}

intptr_t VRGuiWindow::OnMouseMessage(const GuiMessage& message) {
    if (!IsEnabled())
        return 0;
    const GuiPoint p{message.x, message.y};
    if (message.type != GuiMessageType::LButtonDblClk && m_host)
        m_toolTip.ForwardMouseMessage(message.type, p, m_host->NowMs());
    switch (message.type) {
    case GuiMessageType::MouseMove:
        return MouseMove(p, message.keys);
    case GuiMessageType::LButtonDown: {
        // Hover is brought up to date first.
        GuiMessage move = message;
        move.type = GuiMessageType::MouseMove;
        WindowProc(move);
        if (m_host)
            m_host->SetFocus();
        m_doubleClick = false;
        return RouteMouse(kMouseLeftDown, p, message.keys);
    }
    case GuiMessageType::LButtonUp:
        return RouteMouse(m_doubleClick ? kMouseLeftUpAfterDoubleClick : kMouseLeftUp, p,
                          message.keys);
    case GuiMessageType::LButtonDblClk:
        m_doubleClick = true;
        // Never to a captured object.
        return MouseToContent(kMouseLeftDoubleClick, p, message.keys);
    case GuiMessageType::RButtonDown:
        return RouteMouse(kMouseRightDown, p, message.keys);
    case GuiMessageType::RButtonUp:
        return RouteMouse(kMouseRightUp, p, message.keys);
    default:
        return 0;
    }
}

bool VRGuiWindow::OnWheelMessage(const GuiMessage& message) {
    if (!IsEnabled() || message.wheelDelta == 0)
        return false;
    const GuiPoint p{message.x, message.y};
    // An open layer is all the user can reach: the wheel scrolls it or nothing.
    if (VRGuiLayer* layer = TopLayer())
        return layer->GetAbsRect().Contains(p.x, p.y) &&
               layer->OnWheel(ToObject(layer, p), message.wheelDelta, message.keys);
    return OnWheel(p, message.wheelDelta, message.keys);
}

bool VRGuiWindow::RouteMouse(int32_t event, GuiPoint p, uint32_t keys) {
    if (m_captureSet && m_captured)
        return m_captured->OnMouse(event, ToObject(m_captured, p), keys);
    return MouseToContent(event, p, keys);
}

bool VRGuiWindow::MouseToContent(int32_t event, GuiPoint p, uint32_t keys) {
    VRGuiLayer* layer = TopLayer();
    if (!layer)
        return OnMouse(event, p, keys);
    if (layer->GetAbsRect().Contains(p.x, p.y)) {
        if (event == kMouseMove && layer->AcceptsHover())
            m_hovered = layer;
        return layer->OnMouse(event, ToObject(layer, p), keys);
    }
    if (event == kMouseLeftDown || event == kMouseRightDown)
        layer->OnPressOutside(p);
    return true;
}

bool VRGuiWindow::MouseMove(GuiPoint p, uint32_t keys) {
    m_hoveredBefore = m_hovered;
    bool handled;
    if (m_captureSet && m_captured) {
        VRGuiObject* captured = m_captured;
        m_hovered = captured->GetAbsRect().Contains(p.x, p.y) ? captured : nullptr;
        handled = captured->OnMouse(kMouseMove, ToObject(captured, p), keys);
    } else {
        m_hovered = nullptr;
        handled = MouseToContent(kMouseMove, p, keys);
    }
    // Either may have been destroyed by a handler; ForgetObject cleared it then.
    VRGuiObject* before = m_hoveredBefore;
    m_hoveredBefore = nullptr;
    if (m_hovered == before || m_captureSet)
        return handled;
    if (before)
        before->OnMouse(kMouseLeave, ToObject(before, p), 0);
    if (VRGuiObject* now = m_hovered)
        now->OnMouse(kMouseEnter, ToObject(now, p), 0);
    return handled;
}

GuiPoint VRGuiWindow::ToObject(const VRGuiObject* object, GuiPoint p) {
    return {p.x - object->GetAbsX(), p.y - object->GetAbsY()};
}
