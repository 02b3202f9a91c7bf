#include "gui/CSdlGuiHost.h"

#include "gui/CBackBuffer.h"
#include "gui/CCursorImages.h"
#include "gui/CImage.h"
#include "gui/GuiInput.h"
#include "gui/GuiMessage.h"
#include "gui/SdlKeys.h"
#include "gui/VRGuiWindow.h"
#include "support/Log.h"

#include <SDL.h>
#include <cairo.h>

#include <algorithm>

namespace {

// The SDL event type that carries timer ticks to the GUI thread.
uint32_t g_timerEventType = 0;

// Runs on SDL's timer thread: it only posts the tick.
Uint32 PostTimerTick(Uint32 interval, void* param) {
    const uintptr_t packed = reinterpret_cast<uintptr_t>(param);
    SDL_Event event{};
    event.type = g_timerEventType;
    event.user.code = int32_t(packed & 0xFFFFFFFFu);
    event.user.data1 = reinterpret_cast<void*>(packed >> 32);
    SDL_PushEvent(&event);
    return interval;
}

} // namespace

CSdlGuiHost::CSdlGuiHost(std::string title) : m_title(std::move(title)) {}

CSdlGuiHost::~CSdlGuiHost() {
    Close();
}

bool CSdlGuiHost::Open(VRGuiWindow* window, int32_t width, int32_t height) {
    if (!window || m_window || width <= 0 || height <= 0)
        return false;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_TIMER) != 0) {
        LogFmt("CSdlGuiHost::Open failed on SDL_InitSubSystem: %s", SDL_GetError());
        return false;
    }
    if (g_timerEventType == 0)
        g_timerEventType = SDL_RegisterEvents(1);
    m_sdlWindow = SDL_CreateWindow(m_title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                   width, height, SDL_WINDOW_RESIZABLE);
    if (m_sdlWindow) {
        m_renderer = SDL_CreateRenderer(m_sdlWindow, -1, 0);
        if (!m_renderer)
            m_renderer = SDL_CreateRenderer(m_sdlWindow, -1, SDL_RENDERER_SOFTWARE);
    }
    if (!m_renderer || !MakePicture(width, height)) {
        LogFmt("CSdlGuiHost::Open failed: %s", SDL_GetError());
        m_window = window; // so that Close releases what was made
        Close();
        return false;
    }
    m_window = window;
    m_quit = false;
    return true;
}

void CSdlGuiHost::SetTitle(const std::string& title) {
    m_title = title;
    if (m_sdlWindow)
        SDL_SetWindowTitle(m_sdlWindow, m_title.c_str());
}

void CSdlGuiHost::Close() {
    if (!m_window)
        return;
    for (const auto& [id, timer] : m_timers)
        SDL_RemoveTimer(timer.sdlId);
    m_timers.clear();
    m_update.Clear();
    if (m_screen)
        cairo_surface_destroy(m_screen);
    if (m_texture)
        SDL_DestroyTexture(m_texture);
    if (m_renderer)
        SDL_DestroyRenderer(m_renderer);
    if (m_sdlWindow)
        SDL_DestroyWindow(m_sdlWindow);
    m_screen = nullptr;
    m_texture = nullptr;
    m_renderer = nullptr;
    m_sdlWindow = nullptr;
    m_window = nullptr;
    FreeCursors();
    SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_TIMER);
}

void CSdlGuiHost::SetCursor(GuiCursor cursor) {
    if (!m_window)
        return;
    SDL_Cursor* shown = CursorFor(cursor);
    if (!shown)
        shown = CursorFor(GuiCursor::kArrow);
    if (shown)
        SDL_SetCursor(shown);
}

SDL_Cursor* CSdlGuiHost::CursorFor(GuiCursor cursor) {
    const int32_t index = int32_t(cursor);
    if (index < 0 || index >= kGuiCursorCount)
        return nullptr;
    SDL_Cursor*& made = m_cursors[size_t(index)];
    if (made)
        return made;
    switch (cursor) {
    case GuiCursor::kArrow:
        return made = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
    case GuiCursor::kIBeam:
        return made = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_IBEAM);
    case GuiCursor::kHand:
        return made = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_HAND);
    case GuiCursor::kResizeLeftRight:
        return made = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_SIZEWE);
    case GuiCursor::kResizeUpDown:
        return made = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_SIZENS);
    case GuiCursor::kMove:
        return made = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_SIZEALL);
    case GuiCursor::kWait:
        return made = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_WAIT);
    default:
        break;
    }
    CImage picture;
    GuiPoint hotSpot;
    if (!CCursorImages::Draw(cursor, picture, hotSpot))
        return nullptr;
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, picture.Width(), picture.Height(), 32,
                                                          SDL_PIXELFORMAT_ARGB8888);
    if (!surface)
        return nullptr;
    // Cairo keeps colours multiplied by alpha; SDL wants them plain.
    for (int32_t y = 0; y < picture.Height(); ++y) {
        auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(surface->pixels) +
                                                size_t(y) * size_t(surface->pitch));
        for (int32_t x = 0; x < picture.Width(); ++x) {
            const uint32_t pixel = picture.PixelAt(x, y);
            const uint32_t alpha = pixel >> 24;
            uint32_t plain = pixel & 0xFF000000u;
            for (int shift = 0; shift < 24 && alpha != 0; shift += 8)
                plain |= std::min(255u, ((pixel >> shift) & 0xFF) * 255 / alpha) << shift;
            row[x] = plain;
        }
    }
    made = SDL_CreateColorCursor(surface, hotSpot.x, hotSpot.y);
    SDL_FreeSurface(surface);
    return made;
}

