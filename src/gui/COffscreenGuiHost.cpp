#include "gui/COffscreenGuiHost.h"

#include "gui/CBackBuffer.h"
#include "gui/VRGuiWindow.h"

#include <cairo.h>

#include <cstdlib>

COffscreenGuiHost::~COffscreenGuiHost() {
    Close();
}

bool COffscreenGuiHost::Open(VRGuiWindow* window, int32_t width, int32_t height) {
    if (m_failNextOpen) {
        m_failNextOpen = false;
        return false;
    }
    if (!window || m_window || !MakeScreen(width, height))
        return false;
    m_window = window;
    return true;
}

void COffscreenGuiHost::Close() {
    m_window = nullptr;
    m_timers.clear();
    m_update.Clear();
    if (m_screen)
        cairo_surface_destroy(m_screen);
    m_screen = nullptr;
}

bool COffscreenGuiHost::MakeScreen(int32_t width, int32_t height) {
    cairo_surface_t* screen =
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, std::max(width, 1), std::max(height, 1));
    if (cairo_surface_status(screen) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(screen);
        return false;
    }
    if (m_screen) {
        CBackBuffer::CopyRect(m_screen, screen, {0, 0, m_width, m_height});
        cairo_surface_destroy(m_screen);
    }
    m_screen = screen;
    m_width = width;
    m_height = height;
    return true;
}

void COffscreenGuiHost::InvalidateRect(const GuiRect& rect) {
    ++m_invalidateRectCalls;
    m_update.Unite(rect.Intersection({0, 0, m_width, m_height}));
}

void COffscreenGuiHost::Present(const CRegion& changed) {
    m_lastPresented = changed;
}

bool COffscreenGuiHost::StartTimer(uint32_t id, uint32_t ms) {
    if (m_failTimerStarts || !m_window)
        return false;
    m_timers[id] = Timer{ms, m_now + std::max<uint32_t>(ms, 1)};
    return true;
}

bool COffscreenGuiHost::StopTimer(uint32_t id) {
    return m_timers.erase(id) != 0;
}

void COffscreenGuiHost::Resize(int32_t width, int32_t height) {
    if (m_window && (width != m_width || height != m_height))
        MakeScreen(width, height);
}

void COffscreenGuiHost::Move(int32_t x, int32_t y) {
    m_position = {x, y};
}

intptr_t COffscreenGuiHost::MouseMove(int32_t x, int32_t y, uint32_t keys) {
    return SendMouse(GuiMessageType::MouseMove, x, y, keys);
}

intptr_t COffscreenGuiHost::LeftDown(int32_t x, int32_t y, uint32_t keys) {
    const bool isDouble = m_hasLastPress && !m_lastPressWasDouble &&
                          m_now - m_lastPressTime <= kDoubleClickMs &&
                          std::abs(x - m_lastPress.x) <= kDoubleClickDistance &&
                          std::abs(y - m_lastPress.y) <= kDoubleClickDistance;
    m_hasLastPress = true;
    m_lastPressTime = m_now;
    m_lastPress = {x, y};
    m_lastPressWasDouble = isDouble;
    return SendMouse(isDouble ? GuiMessageType::LButtonDblClk : GuiMessageType::LButtonDown, x, y,
                     keys);
}

intptr_t COffscreenGuiHost::LeftUp(int32_t x, int32_t y, uint32_t keys) {
    return SendMouse(GuiMessageType::LButtonUp, x, y, keys);
}

intptr_t COffscreenGuiHost::RightDown(int32_t x, int32_t y, uint32_t keys) {
    return SendMouse(GuiMessageType::RButtonDown, x, y, keys);
}

intptr_t COffscreenGuiHost::RightUp(int32_t x, int32_t y, uint32_t keys) {
    return SendMouse(GuiMessageType::RButtonUp, x, y, keys);
}

intptr_t COffscreenGuiHost::Wheel(int32_t x, int32_t y, int32_t delta, uint32_t keys) {
    GuiMessage message;
    message.type = GuiMessageType::MouseWheel;
    message.x = x;
    message.y = y;
    message.keys = keys;
    message.wheelDelta = delta;
    return Send(message);
}

