#pragma once

#include "gui/CRegion.h"
#include "gui/GuiMessage.h"
#include "gui/IGuiHost.h"

#include <array>
#include <cstdint>
#include <map>
#include <string>

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;
struct SDL_Cursor;
union SDL_Event;

// A host on screen through SDL2: one SDL window whose picture is an
// ARGB8888 streaming texture filled from the window's screen surface.
// Timers run on SDL's timer thread but only post events; every message,
// timer ticks included, reaches the window on the thread that calls
// PumpEvents or Run. Works without a display under SDL_VIDEODRIVER=dummy or
// offscreen.
class CSdlGuiHost : public IGuiHost {
public:
    explicit CSdlGuiHost(std::string title);
    CSdlGuiHost(const CSdlGuiHost&) = delete;
    CSdlGuiHost& operator=(const CSdlGuiHost&) = delete;
    ~CSdlGuiHost() override;

    bool Open(VRGuiWindow* window, int32_t width, int32_t height) override;
    void Close() override;
    void InvalidateRect(const GuiRect& rect) override;
    cairo_surface_t* GetScreenSurface() override { return m_screen; }
    void Present(const CRegion& changed) override;
    bool StartTimer(uint32_t id, uint32_t ms) override;
    bool StopTimer(uint32_t id) override;
    void CaptureMouse() override;
    void ReleaseMouse() override;
    void SetFocus() override;
    void Resize(int32_t width, int32_t height) override;
    void Move(int32_t x, int32_t y) override;
    // The text of the window's title bar.
    void SetTitle(const std::string& title);
    void PostQuit() override { m_quit = true; }
    GuiPoint WindowPosition() const override;
    void Maximize() override;
    bool IsMaximized() const override;
    bool RunModalLoop(const std::function<bool()>& finished) override;
    // System pointers where SDL has them, the program's own pictures
    // (CCursorImages) for the rest; the arrow when a pointer cannot be made.
    void SetCursor(GuiCursor cursor) override;
    std::string GetClipboardText() override;
    void SetClipboardText(const std::string& text) override;
    void KeepDisplayAwake(bool awake) override;
    uint64_t NowMs() const override;
    GuiPoint CursorPos() const override;

    // Waits up to timeoutMs (-1: for ever) for an event, delivers it and all
    // others queued, then a pending paint. False once the loop should end.
    bool PumpEvents(int timeoutMs);
    // Delivers events until the window asks to quit or is closed.
    void Run();
    bool IsOpen() const { return m_window != nullptr; }
    int PresentCount() const { return m_presentCount; }
    SDL_Renderer* Renderer() const { return m_renderer; }

private:
    struct Timer {
        int sdlId;
        uint32_t generation;
    };

    void HandleEvent(const SDL_Event& event);
    void HandleWindowEvent(const SDL_Event& event);
    void HandleTimerEvent(const SDL_Event& event);
    void SendMouseButton(const SDL_Event& event, bool down);
    void UserResized(int32_t width, int32_t height);
    bool MakePicture(int32_t width, int32_t height);
    void DeliverPaint();
    intptr_t Send(const GuiMessage& message);
    uint32_t MouseKeys() const;
    // The pointer, made on first use; null when SDL cannot make it.
    SDL_Cursor* CursorFor(GuiCursor cursor);
    void FreeCursors();

    std::string m_title;
    VRGuiWindow* m_window = nullptr;
    SDL_Window* m_sdlWindow = nullptr;
    SDL_Renderer* m_renderer = nullptr;
    SDL_Texture* m_texture = nullptr;
    cairo_surface_t* m_screen = nullptr;
    int32_t m_width = 0;
    int32_t m_height = 0;
    CRegion m_update;
    std::map<uint32_t, Timer> m_timers;
    uint32_t m_timerGeneration = 0;
    bool m_quit = false;
    bool m_keepingDisplayAwake = false;
    bool m_screenSaverWasEnabled = false;
    // Files of the drop in progress.
    std::vector<std::string> m_droppedFiles;
    int m_presentCount = 0;
    std::array<SDL_Cursor*, kGuiCursorCount> m_cursors{};
};