void CSdlGuiHost::FreeCursors() {
    for (SDL_Cursor*& cursor : m_cursors) {
        if (cursor)
            SDL_FreeCursor(cursor);
        cursor = nullptr;
    }
}

bool CSdlGuiHost::MakePicture(int32_t width, int32_t height) {
    SDL_Texture* texture = SDL_CreateTexture(m_renderer, SDL_PIXELFORMAT_ARGB8888,
                                             SDL_TEXTUREACCESS_STREAMING, width, height);
    if (!texture)
        return false;
    cairo_surface_t* screen = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    if (cairo_surface_status(screen) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(screen);
        SDL_DestroyTexture(texture);
        return false;
    }
    if (m_screen) {
        CBackBuffer::CopyRect(m_screen, screen, {0, 0, m_width, m_height});
        cairo_surface_destroy(m_screen);
    }
    if (m_texture)
        SDL_DestroyTexture(m_texture);
    m_screen = screen;
    m_texture = texture;
    m_width = width;
    m_height = height;
    return true;
}

void CSdlGuiHost::InvalidateRect(const GuiRect& rect) {
    m_update.Unite(rect.Intersection({0, 0, m_width, m_height}));
}

void CSdlGuiHost::Present(const CRegion& changed) {
    if (!m_texture || !m_screen)
        return;
    cairo_surface_flush(m_screen);
    const unsigned char* data = cairo_image_surface_get_data(m_screen);
    const int stride = cairo_image_surface_get_stride(m_screen);
    for (const GuiRect& rect : changed.Rects()) {
        const GuiRect part = rect.Intersection({0, 0, m_width, m_height});
        if (part.IsEmpty())
            continue;
        const SDL_Rect area{part.left, part.top, part.Width(), part.Height()};
        SDL_UpdateTexture(m_texture, &area,
                          data + size_t(part.top) * size_t(stride) + size_t(part.left) * 4, stride);
    }
    SDL_RenderCopy(m_renderer, m_texture, nullptr, nullptr);
    SDL_RenderPresent(m_renderer);
    ++m_presentCount;
}

bool CSdlGuiHost::StartTimer(uint32_t id, uint32_t ms) {
    if (!m_window)
        return false;
    StopTimer(id);
    // A new generation, so that ticks of a stopped timer still queued are ignored.
    const uint32_t generation = ++m_timerGeneration;
    const uintptr_t packed = (uintptr_t(generation) << 32) | id;
    const SDL_TimerID sdlId =
        SDL_AddTimer(std::max<uint32_t>(ms, 1), PostTimerTick, reinterpret_cast<void*>(packed));
    if (sdlId == 0)
        return false;
    m_timers[id] = Timer{sdlId, generation};
    return true;
}

bool CSdlGuiHost::StopTimer(uint32_t id) {
    const auto it = m_timers.find(id);
    if (it == m_timers.end())
        return false;
    SDL_RemoveTimer(it->second.sdlId);
    m_timers.erase(it);
    return true;
}

void CSdlGuiHost::CaptureMouse() {
    SDL_CaptureMouse(SDL_TRUE);
}

void CSdlGuiHost::ReleaseMouse() {
    SDL_CaptureMouse(SDL_FALSE);
}

void CSdlGuiHost::SetFocus() {
    if (m_sdlWindow)
        SDL_SetWindowInputFocus(m_sdlWindow);
}

void CSdlGuiHost::Resize(int32_t width, int32_t height) {
    if (!m_sdlWindow || width <= 0 || height <= 0 || (width == m_width && height == m_height))
        return;
    SDL_SetWindowSize(m_sdlWindow, width, height);
    MakePicture(width, height);
}