intptr_t COffscreenGuiHost::KeyDown(int32_t key, uint32_t modifiers) {
    GuiMessage message;
    message.type = GuiMessageType::KeyDown;
    message.key = key;
    message.modifiers = modifiers;
    return Send(message);
}

intptr_t COffscreenGuiHost::KeyUp(int32_t key, uint32_t modifiers) {
    GuiMessage message;
    message.type = GuiMessageType::KeyUp;
    message.key = key;
    message.modifiers = modifiers;
    return Send(message);
}

intptr_t COffscreenGuiHost::Text(const std::string& utf8) {
    GuiMessage message;
    message.type = GuiMessageType::TextInput;
    message.text = utf8;
    return Send(message);
}

void COffscreenGuiHost::Activate(bool active) {
    GuiMessage message;
    message.type = GuiMessageType::Activate;
    message.active = active;
    Send(message);
}

void COffscreenGuiHost::UserResize(int32_t width, int32_t height) {
    if (!m_window || width <= 0 || height <= 0)
        return;
    const int32_t oldWidth = m_width;
    const int32_t oldHeight = m_height;
    MakeScreen(width, height);
    m_update.Unite(GuiRect{oldWidth, 0, width, height});
    m_update.Unite(GuiRect{0, oldHeight, width, height});
    GuiMessage message;
    message.type = GuiMessageType::Size;
    message.width = width;
    message.height = height;
    Send(message);
}

intptr_t COffscreenGuiHost::Send(const GuiMessage& message) {
    if (!m_window)
        return 0;
    const intptr_t result = m_window->WindowProc(message);
    DeliverPaint();
    return result;
}

intptr_t COffscreenGuiHost::SendMouse(GuiMessageType type, int32_t x, int32_t y, uint32_t keys) {
    m_cursor = {x, y};
    GuiMessage message;
    message.type = type;
    message.x = x;
    message.y = y;
    message.keys = keys;
    return Send(message);
}

void COffscreenGuiHost::Advance(uint64_t ms) {
    const uint64_t target = m_now + ms;
    for (;;) {
        auto next = m_timers.end();
        for (auto it = m_timers.begin(); it != m_timers.end(); ++it) {
            if (it->second.due <= target &&
                (next == m_timers.end() || it->second.due < next->second.due))
                next = it;
        }
        if (next == m_timers.end())
            break;
        m_now = next->second.due;
        next->second.due += std::max<uint32_t>(next->second.periodMs, 1);
        GuiMessage message;
        message.type = GuiMessageType::Timer;
        message.timerId = next->first;
        Send(message);
    }
    m_now = target;
}

void COffscreenGuiHost::DeliverPaint() {
    if (!m_window || m_update.IsEmpty())
        return;
    // Taken first: painting may invalidate again, for the next round.
    const CRegion update = m_update;
    m_update.Clear();
    ++m_paintCount;
    GuiMessage message;
    message.type = GuiMessageType::Paint;
    message.updateRegion = &update;
    m_window->WindowProc(message);
}

uint32_t COffscreenGuiHost::TimerPeriod(uint32_t id) const {
    const auto it = m_timers.find(id);
    return it == m_timers.end() ? 0 : it->second.periodMs;
}

uint32_t COffscreenGuiHost::ScreenPixel(int32_t x, int32_t y) const {
    return CBackBuffer::SurfacePixel(m_screen, x, y);
}

bool COffscreenGuiHost::SaveScreenPng(const std::string& path) const {
    if (!m_screen)
        return false;
    cairo_surface_flush(m_screen);
    return cairo_surface_write_to_png(m_screen, path.c_str()) == CAIRO_STATUS_SUCCESS;
}

bool COffscreenGuiHost::RunModalLoop(const std::function<bool()>& finished) {
    ++m_modalDepth;
    bool done = finished();
    for (int step = 0; !done && m_modalDriver && step < kMaxModalSteps; ++step) {
        // Held while it runs, so that a driver may replace itself.
        const std::shared_ptr<ModalDriver> driver = m_modalDriver;
        (*driver)(*this, m_modalDepth);
        done = finished();
    }
    --m_modalDepth;
    return done;
}
