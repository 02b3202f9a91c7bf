#pragma once

#include "gui/GuiCursor.h"
#include "gui/GuiRect.h"

#include <cstdint>
#include <functional>
#include <string>

class CRegion;
class VRGuiWindow;
typedef struct _cairo_surface cairo_surface_t;

// The platform side of a VRGuiWindow: one native window (or a stand-in) that
// delivers the window's messages (see GuiMessage) through
// VRGuiWindow::WindowProc, always on the thread that runs the GUI. Timer
// messages, paint messages and input all arrive that way. A host serves one
// window and must outlive it.
class IGuiHost {
public:
    virtual ~IGuiHost() = default;

    // Creates the native window of the given client size for `window`; false
    // when that fails.
    virtual bool Open(VRGuiWindow* window, int32_t width, int32_t height) = 0;
    virtual void Close() = 0;

    // Adds client rectangles to the update region; a paint message follows
    // once the host has nothing else to deliver.
    virtual void InvalidateRect(const GuiRect& rect) = 0;
    // The surface the user sees, of the client size (ARGB32). The window
    // copies painted parts of its back buffer here, then calls Present.
    virtual cairo_surface_t* GetScreenSurface() = 0;
    virtual void Present(const CRegion& changed) = 0;

    // A periodic timer: a timer message with the identifier every `ms`
    // milliseconds until stopped. Starting a running identifier restarts it.
    virtual bool StartTimer(uint32_t id, uint32_t ms) = 0;
    virtual bool StopTimer(uint32_t id) = 0;

    virtual void CaptureMouse() = 0;
    virtual void ReleaseMouse() = 0;
    virtual void SetFocus() = 0;
    virtual void Resize(int32_t width, int32_t height) = 0;
    virtual void Move(int32_t x, int32_t y) = 0;
    // Where the window's top-left corner is on the screen.
    virtual GuiPoint WindowPosition() const = 0;
    // Fills the screen with the window, as the desktop's maximize does.
    virtual void Maximize() = 0;
    virtual bool IsMaximized() const = 0;
    // Asks the message loop to end.
    virtual void PostQuit() = 0;
    // A nested message loop for a modal dialog or pop-up: delivers messages
    // until finished() answers true (then true) or the loop must end first
    // (then false).
    virtual bool RunModalLoop(const std::function<bool()>& finished) = 0;

    // Shows the mouse pointer over the window from now on.
    virtual void SetCursor(GuiCursor cursor) = 0;

    // The system clipboard's text (UTF-8); empty when it holds none.
    virtual std::string GetClipboardText() = 0;
    virtual void SetClipboardText(const std::string& text) = 0;

    // Keeps the screen saver and the display's power saving off while a long
    // job runs that the user may wish to watch (a CD burn); false restores
    // what the desktop does.
    virtual void KeepDisplayAwake(bool awake) = 0;

    // Milliseconds on a monotonic clock.
    virtual uint64_t NowMs() const = 0;
    // The pointer in client coordinates.
    virtual GuiPoint CursorPos() const = 0;
};