void CSdlGuiHost::Move(int32_t x, int32_t y) {
    if (m_sdlWindow)
        SDL_SetWindowPosition(m_sdlWindow, x, y);
}

GuiPoint CSdlGuiHost::WindowPosition() const {
    GuiPoint p{0, 0};
    if (m_sdlWindow)
        SDL_GetWindowPosition(m_sdlWindow, &p.x, &p.y);
    return p;
}

void CSdlGuiHost::Maximize() {
    if (m_sdlWindow)
        SDL_MaximizeWindow(m_sdlWindow);
}

bool CSdlGuiHost::IsMaximized() const {
    return m_sdlWindow && (SDL_GetWindowFlags(m_sdlWindow) & SDL_WINDOW_MAXIMIZED) != 0;
}

std::string CSdlGuiHost::GetClipboardText() {
    char* text = SDL_GetClipboardText();
    if (!text)
        return {};
    std::string copy(text);
    SDL_free(text);
    return copy;
}

void CSdlGuiHost::SetClipboardText(const std::string& text) {
    if (SDL_SetClipboardText(text.c_str()) != 0)
        LogFmt("CSdlGuiHost::SetClipboardText failed: %s", SDL_GetError());
}

void CSdlGuiHost::KeepDisplayAwake(bool awake) {
    if (awake == m_keepingDisplayAwake)
        return;
    m_keepingDisplayAwake = awake;
    // Back to what the desktop had before, which SDL's own setting decides.
    if (awake) {
        m_screenSaverWasEnabled = SDL_IsScreenSaverEnabled() == SDL_TRUE;
        SDL_DisableScreenSaver();
    } else if (m_screenSaverWasEnabled) {
        SDL_EnableScreenSaver();
    }
}

uint64_t CSdlGuiHost::NowMs() const {
    return SDL_GetTicks64();
}

GuiPoint CSdlGuiHost::CursorPos() const {
    int x = 0;
    int y = 0;
    SDL_GetMouseState(&x, &y);
    return {x, y};
}

bool CSdlGuiHost::PumpEvents(int timeoutMs) {
    SDL_Event event;
    if (m_window && SDL_WaitEventTimeout(&event, timeoutMs)) {
        HandleEvent(event);
        while (m_window && SDL_PollEvent(&event))
            HandleEvent(event);
    }
    DeliverPaint();
    return m_window && !m_quit;
}

void CSdlGuiHost::Run() {
    while (PumpEvents(-1)) {
    }
}

void CSdlGuiHost::HandleEvent(const SDL_Event& event) {
    GuiMessage message;
    switch (event.type) {
    case SDL_QUIT:
        m_quit = true;
        return;
    case SDL_WINDOWEVENT:
        HandleWindowEvent(event);
        return;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        message.type = event.type == SDL_KEYDOWN ? GuiMessageType::KeyDown : GuiMessageType::KeyUp;
        message.key = VirtualKeyFromSdl(event.key.keysym.sym);
        message.modifiers = ModifiersFromSdl(event.key.keysym.mod);
        if (message.key != 0)
            Send(message);
        return;
    case SDL_TEXTINPUT:
        message.type = GuiMessageType::TextInput;
        message.text = event.text.text;
        Send(message);
        return;
    case SDL_MOUSEMOTION:
        message.type = GuiMessageType::MouseMove;
        message.x = event.motion.x;
        message.y = event.motion.y;
        message.keys = MouseKeys();
        Send(message);
        return;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        SendMouseButton(event, event.type == SDL_MOUSEBUTTONDOWN);
        return;
    case SDL_DROPBEGIN:
        m_droppedFiles.clear();
        return;
    case SDL_DROPFILE:
        // One drag can carry many files; they arrive one by one and are
        // handed over together once the drop is complete.
        m_droppedFiles.emplace_back(event.drop.file);
        SDL_free(event.drop.file);
        return;
    case SDL_DROPCOMPLETE: {
        const GuiPoint p = CursorPos();
        message.type = GuiMessageType::DropFiles;
        message.x = p.x;
        message.y = p.y;
        message.files = std::move(m_droppedFiles);
        m_droppedFiles.clear();
        if (!message.files.empty())
            Send(message);
        return;
    }
    case SDL_MOUSEWHEEL: {
        // The pointer where the wheel turned, not where it is by now.
        const GuiPoint p{event.wheel.mouseX, event.wheel.mouseY};
        message.type = GuiMessageType::MouseWheel;
        message.x = p.x;
        message.y = p.y;
        message.keys = MouseKeys();
        const int32_t flip = event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -1 : 1;
        message.wheelDelta = event.wheel.y * 120 * flip;
        // A sideways wheel or swipe scrolls as Shift with the wheel does; right
        // is towards later times, as turning the wheel towards the user is.
        if (event.wheel.y == 0 && event.wheel.x != 0) {
            message.wheelDelta = -event.wheel.x * 120 * flip;
            message.keys |= MK_SHIFT;
        }
        Send(message);
        return;
    }
    default:
        if (event.type == g_timerEventType)
            HandleTimerEvent(event);
        return;
    }
}

