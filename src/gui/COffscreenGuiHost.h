#pragma once

#include "gui/CRegion.h"
#include "gui/GuiInput.h"
#include "gui/GuiMessage.h"
#include "gui/IGuiHost.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

// A host without a display: the "screen" is an image, time is a manual clock,
// and input is injected by calls. Tests and headless tools drive a window
// with it deterministically: Advance moves the clock and fires the timers that
// fall due in order; after every delivered message a pending paint is
// delivered, as a native message loop does once it is idle.
class COffscreenGuiHost : public IGuiHost {
public:
    static constexpr uint64_t kDoubleClickMs = 500;
    static constexpr int32_t kDoubleClickDistance = 2;
    static constexpr int kMaxModalSteps = 1000;
    // Called once per step of a modal loop with the host and the loop's depth (1 for the first).
    using ModalDriver = std::function<void(COffscreenGuiHost& host, int depth)>;

    COffscreenGuiHost() = default;
    COffscreenGuiHost(const COffscreenGuiHost&) = delete;
    COffscreenGuiHost& operator=(const COffscreenGuiHost&) = delete;
    ~COffscreenGuiHost() override;

    bool Open(VRGuiWindow* window, int32_t width, int32_t height) override;
    void Close() override;
    void InvalidateRect(const GuiRect& rect) override;
    cairo_surface_t* GetScreenSurface() override { return m_screen; }
    void Present(const CRegion& changed) override;
    bool StartTimer(uint32_t id, uint32_t ms) override;
    bool StopTimer(uint32_t id) override;
    void CaptureMouse() override { m_mouseCaptured = true; }
    void ReleaseMouse() override { m_mouseCaptured = false; }
    void SetFocus() override { m_focused = true; }
    void Resize(int32_t width, int32_t height) override;
    void Move(int32_t x, int32_t y) override;
    void PostQuit() override { m_quitPosted = true; }
    // With no user to answer, a modal loop asks the modal driver to act (inject
    // input, move the clock) until the dialog is finished. Without a driver,
    // or when it has not finished after kMaxModalSteps calls, the loop gives
    // up and answers false, as a dialog closed by the system would.
    bool RunModalLoop(const std::function<bool()>& finished) override;
    void SetCursor(GuiCursor cursor) override { m_cursorShape = cursor; }
    // A clipboard of the host's own.
    std::string GetClipboardText() override { return m_clipboard; }
    void SetClipboardText(const std::string& text) override { m_clipboard = text; }
    void KeepDisplayAwake(bool awake) override { m_displayKeptAwake = awake; }
    bool IsDisplayKeptAwake() const { return m_displayKeptAwake; }
    uint64_t NowMs() const override { return m_now; }
    GuiPoint CursorPos() const override { return m_cursor; }
    GuiPoint WindowPosition() const override { return m_position; }
    void Maximize() override { m_maximized = true; }
    bool IsMaximized() const override { return m_maximized; }

    // Injected input; each answers the window's result. A left press close in
    // time and place to the previous one arrives as a double click.
    intptr_t MouseMove(int32_t x, int32_t y, uint32_t keys = 0);
    intptr_t LeftDown(int32_t x, int32_t y, uint32_t keys = MK_LBUTTON);
    intptr_t LeftUp(int32_t x, int32_t y, uint32_t keys = 0);
    intptr_t RightDown(int32_t x, int32_t y, uint32_t keys = MK_RBUTTON);
    intptr_t RightUp(int32_t x, int32_t y, uint32_t keys = 0);
    intptr_t Wheel(int32_t x, int32_t y, int32_t delta, uint32_t keys = 0);
    intptr_t KeyDown(int32_t key, uint32_t modifiers = 0);
    intptr_t KeyUp(int32_t key, uint32_t modifiers = 0);
    intptr_t Text(const std::string& utf8);
    void Activate(bool active);
    // The user resizing the window: the newly exposed area needs painting.
    void UserResize(int32_t width, int32_t height);
    // Delivers any message; then a pending paint.
    intptr_t Send(const GuiMessage& message);

    // Moves the clock on, firing due timers (earliest first, then lowest id)
    // each followed by a pending paint.
    void Advance(uint64_t ms);
    // Delivers the paint message for the update region, if any.
    void DeliverPaint();

    void SetModalDriver(ModalDriver driver) {
        m_modalDriver = driver ? std::make_shared<ModalDriver>(std::move(driver)) : nullptr;
    }
    int ModalDepth() const { return m_modalDepth; }

    // Makes the next Open, or every timer start while set, fail.
    void FailNextOpen() { m_failNextOpen = true; }
    void SetFailTimerStarts(bool fail) { m_failTimerStarts = fail; }

    bool IsOpen() const { return m_window != nullptr; }
    // The user taking the window out of its maximized state.
    void Restore() { m_maximized = false; }
    GuiCursor CurrentCursor() const { return m_cursorShape; }
    int InvalidateRectCalls() const { return m_invalidateRectCalls; }
    int PaintCount() const { return m_paintCount; }
    const CRegion& UpdateRegion() const { return m_update; }
    const CRegion& LastPresented() const { return m_lastPresented; }
    bool IsMouseCaptured() const { return m_mouseCaptured; }
    bool HasFocus() const { return m_focused; }
    bool QuitPosted() const { return m_quitPosted; }
    bool IsTimerRunning(uint32_t id) const { return m_timers.count(id) != 0; }
    uint32_t TimerPeriod(uint32_t id) const;
    int32_t Width() const { return m_width; }
    int32_t Height() const { return m_height; }
    GuiPoint Position() const { return m_position; }
    // A pixel of the screen image as 0xAARRGGBB.
    uint32_t ScreenPixel(int32_t x, int32_t y) const;
    bool SaveScreenPng(const std::string& path) const;

private:
    struct Timer {
        uint32_t periodMs;
        uint64_t due;
    };

    intptr_t SendMouse(GuiMessageType type, int32_t x, int32_t y, uint32_t keys);
    bool MakeScreen(int32_t width, int32_t height);

    VRGuiWindow* m_window = nullptr;
    cairo_surface_t* m_screen = nullptr;
    int32_t m_width = 0;
    int32_t m_height = 0;
    GuiPoint m_position;
    bool m_maximized = false;
    CRegion m_update;
    CRegion m_lastPresented;
    std::map<uint32_t, Timer> m_timers;
    uint64_t m_now = 0;
    GuiPoint m_cursor;
    GuiCursor m_cursorShape = GuiCursor::kArrow;
    bool m_hasLastPress = false;
    uint64_t m_lastPressTime = 0;
    GuiPoint m_lastPress;
    bool m_lastPressWasDouble = false;
    bool m_mouseCaptured = false;
    bool m_focused = false;
    bool m_quitPosted = false;
    bool m_failNextOpen = false;
    bool m_failTimerStarts = false;
    int m_invalidateRectCalls = 0;
    int m_paintCount = 0;
    // Shared, so that one driver object (and its state) serves every step even
    // when a step replaces the driver.
    std::shared_ptr<ModalDriver> m_modalDriver;
    std::string m_clipboard;
    bool m_displayKeptAwake = false;
    int m_modalDepth = 0;
};