void CSdlGuiHost::HandleWindowEvent(const SDL_Event& event) {
    GuiMessage message;
    switch (event.window.event) {
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        UserResized(event.window.data1, event.window.data2);
        return;
    case SDL_WINDOWEVENT_EXPOSED:
        m_update.Unite(GuiRect{0, 0, m_width, m_height});
        return;
    case SDL_WINDOWEVENT_MINIMIZED:
        message.type = GuiMessageType::Size;
        message.minimized = true;
        Send(message);
        return;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
    case SDL_WINDOWEVENT_FOCUS_LOST:
        message.type = GuiMessageType::Activate;
        message.active = event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED;
        Send(message);
        return;
    case SDL_WINDOWEVENT_CLOSE:
        message.type = GuiMessageType::Destroy;
        Send(message);
        return;
    default:
        return;
    }
}

void CSdlGuiHost::HandleTimerEvent(const SDL_Event& event) {
    const uint32_t id = uint32_t(event.user.code);
    const uint32_t generation = uint32_t(reinterpret_cast<uintptr_t>(event.user.data1));
    const auto it = m_timers.find(id);
    if (it == m_timers.end() || it->second.generation != generation)
        return;
    GuiMessage message;
    message.type = GuiMessageType::Timer;
    message.timerId = id;
    Send(message);
}

void CSdlGuiHost::SendMouseButton(const SDL_Event& event, bool down) {
    GuiMessage message;
    message.x = event.button.x;
    message.y = event.button.y;
    message.keys = MouseKeys();
    if (event.button.button == SDL_BUTTON_LEFT) {
        // Every second click of a series is a double click; a third starts over.
        const bool isDouble = event.button.clicks >= 2 && event.button.clicks % 2 == 0;
        message.type = !down      ? GuiMessageType::LButtonUp
                       : isDouble ? GuiMessageType::LButtonDblClk
                                  : GuiMessageType::LButtonDown;
    } else if (event.button.button == SDL_BUTTON_RIGHT) {
        message.type = down ? GuiMessageType::RButtonDown : GuiMessageType::RButtonUp;
    } else {
        return;
    }
    Send(message);
}

void CSdlGuiHost::UserResized(int32_t width, int32_t height) {
    if (width <= 0 || height <= 0 || (width == m_width && height == m_height))
        return;
    const int32_t oldWidth = m_width;
    const int32_t oldHeight = m_height;
    if (!MakePicture(width, height))
        return;
    m_update.Unite(GuiRect{oldWidth, 0, width, height});
    m_update.Unite(GuiRect{0, oldHeight, width, height});
    GuiMessage message;
    message.type = GuiMessageType::Size;
    message.width = width;
    message.height = height;
    Send(message);
}

void CSdlGuiHost::DeliverPaint() {
    if (!m_window || m_update.IsEmpty())
        return;
    const CRegion update = m_update;
    m_update.Clear();
    GuiMessage message;
    message.type = GuiMessageType::Paint;
    message.updateRegion = &update;
    m_window->WindowProc(message);
}

intptr_t CSdlGuiHost::Send(const GuiMessage& message) {
    return m_window ? m_window->WindowProc(message) : 0;
}

uint32_t CSdlGuiHost::MouseKeys() const {
    const uint32_t buttons = SDL_GetMouseState(nullptr, nullptr);
    uint32_t keys = 0;
    if (buttons & SDL_BUTTON(SDL_BUTTON_LEFT))
        keys |= MK_LBUTTON;
    if (buttons & SDL_BUTTON(SDL_BUTTON_RIGHT))
        keys |= MK_RBUTTON;
    const SDL_Keymod modifiers = SDL_GetModState();
    if (modifiers & KMOD_SHIFT)
        keys |= MK_SHIFT;
    if (modifiers & KMOD_CTRL)
        keys |= MK_CONTROL;
    if (modifiers & KMOD_LALT)
        keys |= MK_LALT;
    return keys;
}

bool CSdlGuiHost::RunModalLoop(const std::function<bool()>& finished) {
    // A short wait, so that a dialog finished by a timer is noticed promptly.
    constexpr int kWaitMs = 50;
    while (!finished()) {
        if (!PumpEvents(kWaitMs))
            return false;
    }
    return true;
}
